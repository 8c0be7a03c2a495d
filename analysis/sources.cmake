# Portable files (no <windows.h>): built natively and for Windows.
list(APPEND TARNWICK_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/BlockSizes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BlockMark.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MarkComparison.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TypeNames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImageRanges.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TypeInfoReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TypeResolver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BlockContents.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BlockTypes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BlockSearch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TypeChanges.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BlockHeads.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ContentsOrder.cpp
)
# Win32 files: built for Windows only.
list(APPEND TARNWICK_WIN32_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/LeakCommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProcessMemory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Undecorate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ContentsReading.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ContentsColumn.cpp
)
