// What the data view shows, as a count of lines and the text of each made
// when it is asked for: one message line (a note, an error), or a block's
// dump (the header line, an empty line, then a row of 16 bytes each) made
// from the block's bytes with the dump's own row formatter. The bytes of a
// block up to kMaxDumpSize are kept as read at one moment; a bigger block's
// are read in windows around the rows asked for, a few windows kept, so
// the view's memory stays a few MiB whatever the block's size. Bytes that
// can't be read (the block freed meanwhile) show as "??".
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "blockdata/DumpLines.h"
#include "heap/HeapLayout.h"

// The block's bytes from an offset on.
class DumpBytes {
 public:
  virtual ~DumpBytes() = default;
  // count bytes at offset into out; readable[i] tells whether out[i] was read.
  virtual void Read(uint64_t offset, uint8_t* out, bool* readable, size_t count) = 0;
};

// Bytes read at once and kept.
class KeptDumpBytes : public DumpBytes {
 public:
  explicit KeptDumpBytes(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
  void Read(uint64_t offset, uint8_t* out, bool* readable, size_t count) override;
  const std::vector<uint8_t>& Bytes() const { return m_bytes; }

 private:
  std::vector<uint8_t> m_bytes;
};

// Reads length bytes of the block at offset into out; false when they
// can't all be read.
class BlockWindowReader {
 public:
  virtual ~BlockWindowReader() = default;
  virtual bool ReadAt(uint64_t offset, uint8_t* out, size_t length) = 0;
};

constexpr size_t kDumpWindowBytes = 1u << 20;
constexpr size_t kDumpWindowsKept = 4;

// A big block read a window at a time (kDumpWindowBytes, aligned), the last
// kDumpWindowsKept windows kept; a window that can't be read whole is read
// in pages, and the pages that fail show as unreadable.
class WindowedDumpBytes : public DumpBytes {
 public:
  WindowedDumpBytes(std::unique_ptr<BlockWindowReader> reader, uint64_t size)
      : m_reader(std::move(reader)), m_size(size) {}
  void Read(uint64_t offset, uint8_t* out, bool* readable, size_t count) override;

 private:
  struct Window {
    uint64_t start;
    std::vector<uint8_t> bytes;
    std::vector<bool> readable;
  };
  const Window& WindowAt(uint64_t start);

  std::unique_ptr<BlockWindowReader> m_reader;
  uint64_t m_size;
  std::list<Window> m_windows;  // the one used last first
};

// One dump row of count bytes (1 to 16) at offset, as FormatDumpRow writes
// it, with "??" in the hexadecimal column and '?' in the text column for a
// byte that could not be read. Offsets of 4 GiB and more take the digits
// they need. out holds kDumpRowCapacity + 8 characters. Returns the length.
constexpr size_t kDumpLineCapacity = kDumpRowCapacity + 8;
size_t FormatDumpRowAt(uint64_t offset, const uint8_t* bytes, const bool* readable, size_t count, char* out);

class DataViewLines {
 public:
  // Nothing shown.
  void Clear();
  void ShowMessage(const char* line);
  void ShowDump(std::string header, uint64_t size, std::unique_ptr<DumpBytes> bytes);

  size_t LineCount() const;
  bool IsDump() const { return m_bytes != nullptr; }
  uint64_t BlockSize() const { return m_size; }
  const std::string& Header() const { return m_header; }
  // The kept bytes of a dump read whole, or null.
  const std::vector<uint8_t>* KeptBytes() const;

  // The text of line (cut to room, terminator included); unreadable, when
  // given, tells whether a dump row had bytes that could not be read.
  size_t LineText(size_t line, char* out, size_t room, bool* unreadable = nullptr);
  // The bytes of a dump row (count, up to 16, and which could be read), or
  // nothing for a line that is no dump row.
  struct RowBytes {
    uint64_t offset;
    size_t count;
    uint8_t bytes[kDumpBytesPerRow];
    bool readable[kDumpBytesPerRow];
  };
  std::optional<RowBytes> Row(size_t line);

 private:
  std::string m_message;  // the one message line, when no dump
  bool m_hasMessage = false;
  std::string m_header;
  uint64_t m_size = 0;
  std::unique_ptr<DumpBytes> m_bytes;
};

// The aligned pointer-sized words of a dump row whose bytes could all be
// read, little-endian, in the row's order (the row's offset is a multiple
// of 16, so the words are aligned in the block).
std::vector<uint64_t> RowPointerWords(const DataViewLines::RowBytes& row, Width width);
