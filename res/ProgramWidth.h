// What differs between the resources of Tarnwick.exe (32-bit x86) and
// Tarnwick64.exe (x86-64), built from the one resource script. The resource
// compiler for x86_64 predefines _WIN64 as the C++ compiler does, so the
// script and the code see the same choice.
#pragma once

#include "Version.h"

#ifdef _WIN64
#define TARNWICK_CAPTION_HEAD "Tarnwick " TARNWICK_VERSION_SHORT " (64-bit) - "
#define TARNWICK_VERSION_LINE "Tarnwick Version " TARNWICK_VERSION_SHORT " (64-bit)"
#define TARNWICK_EXE_NAME "Tarnwick64.exe"
// The same manifest as Tarnwick.manifest but for processorArchitecture.
#define TARNWICK_MANIFEST_FILE "Tarnwick64.manifest"
#else
#define TARNWICK_CAPTION_HEAD "Tarnwick " TARNWICK_VERSION_SHORT " - "
#define TARNWICK_VERSION_LINE "Tarnwick Version " TARNWICK_VERSION_SHORT
#define TARNWICK_EXE_NAME "Tarnwick.exe"
#define TARNWICK_MANIFEST_FILE "Tarnwick.manifest"
#endif
