// The name of the class whose table of virtual functions (vtable) is at an
// address of the inspected process, read from the type information its
// compiler put beside the table. Two forms are in use on Windows:
//
// Microsoft's: the word before the table points at a complete-object
// locator { u32 signature, u32 offset, u32 cdOffset, type descriptor,
// class hierarchy descriptor, and in 64-bit programs the locator's own
// offset from the image base }. 32-bit programs write signature 0 and
// absolute 32-bit pointers; 64-bit ones signature 1 and 32-bit offsets from
// the image base. The type descriptor is { word, word, char name[] }, the
// name decorated ".?AV...@@" (class) or ".?AU...@@" (struct); the hierarchy
// descriptor begins with a signature of 0.
//
// GCC's and Clang's (MinGW programs): the word before the table points at
// a std::type_info { its own vtable pointer, const char* name }, the name
// mangled without its "_Z"; the word before that (the offset to the top of
// the object) is 0 for a complete object's table.
//
// Blocks hold arbitrary words, so every step is checked before a name is
// believed: what is read lies in an image module, signatures fit the width,
// the locator's offsets agree, and the name is bounded and well formed.
// Whether a GCC name demangles is the platform's to say (TypeResolver).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "analysis/ImageRanges.h"
#include "heap/HeapLayout.h"
#include "heap/MemoryImage.h"

enum class NameForm : uint8_t { Microsoft, Gcc };

struct StoredTypeName {
  NameForm form;
  std::string name;  // as stored, NUL not included
  bool operator==(const StoredTypeName&) const = default;
};

// The bytes a stored name may take, its NUL included; longer ones are
// taken for something else (real ones run to a few hundred at most).
constexpr uint32_t kTypeNameRoom = 1024;

// The name stored for the class whose vtable is at vtable, or nothing when
// the words there are no vtable with type information that checks out.
// GCC names local to one file begin with '*', which type_info::name()
// skips; so does this.
std::optional<StoredTypeName> ReadStoredTypeName(const MemoryImage& memory, const ImageRanges& images, Width width,
                                                 uint64_t vtable);
