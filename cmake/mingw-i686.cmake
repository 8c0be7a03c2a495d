# Cross-compiling Tarnwick for 32-bit Windows with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TARNWICK_MINGW i686-w64-mingw32)
set(TARNWICK_WINE_WIDTH 32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
