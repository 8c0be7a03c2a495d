// How many identifiers the array of one process enumeration has room for.
// The system fills the array it is given and says how many bytes it wrote,
// not how many processes run: a full array may have left some out, so the
// enumeration is repeated with twice the room until it no longer fills it.
#pragma once

#include <cstdint>

// Room for the first enumeration.
constexpr uint32_t kFirstProcessIdCapacity = 500;
// The array stops doubling here (about 4 MB), far beyond the processes any
// system runs: an enumeration that always fills its array cannot loop on.
constexpr uint32_t kMaxProcessIdCapacity = 1u << 20;

// Room for the next enumeration after one with room for `capacity`
// identifiers wrote `bytesWritten` bytes: twice `capacity` when it filled
// the array, 0 when it did not (every process is in it) or when the array
// may not grow further.
constexpr uint32_t NextProcessIdCapacity(uint32_t capacity, uint32_t bytesWritten) {
  const bool filled = bytesWritten / 4 >= capacity;
  return filled && capacity <= kMaxProcessIdCapacity / 2 ? 2 * capacity : 0;
}
