// The main dialog's fixed set-up data: fonts, list-view columns, tip texts.
// Pixel sizes are those at 96 DPI; the dialog scales them to its own.
#pragma once

#include <cstdint>

#include "heap/HeapLayout.h"
#include "shell/TableSort.h"

struct FontSpec {
  const char* face;
  int height;
  int weight;
  bool italic;
};

constexpr FontSpec kTitleFont{"Times New Roman", 20, 900, false};
constexpr FontSpec kSubtitleFont{"monospace", 13, 400, true};
constexpr FontSpec kCaptionFont{"Tahoma", 12, 900, false};
constexpr FontSpec kDataFont{"Courier New", 14, 400, false};

struct ColumnSpec {
  const char* title;
  int width;
  ColumnKind kind;  // how a click on its header sorts the rows
};

// A 64-bit program's addresses have sixteen digits: their columns are wider,
// and the others give up room so that the tables keep their width.
constexpr bool kWideAddresses = kProgramWidth == Width::Bits64;

constexpr ColumnSpec kNodeColumns[] = {
    {"Node Index", 80, ColumnKind::Decimal},
    {"Base Address", kWideAddresses ? 130 : 100, ColumnKind::Hex},
    {"No of Blocks", 80, ColumnKind::Decimal},
    {"Comitted", kWideAddresses ? 95 : 100, ColumnKind::Hex},
    {"Allocated", kWideAddresses ? 95 : 100, ColumnKind::Hex},
    {"Flags", kWideAddresses ? 80 : 100, ColumnKind::Hex},
};

constexpr ColumnSpec kBlockColumns[] = {
    {"Block Index", 80, ColumnKind::Decimal},
    {"Block Address", kWideAddresses ? 130 : 120, ColumnKind::Hex},
    {"Block Size", 120, ColumnKind::Hex},
    {"Allocation Type", 100, ColumnKind::Text},
    {"Status", kWideAddresses ? 130 : 140, ColumnKind::Text},
    {"Contents", 240, ColumnKind::Text},
};
// The columns of the block table that read the rows' numbers alone; the
// Contents column (after them) reads what the blocks hold.
constexpr int kBlockNumberColumns = 5;
constexpr int kBlockContentsColumn = 5;

// An address column is wide enough for "0x" and the width's digits in the
// list view's font (each digit as wide as the widest), with the padding a
// report cell takes (kReportCellPadding at the DPI), and never narrower than
// its set width.
constexpr int kReportCellPadding = 12;
constexpr int AddressColumnWidth(int setWidth, int prefixWidth, int widestDigit, int digits, int padding) {
  const int needed = prefixWidth + digits * widestDigit + padding;
  return needed > setWidth ? needed : setWidth;
}

// Gridlines, full-row select, info tips, label tips.
constexpr uint32_t kListViewExtendedStyles = 0x4421;
// Beyond the longest line's text, the data view's column keeps this much.
constexpr int kDataLinePadding = 12;
inline constexpr char kDataCaptionText[] = "Heap data of the selected block";
inline constexpr char kDataCaptionUnreadableText[] = "Heap data of the selected block - some bytes could not be read";
constexpr int kProcessComboWidth = 300;
constexpr int kProcessComboHeight = 150;

constexpr const char* kNodeTipText = "Click to view the heap blocks within this node";
constexpr const char* kBlockTipText = "Click to view the contents of this heap block";
constexpr const char* kMessageCaption = "Tarnwick";
