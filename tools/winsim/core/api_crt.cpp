// The port's C runtime functions over the current simulated machine: the heap (each
// block counted), file existence, the search along a variable's folders, and the
// multi-byte string functions of the machine's ANSI code page.
//
// The string functions step over double-byte characters as units and never read
// past a NUL: a lead byte right before the NUL counts as a single-byte character.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "port/os.h"
#include "tools/winsim/core/machine.h"

namespace os {
namespace {

sim::Machine* M() { return sim::Machine::Current(); }

const sim::CodePage& CP() {
    static const sim::CodePage fallback(932);
    return M() ? M()->codePage() : fallback;
}

// The character at p and its length in bytes (2 for a whole double-byte character).
unsigned NextChar(const unsigned char* p, size_t* length) {
    if (CP().IsLeadByte(*p) && p[1]) {
        *length = 2;
        return static_cast<unsigned>(p[0]) << 8 | p[1];
    }
    *length = 1;
    return *p;
}

bool InSet(unsigned c, const unsigned char* set) {
    for (const unsigned char* s = set; *s;) {
        size_t length;
        if (NextChar(s, &length) == c) return true;
        s += length;
    }
    return false;
}

}  // namespace

void* malloc(size_t bytes) {
    sim::PortCall port;
    return M() ? M()->Allocate(bytes, sim::HeapFamily::kCrt) : nullptr;
}

void free(void* block) {
    sim::PortCall port;
    if (!block) return;
    if (!M() || !M()->Release(block, sim::HeapFamily::kCrt)) sim::HeapMisuse("free of a block that malloc did not give");
}

int _access(const char* path, int mode) {
    sim::PortCall port;
    DWORD attributes;
    if (!M() || !path || M()->LookupFault() || M()->files().GetAttributes(path, &attributes)) return -1;
    if ((mode & 2) && (attributes & FILE_ATTRIBUTE_READONLY)) return -1;
    return 0;
}

void _searchenv(const char* fileName, const char* variable, char* out) {
    sim::PortCall port;
    if (!out) return;
    out[0] = 0;
    if (!M() || !fileName || !variable || M()->LookupFault()) return;
    auto tryFolder = [&](std::string folder) {
        if (folder.empty()) return false;
        if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
        std::string candidate = folder + fileName;
        DWORD attributes;
        if (candidate.size() >= MAX_PATH || M()->files().GetAttributes(candidate, &attributes)) return false;
        std::memcpy(out, candidate.c_str(), candidate.size() + 1);
        return true;
    };
    // The current folder first, then each folder of the variable in turn.
    if (tryFolder(M()->files().currentDirectory())) return;
    std::string list;
    if (!M()->GetEnv(variable, &list)) return;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string::npos) end = list.size();
        if (tryFolder(list.substr(start, end - start))) return;
        start = end + 1;
    }
}

unsigned char* _mbschr(const unsigned char* text, unsigned int c) {
    for (const unsigned char* p = text;;) {
        size_t length;
        unsigned ch = NextChar(p, &length);
        if (ch == c) return const_cast<unsigned char*>(p);
        if (!*p) return nullptr;
        p += length;
    }
}

unsigned char* _mbsrchr(const unsigned char* text, unsigned int c) {
    const unsigned char* found = nullptr;
    for (const unsigned char* p = text;;) {
        size_t length;
        unsigned ch = NextChar(p, &length);
        if (ch == c) found = p;
        if (!*p) return const_cast<unsigned char*>(found);
        p += length;
    }
}

int _mbscmp(const unsigned char* a, const unsigned char* b) {
    for (;;) {
        size_t la, lb;
        unsigned ca = NextChar(a, &la), cb = NextChar(b, &lb);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (!ca) return 0;
        a += la;
        b += lb;
    }
}

int _mbsnbcmp(const unsigned char* a, const unsigned char* b, size_t count) {
    // Compares at most count bytes; a double-byte character cut by the limit counts as
    // the end of its text.
    while (count) {
        size_t la, lb;
        unsigned ca = NextChar(a, &la), cb = NextChar(b, &lb);
        if (la > count) ca = 0;
        if (lb > count) cb = 0;
        if (ca != cb) return ca < cb ? -1 : 1;
        if (!ca) return 0;
        count -= la;
        a += la;
        b += lb;
    }
    return 0;
}

unsigned char* _mbslwr(unsigned char* text) {
    if (!text) return nullptr;
    for (unsigned char* p = text; *p;) {
        size_t length;
        NextChar(p, &length);
        if (length == 1) *p = CP().ToLower(*p);
        p += length;
    }
    return text;
}

unsigned char* _mbspbrk(const unsigned char* text, const unsigned char* set) {
    for (const unsigned char* p = text; *p;) {
        size_t length;
        if (InSet(NextChar(p, &length), set)) return const_cast<unsigned char*>(p);
        p += length;
    }
    return nullptr;
}

size_t _mbsspn(const unsigned char* text, const unsigned char* set) {
    const unsigned char* p = text;
    while (*p) {
        size_t length;
        if (!InSet(NextChar(p, &length), set)) break;
        p += length;
    }
    return static_cast<size_t>(p - text);
}

unsigned char* _mbsstr(const unsigned char* text, const unsigned char* find) {
    size_t n = std::strlen(reinterpret_cast<const char*>(find));
    // A match starts only where a character starts, never on a second byte.
    for (const unsigned char* p = text;;) {
        if (std::strncmp(reinterpret_cast<const char*>(p), reinterpret_cast<const char*>(find), n) == 0)
            return const_cast<unsigned char*>(p);
        if (!*p) return nullptr;
        size_t length;
        NextChar(p, &length);
        p += length;
    }
}

}  // namespace os
