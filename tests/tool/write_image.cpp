// Writes the sample machine as an offline Windows image: its drive C: and its registry
// as hive files, for the tool's checks on images.
//   zentho_write_image DIR
#include <cstdio>
#include <string>

#include "image_bench.h"

int main(int argc, char** argv) {
    size_t bytes = 0, software = 0;
    std::string error;
    if (argc != 2 || !bench::WriteImage(argv[1], "", &bytes, &software, &error)) {
        std::fprintf(stderr, "%s\n", argc == 2 ? error.c_str() : "usage: zentho_write_image DIR");
        return 1;
    }
    return 0;
}
