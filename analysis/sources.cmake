# Portable files (no <windows.h>): built natively and for Windows.
list(APPEND TARNWICK_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/BlockSizes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BlockMark.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MarkComparison.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BlockHeads.cpp
)
# Win32 files: built for Windows only.
list(APPEND TARNWICK_WIN32_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/LeakCommands.cpp
)
