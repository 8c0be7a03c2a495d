# What both cross toolchains share; the including file sets TARNWICK_MINGW
# (the target triple) and TARNWICK_WINE_WIDTH (32 or 64) first.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread variants: GoogleTest needs std::mutex.
set(CMAKE_C_COMPILER ${TARNWICK_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNWICK_MINGW}-g++-posix)
# The x86_64 one's preprocessor defines _WIN64, which picks the 64-bit texts in res/.
set(CMAKE_RC_COMPILER ${TARNWICK_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNWICK_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Static runtime: the exe imports only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run under Wine, in the build folder's own prefix of that width.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-emulator.sh ${TARNWICK_WINE_WIDTH})
