#include "WelcomeFit.h"

#include <windows.h>

#include "ErrorText.h"
#include "TemporaryFile.h"
#include "core/BoundedString.h"
#include "core/HandleOwner.h"
#include "ui/language/resource.h"

namespace {

constexpr size_t kDisplayNameChars = 99;  // as the dialog copies the display name

INT_PTR CALLBACK NoHandling(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

class DialogWindow {
 public:
  explicit DialogWindow(HWND window) : m_window(window) {}
  ~DialogWindow() {
    if (m_window != nullptr) DestroyWindow(m_window);
  }
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;
  HWND get() const { return m_window; }

 private:
  HWND m_window;
};

// The title of the Welcome dialog, formatted with a display name, measured in its own font.
class TitleMeasure {
 public:
  TitleMeasure(HWND title) : m_title(title), m_dc(GetDC(title)) {
    GetClientRect(title, &m_client);
    char format[500] = {};
    GetWindowTextA(title, format, 499);
    m_format = format;
    m_old = SelectObject(m_dc, reinterpret_cast<HGDIOBJ>(SendMessageA(title, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics = {};
    GetTextMetricsA(m_dc, &metrics);
    m_lineHeight = metrics.tmHeight > 0 ? metrics.tmHeight : 1;
    // As a static control draws its text.
    LONG style = GetWindowLongA(title, GWL_STYLE);
    m_flags = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0);
  }
  ~TitleMeasure() {
    SelectObject(m_dc, m_old);
    ReleaseDC(m_title, m_dc);
  }
  TitleMeasure(const TitleMeasure&) = delete;
  TitleMeasure& operator=(const TitleMeasure&) = delete;

  // The title as the dialog formats it, and the height it takes.
  std::string Greeting(const std::string& name) const {
    char text[1000] = {};
    FormatCut(text, m_format.c_str(), name.substr(0, kDisplayNameChars).c_str());
    return text;
  }
  LONG Height(const std::string& name) const {
    std::string text = Greeting(name);
    RECT rect = {0, 0, m_client.right, 0};
    DrawTextA(m_dc, text.c_str(), -1, &rect, m_flags);
    return rect.bottom;
  }
  LONG Room() const { return m_client.bottom; }
  LONG LineHeight() const { return m_lineHeight; }

 private:
  HWND m_title;
  HDC m_dc;
  HGDIOBJ m_old = nullptr;
  RECT m_client = {};
  std::string m_format;
  LONG m_lineHeight = 1;
  UINT m_flags = 0;
};

// The module that holds the Welcome dialog the engine shows, and the dialog's number in it.
struct WelcomeSource {
  ModuleHandle engine;
  TemporaryFile languageCopy;
  ModuleHandle language;
  HMODULE module = nullptr;
  WORD dialog = 0;
};

std::string FindWelcome(const std::string& enginePath, WelcomeSource& source) {
  source.engine.reset(LoadLibraryExA(enginePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!source.engine) return "the engine cannot be read (" + SystemMessage(GetLastError()) + ")";
  const LPCSTR dialogType = reinterpret_cast<LPCSTR>(RT_DIALOG);
  if (FindResourceA(source.engine.get(), MAKEINTRESOURCEA(IDD_PACKAGE_WELCOME), dialogType) != nullptr) {
    source.module = source.engine.get();
    source.dialog = IDD_PACKAGE_WELCOME;
    return "";
  }
  // Without a dialog of its own the engine shows the one of its language DLL.
  HRSRC resource = FindResourceA(source.engine.get(), kLanguageResource, kLanguageResourceType);
  HGLOBAL loaded = resource != nullptr ? LoadResource(source.engine.get(), resource) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return "the engine carries no Welcome dialog and no language DLL";
  DWORD result = source.languageCopy.Write(bytes, SizeofResource(source.engine.get(), resource));
  if (result == 0) source.language.reset(LoadLibraryExA(source.languageCopy.path().c_str(), nullptr,
                                                        LOAD_LIBRARY_AS_DATAFILE));
  if (!source.language) return "the engine's language DLL cannot be read";
  source.module = source.language.get();
  source.dialog = IDD_WELCOME;
  return "";
}

}  // namespace

std::string CheckWelcomeFit(const std::string& enginePath, const std::vector<WelcomeGreeting>& greetings,
                            std::vector<SettingsFinding>& findings) {
  if (greetings.empty()) return "";
  WelcomeSource source;
  std::string problem = FindWelcome(enginePath, source);
  if (!problem.empty()) return problem;
  HRSRC resource = FindResourceA(source.module, MAKEINTRESOURCEA(source.dialog), reinterpret_cast<LPCSTR>(RT_DIALOG));
  HGLOBAL loaded = resource != nullptr ? LoadResource(source.module, resource) : nullptr;
  auto dialogTemplate = static_cast<LPCDLGTEMPLATEA>(loaded != nullptr ? LockResource(loaded) : nullptr);
  if (dialogTemplate == nullptr) return "the Welcome dialog cannot be loaded";
  // Created without WS_VISIBLE: nothing shows on the screen.
  DialogWindow dialog(CreateDialogIndirectParamA(source.module, dialogTemplate, nullptr, NoHandling, 0));
  if (dialog.get() == nullptr)
    return "the Welcome dialog cannot be created here (" + SystemMessage(GetLastError()) + "; is there a display?)";
  // The engine formats the control the package's dialog names as its title, or the language
  // DLL's title when the dialog has no such control.
  HWND title = GetDlgItem(dialog.get(), IDC_PACKAGE_WELCOME_TITLE);
  if (title == nullptr) title = GetDlgItem(dialog.get(), IDC_WELCOME_TITLE);
  if (title == nullptr) return "the Welcome dialog has no title";

  TitleMeasure measure(title);
  for (const WelcomeGreeting& greeting : greetings) {
    const std::string& name = greeting.displayName;
    LONG height = measure.Height(name);
    if (height <= measure.Room()) continue;
    size_t fits = name.size();
    while (fits > 0 && measure.Height(name.substr(0, fits)) > measure.Room()) fits--;
    LONG lines = (height + measure.LineHeight() - 1) / measure.LineHeight();
    findings.push_back(
        {FindingLevel::kWarning, greeting.section, greeting.key,
         "\"" + name + "\" does not fit the Welcome dialog: its title \"" + measure.Greeting(name) + "\" takes " +
             std::to_string(lines) + " lines where the dialog shows " +
             std::to_string(measure.Room() / measure.LineHeight()) + ", so the user sees it cut off; the first " +
             std::to_string(fits) + " characters of this name fit"});
  }
  return "";
}
