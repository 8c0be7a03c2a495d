// The block table's Contents column: a class's name from the table's type
// names, a text's preview read from the block when it is shown (kept for
// the rows seen, not with the rows), and its sort.
#include <algorithm>
#include <string_view>

#include "analysis/BlockContents.h"
#include "analysis/BlockHeads.h"
#include "analysis/ContentsOrder.h"
#include "analysis/ContentsReading.h"
#include "blockdata/ProcessBytesReader.h"
#include "shell/TarnwickDlg.h"

namespace {
bool IsText(const BlockRowValues& row) { return !row.Free() && (row.type == kTypeText8 || row.type == kTypeText16); }

std::string Preview(const uint8_t* head, size_t count, uint64_t blockSize) {
  char text[128];  // forty characters, each written in two at most, the quotes and the dots
  const size_t length = PreviewText(head, count, blockSize, text, sizeof text);
  return std::string(text, length);
}

// Previews seen while painting are kept up to this many.
constexpr size_t kKeptPreviews = 1u << 16;
}  // namespace

std::string CTarnwickDlg::ContentsText(size_t position) {
  if (position >= m_blockRows.Count()) return {};
  const BlockRowValues& row = m_blockRows.Shown(position);
  if (row.Free() || row.type == kTypeUnknown) return {};
  if (!IsText(row)) return m_blockTypes.Name(row.type);
  const uint32_t walkIndex = m_blockRows.WalkIndexShown(position);
  const auto kept = m_previews.find(walkIndex);
  if (kept != m_previews.end()) return kept->second;
  if (!m_shownHeap) return {};
  const ProcessHandle process(::OpenProcess(PROCESS_VM_READ, FALSE, m_shownHeap->processId));
  uint8_t head[kHeadBytes];
  size_t got = 0;
  const size_t want = static_cast<size_t>(std::min<uint64_t>(row.size, kHeadBytes));
  // A block that can't be read any more shows nothing, until read again.
  if (!process || !ReadProcessBytes(process.Get(), row.address, head, want, got) || got == 0) return {};
  if (m_previews.size() >= kKeptPreviews) m_previews.clear();
  return m_previews.emplace(walkIndex, Preview(head, got, row.size)).first->second;
}

void CTarnwickDlg::ReadAllPreviews() {
  if (!m_shownHeap) return;
  const ProcessHandle process(::OpenProcess(PROCESS_VM_READ, FALSE, m_shownHeap->processId));
  if (!process) return;
  class Previews : public BlockHeadVisitor {
   public:
    Previews(const BlockRows& rows, std::unordered_map<uint32_t, std::string>& kept) : m_rows(rows), m_kept(kept) {}
    void Head(size_t walkIndex, const uint8_t* bytes, size_t count) override {
      const BlockRowValues& row = m_rows.InWalkOrder(walkIndex);
      if (IsText(row)) m_kept[static_cast<uint32_t>(walkIndex)] = Preview(bytes, count, row.size);
    }

   private:
    const BlockRows& m_rows;
    std::unordered_map<uint32_t, std::string>& m_kept;
  } previews(m_blockRows, m_previews);
  ProcessBytesReader reader(process.Get());
  ReadBlockHeads(m_blockRows, reader, previews);
}

std::vector<uint32_t> CTarnwickDlg::ContentsOrderOf(bool descending) {
  ReadAllPreviews();
  std::vector<std::string_view> texts(m_blockRows.Count());
  for (size_t w = 0; w < texts.size(); ++w) {
    const BlockRowValues& row = m_blockRows.InWalkOrder(w);
    if (row.Free() || row.type == kTypeUnknown) continue;
    if (!IsText(row)) {
      texts[w] = m_blockTypes.Name(row.type);
    } else if (const auto kept = m_previews.find(static_cast<uint32_t>(w)); kept != m_previews.end()) {
      texts[w] = kept->second;
    }
  }
  return ContentsOrder(texts, descending);
}
