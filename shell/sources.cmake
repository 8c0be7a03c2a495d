# Portable files (no <windows.h>): built natively and for Windows.
list(APPEND TARNWICK_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/IconPlacement.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CopyText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CopyMenu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TableSort.cpp
)
# Win32 files: built for Windows only.
list(APPEND TARNWICK_WIN32_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/TarnwickDlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DialogSetup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DpiChange.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DialogHandlers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AboutBox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CopyCommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TableSorting.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TableDisplay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TableViewDialog.cpp
)
