#include <doctest.h>

#include <cstring>
#include <memory>
#include <string>

#include "RestrictedToken.h"
#include "TestSupport.h"
#include "core/AnsiPath.h"
#include "core/Bootstrapper.h"

TEST_CASE("start-up fixes the folders, paths and setup type; the working folder comes with the run") {
  Bootstrapper bootstrapper("");
  // A second instance, refused before it writes anything, makes no folder.
  CHECK(std::string(bootstrapper.m_szTempFolder).empty());
  CHECK(std::string(bootstrapper.m_szSettingsPath).empty());
  bootstrapper.OpenWorkFolder();
  std::string temp = bootstrapper.m_szTempFolder;
  REQUIRE_FALSE(temp.empty());
  CHECK(temp.back() == '\\');
  CHECK(std::string(bootstrapper.m_szLanguageDllPath) == temp + "PendrixLang.dll");
  CHECK(std::string(bootstrapper.m_szSettingsPath) == temp + "Settings.ini");

  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string folder(module, strrchr(module, '\\'));
  CHECK(std::string(bootstrapper.m_szSourceDir) == folder);
  CHECK(std::string(bootstrapper.m_szLogFilePath) == folder + "\\ZR_Setup_Package.log");

  CHECK(std::string(bootstrapper.m_szSetupType) == "default");
  CHECK(bootstrapper.m_pCommandLine->m_dwFlags == 0);
  CHECK(bootstrapper.m_pCommandLine->GetCommandLineCopy() == nullptr);
  CHECK_FALSE(bootstrapper.m_bSilent);
  CHECK(bootstrapper.m_hSettingsFile == INVALID_HANDLE_VALUE);
  CHECK(bootstrapper.m_bMsiInstall == TRUE);
  CHECK(bootstrapper.m_OSVersion.dwOSVersionInfoSize == sizeof(OSVERSIONINFOA));
  CHECK(bootstrapper.m_OSVersion.dwMajorVersion >= 5);
  CHECK(g_hKeyboardHook != nullptr);
}

TEST_CASE("each run works in a new folder of its own, where only administrators may write when it is elevated") {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string elevatedParent = std::string(windows) + "\\Temp\\";  // Wine has no SystemTemp
  for (bool elevated : {true, false}) {
    CAPTURE(elevated);
    std::unique_ptr<test::ScopedDenyOnlyAdministrators> filtered;  // a filtered administrator: not elevated
    if (!elevated) {
      filtered.reset(new test::ScopedDenyOnlyAdministrators);
      REQUIRE(filtered->ok());
    }
    std::string first, second;
    {
      Bootstrapper one(""), two("");
      one.OpenWorkFolder();
      two.OpenWorkFolder();
      first = one.m_szTempFolder;
      second = two.m_szTempFolder;
      CHECK(first != second);
      for (const std::string& folder : {first, second}) {
        std::string parent = folder.substr(0, folder.rfind('\\', folder.size() - 2) + 1);
        CHECK(parent == (elevated ? elevatedParent : test::TempFolder()));
        CHECK(IsWorkFolderName(folder.substr(parent.size(), folder.size() - parent.size() - 1).c_str()));
        DWORD attributes = GetFileAttributesA(folder.c_str());
        CHECK((attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0));
        // Held for the run: nobody can remove or rename it.
        CHECK_FALSE(MoveFileA(folder.c_str(), (folder.substr(0, folder.size() - 1) + "-moved").c_str()));
      }
    }
    CHECK(GetFileAttributesA(first.c_str()) == INVALID_FILE_ATTRIBUTES);
    CHECK(GetFileAttributesA(second.c_str()) == INVALID_FILE_ATTRIBUTES);
  }
}

// A program that lists the folder as the run ends (an indexer; under Wine, its listing shares no
// deletion) and lets go of it a tenth of a second into the teardown.
static DWORD WINAPI LetGoSoon(void* listing) {
  Sleep(100);
  return FindClose(listing);
}

TEST_CASE("the working folder goes with its run though another program lists it as the run ends") {
  std::string folder;
  HANDLE letGo = nullptr;
  {
    Bootstrapper bootstrapper("");
    bootstrapper.OpenWorkFolder();
    folder = bootstrapper.m_szTempFolder;
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA((folder + "*").c_str(), &found);
    REQUIRE(listing != INVALID_HANDLE_VALUE);
    letGo = CreateThread(nullptr, 0, LetGoSoon, listing, 0, nullptr);
    REQUIRE(letGo != nullptr);
  }
  WaitForSingleObject(letGo, INFINITE);
  CloseHandle(letGo);
  CHECK(GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES);
}

TEST_CASE("the setup type and silent mode come from /Type") {
  struct Case {
    int line;
    const char* commandLine;
    const char* setupType;
    bool silent;
  } cases[] = {
      {__LINE__, "", "default", false},
      {__LINE__, "/Type my_silent", "my_silent", true},
      {__LINE__, "/Type silent", "silent", true},
      {__LINE__, "/Type SilentCD", "SilentCD", false},
      {__LINE__, "/Type SILENT", "SILENT", false},
      // What a deployment tool sends for an unattended run; /q keeps its own meaning.
      {__LINE__, "/Type Full /QUIET", "Full", true},
      {__LINE__, "/q", "default", false},
      {__LINE__, "/Type", "", false},
      {__LINE__, "/Type ServerWithSpeech /Type", "ServerWithSpeech", false},
      {__LINE__, "/type=silent", "default", false},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    Bootstrapper bootstrapper(c.commandLine);
    CHECK(std::string(bootstrapper.m_szSetupType) == c.setupType);
    CHECK((bootstrapper.m_bSilent != FALSE) == c.silent);
  }
}

TEST_CASE("the log path is the /Log value or the default beside the executable") {
  Bootstrapper withValue("/Log c:\\logs\\setup-1.log");
  CHECK(std::string(withValue.m_szLogFilePath) == "c:\\logs\\setup");
  Bootstrapper withoutValue("/Log");
  CHECK(std::string(withoutValue.m_szLogFilePath) ==
        std::string(withoutValue.m_szSourceDir) + "\\ZR_Setup_Package.log");
}

TEST_CASE("the keyboard hook lives as long as the object") {
  {
    Bootstrapper bootstrapper("");
    CHECK(g_hKeyboardHook != nullptr);
  }
  CHECK(g_hKeyboardHook == nullptr);
}

TEST_CASE("the single-instance mutex refuses a second holder") {
  Bootstrapper first("");
  REQUIRE(first.AcquireSingleInstance());
  CHECK(first.m_hSingleInstanceMutex != nullptr);
  Bootstrapper second("");
  CHECK_FALSE(second.AcquireSingleInstance());
  CHECK(second.m_hSingleInstanceMutex != nullptr);  // kept, and closed at teardown
}

TEST_CASE("a path that the code page cannot spell is given in its short form") {
  test::ScratchDir dir("ansi");
  std::wstring base(dir.path().begin(), dir.path().end());
  std::wstring cyrillic = base + L"\\\x0422\x0435\x0441\x0442";  // "test" in Cyrillic
  REQUIRE(CreateDirectoryW(cyrillic.c_str(), nullptr));
  wchar_t shortForm[MAX_PATH] = {};
  REQUIRE(GetShortPathNameW(cyrillic.c_str(), shortForm, MAX_PATH) > 0);
  std::string shortAnsi(shortForm, shortForm + lstrlenW(shortForm));
  struct Case {
    int line;
    std::wstring path;
    AnsiPathForm form;
    std::string ansi;
  } cases[] = {
      {__LINE__, base, AnsiPathForm::kAsIs, dir.path()},
      {__LINE__, cyrillic, AnsiPathForm::kShortForm, shortAnsi},
      // A file that does not exist has no short form: the conversion that loses the letters.
      {__LINE__, cyrillic + L"\\missing", AnsiPathForm::kUnspellable, dir.path() + "\\????\\missing"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    char ansi[MAX_PATH] = {};
    CHECK(ToAnsiPath(c.path.c_str(), ansi, sizeof(ansi)) == c.form);
    CHECK(std::string(ansi) == c.ansi);
  }
}
