#include "shell/CopyText.h"

#include <cstdint>

void CopyTextMeasure::Add(size_t bytes) {
  // One byte stays free for the NUL.
  if (bytes > SIZE_MAX - 1 - m_length)
    m_overflow = true;
  else
    m_length += bytes;
}

std::optional<size_t> CopyTextMeasure::Size() const {
  if (m_overflow) return std::nullopt;
  return m_length + 1;
}
