#include "support/TargetReport.h"

#include <sstream>

#include "heap/HeapItems.h"
#include "target/BlockPattern.h"

namespace {

constexpr uint16_t kWalkRegion = 0x0001;
constexpr uint16_t kWalkUncommitted = 0x0002;
constexpr uint16_t kWalkBusy = 0x0004;

bool ReadHex(std::istream& in, uint64_t& out) {
  unsigned long long value = 0;
  if (!(in >> std::hex >> value)) return false;
  out = value;
  return true;
}

bool ReadHex(std::istream& in, uint32_t& out) {
  uint64_t value = 0;
  if (!ReadHex(in, value) || value > 0xFFFFFFFFu) return false;
  out = static_cast<uint32_t>(value);
  return true;
}

bool ReadDec(std::istream& in, uint32_t& out) {
  unsigned long value = 0;
  if (!(in >> std::dec >> value) || value > 0xFFFFFFFFul) return false;
  out = static_cast<uint32_t>(value);
  return true;
}

bool AtEnd(std::istream& in) {
  std::string rest;
  return !(in >> rest);
}

bool ParseEntry(std::istream& in, WalkEntry& entry) {
  uint32_t flags = 0;
  if (!ReadHex(in, entry.data) || !ReadHex(in, entry.size) || !ReadDec(in, entry.overhead) || !ReadHex(in, flags) ||
      flags > 0xFFFF || !ReadDec(in, entry.regionIndex))
    return false;
  entry.flags = static_cast<uint16_t>(flags);
  if (entry.flags & kWalkRegion) {
    if (!ReadHex(in, entry.committed) || !ReadHex(in, entry.uncommitted) || !ReadHex(in, entry.firstBlock) ||
        !ReadHex(in, entry.lastBlock))
      return false;
  }
  return AtEnd(in);
}

}  // namespace

const TargetReport::Heap* TargetReport::FindHeap(const std::string& role) const {
  for (const Heap& heap : heaps) {
    if (heap.role == role) return &heap;
  }
  return nullptr;
}

const KnownBlock* TargetReport::FindBlock(int index) const {
  for (const KnownBlock& block : blocks) {
    if (block.index == index) return &block;
  }
  return nullptr;
}

bool ParseTargetReport(const std::string& text, TargetReport& out) {
  TargetReport report;
  std::istringstream lines(text);
  std::string line;
  bool ended = false;
  while (std::getline(lines, line)) {
    if (ended) return false;  // nothing may follow the end line
    std::istringstream in(line);
    std::string word;
    in >> word;
    if (word == "pid") {
      if (!ReadDec(in, report.processId) || !AtEnd(in)) return false;
    } else if (word == "heap") {
      TargetReport::Heap heap;
      if (!ReadHex(in, heap.handle) || !(in >> heap.role) || !AtEnd(in)) return false;
      report.heaps.push_back(std::move(heap));
    } else if (word == "entry") {
      WalkEntry entry;
      if (report.heaps.empty() || !ParseEntry(in, entry)) return false;
      report.heaps.back().entries.push_back(entry);
    } else if (word == "block") {
      KnownBlock block;
      uint32_t index = 0;
      if (!ReadDec(in, index) || !ReadHex(in, block.address) || !ReadHex(in, block.size) || !ReadHex(in, block.heap) ||
          !AtEnd(in))
        return false;
      block.index = static_cast<int>(index);
      report.blocks.push_back(block);
    } else if (word == "object") {
      KnownObject object;
      if (!ReadHex(in, object.address) || !ReadHex(in, object.size) || !(in >> object.type) || !AtEnd(in)) return false;
      report.objects.push_back(std::move(object));
    } else if (word == "pointer") {
      if (!ReadHex(in, report.pointerBlock) || !AtEnd(in)) return false;
    } else if (word == "unreadable") {
      if (!ReadHex(in, report.unreadableAddress) || !AtEnd(in)) return false;
    } else if (word == "edge") {
      if (!ReadHex(in, report.readableEdge) || !AtEnd(in)) return false;
    } else if (word == "end") {
      ended = AtEnd(in);
      if (!ended) return false;
    } else {
      return false;
    }
  }
  if (!ended) return false;
  out = std::move(report);
  return true;
}

std::vector<uint8_t> ExpectedBlockBytes(int index, uint32_t size) {
  std::vector<uint8_t> bytes(size);
  FillTargetBlock(index, bytes.data(), size);
  return bytes;
}

namespace {
const KnownBlock* TextBlockAt(const TargetReport& report, uint64_t address) {
  for (const KnownBlock& block : report.blocks)
    if (block.address == address && TargetBlockIsText(block.index)) return &block;
  return nullptr;
}
}  // namespace

std::string ExpectedTypeName(const TargetReport& report, uint64_t address) {
  for (const KnownObject& object : report.objects)
    if (object.address == address) return object.type;
  const KnownBlock* text = TextBlockAt(report, address);
  return !text ? "(unknown)" : TargetBlockIsWideText(text->index) ? "(UTF-16 text)" : "(8-bit text)";
}

std::string ExpectedContents(const TargetReport& report, uint64_t address) {
  const KnownBlock* text = TextBlockAt(report, address);
  const std::string type = ExpectedTypeName(report, address);
  if (!text) return type == "(unknown)" ? "" : type;
  const bool wide = TargetBlockIsWideText(text->index);
  const std::vector<uint8_t> bytes = ExpectedBlockBytes(text->index, text->size);
  std::string shown = wide ? "L\"" : "\"";
  for (size_t i = 0; i < 40; ++i) shown += static_cast<char>(bytes.at(wide ? 2 * i : i));
  return shown + "\"...";
}

SubstituteHeap SubstituteHeapFromWalk(const TargetReport::Heap& heap) {
  SubstituteHeap out;
  out.baseAddress = heap.handle;
  out.flags = 0x00000002;  // growable, as every walked heap is
  out.entryOverhead = sizeof(void*) == 8 ? 16 : 8;
  out.items.reserve(heap.entries.size() + 8);
  int busyBlocks = 0;
  for (const WalkEntry& entry : heap.entries) {
    if (entry.flags & kWalkRegion) {
      out.bytesCommitted += entry.committed;
      out.items.push_back({kHeapItemRegion, entry.data, uint64_t{entry.committed} + entry.uncommitted,
                           entry.committed, 0, 0, false});
      out.items.push_back({kHeapItemRange, entry.data, entry.committed, 0, kItemRangeCommitted, 0, false});
    } else if (entry.flags & kWalkUncommitted) {
      out.items.push_back({kHeapItemRange, entry.data, entry.size, 0, kItemRangeUncommitted, 0, false});
    } else if (entry.flags & kWalkBusy) {
      out.bytesAllocated += entry.size;
      out.items.push_back({kHeapItemBlock, entry.data, entry.size, 0, kItemBlockBusy, entry.overhead,
                           ++busyBlocks % 5 == 0});
    } else {
      out.items.push_back({kHeapItemBlock, entry.data, entry.size, 0, 0, entry.overhead, false});
    }
  }
  out.entries = EntriesFromItems(out.items);
  return out;
}

SubstituteScenario ScenarioFromReport(const TargetReport& report) {
  SubstituteScenario scenario;
  for (const TargetReport::Heap& heap : report.heaps) scenario.heaps.push_back(SubstituteHeapFromWalk(heap));
  scenario.onlyProcessId = report.processId;
  scenario.itemClass = true;
  return scenario;
}
