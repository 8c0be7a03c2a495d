// One whole inspection as a user goes through it: choose the target, click
// its private heap, click a busy block, save it, close the data view,
// refresh, end the target and refresh again. The target's heaps are real;
// the substitute service describes them in the native record layout. The
// same road through the private heap is then taken with the system's own
// service, where it reports the target's heaps.
#include <gtest/gtest.h>

#include "LiveDialog.h"
#include "support/TableRows.h"
#include "SaveAsDriver.h"
#include "blockdata/DumpLines.h"
#include "support/SubstituteHeapQuery.h"
#include "support/TargetProcess.h"
#include "support/TargetReport.h"

namespace {
std::vector<std::string> ExpectedDump(uint64_t node, const KnownBlock& block) {
  const std::vector<uint8_t> bytes = ExpectedBlockBytes(block.index, block.size);
  std::vector<std::string> lines;
  char line[1024];
  FormatDumpHeader(node, block.address, block.size, kProgramWidth, line, sizeof line);
  lines.push_back(line);
  lines.push_back("");
  ForEachDumpRow(bytes.data(), bytes.size(), [&](const char* row, size_t) { lines.push_back(row); });
  return lines;
}
// The private heap's node row clicked: every known block of that heap at
// its real address and size, busy blocks allocated and freed ones free. A
// busy block clicked shows its bytes as the target wrote them, and saved
// through the Save As dialog the file is those bytes.
void InspectPrivateHeap(LiveDialog& dlg, const TargetReport& report, const std::string& shots) {
  const TargetReport::Heap* privateHeap = report.FindHeap("private");
  ASSERT_NE(privateHeap, nullptr);
  const int nodeRow = FindRow(dlg->m_nodeList, 1, Addr(privateHeap->handle));
  ASSERT_GE(nodeRow, 0);
  dlg.ClickRow(dlg->m_nodeList, nodeRow);
  int busyRows = 0;
  for (const KnownBlock& block : report.blocks) {
    if (block.heap != privateHeap->handle) continue;
    const int row = FindRow(dlg->m_blockList, 1, Addr(block.address));
    ASSERT_GE(row, 0) << block.index;
    EXPECT_EQ(CellText(dlg->m_blockList, row, 2), Hex(block.size));
    EXPECT_EQ(CellText(dlg->m_blockList, row, 4), "Allocated");
    ++busyRows;
  }
  EXPECT_GT(busyRows, 200);
  EXPECT_NE(FindRow(dlg->m_blockList, 4, "Free"), -1);
  EXPECT_EQ(WindowText(dlg->m_blockCaption.m_hWnd), "Heap Blocks within the selected Node");
  SaveScreenshot(dlg.Hwnd(), shots + "-2-blocks");

  const KnownBlock* chosen = report.FindBlock(5);  // a block holding text
  ASSERT_NE(chosen, nullptr);
  const int blockRow = FindRow(dlg->m_blockList, 1, Addr(chosen->address));
  ASSERT_GE(blockRow, 0);
  dlg.ClickRow(dlg->m_blockList, blockRow);
  EXPECT_TRUE(dlg->m_dataList.IsWindowVisible());
  EXPECT_EQ(ListBoxLines(dlg->m_dataList), ExpectedDump(privateHeap->handle, *chosen));
  SaveScreenshot(dlg.Hwnd(), shots + "-3-dump");

  saving::ScratchFolder folder;
  {
    saving::SaveAsDriver saveAs(folder.Path("block.bin"));
    dlg.ClickButton(IDC_SAVE_DATA);
    EXPECT_EQ(saveAs.Seen().opened, 1);
    EXPECT_FALSE(saveAs.Seen().stuck);
    EXPECT_EQ(saveAs.Watcher().Texts(), std::vector<std::string>{});
  }
  EXPECT_EQ(saving::FileBytes(folder.Path("block.bin")), ExpectedBlockBytes(chosen->index, chosen->size))
      << "folder " << folder.Path("") << " holds " << ::testing::PrintToString(folder.Names());
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"block.bin"});
}
}  // namespace

TEST(InspectionRoad, FromChoosingTheTargetToItsEnd) {
  std::optional<TargetProcess> target = TargetProcess::Start("");
  ASSERT_TRUE(target) << TargetStartError();
  const TargetReport& report = target->Report();
  const SubstituteScenario scenario = ScenarioFromReport(report);
  SetSubstituteScenario(scenario);
  ResetSubstituteCounters();

  LiveDialog dlg;
  dlg.UseSubstituteService();
  DialogWatcher boxes;

  // 1. The target's heaps, one row each, in the service's order.
  ASSERT_TRUE(dlg.ChooseProcessId(target->ProcessId()));
  ASSERT_EQ(dlg->m_nodeList.GetItemCount(), static_cast<int>(scenario.heaps.size()));
  for (size_t i = 0; i < scenario.heaps.size(); ++i) {
    EXPECT_EQ(CellText(dlg->m_nodeList, static_cast<int>(i), 0), std::to_string(i + 1));
    EXPECT_EQ(CellText(dlg->m_nodeList, static_cast<int>(i), 1), Addr(scenario.heaps[i].baseAddress));
    EXPECT_EQ(CellText(dlg->m_nodeList, static_cast<int>(i), 2), std::to_string(scenario.heaps[i].entries.size()));
  }
  SaveScreenshot(dlg.Hwnd(), "road-1-nodes");

  // 2-4. The private heap's blocks, a block's bytes, and the block saved.
  InspectPrivateHeap(dlg, report, "road");
  if (HasFatalFailure()) return;

  // 5. Back to the tables, which kept their rows.
  dlg.ClickButton(IDC_CLOSE_DATA);
  EXPECT_TRUE(dlg->m_nodeList.IsWindowVisible());
  EXPECT_FALSE(dlg->m_dataList.IsWindowVisible());
  EXPECT_GT(dlg->m_blockList.GetItemCount(), 200);

  // 6. A refresh while the target runs keeps it chosen and the views as they are.
  const std::string chosenEntry = ComboSelection(dlg->m_processCombo);
  dlg.ClickButton(IDOK);
  EXPECT_EQ(ComboSelection(dlg->m_processCombo), chosenEntry);
  EXPECT_GT(dlg->m_blockList.GetItemCount(), 200);

  // 7. Once the target has ended, a refresh resets every view.
  target->Terminate();
  dlg.ClickButton(IDOK);
  EXPECT_NE(ComboSelection(dlg->m_processCombo), chosenEntry);
  EXPECT_EQ(dlg->m_processCombo.GetCurSel(), 0);
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 0);
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0);
  EXPECT_EQ(dlg->m_dataList.GetItemCount(), 0);
  SaveScreenshot(dlg.Hwnd(), "road-4-after-end");

  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(LiveSubstituteBuffers(), 0);
  EXPECT_EQ(SubstituteMisuses(), 0);
}

// The system's own heap query, as the program resolves it at start-up.
TEST(InspectionRoad, PrivateHeapThroughTheSystemsOwnService) {
  std::optional<TargetProcess> target = TargetProcess::Start("");
  ASSERT_TRUE(target) << TargetStartError();
  LiveDialog dlg;
  DialogWatcher boxes;
  ASSERT_TRUE(dlg.ChooseProcessId(target->ProcessId()));
  EXPECT_TRUE(boxes.Boxes().empty()) << ::testing::PrintToString(boxes.Texts());
  if (dlg->m_nodeList.GetItemCount() == 0)
    GTEST_SKIP() << "the system's heap query reports no heaps for the target (Wine's answers with an empty list); "
                    "the substitute service takes this road above";
  InspectPrivateHeap(dlg, target->Report(), "road-system");
  EXPECT_TRUE(boxes.Boxes().empty()) << ::testing::PrintToString(boxes.Texts());
}
