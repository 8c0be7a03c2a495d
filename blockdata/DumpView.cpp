#include "blockdata/DumpView.h"

#include <algorithm>
#include <cstring>

void KeptDumpBytes::Read(uint64_t offset, uint8_t* out, bool* readable, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const bool in = offset + i < m_bytes.size();
    out[i] = in ? m_bytes[static_cast<size_t>(offset + i)] : 0;
    readable[i] = in;
  }
}

const WindowedDumpBytes::Window& WindowedDumpBytes::WindowAt(uint64_t start) {
  for (auto it = m_windows.begin(); it != m_windows.end(); ++it) {
    if (it->start != start) continue;
    m_windows.splice(m_windows.begin(), m_windows, it);
    return m_windows.front();
  }
  if (m_windows.size() >= kDumpWindowsKept) m_windows.pop_back();
  Window window{start, {}, {}};
  const size_t length = static_cast<size_t>(std::min<uint64_t>(kDumpWindowBytes, m_size - start));
  window.bytes.assign(length, 0);
  window.readable.assign(length, true);
  if (!m_reader->ReadAt(start, window.bytes.data(), length)) {
    // Page by page: what was freed meanwhile fails, the rest still reads.
    constexpr size_t kPage = 0x1000;
    for (size_t at = 0; at < length; at += kPage) {
      const size_t n = std::min(kPage, length - at);
      if (!m_reader->ReadAt(start + at, window.bytes.data() + at, n))
        std::fill(window.readable.begin() + static_cast<std::ptrdiff_t>(at),
                  window.readable.begin() + static_cast<std::ptrdiff_t>(at + n), false);
    }
  }
  m_windows.push_front(std::move(window));
  return m_windows.front();
}

void WindowedDumpBytes::Read(uint64_t offset, uint8_t* out, bool* readable, size_t count) {
  for (size_t i = 0; i < count;) {
    const uint64_t at = offset + i;
    if (at >= m_size) {
      out[i] = 0;
      readable[i++] = false;
      continue;
    }
    const uint64_t start = at - at % kDumpWindowBytes;
    const Window& window = WindowAt(start);
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count - i, start + window.bytes.size() - at));
    for (size_t k = 0; k < n; ++k) {
      out[i + k] = window.bytes[static_cast<size_t>(at - start) + k];
      readable[i + k] = window.readable[static_cast<size_t>(at - start) + k];
    }
    i += n;
  }
}

size_t FormatDumpRowAt(uint64_t offset, const uint8_t* bytes, const bool* readable, size_t count, char* out) {
  count = std::min(count, kDumpBytesPerRow);
  char row[kDumpRowCapacity];
  size_t length = FormatDumpRow(static_cast<uint32_t>(offset), bytes, count, row);
  // The hexadecimal column starts after "%.8xh  ", the text column at 61.
  constexpr size_t kHexColumn = 11, kTextColumn = 61;
  for (size_t i = 0; i < count; ++i) {
    if (readable[i]) continue;
    row[kHexColumn + 3 * i] = '?';
    row[kHexColumn + 3 * i + 1] = '?';
    row[kTextColumn + i] = '?';
  }
  // The digits beyond the eighth, before the row.
  char high[9];
  size_t digits = 0;
  for (uint64_t rest = offset >> 32; rest != 0; rest >>= 4) high[digits++] = "0123456789abcdef"[rest & 0xF];
  for (size_t i = 0; i < digits; ++i) out[i] = high[digits - 1 - i];
  std::memcpy(out + digits, row, length + 1);
  return length + digits;
}

void DataViewLines::Clear() {
  m_message.clear();
  m_hasMessage = false;
  m_header.clear();
  m_size = 0;
  m_bytes.reset();
}

void DataViewLines::ShowMessage(const char* line) {
  Clear();
  m_message = line;
  m_hasMessage = true;
}

void DataViewLines::ShowDump(std::string header, uint64_t size, std::unique_ptr<DumpBytes> bytes) {
  Clear();
  m_header = std::move(header);
  m_size = size;
  m_bytes = std::move(bytes);
}

size_t DataViewLines::LineCount() const {
  if (m_bytes) return static_cast<size_t>(2 + (m_size + kDumpBytesPerRow - 1) / kDumpBytesPerRow);
  return m_hasMessage ? 1 : 0;
}

const std::vector<uint8_t>* DataViewLines::KeptBytes() const {
  const auto* kept = dynamic_cast<const KeptDumpBytes*>(m_bytes.get());
  return kept != nullptr ? &kept->Bytes() : nullptr;
}

std::optional<DataViewLines::RowBytes> DataViewLines::Row(size_t line) {
  if (!m_bytes || line < 2 || line >= LineCount()) return std::nullopt;
  RowBytes row{};
  row.offset = static_cast<uint64_t>(line - 2) * kDumpBytesPerRow;
  row.count = static_cast<size_t>(std::min<uint64_t>(kDumpBytesPerRow, m_size - row.offset));
  m_bytes->Read(row.offset, row.bytes, row.readable, row.count);
  return row;
}

size_t DataViewLines::LineText(size_t line, char* out, size_t room, bool* unreadable) {
  if (unreadable != nullptr) *unreadable = false;
  if (room == 0) return 0;
  const auto put = [&](const char* text, size_t length) {
    length = std::min(length, room - 1);
    std::memcpy(out, text, length);
    out[length] = '\0';
    return length;
  };
  if (line >= LineCount()) return put("", 0);
  if (!m_bytes) return put(m_message.data(), m_message.size());
  if (line == 0) return put(m_header.data(), m_header.size());
  if (line == 1) return put("", 0);
  const std::optional<RowBytes> row = Row(line);
  char text[kDumpLineCapacity];
  const size_t length = FormatDumpRowAt(row->offset, row->bytes, row->readable, row->count, text);
  if (unreadable != nullptr)
    *unreadable = std::find(row->readable, row->readable + row->count, false) != row->readable + row->count;
  return put(text, length);
}

std::vector<uint64_t> RowPointerWords(const DataViewLines::RowBytes& row, Width width) {
  const size_t word = width == Width::Bits64 ? 8 : 4;
  std::vector<uint64_t> words;
  for (size_t at = 0; at + word <= row.count; at += word) {
    if (!std::all_of(row.readable + at, row.readable + at + word, [](bool r) { return r; })) continue;
    uint64_t value = 0;
    for (size_t k = word; k-- > 0;) value = (value << 8) | row.bytes[at + k];
    words.push_back(value);
  }
  return words;
}
