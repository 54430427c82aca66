// The changes a call made, one short line each, for tests to compare with the list
// a branch prescribes:
//   create-key KEY | delete-key KEY | set KEY|NAME=TEXT (numbers as #N) | delete-value KEY|NAME
//   copy FROM > TO | delete FILE | mkdir FOLDER | start PROGRAM PARAMETERS | close CLASS
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform/os/changes.h"

inline std::vector<std::string> ChangeTexts(const os::ChangeList& changes) {
    std::vector<std::string> lines;
    for (const auto& c : changes) {
        switch (c.kind) {
            case os::Change::kKeyCreated:
                lines.push_back("create-key " + c.path);
                break;
            case os::Change::kKeyDeleted:
                lines.push_back("delete-key " + c.path);
                break;
            case os::Change::kValueDeleted:
                lines.push_back("delete-value " + c.path + "|" + c.name);
                break;
            case os::Change::kFileCopied:
                lines.push_back("copy " + c.detail + " > " + c.path);
                break;
            case os::Change::kFileDeleted:
                lines.push_back("delete " + c.path);
                break;
            case os::Change::kFolderCreated:
                lines.push_back("mkdir " + c.path);
                break;
            case os::Change::kProgramStarted:
                lines.push_back("start " + c.path + " " + c.detail);
                break;
            case os::Change::kMessageSent:
                lines.push_back("close " + c.path);
                break;
            case os::Change::kValueSet: {
                std::string data;
                if (c.type == REG_DWORD && c.data.size() == 4) {
                    DWORD value;
                    std::memcpy(&value, c.data.data(), 4);
                    data = "#" + std::to_string(value);
                } else {
                    data = c.data.substr(0, c.data.find('\0'));
                }
                lines.push_back("set " + c.path + "|" + c.name + "=" + data);
                break;
            }
        }
    }
    return lines;
}
