// The port's version-resource functions (version.dll) over the current simulated
// machine: the version resource is read from the PE file on the machine's drive.
#include <cstring>
#include <string>
#include <vector>

#include "port/os.h"
#include "tools/winsim/core/last_error.h"
#include "tools/winsim/core/machine.h"
#include "tools/winsim/core/pe_version.h"

namespace os {
namespace {

bool ReadVersionBlock(LPCSTR path, std::vector<uint8_t>* block) {
    sim::Machine* machine = sim::Machine::Current();
    std::unique_ptr<sim::RandomAccess> file;
    if (!machine || !path || machine->LookupFault() || !(file = machine->files().OpenFile(path))) {
        sim::SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    const VS_FIXEDFILEINFO* fixed;
    // Only a block whose root is well formed is handed out, so that VerQueryValueA,
    // which trusts the block's own length, never reads past it.
    if (!sim::FindVersionResource(*file, block) || !sim::FindFixedFileInfo(block->data(), block->size(), &fixed)) {
        sim::SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return false;
    }
    return true;
}

}  // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle) {
    sim::PortCall port;
    if (handle) *handle = 0;
    std::vector<uint8_t> block;
    if (!ReadVersionBlock(path, &block)) return 0;
    // Windows asks for room beyond the resource, for the text conversions it does.
    return static_cast<DWORD>(block.size() * 2 + 4);
}

BOOL GetFileVersionInfoA(LPCSTR path, DWORD, DWORD size, LPVOID data) {
    sim::PortCall port;
    std::vector<uint8_t> block;
    if (!data || !ReadVersionBlock(path, &block)) return FALSE;
    if (size < block.size()) {
        sim::SetLastError(122);  // ERROR_INSUFFICIENT_BUFFER
        return FALSE;
    }
    std::memcpy(data, block.data(), block.size());
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* value, PUINT valueSize) {
    sim::PortCall port;
    if (!block || !subBlock || !value) return FALSE;
    // Only the root ("\") is answered: the library reads nothing else.
    if (std::strcmp(subBlock, "\\") != 0) return FALSE;
    const auto* bytes = static_cast<const uint8_t*>(block);
    size_t length = static_cast<size_t>(bytes[0]) | (static_cast<size_t>(bytes[1]) << 8);
    const VS_FIXEDFILEINFO* fixed;
    if (!sim::FindFixedFileInfo(bytes, length, &fixed)) return FALSE;
    *value = const_cast<VS_FIXEDFILEINFO*>(fixed);
    if (valueSize) *valueSize = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}

}  // namespace os
