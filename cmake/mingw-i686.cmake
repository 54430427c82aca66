# Cross-compiling the 32-bit DLL, the product's deliverable.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZENTHO_LLVM_MACHINE i386)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
