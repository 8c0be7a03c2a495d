// The type of each busy block of a fill, as the block table keeps it: the
// class named by a vtable at one of the places an object begins, else the
// text the block begins with, else nothing known. One resolver lives for
// one fill, adding the classes it meets to the table's TypeNames; its
// verdict on each vtable address is kept, so a class is read and
// undecorated once however many blocks hold one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

#include "analysis/ImageRanges.h"
#include "analysis/TypeInfoReader.h"
#include "analysis/TypeNames.h"
#include "heap/HeapLayout.h"
#include "heap/MemoryImage.h"

// The platform's reading of a stored name: Microsoft names through the
// system's undecorator, GCC ones through the C++ runtime's demangler.
// Nothing when it can't read the name.
using Undecorator = std::function<std::optional<std::string>(NameForm form, const std::string& stored)>;

// The name a class is shown by: the undecorated name without a leading
// "class " or "struct ". A Microsoft name the undecorator can't read is
// shown as stored; a GCC name that does not demangle names nothing.
std::optional<std::string> DisplayTypeName(const StoredTypeName& stored, const Undecorator& undecorate);

// Where a debug C runtime's block header ends: its last four bytes are
// 0xFD, and the object follows.
constexpr size_t DebugHeaderBytes(Width width) { return width == Width::Bits64 ? 48 : 32; }

class TypeResolver {
 public:
  // memory, images and names must outlive the resolver.
  TypeResolver(const MemoryImage& memory, const ImageRanges& images, Width width, Undecorator undecorate,
               TypeNames& names);

  // The type (an index of names) of a busy block of blockSize bytes whose
  // first headBytes bytes are head (kHeadBytes are enough). A class is
  // looked for in the first word, then after a debug header, then after
  // an array's element count (a first word of 1 to blockSize / word size);
  // then text; else kTypeUnknown.
  uint32_t Classify(const uint8_t* head, size_t headBytes, uint64_t blockSize);

  // The type of the class whose vtable is at vtable; kTypeUnknown when it
  // names nothing.
  uint32_t ClassAt(uint64_t vtable);

 private:
  const MemoryImage& m_memory;
  const ImageRanges& m_images;
  Width m_width;
  uint32_t m_word;
  Undecorator m_undecorate;
  TypeNames& m_names;
  std::unordered_map<uint64_t, uint32_t> m_verdicts;  // vtable address -> type, kTypeUnknown for none
};
