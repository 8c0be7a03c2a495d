# Cross-compiling Tarnwick64 for 64-bit Windows (x86-64) with mingw-w64. Its
# tests run under Wine's 64-bit loader, which every machine runs, also one
# without 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TARNWICK_MINGW x86_64-w64-mingw32)
set(TARNWICK_WINE_WIDTH 64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
