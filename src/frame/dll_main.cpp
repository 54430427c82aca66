// The DLL's entry point. The library keeps no state between calls, so loading and
// unloading only prove that the process can still give it memory.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        HLOCAL probe = LocalAlloc(LMEM_FIXED, 8192);
        if (!probe) return FALSE;
        LocalFree(probe);
    }
    return TRUE;
}
