// zentho-mkpe: writes one PE image with a version resource, for sample machines and
// for checks under Wine.
//
//   zentho-mkpe OUT.exe --version A.B.C.D [--file-version A.B.C.D] [--string Name=Value]...
//               [--no-version] [--arch amd64|i386]
//
//   zentho-mkpe --retarget amd64|i386 FILE...
//
// --version sets the product version, and the file version too unless --file-version
// is given. --no-version writes an image with no resource section at all, and makes
// the version options optional (and unused).
// --retarget rewrites in place, for the architecture given, each FILE that is an image
// zentho-mkpe wrote, so that a machine folder's programs start under 32-bit Wine as
// under 64-bit Wine. Files that are no PE image are left quietly; other PE images are
// left and named on standard error.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pe-maker/pe_writer.h"

namespace {

const char kUsage[] =
    "usage: zentho-mkpe OUT.exe --version A.B.C.D [--file-version A.B.C.D] [--string Name=Value]... "
    "[--no-version] [--arch amd64|i386]\n"
    "       zentho-mkpe --retarget amd64|i386 FILE...\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

// Four decimal numbers of 0-65535 separated by dots, nothing else.
bool ParseVersion(const std::string& text, uint16_t out[4]) {
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != '.') return false;
            ++pos;
        }
        size_t start = pos;
        unsigned long value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 6) {
            value = value * 10 + static_cast<unsigned long>(text[pos] - '0');
            ++pos;
        }
        if (pos == start || value > 0xFFFF) return false;
        out[i] = static_cast<uint16_t>(value);
    }
    return pos == text.size();
}

bool ParseArch(const std::string& name, pemaker::Arch* arch) {
    if (name != "amd64" && name != "i386") return false;
    *arch = name == "amd64" ? pemaker::Arch::kAmd64 : pemaker::Arch::kI386;
    return true;
}

bool WriteImage(const std::string& path, const std::vector<uint8_t>& image) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out) std::fprintf(stderr, "zentho-mkpe: cannot write %s\n", path.c_str());
    return static_cast<bool>(out);
}

int Retarget(pemaker::Arch arch, char** files, int count) {
    int status = 0;
    for (int i = 0; i < count; ++i) {
        std::ifstream in(files[i], std::ios::binary);
        const std::vector<uint8_t> image{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (!in.good() && !in.eof()) {
            std::fprintf(stderr, "zentho-mkpe: cannot read %s\n", files[i]);
            status = 1;
            continue;
        }
        if (image.size() < 2 || std::memcmp(image.data(), "MZ", 2) != 0) continue;
        const std::vector<uint8_t> retargeted = pemaker::RetargetPe(image, arch);
        if (retargeted.empty()) {
            std::fprintf(stderr, "zentho-mkpe: %s: not an image zentho-mkpe wrote; left as it is\n", files[i]);
        } else if (retargeted != image && !WriteImage(files[i], retargeted)) {
            status = 1;
        }
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    pemaker::Arch retargetArch;
    if (argc >= 2 && std::strcmp(argv[1], "--retarget") == 0) {
        if (argc < 3 || !ParseArch(argv[2], &retargetArch)) return Usage();
        return Retarget(retargetArch, argv + 3, argc - 3);
    }
    std::string outPath;
    pemaker::VersionInfo info;
    pemaker::Arch arch = pemaker::Arch::kAmd64;
    bool haveVersion = false, haveFileVersion = false, noVersion = false;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--version" && hasValue) {
            if (!ParseVersion(argv[++i], info.productVersion)) return Usage();
            haveVersion = true;
        } else if (arg == "--file-version" && hasValue) {
            if (!ParseVersion(argv[++i], info.fileVersion)) return Usage();
            haveFileVersion = true;
        } else if (arg == "--string" && hasValue) {
            const std::string pair = argv[++i];
            const size_t eq = pair.find('=');
            if (eq == std::string::npos || eq == 0) return Usage();
            info.strings.emplace_back(pair.substr(0, eq), pair.substr(eq + 1));
        } else if (arg == "--arch" && hasValue) {
            if (!ParseArch(argv[++i], &arch)) return Usage();
        } else if (arg == "--no-version") {
            noVersion = true;
        } else if (!arg.empty() && arg[0] != '-' && outPath.empty()) {
            outPath = arg;
        } else {
            return Usage();
        }
    }
    // --version may stay on a command line that adds --no-version; it is then unused.
    if (outPath.empty() || (!haveVersion && !noVersion)) return Usage();
    if (!haveFileVersion) {
        for (int i = 0; i < 4; ++i) info.fileVersion[i] = info.productVersion[i];
    }

    std::vector<uint8_t> image;
    try {
        image = pemaker::MakePe(noVersion ? nullptr : &info, arch);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zentho-mkpe: %s\n", e.what());
        return 1;
    }
    return WriteImage(outPath, image) ? 0 : 1;
}
