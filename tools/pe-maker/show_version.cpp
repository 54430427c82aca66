// zentho-peversion FILE: prints the file and product versions of a PE file's version
// resource ("file 4.0.2.21 product 4.0.2.21"), read as the simulation reads it.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "tools/winsim/core/pe_version.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zentho-peversion FILE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<uint8_t> block;
    const VS_FIXEDFILEINFO* info = nullptr;
    if (!sim::FindVersionResource(bytes.data(), bytes.size(), &block) ||
        !sim::FindFixedFileInfo(block.data(), block.size(), &info)) {
        std::printf("no version\n");
        return 1;
    }
    std::printf("file %u.%u.%u.%u product %u.%u.%u.%u\n", info->dwFileVersionMS >> 16, info->dwFileVersionMS & 0xFFFF,
                info->dwFileVersionLS >> 16, info->dwFileVersionLS & 0xFFFF, info->dwProductVersionMS >> 16,
                info->dwProductVersionMS & 0xFFFF, info->dwProductVersionLS >> 16, info->dwProductVersionLS & 0xFFFF);
    return 0;
}
