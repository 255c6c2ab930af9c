// Help and More Help, asked for on the command line of the real Pendrix.exe as a user asks.
#include <doctest.h>

#include <string>
#include <vector>

#include "InProcessAnswerer.h"
#include "LanguageStrings.h"
#include "LogLines.h"
#include "TestSupport.h"
#include "core/PackageExitCodes.h"
#include "ui/language/resource.h"

namespace {

const char kHelpCaption[] = "Tarrowind Setup Package Help";

// The help text in its defined order: the introduction, /MoreHelp, /ExtractSettings,
// /ReplaceSettings, /Log, /Type, /quiet, /UILanguage and /Passthru last.
std::string ExpectedHelpText() {
  std::string text;
  for (UINT id : {51u, 67u, 53u, 54u, 64u, 66u, 82u, 86u, 14u}) text += test::LanguageString(id);
  return text;
}

// The whole text of a control of another process. (GetWindowTextLengthA gives 0 for an edit
// control of another process under Wine, so SeenWindow holds no text for it.)
std::string ControlText(HWND control) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                           2000, &copied))
    return {};
  text.resize(copied);
  return text;
}

// What the answerer saw of the Help dialog beyond its caption and button.
// (Its icons are checked in process: Wine does not answer WM_GETICON from another process.)
struct HelpSeen {
  std::string text;  // of the text box
  DWORD selection = 0xFFFFFFFF;  // EM_GETSEL of the text box: start in the low word, end in the high
  RECT rect = {};
};

test::ProcessResult RunPackage(const std::string& arguments, HelpSeen* seen) {
  std::string commandLine = "\"" + test::BinFile("Pendrix.exe") + "\" " + arguments;
  return test::RunProcess(
      commandLine, "",
      [seen](const test::SeenWindow& window) {
        if (seen != nullptr && window.caption == kHelpCaption) {
          HWND dialog = FindWindowA("#32770", kHelpCaption);
          seen->text = ControlText(GetDlgItem(dialog, IDC_HELP_TEXT));
          seen->selection = static_cast<DWORD>(SendMessageA(GetDlgItem(dialog, IDC_HELP_TEXT), EM_GETSEL, 0, 0));
          GetWindowRect(dialog, &seen->rect);
        }
        return IDCANCEL;  // "&Close" of the Help dialog, OK of a box
      },
      60000, "help");
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  for (const std::string& each : lines)
    if (each == line) return true;
  return false;
}

}  // namespace

TEST_CASE("help on the command line shows the Help dialog only, and the package exits with 13") {
  std::string expectedText = ExpectedHelpText();
  REQUIRE(expectedText.rfind("The Tarrowind setup package is a tool", 0) == 0);
  // The text for /Help itself is not part of it.
  REQUIRE_FALSE(test::LanguageString(IDS_HELP_HELP).empty());
  CHECK(expectedText.find(test::LanguageString(IDS_HELP_HELP)) == std::string::npos);

  struct Case {
    int line;
    const char* arguments;
  } cases[] = {
      {__LINE__, "/Help"},          {__LINE__, "/?"},        {__LINE__, "help"},
      {__LINE__, "/HELP"},          {__LINE__, "/?xyz"},     {__LINE__, "/Help /MoreHelp"},
      {__LINE__, "/MoreHelp /Help"}, {__LINE__, "/Help /ExtractSettings"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::ScratchDir dir{"opt"};
    std::string log = dir / "help.log";
    std::vector<std::string> tempBefore = test::ListFiles(test::TempFolder());
    HelpSeen seen;
    test::ProcessResult result = RunPackage(std::string(c.arguments) + " /Log " + log, &seen);

    REQUIRE(result.finished);
    CHECK(result.exitCode == kExitNotRun);
    REQUIRE(result.windows.size() == 1);
    const test::SeenWindow& help = result.windows[0];
    CHECK(help.caption == kHelpCaption);
    CHECK(seen.text == expectedText);
    CHECK(help.Text(IDCANCEL) == "&Close");
    // Centred on the screen.
    int width = seen.rect.right - seen.rect.left, height = seen.rect.bottom - seen.rect.top;
    CHECK(seen.rect.left == (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    CHECK(seen.rect.top == (GetSystemMetrics(SM_CYSCREEN) - height) / 2);

    std::vector<std::string> lines = test::LogMessages(log);
    CAPTURE(test::JoinLines(lines));
    CHECK(Contains(lines, "ShowHelp - Displaying help dialog."));
    CHECK_FALSE(Contains(lines, "ShowMoreHelp - Displaying more help dialog."));
    CHECK(lines.back() == "*** Pendrix - Finish. ***");
    CHECK(test::ListFiles(test::TempFolder()) == tempBefore);
  }
}

TEST_CASE("the text box opens at the start of the help, not with all of it selected") {
  HelpSeen seen;
  test::ProcessResult result = RunPackage("/Help", &seen);
  REQUIRE(result.finished);
  REQUIRE(result.windows.size() == 1);
  // Ctrl+Home, pressed when the text box took the focus, leaves the caret at 0 with no selection.
  CHECK(LOWORD(seen.selection) == 0);
  CHECK(HIWORD(seen.selection) == 0);
}

TEST_CASE("/MoreHelp shows nothing, logs its two lines, and the package exits with 13") {
  test::ScratchDir dir{"opt"};
  std::string log = dir / "morehelp.log";
  std::vector<std::string> tempBefore = test::ListFiles(test::TempFolder());
  test::ProcessResult result = RunPackage("/MoreHelp /Log " + log, nullptr);

  REQUIRE(result.finished);
  CHECK(result.exitCode == kExitNotRun);
  CHECK(result.windows.empty());
  std::vector<std::string> lines = test::LogMessages(log);
  CAPTURE(test::JoinLines(lines));
  REQUIRE(lines.size() >= 5);
  // The language DLL was loaded, then More Help had nothing to show, then the run ended.
  CHECK(lines[lines.size() - 5].rfind("LoadResources - Language resource file: ", 0) == 0);
  CHECK(lines[lines.size() - 4] == "ShowMoreHelp - Displaying more help dialog.");
  CHECK(lines[lines.size() - 3] == "ShowMoreHelp - No strings were specified for the More Help dialog.");
  CHECK(lines[lines.size() - 2] == "RunBootstrapper - The package ends with exit code 13: help was asked for.");
  CHECK(lines[lines.size() - 1] == "*** Pendrix - Finish. ***");
  CHECK(test::ListFiles(test::TempFolder()) == tempBefore);
}
