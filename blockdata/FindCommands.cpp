// Find Block: the dialog, F3, and the search of the block table's rows in
// the order shown, reading the blocks out of the inspected process with
// one handle for the whole search.
#include <cstdio>
#include <vector>

#include "blockdata/DumpLines.h"
#include "blockdata/FindDialog.h"
#include "blockdata/SelectedBlock.h"
#include "blockdata/ProcessBytesReader.h"
#include "heap/ProcessHandle.h"
#include "heap/ProgressCaption.h"
#include "heap/TableText.h"
#include "shell/TarnwickDlg.h"

namespace {
// The block caption's "searching" text, set only when it would be painted:
// a search runs far faster than a caption can be repainted in Wine.
class CaptionFindProgress : public FindProgress {
 public:
  // Most searches end before a first text would be painted.
  explicit CaptionFindProgress(CStatic& caption) : m_caption(caption, ProgressCaption::kPaintInterval) {}
  void Searched(uint32_t done, uint32_t total) override {
    if (!m_caption.PaintDue()) return;
    char text[128];
    std::snprintf(text, sizeof text, "%s - searching %d of %d blocks...", kBlockCaptionText, static_cast<int>(done),
                  static_cast<int>(total));
    m_caption.SetText(text);
  }

 private:
  ProgressCaption m_caption;
};

// The text in its two forms: the system code page's bytes as typed, and
// UTF-16 little-endian.
std::vector<BytePattern> TextPatterns(const std::string& text) {
  std::vector<BytePattern> patterns;
  patterns.emplace_back(std::vector<uint8_t>(text.begin(), text.end()));
  const int length = static_cast<int>(text.size());
  const int wide = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (wide > 0) {
    std::vector<wchar_t> chars(static_cast<size_t>(wide));
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, chars.data(), wide);
    std::vector<uint8_t> bytes;
    bytes.reserve(chars.size() * 2);
    for (const wchar_t c : chars) {
      bytes.push_back(static_cast<uint8_t>(c & 0xFF));
      bytes.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
    }
    patterns.emplace_back(std::move(bytes));
  }
  return patterns;
}
}  // namespace

void CTarnwickDlg::OpenFindBlock() {
  CFindBlockDlg dialog(this, m_lastFind.value_or(FindQuery{}));
  if (dialog.DoModal() != IDOK) return;
  m_lastFind = dialog.Query();
  m_blockSearch.reset();
  RunFind(*m_lastFind);
}

void CTarnwickDlg::FindNextBlock() {
  if (m_blockSearch) {
    const int selected = SelectedRow(m_blockList);
    RunBlockSearch(selected == -1 ? 0 : static_cast<size_t>(selected) + 1);
  } else if (m_lastFind)
    RunFind(*m_lastFind);
  else
    OpenFindBlock();
}

void CTarnwickDlg::RunFind(const FindQuery& query) {
  // The rows kept beside the table are searched, so they must be the
  // table's (a fill always makes them so). The dialog let only input that
  // reads through.
  if (m_blockRows.Count() != static_cast<size_t>(m_blockList.GetItemCount())) return;
  if (query.kind == FindKind::Address) {
    uint64_t address = 0;
    if (!ParseFindAddress(query.text.c_str(), kProgramWidth, address)) return;
    const long long position = FindBlockHolding(m_blockRows, address);
    if (position < 0)
      Report(FindNotFoundText(query.kind, 0).c_str(), MB_ICONINFORMATION);
    else
      SelectFoundRow(static_cast<int>(position));
    return;
  }

  std::vector<BytePattern> patterns;
  if (query.kind == FindKind::Bytes) {
    std::vector<uint8_t> bytes;
    if (!ParseFindBytes(query.text.c_str(), bytes)) return;
    patterns.emplace_back(std::move(bytes));
  } else {
    if (query.text.empty()) return;
    patterns = TextPatterns(query.text);
  }
  const int processId = GetSelectedProcessId();
  if (processId == -1) return;
  const int selected = SelectedRow(m_blockList);
  const size_t start = selected == -1 ? 0 : static_cast<size_t>(selected) + 1;

  FindOutcome outcome;
  EnableForBlockWork(FALSE);
  {
    const ProcessHandle process(::OpenProcess(kInspectAccess, FALSE, static_cast<DWORD>(processId)));
    if (!process) {
      EnableForBlockWork(TRUE);
      Report("Failed to open target process due to insufficient rights");
      return;
    }
    ProcessBytesReader reader(process.Get());
    CaptionFindProgress progress(m_blockCaption);
    outcome = FindBytesInBlocks(m_blockRows, start, patterns, kMaxDumpSize, reader, progress);
  }
  m_blockCaption.SetWindowText(BlockCaption().c_str());
  EnableForBlockWork(TRUE);
  if (outcome.position < 0)
    Report(FindNotFoundText(query.kind, outcome.unreadable).c_str(), MB_ICONINFORMATION);
  else
    SelectFoundRow(static_cast<int>(outcome.position));
}

void CTarnwickDlg::SelectFoundRow(int item) {
  // The table selects one row at most: selecting this one deselects the
  // other, without a look at every row.
  m_blockList.SetItemState(item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  m_blockList.SetSelectionMark(item);
  m_blockList.EnsureVisible(item, FALSE);
  ShowSelectedBlock();
}
