// Text for the clipboard: the cells of a line joined by one tab, every line
// ending with CR LF, one NUL after the last line. A full dump is about 80 MB
// in a 32-bit address space, so the text is built in two passes over the
// same content, one measuring and one writing, into one buffer of its final
// size.
//
// The content is a callable that the builder runs once with each pass; it
// calls pass.Cell(length, fill) for every cell and pass.EndLine() after every
// line. The measuring pass calls length() for the cell's length; the writing
// pass calls fill(out, room), which writes at most room - 1 characters and a
// NUL at out and returns how many characters it wrote, as the controls' own
// text messages do. The room is what is left of the buffer, so content that
// is the same in both passes fills the buffer exactly, and a fill that keeps
// to its room never writes past the buffer.
#pragma once

#include <cstddef>
#include <optional>

class CopyTextMeasure {
 public:
  template <class Length, class Fill>
  void Cell(Length&& length, Fill&&) {
    if (!m_lineStart) Add(1);
    Add(length());
    m_lineStart = false;
  }
  void EndLine() {
    Add(2);
    m_lineStart = true;
  }
  // Bytes of the text with its NUL; nothing when the count overflows.
  std::optional<size_t> Size() const;

 private:
  void Add(size_t bytes);

  size_t m_length = 0;
  bool m_lineStart = true;
  bool m_overflow = false;
};

class CopyTextWriter {
 public:
  // size counts the NUL; it must be at least 1.
  CopyTextWriter(char* buffer, size_t size) : m_out(buffer), m_size(size) {}

  template <class Length, class Fill>
  void Cell(Length&&, Fill&& fill) {
    if (!m_lineStart) Put('\t');
    m_lineStart = false;
    const size_t room = Left() + 1;
    const size_t written = fill(m_out + m_length, room);
    m_length += written < room ? written : room - 1;
  }
  void EndLine() {
    Put('\r');
    Put('\n');
    m_lineStart = true;
  }
  // Ends the text with its NUL; returns its length without the NUL.
  size_t Finish() {
    m_out[m_length] = '\0';
    return m_length;
  }

 private:
  // Characters that still fit before the NUL.
  size_t Left() const { return m_size - 1 - m_length; }
  void Put(char c) {
    if (Left() != 0) m_out[m_length++] = c;
  }

  char* m_out;
  size_t m_size;
  size_t m_length = 0;
  bool m_lineStart = true;
};

// Measures the content, asks allocate(size) for the buffer (null when there
// is none) and writes the text into it. Returns the text's length without
// its NUL, or nothing when no buffer was had.
template <class Content, class Allocate>
std::optional<size_t> BuildCopyText(Content&& content, Allocate&& allocate) {
  CopyTextMeasure measure;
  content(measure);
  const std::optional<size_t> size = measure.Size();
  if (!size) return std::nullopt;
  char* buffer = allocate(*size);
  if (buffer == nullptr) return std::nullopt;
  CopyTextWriter writer(buffer, *size);
  content(writer);
  return writer.Finish();
}
