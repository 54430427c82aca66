// Lead-byte aware text helpers (see text.h).
#include "platform/text.h"

#include <cstring>

#include "platform/heap_string.h"
#include "port/os.h"

namespace platform {
namespace {

unsigned char* U(char* text) { return reinterpret_cast<unsigned char*>(text); }

}  // namespace

void TrimPath(char* text) {
    if (!text) return;
    if (text[0] == '"') std::memmove(text, text + 1, std::strlen(text));  // the NUL moves too
    size_t length = std::strlen(text);
    if (length > 0 && text[length - 1] == '"') text[--length] = 0;
    if (length == 0) return;
    for (size_t i = 0; i < length;) {
        if (os::IsDBCSLeadByte(static_cast<BYTE>(text[i]))) {
            if (length - i < 2) return;  // a lead byte without its second byte ends the walk
            i += 2;
        } else if (text[i] == '\\' && i == length - 1) {
            text[i] = 0;
            return;
        } else {
            ++i;
        }
    }
}

int ExtractProgramFromCommand(const char* command, const char* name, char* output) {
    output[0] = 0;
    if (!command || !name) return 0;
    const size_t commandLength = std::strlen(command), nameLength = std::strlen(name);
    if (commandLength > kWorkBufferSize - 1 || nameLength > kWorkBufferSize - 1 || nameLength == 0) return 0;
    char lowerCommand[kWorkBufferSize], lowerName[kWorkBufferSize];
    std::memcpy(lowerCommand, command, commandLength + 1);
    std::memcpy(lowerName, name, nameLength + 1);
    os::_mbslwr(U(lowerCommand));
    os::_mbslwr(U(lowerName));
    for (const unsigned char* found = os::_mbsstr(U(lowerCommand), U(lowerName)); found;
         found = os::_mbsstr(found + nameLength, U(lowerName))) {
        const size_t at = static_cast<size_t>(found - U(lowerCommand));
        const char after = command[at + nameLength];
        if (after == 0) {  // the name ends the command
            std::memcpy(output, lowerCommand, commandLength + 1);
            return 1;
        }
        if (after == '"' || after == ' ') {
            // Through the quote, or up to the blank, in the command's own case.
            const size_t length = at + nameLength + (after == '"' ? 1 : 0);
            std::memcpy(output, command, length);
            output[length] = 0;
            return 1;
        }
    }
    return 0;
}

void ExpandInPlace(char* path) {
    char expanded[kWorkBufferSize];
    DWORD needed = os::ExpandEnvironmentStringsA(path, expanded, kWorkBufferSize - 1);
    expanded[kWorkBufferSize - 1] = 0;
    if (needed > 0 && needed < kWorkBufferSize) std::strcpy(path, expanded);
}

bool GetFileVersion(const char* path, unsigned short* major, unsigned short* minor, unsigned short* build) {
    *major = *minor = *build = 0;
    if (!path) return true;
    char expanded[kWorkBufferSize];
    DWORD needed = os::ExpandEnvironmentStringsA(path, expanded, kWorkBufferSize - 1);
    // A path that expands past 260 bytes names no file that can be read.
    if (needed == 0 || needed > kWorkBufferSize - 1) return true;
    expanded[kWorkBufferSize - 1] = 0;
    size_t length = std::strlen(expanded);
    char* file = expanded;
    if (length >= 2 && expanded[0] == '"' && expanded[length - 1] == '"') {
        expanded[length - 1] = 0;
        ++file;
    }
    DWORD handle = 0;
    DWORD size = os::GetFileVersionInfoSizeA(file, &handle);
    if (size == 0) return true;
    HeapString block(static_cast<char*>(os::malloc(size)));
    if (!block || !os::GetFileVersionInfoA(file, handle, size, block.get())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!os::VerQueryValueA(block.get(), "\\", reinterpret_cast<LPVOID*>(&fixed), &fixedSize) || !fixed ||
        fixedSize < sizeof(VS_FIXEDFILEINFO))
        return true;
    *major = HIWORD(fixed->dwProductVersionMS);
    *minor = LOWORD(fixed->dwProductVersionMS);
    *build = HIWORD(fixed->dwProductVersionLS);
    return true;
}

}  // namespace platform
