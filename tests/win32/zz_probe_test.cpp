#include <gtest/gtest.h>
#include <cstdio>
#include "framework/Afx.h"
namespace {
const uint8_t kConst[19] = {0x00, 0x01, 0x02, 0x03, 0x41, 0x42, 0x43, 0x44, 0x20, 0x7E,
                            0x7F, 0x80, 0xFF, 0x2E, 0x30, 0x39, 0x61, 0x62, 0x0A};
uint8_t gData[19] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
void Probe(const char* what, const void* p) {
  uint8_t out[19] = {};
  SIZE_T n = 0;
  HANDLE self = ::OpenProcess(0x410, FALSE, ::GetCurrentProcessId());
  BOOL ok = ::ReadProcessMemory(self, p, out, 19, &n);
  ::CloseHandle(self);
  std::printf("%s at %p: ok=%d n=%u same=%d first=%02x %02x %02x %02x\n", what, p, ok, (unsigned)n,
              memcmp(out, p, 19) == 0, out[0], out[1], out[2], out[3]);
}
}  // namespace
TEST(Probe, ReadOwnMemory) {
  Probe("rdata", kConst);
  Probe("data", gData);
  std::vector<uint8_t> heap(kConst, kConst + 19);
  Probe("heap", heap.data());
  uint8_t stack[19];
  memcpy(stack, kConst, 19);
  Probe("stack", stack);
}
