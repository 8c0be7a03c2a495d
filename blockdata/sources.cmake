# Portable files (no <windows.h>): built natively and for Windows.
list(APPEND TARNWICK_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/DumpLines.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DumpView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ChunkedCopy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SavePath.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FindBlock.cpp
)
# Win32 files: built for Windows only.
list(APPEND TARNWICK_WIN32_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/SelectedBlock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DataView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FollowPointer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TempFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SaveData.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FindDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FindCommands.cpp
)
