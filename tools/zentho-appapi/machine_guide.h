// "zentho-appapi help machine-folder": how to make a machine folder of one's own, and
// for every application of the catalogue the keys, values and files detection reads.
// Made from the tables the library itself reads, so it cannot drift from them; the
// README holds its output, and a test checks the two agree.
#pragma once

#include <string>

std::string MachineFolderGuide();
