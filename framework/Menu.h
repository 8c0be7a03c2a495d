// CMenu: a pop-up menu made in code, destroyed with its owner.
#pragma once

#include "framework/Wnd.h"

class CMenu {
 public:
  CMenu() = default;
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;
  ~CMenu() { DestroyMenu(); }

  BOOL CreatePopupMenu() {
    DestroyMenu();
    m_hMenu = ::CreatePopupMenu();
    return m_hMenu != nullptr;
  }
  void DestroyMenu() {
    if (m_hMenu != nullptr) ::DestroyMenu(m_hMenu);
    m_hMenu = nullptr;
  }
  BOOL AppendMenu(UINT flags, UINT_PTR id, LPCSTR text) { return ::AppendMenuA(m_hMenu, flags, id, text); }
  // With TPM_RETURNCMD: the chosen item's id, or 0 when the menu was left.
  BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner) {
    return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner->m_hWnd, nullptr);
  }
  operator HMENU() const { return m_hMenu; }

 private:
  HMENU m_hMenu = nullptr;
};
