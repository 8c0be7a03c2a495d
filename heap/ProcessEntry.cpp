#include "heap/ProcessEntry.h"

#include <cstdio>
#include <cstring>

std::string FormatProcessEntry(const char* name, int32_t processId, std::optional<Width> otherWidth) {
  char buffer[kProcessEntryBufferSize];
  const char* format = !otherWidth                       ? "%s    [%d]"
                       : *otherWidth == Width::Bits32 ? "%s (32-bit)    [%d]"
                                                        : "%s (64-bit)    [%d]";
  const int length = std::snprintf(buffer, sizeof buffer, format, name != nullptr ? name : "", static_cast<int>(processId));
  if (length < 0) return std::string();
  return std::string(buffer,
                     static_cast<size_t>(length) < sizeof buffer ? static_cast<size_t>(length) : sizeof buffer - 1);
}

int32_t ProcessIdFromEntryText(const char* text) {
  if (text == nullptr) return 0;
  const char* open = std::strrchr(text, '[');
  const char* close = std::strrchr(text, ']');
  const char* p = open != nullptr ? open + 1 : text;
  const char* end = close != nullptr ? close : text + std::strlen(text);
  if (end <= p) return 0;

  while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  // Accumulate the magnitude up to 2^31, the largest any result needs.
  constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;
  int64_t magnitude = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  if (negative) return static_cast<int32_t>(-magnitude);
  return static_cast<int32_t>(magnitude > INT32_MAX ? INT32_MAX : magnitude);
}

std::optional<Width> OtherWidthOf(Width program, std::optional<bool> programUnderLayer,
                                  std::optional<bool> processUnderLayer) {
  if (!processUnderLayer) return std::nullopt;
  if (program == Width::Bits64) return *processUnderLayer ? std::optional(Width::Bits32) : std::nullopt;
  if (programUnderLayer.value_or(false) && !*processUnderLayer) return Width::Bits64;
  return std::nullopt;
}

const char* OtherWidthText(Width process) {
  return process == Width::Bits32 ? "This is a 32-bit process: its heaps are shown by Tarnwick.exe"
                                  : "This is a 64-bit process: its heaps are shown by Tarnwick64.exe";
}

std::string ImageFileName(const char* path) {
  if (path == nullptr) return std::string();
  const char* name = path;
  for (const char* p = path; *p != '\0'; ++p)
    if (*p == '\\' || *p == '/') name = p + 1;
  return name;
}
