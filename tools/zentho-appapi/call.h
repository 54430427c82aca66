// "call EXPORT [ARG...]": one export called exactly as the product's programs call it,
// and one JSON line: {"export":NAME,"result":N,"text":TEXT,"changes":[...]}.
#pragma once

#include <string>
#include <vector>

#include "command.h"
#include "session.h"

CommandResult CallCommand(Session& session, const std::vector<std::string>& args, bool withChanges);

// The exports' names, for messages.
std::string ExportNameList();
