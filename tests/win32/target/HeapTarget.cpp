// A cooperating process for the window tests: it fills a private heap and
// its process heap with blocks of known sizes and contents, walks every heap
// it has with HeapWalk, writes what it found to a report file and then waits
// to be inspected.
//
//   HeapTarget.exe <report-path> [blocks [parent-pid]]
//
// Report lines (hexadecimal without prefix, decimal where noted):
//   pid <decimal>
//   heap <handle> <private|process|other>          heaps in that order
//   entry <lpData> <cbData> <cbOverhead decimal> <wFlags> <iRegionIndex decimal>
//         [<committed> <uncommitted> <firstBlock> <lastBlock>]  (region entries)
//   block <index decimal> <address> <size> <heap>   every known block still allocated
//   object <address> <size> <class>                 every object in the private
//                                                   heap, its class as shown
//   pointer <address>                               the block of pointers (BlockPattern.h)
//   unreadable <address>                            reads there (1 byte, 4 KB) fail
//   edge <address>                                  reads end there: before it
//                                                   they succeed, from it they fail
//   end
// The report is written under a temporary name and renamed, so a reader
// never sees half of it. The process then waits for the manual-reset event
// "TarnwickHeapTargetQuit-<pid>", or for the parent process to end. Each
// time the event "TarnwickHeapTargetMore-<pid>" is set, it makes
// kTargetMoreNodes more objects of ns::Node and reports again.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <new>
#include <string>

#include "BlockPattern.h"

// Classes with g++'s own type information, a name of each kind: in a
// namespace, a template's instance, a class derived from another.
namespace ns {
struct Node {
  virtual ~Node() = default;
  Node* next = nullptr;
};
}  // namespace ns
template <class T>
struct Box {
  virtual ~Box() = default;
  T items[5]{};
};
struct Gadget : ns::Node {
  char label[24] = "gadget";
};

// The table of demo::Widget, whose type information is of the Microsoft
// form (WidgetTypeInfo.S); a Widget object's first word points at it.
extern "C" const void* const tarnwick_widget_vtable[];
struct Widget {
  const void* table = tarnwick_widget_vtable;
  int width = 640, height = 480;
};

namespace {

struct HandleCloser {
  HANDLE handle = nullptr;
  explicit HandleCloser(HANDLE h) : handle(h) {}
  HandleCloser(const HandleCloser&) = delete;
  HandleCloser& operator=(const HandleCloser&) = delete;
  ~HandleCloser() {
    if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

struct PrivateHeap {
  HANDLE handle = HeapCreate(0, 0, 0);
  PrivateHeap() = default;
  PrivateHeap(const PrivateHeap&) = delete;
  PrivateHeap& operator=(const PrivateHeap&) = delete;
  ~PrivateHeap() {
    if (handle) HeapDestroy(handle);
  }
};

// Pages straight from the system: the walk results are kept there so that
// storing them changes none of the heaps being walked.
struct Pages {
  void* base = nullptr;
  Pages() = default;  // for pages placed later
  explicit Pages(SIZE_T bytes, DWORD type = MEM_RESERVE | MEM_COMMIT, DWORD protect = PAGE_READWRITE)
      : base(VirtualAlloc(nullptr, bytes, type, protect)) {}
  Pages(const Pages&) = delete;
  Pages& operator=(const Pages&) = delete;
  ~Pages() {
    if (base) VirtualFree(base, 0, MEM_RELEASE);
  }
};

struct WalkedHeap {
  HANDLE handle;
  const char* role;
  size_t first;  // index of its first entry in the capture
  size_t count;
};

size_t CountEntries(HANDLE heap) {
  size_t count = 0;
  HeapLock(heap);
  PROCESS_HEAP_ENTRY entry{};
  while (HeapWalk(heap, &entry)) ++count;
  HeapUnlock(heap);
  return count;
}

size_t CaptureEntries(HANDLE heap, PROCESS_HEAP_ENTRY* out, size_t room) {
  size_t count = 0;
  HeapLock(heap);
  PROCESS_HEAP_ENTRY entry{};
  while (count < room && HeapWalk(heap, &entry)) out[count++] = entry;
  HeapUnlock(heap);
  return count;
}

void AppendLine(std::string& text, const char* format, ...) {
  char line[256];
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (length > 0)
    text.append(line, static_cast<size_t>(length) < sizeof line ? static_cast<size_t>(length) : sizeof line - 1);
}

unsigned long long Hex(const void* p) { return reinterpret_cast<UINT_PTR>(p); }

// The first of the candidates where both a 1-byte read and a read of
// kUnreadableSpan bytes fail; 0 when there is none.
constexpr SIZE_T kUnreadableSpan = 0x1000;

bool ReadFails(UINT_PTR address, SIZE_T size) {
  static uint8_t sink[kUnreadableSpan];
  SIZE_T got = 0;
  return !ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(address), sink, size, &got);
}

UINT_PTR FirstUnreadable(std::initializer_list<UINT_PTR> candidates) {
  for (const UINT_PTR address : candidates) {
    if (address && ReadFails(address, 1) && ReadFails(address, kUnreadableSpan)) return address;
  }
  return 0;
}

bool WriteReport(const std::string& path, const std::string& text) {
  const std::string partial = path + ".part";
  {
    HandleCloser file(
        CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.handle == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    if (!WriteFile(file.handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size())
      return false;
  }
  return MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

struct TargetObject {
  const char* type;  // as the program shows the class
  void* address;
  uint32_t size;
};
constexpr size_t kMaxObjects = 256;
constexpr int kTargetMoreNodes = 7;

// `count` objects of T, each in a block of its own of heap, recorded.
template <class T>
bool AddObjects(HANDLE heap, int count, const char* type, TargetObject* objects, size_t& made) {
  for (int i = 0; i < count; ++i) {
    void* block = made < kMaxObjects ? HeapAlloc(heap, 0, sizeof(T)) : nullptr;
    if (!block) return false;
    objects[made++] = {type, new (block) T(), static_cast<uint32_t>(sizeof(T))};
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: HeapTarget <report-path> [blocks [parent-pid]]\n");
    return 2;
  }
  const std::string reportPath = argv[1];
  const int privateBlocks = argc > 2 ? std::atoi(argv[2]) : kTargetDefaultBlocks;
  const DWORD parentId = argc > 3 ? static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)) : 0;
  if (privateBlocks < 0) return 2;

  const DWORD pid = GetCurrentProcessId();
  char eventName[64];
  std::snprintf(eventName, sizeof eventName, "TarnwickHeapTargetQuit-%lu", static_cast<unsigned long>(pid));
  HandleCloser quit(CreateEventA(nullptr, TRUE, FALSE, eventName));
  std::snprintf(eventName, sizeof eventName, "TarnwickHeapTargetMore-%lu", static_cast<unsigned long>(pid));
  HandleCloser more(CreateEventA(nullptr, FALSE, FALSE, eventName));
  HandleCloser parent(parentId ? OpenProcess(SYNCHRONIZE, FALSE, parentId) : nullptr);

  PrivateHeap privateHeap;
  if (!quit.handle || !more.handle || !privateHeap.handle) return 3;
  const HANDLE processHeap = GetProcessHeap();

  // The blocks stay allocated for the life of the process; HeapDestroy of
  // the private heap and process exit release them.
  const int totalBlocks = privateBlocks + kTargetProcessHeapBlocks;
  Pages addressPages(sizeof(void*) * static_cast<SIZE_T>(totalBlocks + 1));
  auto* addresses = static_cast<uint8_t**>(addressPages.base);
  if (!addresses) return 3;
  for (int i = 0; i < totalBlocks; ++i) {
    const HANDLE heap = i < privateBlocks ? privateHeap.handle : processHeap;
    const uint32_t size = TargetBlockSize(i);
    addresses[i] = static_cast<uint8_t*>(HeapAlloc(heap, 0, size));
    if (!addresses[i]) return 3;
    FillTargetBlock(i, addresses[i], size);
  }
  // Objects after the known blocks and before the frees, so the holes stay.
  TargetObject objects[kMaxObjects];
  size_t made = 0;
  if (!AddObjects<ns::Node>(privateHeap.handle, 30, "ns::Node", objects, made) ||
      !AddObjects<Box<int>>(privateHeap.handle, 20, "Box<int>", objects, made) ||
      !AddObjects<Gadget>(privateHeap.handle, 12, "Gadget", objects, made) ||
      !AddObjects<Widget>(privateHeap.handle, 6, "demo::Widget", objects, made))
    return 3;
  // Allocated before the frees, so it takes no freed block's place.
  void** pointers = nullptr;
  if (privateBlocks > kPointsIntoBlock) {
    pointers = static_cast<void**>(HeapAlloc(privateHeap.handle, 0, 4 * sizeof(void*)));
    if (!pointers) return 3;
    pointers[0] = addresses[kPointsAtBlock];
    pointers[1] = addresses[kPointsIntoBlock] + kPointsIntoOffset;
    pointers[2] = addresses[kPointsAtFreedBlock];
    pointers[3] = nullptr;
  }
  for (int i = 0; i < privateBlocks; ++i) {
    if (TargetBlockFreed(i)) {
      HeapFree(privateHeap.handle, 0, addresses[i]);
      addresses[i] = nullptr;
    }
  }

  // An address whose read fails. A reserved, never committed range is the
  // natural one, but Wine reads reserved pages of another process as if
  // they were committed; it fails only where nothing is mapped at all,
  // such as the first 64 KB. Each candidate is checked with a real read.
  Pages reserved(0x10000, MEM_RESERVE, PAGE_NOACCESS);
  const UINT_PTR unreadable = FirstUnreadable({reinterpret_cast<UINT_PTR>(reserved.base), 0x00001000u, 0xFFFF0000u});
  if (!unreadable) return 3;

  // Where readable memory ends: a committed region with nothing mapped
  // after it. Wine maps what is released inside the areas it reserves for
  // itself without access, and reads there succeed (its server does them,
  // for this process as for any other); VirtualQuery calls that memory free,
  // and 32-bit Wine calls what lies outside those areas, mapped or not,
  // reserved with no access. So every region not committed is a candidate:
  // the pages go to its start where a read just after them fails, and stay
  // when that read still fails with them there. A real reservation refuses
  // them.
  constexpr SIZE_T kEdgeSpan = 0x10000;
  UINT_PTR edge = 0;
  Pages edgePages;
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  const UINT_PTR top = reinterpret_cast<UINT_PTR>(system.lpMaximumApplicationAddress);
  MEMORY_BASIC_INFORMATION region{};
  for (UINT_PTR at = kEdgeSpan;
       edge == 0 && at < top &&
       VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) == sizeof region;) {
    const UINT_PTR start = reinterpret_cast<UINT_PTR>(region.BaseAddress);
    const UINT_PTR next = start + region.RegionSize;
    if (next <= at) break;
    at = next;
    const UINT_PTR place = (start + kEdgeSpan - 1) & ~static_cast<UINT_PTR>(kEdgeSpan - 1);
    if (region.State == MEM_COMMIT || place + kEdgeSpan >= next || !ReadFails(place + kEdgeSpan, 1)) continue;
    edgePages.base = VirtualAlloc(reinterpret_cast<void*>(place), kEdgeSpan, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!edgePages.base) continue;
    if (ReadFails(place + kEdgeSpan, 1) && !ReadFails(place + kEdgeSpan - kUnreadableSpan, kUnreadableSpan)) {
      edge = place + kEdgeSpan;
    } else {
      VirtualFree(edgePages.base, 0, MEM_RELEASE);
      edgePages.base = nullptr;
    }
  }

  // Reported again after each batch of more objects.
  HANDLE waits[3] = {quit.handle, more.handle, parent.handle};
  for (;;) {
    WalkedHeap heaps[64];
    size_t heapCount = 0;
    heaps[heapCount++] = {privateHeap.handle, "private", 0, 0};
    heaps[heapCount++] = {processHeap, "process", 0, 0};
    HANDLE all[62];
    const DWORD listed = GetProcessHeaps(62, all);
    for (DWORD h = 0; h < listed && h < 62; ++h) {
      if (all[h] != privateHeap.handle && all[h] != processHeap) heaps[heapCount++] = {all[h], "other", 0, 0};
    }

    size_t room = 0;
    for (size_t h = 0; h < heapCount; ++h) room += CountEntries(heaps[h].handle);
    room += 1024;  // a walk of the very same heaps should not grow, but be safe
    Pages capturePages(sizeof(PROCESS_HEAP_ENTRY) * room);
    auto* captured = static_cast<PROCESS_HEAP_ENTRY*>(capturePages.base);
    if (!captured) return 3;
    size_t used = 0;
    for (size_t h = 0; h < heapCount; ++h) {
      heaps[h].first = used;
      heaps[h].count = CaptureEntries(heaps[h].handle, captured + used, room - used);
      used += heaps[h].count;
    }

    // Formatting allocates, so it comes after every walk.
    std::string report;
    AppendLine(report, "pid %lu\n", static_cast<unsigned long>(pid));
    for (size_t h = 0; h < heapCount; ++h) {
      AppendLine(report, "heap %llx %s\n", Hex(heaps[h].handle), heaps[h].role);
      for (size_t k = 0; k < heaps[h].count; ++k) {
        const PROCESS_HEAP_ENTRY& e = captured[heaps[h].first + k];
        AppendLine(report, "entry %llx %lx %u %x %u", Hex(e.lpData), static_cast<unsigned long>(e.cbData),
                   static_cast<unsigned>(e.cbOverhead), static_cast<unsigned>(e.wFlags),
                   static_cast<unsigned>(e.iRegionIndex));
        if (e.wFlags & PROCESS_HEAP_REGION)
          AppendLine(report, " %lx %lx %llx %llx", static_cast<unsigned long>(e.Region.dwCommittedSize),
                     static_cast<unsigned long>(e.Region.dwUnCommittedSize), Hex(e.Region.lpFirstBlock),
                     Hex(e.Region.lpLastBlock));
        report += '\n';
      }
    }
    for (int i = 0; i < totalBlocks; ++i) {
      if (addresses[i])
        AppendLine(report, "block %d %llx %x %llx\n", i, Hex(addresses[i]), TargetBlockSize(i),
                   Hex(i < privateBlocks ? privateHeap.handle : processHeap));
    }
    for (size_t i = 0; i < made; ++i)
      AppendLine(report, "object %llx %x %s\n", Hex(objects[i].address), objects[i].size, objects[i].type);
    if (pointers) AppendLine(report, "pointer %llx\n", Hex(pointers));
    AppendLine(report, "unreadable %llx\n", static_cast<unsigned long long>(unreadable));
    AppendLine(report, "edge %llx\n", static_cast<unsigned long long>(edge));
    report += "end\n";
    if (!WriteReport(reportPath, report)) return 4;
    if (WaitForMultipleObjects(parent.handle ? 3 : 2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
    if (!AddObjects<ns::Node>(privateHeap.handle, kTargetMoreNodes, "ns::Node", objects, made)) return 3;
  }
  return 0;
}
