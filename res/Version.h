// The program's one version: the version resource, the caption and the
// About box take it from here, and CMake reads it for the project (and the
// release zip's name). Digits only, as the resource's numbers need them.
#pragma once

#define TARNWICK_VERSION_MAJOR 1
#define TARNWICK_VERSION_MINOR 0
#define TARNWICK_VERSION_PATCH 0
#define TARNWICK_VERSION_BUILD 1

#define TARNWICK_STRINGIZE_(x) #x
#define TARNWICK_STRINGIZE(x) TARNWICK_STRINGIZE_(x)
// "1.0": what the caption and the About box show.
#define TARNWICK_VERSION_SHORT TARNWICK_STRINGIZE(TARNWICK_VERSION_MAJOR) "." TARNWICK_STRINGIZE(TARNWICK_VERSION_MINOR)
// "1.0.0.1": the file and product version.
#define TARNWICK_VERSION_TEXT                                                                      \
  TARNWICK_VERSION_SHORT "." TARNWICK_STRINGIZE(TARNWICK_VERSION_PATCH) "." TARNWICK_STRINGIZE( \
      TARNWICK_VERSION_BUILD)
