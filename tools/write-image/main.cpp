// zentho-write-image: writes a machine folder laid out as the sample machine is as an
// offline Windows image (its drive C: and its registry as hive files), for the tool's
// checks and the benchmarks on images.
//   zentho-write-image MACHINE-FOLDER DIR
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/winsim/formats/image_writer.h"

int main(int argc, char** argv) {
    const char* usage = "usage: zentho-write-image MACHINE-FOLDER DIR   (DIR becomes the image's volume)";
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))
        return std::printf("%s\n", usage), 0;
    if (argc != 3 || argv[1][0] == '-' || argv[2][0] == '-') return std::fprintf(stderr, "%s\n", usage), 2;
    size_t bytes = 0, software = 0;
    std::string error;
    if (!sim::WriteImage(argv[1], argv[2], "", &bytes, &software, &error)) {
        std::fprintf(stderr, "zentho-write-image: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
