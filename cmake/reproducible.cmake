# The same sources give the same exe bytes in any folder and at any time
# (scripts/package relies on it, and its check builds twice to hold it):
# - the linker writes 0 for the PE header's time stamp instead of the time
#   of the link (windres writes 0 for the resource directory's own);
# - __FILE__ and any debug information name files relative to the source or
#   build folder instead of by their absolute paths.
# Only for the cross builds: the native tests find their data by __FILE__.
if(MINGW AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_link_options(-Wl,--no-insert-timestamp)
  # The build folder usually lies inside the source folder; GCC tries the
  # map given last first.
  add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=build/)
endif()
