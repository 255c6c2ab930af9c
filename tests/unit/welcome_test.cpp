// The keyboard hook with keys typed through the input queue, the Welcome dialog of the
// language module that a package without its own is shown, and the Help text's caret.
#include <doctest.h>

#include <string>
#include <vector>

#include "BootstrapperFixture.h"
#include "EngineTestSupport.h"
#include "InProcessAnswerer.h"
#include "Keyboard.h"
#include "LogLines.h"

namespace {

// Sets the process-wide active Bootstrapper for the scope, as an open dialog does.
struct ActiveBootstrapper {
  Bootstrapper* saved = g_pActiveBootstrapper;
  explicit ActiveBootstrapper(Bootstrapper* active) { g_pActiveBootstrapper = active; }
  ~ActiveBootstrapper() { g_pActiveBootstrapper = saved; }
};

struct Key {
  UINT message;
  WPARAM key;
  bool operator==(const Key& other) const { return message == other.message && key == other.key; }
};
std::vector<Key> g_keys;  // what the window below received

LRESULT CALLBACK KeyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN || message == WM_KEYUP) g_keys.push_back({message, wParam});
  return DefWindowProcA(window, message, wParam, lParam);
}

// Types the keys at a focused window of this thread and returns what reached it.
std::vector<Key> TypeAtWindow(const std::vector<WORD>& keys) {
  WNDCLASSA registration = {};
  registration.lpfnWndProc = KeyWindowProc;
  registration.hInstance = GetModuleHandleA(nullptr);
  registration.lpszClassName = "PendrixKeyTarget";
  RegisterClassA(&registration);
  HWND window = CreateWindowExA(WS_EX_TOPMOST, registration.lpszClassName, "keys", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                nullptr, nullptr, registration.hInstance, nullptr);
  SetForegroundWindow(window);
  SetFocus(window);
  g_keys.clear();
  test::PressKeys(keys);
  for (int round = 0; round < 30; ++round) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(10);
  }
  DestroyWindow(window);
  UnregisterClassA(registration.lpszClassName, registration.hInstance);
  return g_keys;
}

// Pixels of a control as the screen shows them: how many are dark (text), and whether its
// top-left corner is white.
struct Looks {
  int dark = 0;
  bool whiteCorner = false;
};
Looks LooksOf(HWND control) {
  Looks looks;
  RECT rect;
  GetWindowRect(control, &rect);
  HDC screen = GetDC(nullptr);
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x) {
      COLORREF pixel = GetPixel(screen, x, y);
      if (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 300) ++looks.dark;
    }
  looks.whiteCorner = GetPixel(screen, rect.left, rect.top) == RGB(255, 255, 255);
  ReleaseDC(nullptr, screen);
  return looks;
}

}  // namespace

TEST_CASE("once a dialog has opened, Insert+B, Insert+NumPad 2 and Ctrl are the package's; the rest passes") {
  const UINT down = WM_KEYDOWN, up = WM_KEYUP;
  struct Case {
    int line;
    bool dialogOpened;
    std::vector<WORD> keys;
    std::vector<Key> arrive;
  } cases[] = {
      {__LINE__, true, {'B'}, {{down, 'B'}, {up, 'B'}}},
      {__LINE__, true, {VK_INSERT, 'B'}, {{down, VK_INSERT}, {up, 'B'}, {up, VK_INSERT}}},
      {__LINE__, true, {VK_INSERT, VK_NUMPAD2}, {{down, VK_INSERT}, {up, VK_NUMPAD2}, {up, VK_INSERT}}},
      {__LINE__, true, {VK_CONTROL}, {{up, VK_CONTROL}}},
      {__LINE__, true, {VK_SHIFT, 'B'}, {{down, VK_SHIFT}, {down, 'B'}, {up, 'B'}, {up, VK_SHIFT}}},
      {__LINE__, false, {VK_CONTROL}, {{down, VK_CONTROL}, {up, VK_CONTROL}}},
      {__LINE__, false, {VK_INSERT, 'B'}, {{down, VK_INSERT}, {down, 'B'}, {up, 'B'}, {up, VK_INSERT}}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::BootstrapperFixture f("");  // installs the hook on this thread
    REQUIRE(g_hKeyboardHook != nullptr);
    ActiveBootstrapper active(c.dialogOpened ? &f.b : nullptr);
    CHECK(TypeAtWindow(c.keys) == c.arrive);
  }
}

TEST_CASE("the Welcome dialog comes from the language module, which carries its words; dialog 104 stands in") {
  struct Case {
    int line;
    DWORD recordDialog;  // the dialog the record names (0: none)
    int answer;
    bool installs;
    DWORD shown;         // the language module's dialog the user meets
  } cases[] = {
      {__LINE__, IDD_PACKAGE_WELCOME, IDOK, true, IDD_PACKAGE_WELCOME},
      {__LINE__, IDD_PACKAGE_WELCOME, IDCANCEL, false, IDD_PACKAGE_WELCOME},
      // A record that names no dialog, or one that neither module has: the default dialog 104.
      {__LINE__, 0, IDOK, true, IDD_WELCOME},
      {__LINE__, 999, IDOK, true, IDD_WELCOME},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::BootstrapperFixture f("", {"", true, false});
    HMODULE language = test::UseBuiltLanguage(f.b);
    REQUIRE(language != nullptr);
    ActiveBootstrapper restore(g_pActiveBootstrapper);
    CopyCut(f.b.m_szDisplayName, "Vellora");
    f.b.ListSection.dwFlags = kWelcomeDlg;
    // This test program has neither the package's Welcome dialog nor its bitmap.
    f.b.SetWelcomeDlgRes(GetModuleHandleA(nullptr), c.recordDialog, IDC_PACKAGE_WELCOME_TITLE,
                         IDC_PACKAGE_WELCOME_TEXT, IDC_SIDE_PANEL, IDB_PACKAGE_SIDE_PANEL);
    const bool own = c.shown == IDD_PACKAGE_WELCOME;
    const int titleControl = own ? IDC_PACKAGE_WELCOME_TITLE : IDC_WELCOME_TITLE;
    Looks title, text;
    test::InProcessAnswerer watcher(
        [&](HWND dialog, const test::SeenWindow&) {
          title = LooksOf(GetDlgItem(dialog, titleControl));
          text = LooksOf(GetDlgItem(dialog, own ? IDC_PACKAGE_WELCOME_TEXT : IDC_WELCOME_TEXT));
          return c.answer;
        },
        own ? "welcome107" : "welcome104");
    CHECK(f.b.ShowWelcome() == c.installs);
    std::vector<test::SeenWindow> seen = watcher.Stop();

    REQUIRE(seen.size() == 1);
    CHECK(seen[0].caption == "Vellora Setup Package");
    CHECK(seen[0].Text(titleControl) == "Welcome to the Vellora setup package.");
    CHECK(seen[0].Text(IDOK) == (own ? "&Talking Install" : "&Next"));
    CHECK(seen[0].Text(own ? IDC_SILENT_INSTALL : IDCANCEL) == (own ? "&Silent Install" : "&Cancel"));
    // Both texts are drawn, on white.
    CHECK(title.dark > 50);
    CHECK(text.dark > 200);
    CHECK(title.whiteCorner);
    CHECK(text.whiteCorner);
    std::vector<std::string> log = f.Log();
    CAPTURE(test::JoinLines(log));
    char chosen[128];
    snprintf(chosen, sizeof(chosen), "ShowWelcome - hModule: 0x%x, dlg ID: %lu: dialog %lu of the language module.",
             reinterpret_cast<unsigned>(language), c.recordDialog, c.shown);
    CHECK(f.Logged("ShowWelcome - Searching for Welcome dialog in executable.") == (c.recordDialog != 0));
    CHECK(f.Logged(chosen));
    CHECK(f.Logged("WelcomeDlgProc - Bitmap for side panel could not be loaded."));
  }
}

namespace {

// Loses the keys the Help dialog presses, as a hook before the package's may.
LRESULT CALLBACK LoseCtrlHome(int code, WPARAM key, LPARAM lParam) {
  if (key == VK_CONTROL || key == VK_HOME) return 1;
  return CallNextHookEx(nullptr, code, key, lParam);
}

}  // namespace

TEST_CASE("the Help text shows its start whenever it takes the focus, even when Ctrl+Home is lost") {
  // The package's own hook keeps the Ctrl of the Ctrl+Home that the dialog presses; Tab brings
  // the focus back with all the text selected.
  for (int tabs : {0, 2}) {
    CAPTURE(tabs);
    test::BootstrapperFixture f("", {"", true, false});
    REQUIRE(test::UseBuiltLanguage(f.b) != nullptr);
    ActiveBootstrapper restore(g_pActiveBootstrapper);
    HHOOK losing = SetWindowsHookExA(WH_KEYBOARD, LoseCtrlHome, nullptr, GetCurrentThreadId());
    REQUIRE(losing != nullptr);
    DWORD selection = 0xFFFFFFFF;
    test::InProcessAnswerer watcher(
        [&](HWND dialog, const test::SeenWindow&) {
          for (int tab = 0; tab < tabs; ++tab) {
            test::PressKeys({VK_TAB});
            Sleep(300);
          }
          selection = static_cast<DWORD>(SendDlgItemMessageA(dialog, 102, EM_GETSEL, 0, 0));
          return IDCANCEL;
        },
        "helpcaret");
    CHECK(f.b.ShowHelp() == ERROR_SUCCESS);
    watcher.Stop();
    UnhookWindowsHookEx(losing);
    CHECK(LOWORD(selection) == 0);
    CHECK(HIWORD(selection) == 0);
  }
}
