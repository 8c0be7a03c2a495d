// The copy commands of the two tables and the data list: the items of their
// context menu, when each can be chosen, and where the menu opens when it is
// asked for from the keyboard.
#pragma once

#include <cstddef>

#include "controls/LayoutTypes.h"

inline constexpr char kCopyItemText[] = "&Copy\tCtrl+C";
inline constexpr char kCopyAllItemText[] = "Copy &All";
// The block table's menu also finds a block.
inline constexpr char kFindItemText[] = "&Find...\tCtrl+F";
// And tells what holds the memory and what grew.
inline constexpr char kBlockSizesItemText[] = "Block &Sizes...";
inline constexpr char kBlockTypesItemText[] = "Block &Types...";
inline constexpr char kMarkBlocksItemText[] = "&Mark Blocks";
inline constexpr char kChangesItemText[] = "C&hanges Since Mark...";
inline constexpr char kCopyFailedText[] = "Failed to copy the text to the clipboard.";
// A 16-byte row holds four words at most.
constexpr size_t kMostGoToItems = 4;

// A table (list view) copies its selected row, or its header line and every
// row; the data list its selected line, or all its lines (unless the dump
// is too big to be kept whole: that one is saved instead).
enum class CopySource { Table, DataList };

struct CopyMenuState {
  bool copy;
  bool copyAll;
};

constexpr CopyMenuState CopyMenuFor(CopySource source, bool rowSelected, int lineCount, bool allKept = true) {
  if (source == CopySource::DataList) return {rowSelected, lineCount > 0 && allKept};
  return {rowSelected, true};
}

// In screen pixels: the bottom-left corner of the selected row when all of
// it is in the control's client area, else the client area's top-left corner.
LayoutPoint KeyboardMenuPoint(const LayoutRect& client, const LayoutRect* row);

// What a keyboard message to one of the copy sources does.
enum class KeyEvent { KeyDown, KeyUp, Char, Other };
enum class CopyKey {
  None,         // the control has it as usual
  Copy,         // Ctrl+C: "Copy"
  ContextMenu,  // the context-menu key, let go: the menu opens
  Swallow,      // the key's other half, which the control must not see
};

inline constexpr unsigned kKeyC = 0x43;         // virtual key of C
inline constexpr unsigned kKeyApps = 0x5D;      // the context-menu key
inline constexpr unsigned kCtrlCCharacter = 3;  // the character Ctrl+C types

// ctrl and alt: whether the keys are down. Ctrl+Alt is AltGr on many
// layouts, where C types a character, so it is no copy.
constexpr CopyKey CopyKeyFor(KeyEvent event, unsigned key, bool ctrl, bool alt) {
  if (event == KeyEvent::KeyDown && key == kKeyC && ctrl && !alt) return CopyKey::Copy;
  if (event == KeyEvent::Char && key == kCtrlCCharacter) return CopyKey::Swallow;
  // Windows' default handling opens the menu for this key and Wine's does
  // not: taking both halves opens it exactly once on both.
  if (key == kKeyApps && event == KeyEvent::KeyDown) return CopyKey::Swallow;
  if (key == kKeyApps && event == KeyEvent::KeyUp) return CopyKey::ContextMenu;
  return CopyKey::None;
}

// What a keyboard message to the block table does besides copying.
enum class FindKey {
  None,      // nothing of Find's
  Find,      // Ctrl+F: the Find Block dialog
  FindNext,  // F3: the last search again
  Swallow,   // the character Ctrl+F types, which the list would look up
};

inline constexpr unsigned kKeyF = 0x46;         // virtual key of F
inline constexpr unsigned kKeyF3 = 0x72;        // virtual key of F3
inline constexpr unsigned kCtrlFCharacter = 6;  // the character Ctrl+F types

constexpr FindKey FindKeyFor(KeyEvent event, unsigned key, bool ctrl, bool alt) {
  if (event == KeyEvent::KeyDown && key == kKeyF && ctrl && !alt) return FindKey::Find;
  if (event == KeyEvent::KeyDown && key == kKeyF3 && !ctrl && !alt) return FindKey::FindNext;
  if (event == KeyEvent::Char && key == kCtrlFCharacter) return FindKey::Swallow;
  return FindKey::None;
}
