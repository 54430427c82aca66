// zentho-write-image: writes a machine folder laid out as the sample machine is as an
// offline Windows image (its drive C: and its registry as hive files), for the tool's
// checks and the benchmarks on images; with --vista in the layout of Vista and later.
//   zentho-write-image [--vista] MACHINE-FOLDER DIR
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/winsim/formats/image_writer.h"

int main(int argc, char** argv) {
    const char* usage =
        "usage: zentho-write-image [--vista] MACHINE-FOLDER DIR   (DIR becomes the image's volume: Documents and\n"
        "Settings\\USER and WINNT as Windows 2000 and XP lay them out, or with --vista Users\\USER and Windows)";
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) return std::printf("%s\n", usage), 0;
    const bool vista = !args.empty() && args[0] == "--vista";
    if (vista) args.erase(args.begin());
    if (args.size() != 2 || args[0][0] == '-' || args[1][0] == '-') return std::fprintf(stderr, "%s\n", usage), 2;
    size_t bytes = 0, software = 0;
    std::string error;
    if (!sim::WriteImage(args[0], args[1], "", vista ? sim::ImageLayout::kVista : sim::ImageLayout::kXp, &bytes,
                         &software, &error)) {
        std::fprintf(stderr, "zentho-write-image: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
