// Saving the selected block: its bytes, read afresh from the inspected
// process in chunks, into a file the user names.
#include "blockdata/ChunkedCopy.h"
#include "blockdata/SelectedBlock.h"
#include "blockdata/TempFile.h"
#include "framework/FileDialog.h"
#include "heap/ProcessHandle.h"
#include "shell/TarnwickDlg.h"

namespace {
constexpr const char* kOpenFileFailed =
    "Failed to open the specified file for write operation.\nMake sure you have write access to the specified "
    "directory.";

class ProcessReader : public ChunkReader {
 public:
  explicit ProcessReader(HANDLE process) : m_process(process) {}
  bool Read(uint64_t address, void* buffer, uint32_t length, uint32_t& bytesRead) override {
    size_t read = 0;
    const bool ok = ReadProcessBytes(m_process, address, buffer, length, read);
    bytesRead = static_cast<uint32_t>(read);
    return ok;
  }

 private:
  HANDLE m_process;
};

class FileWriter : public ChunkWriter {
 public:
  explicit FileWriter(TempFile& file) : m_file(file) {}
  bool Write(const void* buffer, uint32_t length) override { return m_file.Write(buffer, length); }

 private:
  TempFile& m_file;
};
}  // namespace

void CTarnwickDlg::OnSaveData() {
  const int processId = GetSelectedProcessId();
  if (processId == -1) return;
  SelectedBlock block;
  if (!ReadSelectedBlock(m_blockList, m_blockRows, block)) return;
  if (block.free) {
    Report("You have selected the FREE heap block.", MB_ICONINFORMATION);
    return;
  }

  CFileDialog dialog(FALSE, nullptr, "HeapData", OFN_PATHMUSTEXIST, "All Files (*.*)|*.*||");
  if (dialog.DoModal() != IDOK) return;
  const std::string path = dialog.GetPathName();

  // The chosen file is checked before the process is opened. The bytes go
  // to a new file first; the chosen file is replaced only once the whole
  // block has been read and written.
  TempFile file(path);
  if (!file.IsOpen()) {
    Report(kOpenFileFailed);
    return;
  }
  ProcessHandle process(::OpenProcess(kInspectAccess, FALSE, static_cast<DWORD>(processId)));
  if (!process) {
    file.Discard();
    Report("Failed to open target process due to insufficient rights");
    return;
  }

  ProcessReader reader(process.Get());
  FileWriter writer(file);
  const CopyResult result = CopyBlockChunks(block.address, SignedBlockSize(block.size, kProgramWidth), reader, writer);
  if (result != CopyResult::Done) {
    file.Discard();
    process.Close();
    Report(result == CopyResult::ReadFailed ? "Failed to read the heap data from the target process memory"
                                            : "Failed to write the heap data to the specified file.");
    return;
  }
  const bool replaced = file.Commit();
  process.Close();
  if (!replaced) Report(kOpenFileFailed);
}
