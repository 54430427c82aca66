// The PE version reader on any bytes: the resource directory walk, then the fixed
// version information inside whatever block it finds. Both promise to stay inside
// the bytes they are given, whatever those bytes claim.
#include <vector>

#include "fuzz_support.h"
#include "tools/winsim/core/pe_version.h"

namespace {

// The fixed information of a block, read through the pointer the reader hands out so
// that a pointer outside the block shows up here.
void ReadFixed(const uint8_t* block, size_t size) {
    const VS_FIXEDFILEINFO* info = nullptr;
    if (!sim::FindFixedFileInfo(block, size, &info)) return;
    const uint8_t* at = reinterpret_cast<const uint8_t*>(info);
    fuzz::Check(at && at >= block && at + sizeof(VS_FIXEDFILEINFO) <= block + size, "fixed information outside");
    VS_FIXEDFILEINFO copy;
    std::memcpy(&copy, info, sizeof copy);
    fuzz::Check(copy.dwSignature == 0xFEEF04BD, "fixed information without its signature");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> found;
    if (sim::FindVersionResource(data, size, &found)) {
        // An exact heap copy: a read one byte past the block is then a heap overflow.
        std::unique_ptr<uint8_t[]> block(new uint8_t[found.size() ? found.size() : 1]);
        if (!found.empty()) std::memcpy(block.get(), found.data(), found.size());
        ReadFixed(block.get(), found.size());
    }
    ReadFixed(data, size);  // the block reader on its own, for inputs that are no image at all
    return 0;
}
