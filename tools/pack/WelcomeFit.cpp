#include "WelcomeFit.h"

#include <windows.h>

#include "DialogMeasure.h"
#include "ErrorText.h"
#include "TemporaryFile.h"
#include "Utf8Text.h"
#include "core/BoundedString.h"
#include "core/HandleOwner.h"
#include "ui/language/resource.h"

namespace {

constexpr size_t kDisplayNameChars = 99;  // as the dialog copies the display name
constexpr UINT kBuiltInCodePage = 1252;   // the ANSI code page of en-US

// The title as the dialog formats it with a display name, in UTF-8.
std::string Greeting(const std::string& format, const std::string& name) {
  char text[1000] = {};
  FormatCut(text, format.c_str(), AnsiToUtf8(name.substr(0, kDisplayNameChars)).c_str());
  return text;
}

// The module that holds the Welcome dialog the engine shows, and the dialog's number in it.
struct WelcomeSource {
  ModuleHandle engine;
  TemporaryFile languageCopy;
  ModuleHandle language;
  HMODULE module = nullptr;
  WORD dialog = 0;
};

std::string FindWelcome(const std::string& enginePath, WelcomeSource& source) {
  source.engine.reset(LoadLibraryExW(Utf8ToWide(enginePath).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!source.engine) return "the engine cannot be read (" + SystemMessage(GetLastError()) + ")";
  const LPCSTR dialogType = reinterpret_cast<LPCSTR>(RT_DIALOG);
  HRSRC resource = FindResourceA(source.engine.get(), kLanguageResource, kLanguageResourceType);
  HGLOBAL loaded = resource != nullptr ? LoadResource(source.engine.get(), resource) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes != nullptr && source.languageCopy.Write(bytes, SizeofResource(source.engine.get(), resource)) == 0)
    source.language.reset(LoadLibraryExA(source.languageCopy.path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  // As the engine looks: the package's dialog in the language DLL, then in the executable, then
  // the language DLL's default dialog.
  const struct {
    HMODULE module;
    WORD dialog;
  } places[] = {{source.language.get(), IDD_PACKAGE_WELCOME},
                {source.engine.get(), IDD_PACKAGE_WELCOME},
                {source.language.get(), IDD_WELCOME}};
  for (const auto& place : places) {
    if (place.module == nullptr || FindResourceA(place.module, MAKEINTRESOURCEA(place.dialog), dialogType) == nullptr)
      continue;
    source.module = place.module;
    source.dialog = place.dialog;
    return "";
  }
  return "the engine carries no Welcome dialog";
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
  HiddenDialog dialog(source.module, dialogTemplate);
  if (dialog.get() == nullptr) return "the Welcome dialog cannot be created here (" + dialog.problem() + ")";
  // The engine formats the control the package's dialog names as its title, or the language
  // DLL's title when the dialog has no such control.
  HWND title = GetDlgItem(dialog.get(), IDC_PACKAGE_WELCOME_TITLE);
  if (title == nullptr) title = GetDlgItem(dialog.get(), IDC_WELCOME_TITLE);
  if (title == nullptr) return "the Welcome dialog has no title";

  // The built-in English, in its code page; a name the settings hold is in this Windows'.
  TextMeasure measure(title, kBuiltInCodePage);
  const std::string format = measure.text();
  for (const WelcomeGreeting& greeting : greetings) {
    const std::string& name = greeting.displayName;
    LONG height = measure.Needed(Greeting(format, name));
    if (height <= measure.Room()) continue;
    size_t fits = name.size();
    while (fits > 0 && measure.Needed(Greeting(format, name.substr(0, fits))) > measure.Room()) fits--;
    LONG lines = (height + measure.LineHeight() - 1) / measure.LineHeight();
    findings.push_back({FindingLevel::kWarning, greeting.section, greeting.key,
                        "\"" + name + "\" does not fit the Welcome dialog: its title \"" +
                            Utf8ToAnsi(Greeting(format, name)) + "\" takes " + std::to_string(lines) +
                            " lines where the dialog shows " + std::to_string(measure.Room() / measure.LineHeight()) +
                            ", so the user sees it cut off; the first " + std::to_string(fits) +
                            " characters of this name fit"});
  }
  return "";
}
