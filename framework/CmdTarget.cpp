#include "framework/CmdTarget.h"

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, AfxSig::End, {}}};
  static const AFX_MSGMAP map = {nullptr, entries};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

static bool EntryMatches(const AFX_MSGMAP_ENTRY& e, UINT message, WPARAM wParam, LPARAM lParam) {
  if (e.nMessage != message) return false;
  if (message == WM_COMMAND) return e.nCode == HIWORD(wParam) && e.nID == LOWORD(wParam);
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    return header != nullptr && e.nCode == header->code && e.nID == static_cast<UINT>(header->idFrom);
  }
  return true;
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, WPARAM wParam, LPARAM lParam) const {
  for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
       map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nSig != AfxSig::End; ++e)
      if (EntryMatches(*e, message, wParam, lParam)) return e;
  }
  return nullptr;
}
