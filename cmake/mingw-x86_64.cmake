# Cross-compiles 64-bit Windows binaries of the same sources: the test build on a
# machine whose kernel cannot run 32-bit code. The shipped products stay 32-bit.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
