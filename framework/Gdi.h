// Owners of GDI objects: a font that is deleted with its owner, and a paint
// context that ends the paint on every path.
#pragma once

#include "framework/Wnd.h"

class CFont {
 public:
  CFont() = default;
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;
  // A font made anew takes the old one's place; the old one is deleted.
  CFont(CFont&& other) noexcept : m_hObject(other.m_hObject) { other.m_hObject = nullptr; }
  CFont& operator=(CFont&& other) noexcept {
    if (this != &other) {
      DeleteObject();
      m_hObject = other.m_hObject;
      other.m_hObject = nullptr;
    }
    return *this;
  }
  ~CFont() { DeleteObject(); }

  BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                  BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                  BYTE pitchAndFamily, LPCSTR faceName) {
    DeleteObject();
    m_hObject = ::CreateFontA(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                              outPrecision, clipPrecision, quality, pitchAndFamily, faceName);
    return m_hObject != nullptr;
  }
  void DeleteObject() {
    if (m_hObject != nullptr) ::DeleteObject(m_hObject);
    m_hObject = nullptr;
  }
  operator HFONT() const { return m_hObject; }

 private:
  HFONT m_hObject = nullptr;
};

// A bitmap deleted with its owner.
class CBitmap {
 public:
  CBitmap() = default;
  CBitmap(const CBitmap&) = delete;
  CBitmap& operator=(const CBitmap&) = delete;
  ~CBitmap() { DeleteObject(); }
  void Attach(HBITMAP bitmap) {
    if (bitmap != m_hObject) DeleteObject();
    m_hObject = bitmap;
  }
  HBITMAP Detach() {
    const HBITMAP bitmap = m_hObject;
    m_hObject = nullptr;
    return bitmap;
  }
  void DeleteObject() {
    if (m_hObject != nullptr) ::DeleteObject(m_hObject);
    m_hObject = nullptr;
  }
  operator HBITMAP() const { return m_hObject; }

 private:
  HBITMAP m_hObject = nullptr;
};

// A device context of a window (the screen's for none), released with its owner.
class CWindowDC {
 public:
  explicit CWindowDC(HWND window) : m_hWnd(window), m_hDC(::GetDC(window)) {}
  CWindowDC(const CWindowDC&) = delete;
  CWindowDC& operator=(const CWindowDC&) = delete;
  ~CWindowDC() {
    if (m_hDC != nullptr) ::ReleaseDC(m_hWnd, m_hDC);
  }
  HDC GetSafeHdc() const { return m_hDC; }

 private:
  HWND m_hWnd;
  HDC m_hDC;
};

// A memory device context compatible with another, deleted with its owner;
// whatever was selected into it is selected back first.
class CMemoryDC {
 public:
  explicit CMemoryDC(HDC like) : m_hDC(::CreateCompatibleDC(like)) {}
  CMemoryDC(const CMemoryDC&) = delete;
  CMemoryDC& operator=(const CMemoryDC&) = delete;
  ~CMemoryDC() {
    if (m_old != nullptr) ::SelectObject(m_hDC, m_old);
    if (m_hDC != nullptr) ::DeleteDC(m_hDC);
  }
  HDC GetSafeHdc() const { return m_hDC; }
  // Only the first selection is undone; select one object per context.
  void Select(HGDIOBJ object) { m_old = ::SelectObject(m_hDC, object); }

 private:
  HDC m_hDC;
  HGDIOBJ m_old = nullptr;
};

class CPaintDC {
 public:
  explicit CPaintDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;
  ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }

  HDC GetSafeHdc() const { return m_hDC; }
  BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }

  PAINTSTRUCT m_ps{};
  HDC m_hDC = nullptr;

 private:
  HWND m_hWnd;
};
