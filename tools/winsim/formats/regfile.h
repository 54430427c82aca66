// Registry export files (.reg): reading and writing.
//
// Two forms are read: "REGEDIT4" (text in the machine's ANSI code page) and
// "Windows Registry Editor Version 5.00" (UTF-16LE with a byte-order mark). A file is
// parsed completely before anything is applied, so a malformed file is refused whole,
// with a message that names the line, and nothing of it is imported.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/winsim/changes/changes.h"
#include "port/os.h"
#include "tools/winsim/core/codepage.h"

namespace sim {

// One step of an import, in file order. Texts are bytes in the machine's code page.
struct RegFileOp {
    enum Kind { kAddKey, kDeleteKey, kSetValue, kDeleteValue };
    Kind kind = kAddKey;
    std::string key;        // full key path, root in capitals, e.g. HKEY_LOCAL_MACHINE\Software\X
    std::string valueName;  // "" is the key's default value (written @ in the file)
    DWORD type = REG_NONE;  // for kSetValue
    std::string data;       // the value's bytes exactly as stored (strings include their NUL)
    int line = 0;           // line of the file where the step stands (1-based)
    // Read with `unicode` from a version 5 file, a step with text that the code page cannot
    // hold keeps all its texts as they came: key and valueName in UTF-8, a string type's
    // data in UTF-16LE.
    bool wide = false;
};

// Parses a whole file. On failure returns false, leaves *ops empty and sets *error to
// "line N: what is wrong".
// Without `unicode` (a Windows 9x machine, which keeps code-page bytes) text that the code page
// cannot hold is an error; with it (NT) such steps come `wide`.
bool ParseRegFile(std::string_view file, const CodePage& cp, std::vector<RegFileOp>* ops, std::string* error,
                  bool unicode = false);

// The same reading, handing each step to `step` as it is read instead of keeping them all: a
// real machine's hive is hundreds of thousands of steps. A malformed file ends the reading at
// its first error, after the steps before it were handed on; a caller that must not apply
// part of a file reads it twice, first with a step that only looks.
bool ReadRegFile(std::string_view file, const CodePage& cp, const std::function<void(const RegFileOp&)>& step,
                 std::string* error, bool unicode = false);
// And from a stream, which a REGEDIT4 file is read from a block at a time, never whole (tests
// make the blocks small, so that every line of a short file crosses one).
bool ReadRegFile(std::istream& in, const CodePage& cp, const std::function<void(const RegFileOp&)>& step,
                 std::string* error, size_t blockSize = 1 << 20, bool unicode = false);

// A key to write, with its values in the order to write them. A file that changes a
// registry may also delete: a key with everything below it ([-KEY]), or a value
// ("NAME"=-).
struct RegFileValue {
    std::string name;  // "" is the default value
    DWORD type = REG_NONE;
    std::string data;
    bool wideName = false;  // name in UTF-8
    bool wideData = false;  // a string type's data in UTF-16LE
    bool remove = false;
};
struct RegFileKey {
    std::string path;  // full key path with its root name
    std::vector<RegFileValue> values;
    bool remove = false;
    bool wide = false;  // path in UTF-8
};

// Every writer writes only what a reader gets back exactly, and refuses the rest: nothing
// read from a hostile hive can write a line of its own into a file. A key line has no escapes,
// so a key path may hold no control character (a CR or LF would end the line, and readers do
// not agree on the others), must start with a root name in capitals and may have no empty name
// (a doubled or trailing backslash reads back as another path); a value name may hold no NUL;
// and every text must be whole characters of its form. A refusal returns nothing, with *error
// naming the key or value and why.
//
// "REGEDIT4" text, bytes as stored. Every value reads back with its exact type and bytes.
// The code page tells which bytes lead a double-byte character (a trail byte 0x5C is no
// backslash to escape); the form without it is for code page 932.
std::optional<std::string> WriteRegFile4(const std::vector<RegFileKey>& keys, const CodePage& cp,
                                         std::string* error = nullptr);
// The same file in pieces, for a registry too large to hold a second time as one text: the
// header, then each key's text appended in turn.
std::string RegFile4Header();
bool AppendRegFileKey4(const RegFileKey& key, const CodePage& cp, std::string* out, std::string* error);
// Wide texts go into a REGEDIT4 file as the code page shows them ('?' for what it cannot
// hold), and into a version 5 file exactly.
//
// "Windows Registry Editor Version 5.00", UTF-16LE with a byte-order mark; the texts
// are converted from the code page. REG_EXPAND_SZ and REG_MULTI_SZ data, and a REG_SZ that
// the quoted form cannot hold, go out as hex bytes of their UTF-16LE form. Text that does not
// convert exactly (a lone lead byte, say) is refused: WriteRegFile4 is the form that keeps
// every byte.
std::optional<std::string> WriteRegFile5(const std::vector<RegFileKey>& keys, const CodePage& cp,
                                         std::string* error = nullptr);

// The registry part of a change list as a "Windows Registry Editor Version 5.00" file that
// `reg import` on that machine replays: keys created ([path]) and deleted ([-path]), values
// set and deleted ("name"=-), in the order made, under the root names the calls used
// (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT). A key created and deleted again
// is left out with all that was made in it. File changes are not in it (cmdfile.h); `note`,
// a line of text, goes under the header as a comment.
std::optional<std::string> WriteChangesReg(const os::ChangeList& changes, const CodePage& cp,
                                           std::string* error = nullptr, const std::string& note = "");

}  // namespace sim
