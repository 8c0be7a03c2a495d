// The About item of the system menu and the About box it opens: caught on
// the test's thread while its modal loop runs, read, then closed the way a
// user would.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "DialogWatcher.h"
#include "LiveDialog.h"
#include "framework/WinApp.h"
#include "shell/Maker.h"
#include "res/ProgramWidth.h"

namespace {
struct MenuItem {
  UINT type = 0;
  UINT id = 0;
  std::string text;
};

MenuItem ItemAt(HMENU menu, int position) {
  char text[256] = {};
  MENUITEMINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
  info.dwTypeData = text;
  info.cch = sizeof text;
  ::GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info);
  return {info.fType, info.wID, text};
}

// What the About box showed while it was open.
struct AboutSeen {
  std::string caption;
  std::vector<std::string> texts;  // its items' texts, in template order
  SIZE picture{};                  // client size of the picture item
  SIZE bitmap{};                   // size of the bitmap the picture shows
  DWORD okStyle = 0;
  HWND owner = nullptr;
  bool ownerEnabled = true;
  POINT centre{};
};

AboutSeen Inspect(HWND box) {
  AboutSeen seen;
  seen.caption = WindowText(box);
  for (HWND item = ::GetWindow(box, GW_CHILD); item != nullptr; item = ::GetWindow(item, GW_HWNDNEXT))
    seen.texts.push_back(WindowText(item));
  HWND picture = ::GetWindow(box, GW_CHILD);
  RECT client;
  ::GetClientRect(picture, &client);
  seen.picture = {client.right, client.bottom};
  auto bitmap = reinterpret_cast<HBITMAP>(::SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
  BITMAP info = {};
  if (bitmap != nullptr && ::GetObjectA(bitmap, sizeof info, &info)) seen.bitmap = {info.bmWidth, info.bmHeight};
  seen.okStyle = static_cast<DWORD>(::GetWindowLongA(::GetDlgItem(box, IDOK), GWL_STYLE));
  seen.owner = ::GetWindow(box, GW_OWNER);
  seen.ownerEnabled = seen.owner != nullptr && ::IsWindowEnabled(seen.owner);
  RECT rect;
  ::GetWindowRect(box, &rect);
  seen.centre = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  return seen;
}

POINT CentreOf(HWND window) {
  RECT rect;
  ::GetWindowRect(window, &rect);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

enum class Close { OkButton, Enter, Escape };

// The box being run, for the timer procedures, which carry no context.
HWND g_box = nullptr;
bool g_forced = false;
std::string g_screenshot;

// A box that ignored its closing keys would hang the test: end it after a
// while and count that as a failure.
void CALLBACK ForceClose(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  if (g_box != nullptr && ::IsWindow(g_box)) {
    g_forced = true;
    ::EndDialog(g_box, IDCANCEL);
  }
}

// Takes the screenshot once the box has painted, then closes it with OK.
void CALLBACK ShootAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  if (g_box == nullptr || !::IsWindow(g_box)) return;
  EXPECT_TRUE(SaveScreenshot(g_box, g_screenshot));
  ::PostMessageA(g_box, WM_COMMAND, IDOK, 0);
}

// Opens the About box by the system command, records what it shows and closes it.
class AboutRunner {
 public:
  explicit AboutRunner(Close how, std::string screenshot = {})
      : m_how(how), m_screenshot(std::move(screenshot)), m_watcher([this](HWND box) { return OnBox(box); }) {}

  void Send(HWND dialog, WPARAM command) {
    m_main = dialog;
    ::SendMessageA(dialog, WM_SYSCOMMAND, command, 0);
    // The box has gone: no timer of it may fire on a later window.
    for (UINT_PTR& timer : m_timers) ::KillTimer(nullptr, timer);
    m_timers.clear();
    g_box = nullptr;
  }
  const std::vector<AboutSeen>& Seen() const { return m_seen; }
  bool Forced() const { return g_forced; }
  int OtherDialogs() const { return m_watcher.OtherDialogs(); }

 private:
  bool OnBox(HWND box) {
    if (IsMessageBox(box)) return false;
    // The main dialog is activated again when the box has gone.
    if (box == m_main) return true;
    m_seen.push_back(Inspect(box));
    g_box = box;
    m_timers.push_back(::SetTimer(nullptr, 0, 3000, &ForceClose));
    if (!m_screenshot.empty()) {
      g_screenshot = m_screenshot;
      m_timers.push_back(::SetTimer(nullptr, 0, 300, &ShootAndClose));
      return true;
    }
    HWND ok = ::GetDlgItem(box, IDOK);
    switch (m_how) {
      case Close::OkButton:
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
        break;
      case Close::Enter:
        ::PostMessageA(ok, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        break;
      case Close::Escape:
        ::PostMessageA(ok, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        break;
    }
    return true;
  }

  Close m_how;
  HWND m_main = nullptr;
  std::string m_screenshot;
  std::vector<AboutSeen> m_seen;
  std::vector<UINT_PTR> m_timers;
  DialogWatcher m_watcher;
};

// The main dialog, made the application's main window as the program does,
// so the About box is owned by it.
struct AboutBox : ::testing::Test {
  AboutBox() {
    g_box = nullptr;
    g_forced = false;
    m_app.m_pMainWnd = &*dlg;
  }
  ~AboutBox() override { m_app.m_pMainWnd = nullptr; }
  LiveDialog dlg;

 private:
  CWinApp m_app;
};
}  // namespace

TEST_F(AboutBox, SystemMenuEndsWithASeparatorAndTheAboutItem) {
  HMENU menu = ::GetSystemMenu(dlg.Hwnd(), FALSE);
  ASSERT_NE(menu, nullptr);
  const int count = ::GetMenuItemCount(menu);
  ASSERT_GE(count, 3);
  EXPECT_TRUE(ItemAt(menu, count - 2).type & MFT_SEPARATOR);
  const MenuItem about = ItemAt(menu, count - 1);
  EXPECT_EQ(about.type & MFT_SEPARATOR, 0u);
  EXPECT_EQ(about.id, 0x0010u);
  EXPECT_EQ(about.text, "&About Tarnwick...");
  // Below the system's own items, which stay.
  bool closeAbove = false;
  for (int i = 0; i < count - 2; ++i) closeAbove = closeAbove || ItemAt(menu, i).id == SC_CLOSE;
  EXPECT_TRUE(closeAbove);
}

TEST_F(AboutBox, ShowsItsTemplateOwnedByTheDisabledMainDialog) {
  AboutRunner runner(Close::OkButton, "about-box");
  runner.Send(dlg.Hwnd(), IDM_ABOUTBOX);
  ASSERT_EQ(runner.Seen().size(), 1u);
  EXPECT_FALSE(runner.Forced());
  const AboutSeen& seen = runner.Seen()[0];
  EXPECT_EQ(seen.caption, "About Tarnwick");
  ASSERT_EQ(seen.texts.size(), 7u);
  EXPECT_EQ(seen.texts[1], TARNWICK_VERSION_LINE);
  EXPECT_EQ(seen.texts[2], TARNWICK_LEGAL_NOTICE);
  EXPECT_EQ(seen.texts[3], "OK");
  EXPECT_EQ(seen.texts[4], TARNWICK_CONTACT_NAME " <" TARNWICK_CONTACT_MAIL ">");
  EXPECT_EQ(seen.texts[5], TARNWICK_WEB_ADDRESS);
  EXPECT_EQ(seen.okStyle & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
  // The emblem at its own size.
  EXPECT_EQ(seen.bitmap.cx, 82);
  EXPECT_EQ(seen.bitmap.cy, 88);
  EXPECT_EQ(seen.picture.cx, 82);
  EXPECT_EQ(seen.picture.cy, 88);
  // Modal over the main dialog, centred on it.
  EXPECT_EQ(seen.owner, dlg.Hwnd());
  EXPECT_FALSE(seen.ownerEnabled);
  const POINT mainCentre = CentreOf(dlg.Hwnd());
  EXPECT_NEAR(seen.centre.x, mainCentre.x, 1);
  EXPECT_NEAR(seen.centre.y, mainCentre.y, 1);
  // Closed, the main dialog takes input again and stays open.
  EXPECT_TRUE(::IsWindowEnabled(dlg.Hwnd()));
  EXPECT_TRUE(::IsWindowVisible(dlg.Hwnd()));
}

TEST_F(AboutBox, EnterAndEscapeBothCloseIt) {
  for (Close how : {Close::Enter, Close::Escape}) {
    AboutRunner runner(how);
    runner.Send(dlg.Hwnd(), IDM_ABOUTBOX);
    EXPECT_EQ(runner.Seen().size(), 1u);
    EXPECT_FALSE(runner.Forced()) << static_cast<int>(how);
    g_forced = false;
    EXPECT_TRUE(::IsWindowEnabled(dlg.Hwnd()));
  }
}

TEST_F(AboutBox, EverySystemCommandOfItsSixteenValuesOpensAFreshBox) {
  AboutRunner runner(Close::Escape);
  for (WPARAM command = 0x0010; command <= 0x001F; ++command) runner.Send(dlg.Hwnd(), command);
  ASSERT_EQ(runner.Seen().size(), 16u);
  EXPECT_FALSE(runner.Forced());
  for (const AboutSeen& seen : runner.Seen()) EXPECT_EQ(seen.caption, "About Tarnwick");
  // Neighbouring values are other commands, not the About box.
  runner.Send(dlg.Hwnd(), 0x0020);
  runner.Send(dlg.Hwnd(), 0x0000);
  EXPECT_EQ(runner.Seen().size(), 16u);
  EXPECT_EQ(runner.OtherDialogs(), 0);
}

TEST_F(AboutBox, OtherSystemCommandsKeepTheirEffect) {
  AboutRunner runner(Close::Escape);
  runner.Send(dlg.Hwnd(), SC_MINIMIZE);
  PumpMessages(50);
  EXPECT_TRUE(::IsIconic(dlg.Hwnd()));
  runner.Send(dlg.Hwnd(), SC_RESTORE);
  PumpMessages(50);
  EXPECT_FALSE(::IsIconic(dlg.Hwnd()));
  EXPECT_TRUE(runner.Seen().empty());
  EXPECT_TRUE(::IsWindow(dlg.Hwnd()));
}
