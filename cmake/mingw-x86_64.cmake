# Cross-compiling the 64-bit DLL, the tool and the Windows test program, which run under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZENTHO_LLVM_MACHINE i386:x86-64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
