// A Russian translator's folder, named in Russian and saved as ANSI in the Russian code page, built
// on an English Windows and shown to a Russian user: ctest starts this file's Wine in a Russian
// locale (code page 1251), and PendrixPack runs as on an English Windows (code page 1252).
#include <doctest.h>

#include <string>
#include <vector>

#include "LogLines.h"
#include "PackageSupport.h"
#include "TestSupport.h"
#include "ui/language/resource.h"

using test::Quote;

namespace {

const char kEnglish[] = "C.UTF-8";  // what Wine takes for US English, with UTF-8 file names

// The translation, in UTF-8; the folder holds it in code page 1251. Its Talking Install button
// is too long for its button; the package's window takes its title from it.
const char kRussianTexts[] =
    "[Dialog 107]\r\n"
    "Caption=\xD0\xA3\xD1\x81\xD1\x82\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xBA\xD0\xB0 %s\r\n"
    "104=\xD0\x94\xD0\xBE\xD0\xB1\xD1\x80\xD0\xBE \xD0\xBF\xD0\xBE\xD0\xB6\xD0\xB0\xD0\xBB\xD0\xBE\xD0\xB2\xD0\xB0\xD1"
    "\x82\xD1\x8C \xD0\xB2 %s.\r\n"
    "1=&\xD0\xA3\xD1\x81\xD1\x82\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xBA\xD0\xB0 \xD1\x81 \xD0\xBE\xD0\xB7\xD0\xB2\xD1"
    "\x83\xD1\x87\xD0\xB8\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xB8\xD0\xB5\xD0\xBC\r\n"
    "7=&\xD0\x91\xD0\xB5\xD0\xB7 \xD0\xB7\xD0\xB2\xD1\x83\xD0\xBA\xD0\xB0\r\n"
    "[Messages]\r\n"
    "95=\xD0\xA3\xD1\x81\xD1\x82\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xBA\xD0\xB0 Vellora\r\n";
const char kWindowTitle[] =  // "Установка Vellora"
    "\xD0\xA3\xD1\x81\xD1\x82\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xBA\xD0\xB0 Vellora";
const char kTalkingInstall[] =  // "&Установка с озвучиванием"
    "&\xD0\xA3\xD1\x81\xD1\x82\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xBA\xD0\xB0 \xD1\x81 \xD0\xBE\xD0\xB7\xD0\xB2\xD1"
    "\x83\xD1\x87\xD0\xB8\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xB8\xD0\xB5\xD0\xBC";
const char kWelcome[] =  // "Добро пожаловать в Vellora."
    "\xD0\x94\xD0\xBE\xD0\xB1\xD1\x80\xD0\xBE \xD0\xBF\xD0\xBE\xD0\xB6\xD0\xB0\xD0\xBB\xD0\xBE\xD0\xB2\xD0\xB0\xD1\x82"
    "\xD1\x8C \xD0\xB2 Vellora.";
const char kRussianFolder[] = "\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9";            // "Русский"
const char kNewFolder[] = "\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xB0\xD1\x8F \xD0\xBF\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0";  // "Новая папка"

// UTF-8 in a code page.
std::string InCodePage(UINT codePage, const std::string& utf8) {
  std::wstring wide = test::Utf8ToWide(utf8);
  std::string text(wide.size() * 2, '\0');
  text.resize(static_cast<size_t>(WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                                      &text[0], static_cast<int>(text.size()), nullptr, nullptr)));
  return text;
}

// The line of the report that measures the Talking Install button.
std::string ButtonLine(const std::string& report) {
  for (const std::string& line : test::Lines(report))
    if (line.find(std::string("[Dialog 107] 1: \"") + kTalkingInstall + "\" is ") != std::string::npos) return line;
  return "";
}

// How wide a text is in the Welcome dialog's font, as this Russian Windows makes it.
LONG WidthOnThisWindows(const std::string& utf8) {
  HDC screen = GetDC(nullptr);
  HFONT font = CreateFontA(-MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
  HGDIOBJ old = SelectObject(screen, font);
  std::wstring text = test::Utf8ToWide(utf8);
  RECT rect = {};
  DrawTextW(screen, text.c_str(), static_cast<int>(text.size()), &rect, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(screen, old);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  return rect.right;
}

}  // namespace

TEST_CASE("a Russian folder built on an English Windows: the check sees what the Russian user sees, in Russian") {
  REQUIRE(GetACP() == 1251);  // the Russian user this file's Wine is started for
  test::Package p;
  p.Payload("main.exe");
  test::WriteFile(p.settings,
                  "[default]\r\nName=Vellora\r\nMainInstall=Main\r\nWelcomeDlg=yes\r\n"
                  "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=0\r\n");
  const std::string folder = p.dir / kRussianFolder;  // UTF-8, as PendrixPack's arguments are
  REQUIRE(CreateDirectoryW(test::Utf8ToWide(folder).c_str(), nullptr));
  HANDLE texts = CreateFileW(test::Utf8ToWide(folder + "\\texts.ini").c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  REQUIRE(texts != INVALID_HANDLE_VALUE);
  const std::string ansi = InCodePage(1251, kRussianTexts);
  DWORD written = 0;
  WriteFile(texts, ansi.data(), static_cast<DWORD>(ansi.size()), &written, nullptr);
  CloseHandle(texts);
  const std::string language = "ru-RU=" + folder;

  // On the English build machine: the texts read in the Russian code page, measured as a Russian
  // Windows draws them, the folder named in Russian.
  test::ConsoleResult english = test::RunPackInLocale(kEnglish, {"--check", "--settings", p.settings, "--language",
                                                                 language});
  INFO(english.err);
  REQUIRE(english.finished);
  CHECK(english.exitCode == 1);
  const std::string clipped = ButtonLine(english.err);
  REQUIRE_FALSE(clipped.empty());
  CHECK(clipped.find("PendrixPack: warning: " + folder + "\\texts.ini:4: ") == 0);
  CHECK(clipped.find("where the control has 97, so the user sees it cut off") != std::string::npos);
  // The Russian machine reports the same clipping.
  test::ConsoleResult russian = test::RunPack("--check --settings " + Quote(p.settings) + " --language " +
                                              Quote(language));
  CHECK(ButtonLine(russian.err) == clipped);
  const std::string width = std::to_string(WidthOnThisWindows(kTalkingInstall));
  CHECK(clipped.find(" is " + width + " pixels wide") != std::string::npos);

  test::ConsoleResult built = test::RunPackInLocale(
      kEnglish, {"--settings", p.settings, "--payload", p.payload, "--out", p.exe, "--embed-settings", "--language",
                 language});
  INFO(built.err);
  REQUIRE(built.exitCode == 0);
  CHECK(built.out.find("Language ru-RU (1049): 5 texts and 0 recordings of its own from \"" + folder + "\"") !=
        std::string::npos);
  test::ConsoleResult templated = test::RunPackInLocale(kEnglish, {"--language-template", p.dir / kNewFolder});
  CHECK(templated.exitCode == 0);
  CHECK(templated.out.find(p.dir / kNewFolder) != std::string::npos);
  CHECK(GetFileAttributesW(test::Utf8ToWide(p.dir / kNewFolder + "\\texts.ini").c_str()) != INVALID_FILE_ATTRIBUTES);

  // The Russian user meets the package in Russian, its button as wide as the report says, and
  // its window (Alt+Tab, the taskbar) titled in Russian.
  LONG room = 0;
  wchar_t title[100] = {};
  test::ProcessResult run = p.Run("/Log " + Quote(p.log), [&](const test::SeenWindow& window) {
    HWND dialog = FindWindowA("#32770", window.caption.c_str());
    RECT client = {};
    GetClientRect(GetDlgItem(dialog, IDOK), &client);
    room = client.right - 2 * (GetSystemMetrics(SM_CXEDGE) + 2);
    GetWindowTextW(FindWindowA("BootstrapperHiddenWindow", nullptr), title, 100);
    return IDOK;
  });
  REQUIRE(run.windows.size() == 1);
  CHECK(run.windows[0].Text(IDOK) == InCodePage(CP_ACP, kTalkingInstall));
  CHECK(run.windows[0].Text(IDC_PACKAGE_WELCOME_TITLE) == InCodePage(CP_ACP, kWelcome));
  CHECK(room == 97);
  CHECK(std::wstring(title) == test::Utf8ToWide(kWindowTitle));
  CHECK(run.exitCode == 0);
  std::vector<std::string> log = p.Log();
  INFO(test::JoinLines(log));
  CHECK(test::HasLine(log, "LoadResources - Language ru-RU (1049): the user's UI language."));

  // A package without Russian names the user's language in its log.
  test::ScratchDir dir("engine");
  test::ProcessResult help = test::RunProcess(Quote(test::BinFile("Pendrix.exe")) + " /UILanguage fr /Help /Log " +
                                              Quote(dir / "help.log"));
  CHECK(help.windows.size() == 1);
  CHECK(test::HasLine(test::LogMessages(dir / "help.log"),
                      "LoadResources - Language en-US (1033), the built-in one: the package has no language for the "
                      "user's UI language 1049 (ru-RU)."));
}
