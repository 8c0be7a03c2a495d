# Portable files (no <windows.h>): built natively and for Windows.
list(APPEND TARNWICK_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/MemoryImage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HeapRecords.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BlockWalk.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HeapItems.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BlockTableFill.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BlockRows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TableText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TableCells.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProcessEntry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QueryImageBuilder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QueryAnswer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SegmentHeap.cpp
)
# Win32 files: built for Windows only.
list(APPEND TARNWICK_WIN32_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ProcessList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ResolveHeapQuery.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OwnMemoryImage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HeapQuery.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QueryWorker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ItemQuery.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QueryWait.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NodeTable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BlockTable.cpp
)
