// Saving a block through the real Save As dialog: the file holds the
// target's bytes, an existing file is replaced only by a save that
// succeeded, and a failed save leaves the folder as it found it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "DialogWatcher.h"
#include "LiveDialog.h"
#include "support/TableRows.h"
#include "support/TargetFixture.h"
#include "SaveAsDriver.h"
#include "blockdata/ChunkedCopy.h"
#include "support/TargetProcess.h"

namespace {
using saving::FileBytes;
using saving::SaveAsDriver;
using saving::SaveAsSeen;
using saving::ScratchFolder;

constexpr char kOpenFailed[] =
    "Failed to open the specified file for write operation.\nMake sure you have write access to the specified "
    "directory.";
constexpr char kProcessFailed[] = "Failed to open target process due to insufficient rights";
constexpr char kReadFailed[] = "Failed to read the heap data from the target process memory";
constexpr char kFreeNotice[] = "You have selected the FREE heap block.";

void PutFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  if (!bytes.empty()) {
    EXPECT_EQ(std::fwrite(bytes.data(), bytes.size(), 1, file), 1u);
  }
  std::fclose(file);
}

std::vector<uint8_t> ReadTarget(uint32_t processId, uint64_t address, uint32_t size) {
  std::vector<uint8_t> bytes(size);
  HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
  SIZE_T got = 0;
  const BOOL ok = process != nullptr && ::ReadProcessMemory(process, reinterpret_cast<LPCVOID>(uintptr_t(address)),
                                                            bytes.data(), size, &got);
  if (process != nullptr) ::CloseHandle(process);
  if (!ok || got != size) bytes.clear();
  return bytes;
}

class SaveBlock : public TargetFixture {
 protected:
  const KnownBlock& Block(int index) const {
    const KnownBlock* block = Report().FindBlock(index);
    EXPECT_NE(block, nullptr) << index;
    return block != nullptr ? *block : Report().blocks.at(0);
  }
  // Presses the save button and answers the Save As dialog with `name` in
  // the scratch folder (cancels for an empty name).
  SaveAsSeen Save(const std::string& name, std::vector<CaughtMessageBox>& boxes) {
    SaveAsDriver driver(name.empty() ? std::string() : folder.Path(name));
    dlg.ClickButton(IDC_SAVE_DATA);
    boxes = driver.Watcher().Boxes();
    EXPECT_FALSE(driver.Seen().stuck);
    return driver.Seen();
  }
  std::vector<std::string> MessagesOfSave(const std::string& name) {
    std::vector<CaughtMessageBox> boxes;
    Save(name, boxes);
    std::vector<std::string> texts;
    for (const CaughtMessageBox& box : boxes) {
      EXPECT_EQ(box.caption, "Tarnwick");
      EXPECT_EQ(box.icon, static_cast<UINT>(box.text == kFreeNotice ? MB_ICONINFORMATION : MB_ICONERROR));
      texts.push_back(box.text);
    }
    return texts;
  }

  ScratchFolder folder;
};

using Texts = std::vector<std::string>;

TEST_F(SaveBlock, SavesTheClickedBlocksBytesAsNamedFromTheDialogsDefaults) {
  // The real road: node row, block row, then the save button.
  const int node = FindRow(dlg->m_nodeList, 1, Addr(Report().heaps.at(0).handle));
  ASSERT_NE(node, -1);
  dlg.ClickRow(dlg->m_nodeList, node);
  const KnownBlock& block = Block(7);
  const int row = FindRow(dlg->m_blockList, 1, Addr(block.address));
  ASSERT_NE(row, -1);
  dlg.ClickRow(dlg->m_blockList, row);
  const Texts dump = ListBoxLines(dlg->m_dataList);
  ASSERT_GT(dump.size(), 2u);

  std::vector<CaughtMessageBox> boxes;
  const SaveAsSeen seen = Save("block7", boxes);
  EXPECT_EQ(seen.opened, 1);
  EXPECT_EQ(seen.title, "Save As");
  EXPECT_EQ(seen.initialName, "HeapData");
  EXPECT_EQ(seen.filters, Texts{"All Files (*.*)"});
  EXPECT_TRUE(boxes.empty());
  // No extension is added, and nothing else is left in the folder.
  EXPECT_EQ(folder.Names(), Texts{"block7"});
  EXPECT_EQ(FileBytes(folder.Path("block7")), ExpectedBlockBytes(7, block.size));
  // The dialog is as it was.
  EXPECT_EQ(ListBoxLines(dlg->m_dataList), dump);
  EXPECT_TRUE(dlg->m_dataList.IsWindowVisible());
  EXPECT_EQ(dlg->m_blockList.GetNextItem(-1, LVNI_SELECTED), row);
}

TEST_F(SaveBlock, BlocksLongerThanOneChunkAreSavedWhole) {
  // A stretch of the private heap that spans many known blocks.
  const KnownBlock& first = Block(0);
  for (uint32_t size : {kSaveChunkSize, kSaveChunkSize + 1, 3 * kSaveChunkSize + 123}) {
    const std::vector<uint8_t> expected = ReadTarget(TargetId(), first.address, size);
    ASSERT_EQ(expected.size(), size);
    PutBlockRow(*dlg, first.address, size, "Allocated");
    const std::string name = "range-" + std::to_string(size);
    EXPECT_EQ(MessagesOfSave(name), Texts{});
    const auto saved = FileBytes(folder.Path(name));
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(*saved, expected);
    // The target's own blocks inside the stretch are where they belong.
    for (const KnownBlock& block : Report().blocks) {
      if (block.heap != first.heap || block.address < first.address ||
          block.address + block.size > first.address + size)
        continue;
      const auto begin = saved->begin() + (block.address - first.address);
      EXPECT_TRUE(std::equal(begin, begin + block.size, ExpectedBlockBytes(block.index, block.size).begin()))
          << block.index;
    }
  }
}

TEST_F(SaveBlock, CancelWritesNothingAndFreeRowsOpenNoDialog) {
  PutBlockRow(*dlg, Block(1).address, Block(1).size, "Allocated");
  std::vector<CaughtMessageBox> boxes;
  EXPECT_EQ(Save("", boxes).opened, 1);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(folder.Names(), Texts{});

  for (const char* status : {"Free", " free ", "FREE"}) {
    PutBlockRow(*dlg, Block(1).address, Block(1).size, status);
    SaveAsDriver driver(folder.Path("free"));
    dlg.ClickButton(IDC_SAVE_DATA);
    EXPECT_EQ(driver.Seen().opened, 0) << status;
    ASSERT_EQ(driver.Watcher().Boxes().size(), 1u) << status;
    EXPECT_EQ(driver.Watcher().Boxes()[0].text, kFreeNotice);
    EXPECT_EQ(driver.Watcher().Boxes()[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(driver.Watcher().OtherDialogs(), 0);
  }
  EXPECT_EQ(folder.Names(), Texts{});

  // No row selected: nothing at all.
  dlg->m_blockList.DeleteAllItems();
  EXPECT_EQ(Save("none", boxes).opened, 0);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(SaveBlock, ExistingFileIsReplacedOnlyBySuccess) {
  const std::string path = folder.Path("existing.bin");
  const std::vector<uint8_t> old(5000, 0x5A);
  const KnownBlock& block = Block(5);

  // The read fails at the first chunk, and after a whole chunk was written.
  PutFile(path, old);
  PutBlockRow(*dlg, Report().unreadableAddress, 0x100, "Allocated");
  EXPECT_EQ(MessagesOfSave("existing.bin"), Texts{kReadFailed});
  EXPECT_EQ(FileBytes(path), old);
  // A new name is not left behind either.
  EXPECT_EQ(MessagesOfSave("new.bin"), Texts{kReadFailed});
  EXPECT_EQ(folder.Names(), Texts{"existing.bin"});
  const uint64_t edge = Report().readableEdge;
  if (edge != 0) {
    PutBlockRow(*dlg, edge - kSaveChunkSize, 2 * kSaveChunkSize, "Allocated");
    EXPECT_EQ(MessagesOfSave("existing.bin"), Texts{kReadFailed});
    EXPECT_EQ(FileBytes(path), old);
    EXPECT_EQ(folder.Names(), Texts{"existing.bin"});
  } else {
    ADD_FAILURE() << "no readable stretch that ends in the target's address space";
  }

  // A file that can't be replaced is refused before anything is read (the
  // open message, not the read one): a read-only file, and a file another
  // program holds open without letting it be replaced.
  PutBlockRow(*dlg, Report().unreadableAddress, 0x100, "Allocated");
  ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(MessagesOfSave("existing.bin"), Texts{kOpenFailed});
  EXPECT_EQ(FileBytes(path), old);
  EXPECT_EQ(folder.Names(), Texts{"existing.bin"});
  ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
  {
    HANDLE held = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(MessagesOfSave("existing.bin"), Texts{kOpenFailed});
    ::CloseHandle(held);
  }
  EXPECT_EQ(FileBytes(path), old);
  EXPECT_EQ(folder.Names(), Texts{"existing.bin"});

  // Success replaces the longer old content without a question.
  PutBlockRow(*dlg, block.address, block.size, "Allocated");
  EXPECT_EQ(MessagesOfSave("existing.bin"), Texts{});
  EXPECT_EQ(FileBytes(path), ExpectedBlockBytes(5, block.size));
  EXPECT_EQ(folder.Names(), Texts{"existing.bin"});

  // Size 0 and a size with the top bit set copy nothing: an empty file.
  PutBlockRow(*dlg, block.address, 0, "Allocated");
  EXPECT_EQ(MessagesOfSave("empty"), Texts{});
  EXPECT_EQ(FileBytes(folder.Path("empty")), std::vector<uint8_t>{});
  PutBlockRow(*dlg, block.address, sizeof(void*) == 8 ? 0x8000000000000000 : 0x80000000, "Allocated");
  EXPECT_EQ(MessagesOfSave("existing.bin"), Texts{});
  EXPECT_EQ(FileBytes(path), std::vector<uint8_t>{});
  EXPECT_EQ(folder.Names(), (Texts{"empty", "existing.bin"}));
}

// The new file is made beside the chosen one; where its name would not fit
// in a path, nothing is made and the chosen file is not touched.
TEST_F(SaveBlock, FolderWithNoRoomForTheNewFileGetsTheOpenMessage) {
  std::vector<std::string> folders = {folder.Path("deep")};
  while (folders.back().size() < MAX_PATH - 10)
    folders.push_back(folders.back() + "\\" +
                      std::string(std::min<size_t>(40, MAX_PATH - 10 - folders.back().size()), 'd'));
  for (const std::string& path : folders) ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr)) << path;
  const std::string chosen = folders.back() + "\\b";
  ASSERT_LT(chosen.size(), static_cast<size_t>(MAX_PATH));
  PutFile(chosen, {7, 7, 7});

  PutBlockRow(*dlg, Block(4).address, Block(4).size, "Allocated");
  SaveAsDriver driver(chosen);
  dlg.ClickButton(IDC_SAVE_DATA);
  EXPECT_EQ(driver.Seen().opened, 1);
  EXPECT_EQ(driver.Watcher().Texts(), Texts{kOpenFailed});
  EXPECT_EQ(FileBytes(chosen), (std::vector<uint8_t>{7, 7, 7}));
  EXPECT_EQ(saving::FolderNames(folders.back()), Texts{"b"});

  ::DeleteFileA(chosen.c_str());
  for (auto path = folders.rbegin(); path != folders.rend(); ++path) ::RemoveDirectoryA(path->c_str());
}

TEST(SaveBlockEndedTarget, LeavesTheExistingFileAsItWas) {
  std::optional<TargetProcess> target = TargetProcess::Start("", 10);
  ASSERT_TRUE(target.has_value()) << TargetStartError();
  SetSubstituteScenario({});
  LiveDialog dlg;
  dlg.UseSubstituteService();
  ASSERT_TRUE(dlg.ChooseProcessId(target->ProcessId()));
  const KnownBlock block = target->Report().blocks.at(0);
  target->Terminate();

  ScratchFolder folder;
  const std::vector<uint8_t> old = {1, 2, 3};
  PutFile(folder.Path("kept"), old);
  PutBlockRow(*dlg, block.address, block.size, "Allocated");
  SaveAsDriver driver(folder.Path("kept"));
  dlg.ClickButton(IDC_SAVE_DATA);
  EXPECT_EQ(driver.Seen().opened, 1);
  EXPECT_EQ(driver.Watcher().Texts(), Texts{kProcessFailed});
  EXPECT_EQ(FileBytes(folder.Path("kept")), old);
  EXPECT_EQ(folder.Names(), Texts{"kept"});

  // The file is checked before the process: a read-only one gets the open
  // message. A new name made by that check is removed again.
  ASSERT_TRUE(::SetFileAttributesA(folder.Path("kept").c_str(), FILE_ATTRIBUTE_READONLY));
  for (const auto& [name, message] : {std::pair{"kept", kOpenFailed}, std::pair{"new", kProcessFailed}}) {
    SaveAsDriver answer(folder.Path(name));
    dlg.ClickButton(IDC_SAVE_DATA);
    EXPECT_EQ(answer.Watcher().Texts(), Texts{message}) << name;
  }
  EXPECT_EQ(FileBytes(folder.Path("kept")), old);
  EXPECT_EQ(folder.Names(), Texts{"kept"});
}
}  // namespace
