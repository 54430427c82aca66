// The changes a call made, one short line each, for tests to compare with the list
// a branch prescribes:
//   create-key KEY | delete-key KEY | set KEY|NAME=TEXT (numbers as #N) | delete-value KEY|NAME
//   copy FROM > TO | delete FILE | mkdir FOLDER | start PROGRAM PARAMETERS | close CLASS
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform/os/changes.h"

inline std::string ChangeText(const os::Change& c) {
    switch (c.kind) {
        case os::Change::kKeyCreated:
            return "create-key " + c.path;
        case os::Change::kKeyDeleted:
            return "delete-key " + c.path;
        case os::Change::kValueDeleted:
            return "delete-value " + c.path + "|" + c.name;
        case os::Change::kFileCopied:
            return "copy " + c.detail + " > " + c.path;
        case os::Change::kFileDeleted:
            return "delete " + c.path;
        case os::Change::kFolderCreated:
            return "mkdir " + c.path;
        case os::Change::kProgramStarted:
            return "start " + c.path + " " + c.detail;
        case os::Change::kMessageSent:
            return "close " + c.path;
        case os::Change::kValueSet:
            break;
    }
    DWORD value = 0;
    if (c.type != REG_DWORD || c.data.size() != 4) return "set " + c.path + "|" + c.name + "=" + c.data.c_str();
    std::memcpy(&value, c.data.data(), 4);
    return "set " + c.path + "|" + c.name + "=#" + std::to_string(value);
}

inline std::vector<std::string> ChangeTexts(const os::ChangeList& changes) {
    std::vector<std::string> lines;
    for (const auto& c : changes) lines.push_back(ChangeText(c));
    return lines;
}
