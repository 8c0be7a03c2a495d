// Static message tables: one per class, searched top to bottom and chained
// to the base class's table. Entries unpack the message so handlers get
// typed arguments; the signature tag says how.
#pragma once

#include "framework/Afx.h"

class CCmdTarget;
class CWnd;
using AFX_PMSG = void (CCmdTarget::*)();

// The handler of an entry, in the member that matches its signature tag.
union AfxHandler {
  void (CCmdTarget::*pfn)();
  void (CCmdTarget::*pfnNotify)(NMHDR*, LRESULT*);
  void (CCmdTarget::*pfnSysCommand)(UINT, LPARAM);
  HCURSOR (CCmdTarget::*pfnCursor)();
  void (CCmdTarget::*pfnContextMenu)(CWnd*, POINT);
  void (CCmdTarget::*pfnDpiChanged)(UINT, const RECT*);
};

enum class AfxSig {
  End,           // terminates a table
  vv,            // void ()                      commands, WM_PAINT
  vNotify,       // void (NMHDR*, LRESULT*)       WM_NOTIFY
  vSysCommand,   // void (UINT nID, LPARAM)       WM_SYSCOMMAND
  hCursor,       // HCURSOR ()                    WM_QUERYDRAGICON
  vContextMenu,  // void (CWnd* pWnd, POINT)      WM_CONTEXTMENU
  vDpiChanged,   // void (UINT dpi, const RECT*)  WM_DPICHANGED
};

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;
  UINT nCode;  // notification code of WM_COMMAND / WM_NOTIFY
  UINT nID;    // control id of WM_COMMAND / WM_NOTIFY
  AfxSig nSig;
  AfxHandler handler;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
    using ThisClass = theClass;                                                     \
    using TheBaseClass = baseClass;                                                 \
    static_assert(sizeof(ThisClass) > 0);                                           \
    static const AFX_MSGMAP_ENTRY entries[] = {
#define END_MESSAGE_MAP()                                                    \
  {                                                                          \
    0, 0, 0, AfxSig::End, {}                                                 \
  }                                                                          \
  }                                                                          \
  ;                                                                          \
  static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, entries}; \
  return &map;                                                               \
  }

// Each handler is converted to the same signature on CCmdTarget: the
// conversion compiles only when the handler has the entry's signature.
#define AFX_HANDLER(member, type, fn) \
  { .member = static_cast<type>(fn) }

#define ON_COMMAND_CODE(code, id, fn) \
  {WM_COMMAND, (UINT)(code), (UINT)(id), AfxSig::vv, AFX_HANDLER(pfn, void(CCmdTarget::*)(), fn)},
#define ON_BN_CLICKED(id, fn) ON_COMMAND_CODE(BN_CLICKED, id, fn)
#define ON_CBN_SELENDOK(id, fn) ON_COMMAND_CODE(CBN_SELENDOK, id, fn)
#define ON_COMMAND(id, fn) ON_COMMAND_CODE(0, id, fn)
#define ON_NOTIFY(code, id, fn)                          \
  {WM_NOTIFY, (UINT)(code), (UINT)(id), AfxSig::vNotify, \
   AFX_HANDLER(pfnNotify, void(CCmdTarget::*)(NMHDR*, LRESULT*), fn)},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, AfxSig::vv, AFX_HANDLER(pfn, void(CCmdTarget::*)(), &ThisClass::OnPaint)},
#define ON_WM_SYSCOMMAND()                   \
  {WM_SYSCOMMAND, 0, 0, AfxSig::vSysCommand, \
   AFX_HANDLER(pfnSysCommand, void(CCmdTarget::*)(UINT, LPARAM), &ThisClass::OnSysCommand)},
#define ON_WM_QUERYDRAGICON()               \
  {WM_QUERYDRAGICON, 0, 0, AfxSig::hCursor, \
   AFX_HANDLER(pfnCursor, HCURSOR(CCmdTarget::*)(), &ThisClass::OnQueryDragIcon)},
// pWnd is the window the menu was asked for in, when it is bound to an
// object; the point is in screen pixels, (-1, -1) from the keyboard.
#define ON_WM_CONTEXTMENU()                    \
  {WM_CONTEXTMENU, 0, 0, AfxSig::vContextMenu, \
   AFX_HANDLER(pfnContextMenu, void(CCmdTarget::*)(CWnd*, POINT), &ThisClass::OnContextMenu)},
// The window's new DPI (the vertical one; both are the same) and the
// rectangle the system suggests for it, in screen pixels.
#define ON_WM_DPICHANGED()                   \
  {WM_DPICHANGED, 0, 0, AfxSig::vDpiChanged, \
   AFX_HANDLER(pfnDpiChanged, void(CCmdTarget::*)(UINT, const RECT*), &ThisClass::OnDpiChanged)},
