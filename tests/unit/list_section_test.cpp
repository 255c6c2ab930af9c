// The setup-type section read into the ListSection record: keys, cuts, flags, log lines.
#include <doctest.h>

#include <string>
#include <vector>

#include "BootstrapperFixture.h"
#include "EngineTestSupport.h"
#include "InProcessAnswerer.h"
#include "LogLines.h"
#include "LanguageStrings.h"

using test::BootstrapperFixture;
using test::BootstrapperFixtureOptions;

namespace {

std::string Repeat(char c, size_t n) { return std::string(n, c); }

}  // namespace

TEST_CASE("a full setup-type section is read in order, logged as read and lower-cased after") {
  BootstrapperFixture f(
      "[default]\r\n"
      "PreInstall = First | Second\r\n"
      "MainInstall=Main\r\n"
      "Name=Vellora Suite\r\n"
      "WelcomeDlg=Yes\r\n"
      "WelcomeWave=YES\r\n"
      "ReqPermission=PowerUser\r\n"
      "RebootWave=yes\r\n"
      "ShowProgressBar=yEs\r\n"
      "RestartProductDlg=yesterday\r\n"
      "RemoveShared=Yes\r\n"
      "ReqOS=6.1\r\n"
      "ReqPlatform=X64\r\n");
  size_t mark = f.Mark();
  REQUIRE(f.b.SetListSection() == 0);
  CHECK(std::string(f.b.ListSection.PreInstall) == "First | Second");
  CHECK(std::string(f.b.ListSection.MainInstall) == "Main");
  CHECK(std::string(f.b.ListSection.Name) == "Vellora Suite");
  CHECK(std::string(f.b.m_szDisplayName) == "Vellora Suite");
  CHECK(std::string(f.b.ListSection.ReqPermission) == "poweruser");
  CHECK(std::string(f.b.ListSection.ReqOS) == "6.1");
  CHECK(std::string(f.b.ListSection.ReqPlatform) == "x64");
  CHECK(f.b.ListSection.dwFlags == (kWelcomeDlg | kWelcomeWave | kRebootWave | kShowProgressBar |
                                    kRestartProductDlg | kRemoveShared));
  const std::vector<std::string> expected = {
      "SetListSection - Setup type: default.",
      "SetListSection - PreInstall key: First | Second.",
      "SetListSection - MainInstall key: Main.",
      "SetListSection - Name key: Vellora Suite.",
      "SetListSection - WelcomeDlg key: Yes.",
      "SetListSection - WelcomeWave key: YES.",
      "SetListSection - ReqPermission key: PowerUser.",
      "SetListSection - RebootWave key: yes.",
      "SetListSection - ShowProgressBar key: yEs.",
      "SetListSection - RestartProductDlg key: yes.",  // only three characters are read
      "SetListSection - RemoveShared key: Yes.",
      "SetListSection - ReqOS key: 6.1.",
      "SetListSection - ReqPlatform key: X64.",
  };
  CHECK(test::JoinLines(f.Since(mark)) == test::JoinLines(expected));
}

TEST_CASE("each yes-or-no key is on only when its first three characters are yes") {
  struct Case {
    int line;
    const char* value;  // nullptr: key missing
    bool on;
    const char* logged;
  } cases[] = {
      {__LINE__, "Yes", true, "Yes"},
      {__LINE__, "YES", true, "YES"},
      {__LINE__, "yesterday", true, "yes"},
      {__LINE__, "yes please", true, "yes"},
      {__LINE__, "true", false, "tru"},
      {__LINE__, "1", false, "1"},
      {__LINE__, "ye", false, "ye"},
      {__LINE__, "no", false, "no"},
      {__LINE__, "", false, ""},
      {__LINE__, nullptr, false, "no"},
  };
  struct Key {
    const char* name;
    DWORD flag;
  } keys[] = {{"WelcomeDlg", kWelcomeDlg},           {"WelcomeWave", kWelcomeWave},
              {"RebootWave", kRebootWave},           {"ShowProgressBar", kShowProgressBar},
              {"RestartProductDlg", kRestartProductDlg}, {"RemoveShared", kRemoveShared}};
  for (const Case& c : cases) {
    for (const Key& key : keys) {
      CAPTURE(c.line);
      std::string keyName = key.name;
      CAPTURE(keyName);
      std::string settings = "[default]\r\nMainInstall=Main\r\n";
      if (c.value != nullptr) settings += std::string(key.name) + "=" + c.value + "\r\n";
      BootstrapperFixture f(settings);
      REQUIRE(f.b.SetListSection() == 0);
      CHECK(f.b.ListSection.dwFlags == (c.on ? key.flag : 0));
      CHECK(f.Logged("SetListSection - " + std::string(key.name) + " key: " + c.logged + "."));
    }
  }
}

TEST_CASE("values are cut at their buffers") {
  BootstrapperFixture f("[default]\r\n"
                        "PreInstall=" + Repeat('p', 1200) + "\r\n"
                        "MainInstall=" + Repeat('m', 150) + "\r\n"
                        "Name=" + Repeat('n', 120) + "\r\n"
                        "ReqPermission=" + Repeat('A', 40) + "\r\n"
                        "ReqOS=6.0.6000.16386.1\r\n"
                        "ReqPlatform=X64X64X64X64\r\n");
  REQUIRE(f.b.SetListSection() == 0);
  CHECK(std::string(f.b.ListSection.PreInstall) == Repeat('p', 998));
  CHECK(std::string(f.b.ListSection.MainInstall) == Repeat('m', 98));
  CHECK(std::string(f.b.ListSection.Name) == Repeat('n', 98));
  CHECK(std::string(f.b.m_szDisplayName) == Repeat('n', 98));
  CHECK(std::string(f.b.ListSection.ReqPermission) == Repeat('a', 23));
  CHECK(std::string(f.b.ListSection.ReqOS) == "6.0.6000.1638");
  CHECK(std::string(f.b.ListSection.ReqPlatform) == "x64x64x6");
  CHECK(f.Logged("SetListSection - ReqOS key: 6.0.6000.1638."));
}

TEST_CASE("the display name is Name, or MainInstall when Name is empty") {
  struct Case {
    int line;
    const char* keys;
    const char* displayName;
  } cases[] = {
      {__LINE__, "MainInstall=Main\r\nName=Shown\r\n", "Shown"},
      {__LINE__, "MainInstall=Main\r\n", "Main"},
      {__LINE__, "MainInstall=Main\r\nName=\r\n", "Main"},
      {__LINE__, "PreInstall=A|B\r\n", ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixture f(std::string("[default]\r\n") + c.keys);
    CopyCut(f.b.m_szDisplayName, "left over");
    REQUIRE(f.b.SetListSection() == 0);
    CHECK(std::string(f.b.m_szDisplayName) == c.displayName);
  }
}

TEST_CASE("/Type selects the section; PreInstall or MainInstall alone is enough") {
  const std::string settings =
      "[default]\r\nMainInstall=DefaultMain\r\n"
      "[ServerWithSpeech]\r\nPreInstall=A||B|\r\n"
      "[MainOnly]\r\nMainInstall=M\r\n";
  struct Case {
    int line;
    const char* commandLine;
    const char* preInstall;
    const char* mainInstall;
  } cases[] = {
      {__LINE__, "", "", "DefaultMain"},
      {__LINE__, "/Type ServerWithSpeech", "A||B|", ""},
      {__LINE__, "/type serverwithspeech", "A||B|", ""},  // section names ignore case
      {__LINE__, "/Type MainOnly", "", "M"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixtureOptions options;
    options.commandLine = c.commandLine;
    BootstrapperFixture f(settings, options);
    REQUIRE(f.b.SetListSection() == 0);
    CHECK(std::string(f.b.ListSection.PreInstall) == c.preInstall);
    CHECK(std::string(f.b.ListSection.MainInstall) == c.mainInstall);
  }
}

TEST_CASE("a setup type without installers, without a section, or without a name is refused") {
  struct Case {
    int line;
    const char* commandLine;
    const char* settings;
    DWORD result;
    const char* lastLine;
  } cases[] = {
      {__LINE__, "", "[default]\r\nName=Nothing\r\nWelcomeDlg=yes\r\n", ERROR_INVALID_DATA,
       "SetListSection - No prerequisite installers nor a main installer was specified for the default setup type.  "
       "At least one must be specified."},
      {__LINE__, "/Type Missing", "[default]\r\nMainInstall=M\r\n", ERROR_INVALID_DATA,
       "SetListSection - No prerequisite installers nor a main installer was specified for the Missing setup type.  "
       "At least one must be specified."},
      {__LINE__, "/Type", "[default]\r\nMainInstall=M\r\n", ERROR_INVALID_DATA,
       "SetListSection - Setup type is undefined."},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixtureOptions options;
    options.commandLine = c.commandLine;
    BootstrapperFixture f(c.settings, options);
    f.b.ListSection.dwFlags = kWelcomeDlg;
    CHECK(f.b.SetListSection() == c.result);
    REQUIRE_FALSE(f.Log().empty());
    CHECK(f.Log().back() == c.lastLine);
    // Nothing of the refused section is taken: no Name key read, no flags left over.
    CHECK_FALSE(f.Logged("SetListSection - Name key: Nothing."));
  }
}

TEST_CASE("a missing settings file ends the read without a log line") {
  BootstrapperFixture f("[default]\r\nMainInstall=M\r\n");
  size_t mark = f.Mark();
  CopyCut(f.b.m_szSettingsPath, (f.dir() / "absent.ini").c_str());
  CHECK(f.b.SetListSection() == ERROR_FILE_NOT_FOUND);
  f.b.m_szSettingsPath[0] = '\0';
  CHECK(f.b.SetListSection() == ERROR_FILE_NOT_FOUND);
  CopyCut(f.b.m_szSettingsPath, f.dir().path().c_str());  // a folder is no settings file
  CHECK(f.b.SetListSection() == ERROR_FILE_NOT_FOUND);
  CHECK(f.Since(mark).empty());
}

TEST_CASE("with a screen reader of the maker running at start, WelcomeDlg is neither read nor on") {
  BootstrapperFixture f("[default]\r\nMainInstall=M\r\nWelcomeDlg=yes\r\nWelcomeWave=yes\r\n");
  f.b.m_bProductRunningAtStart = TRUE;
  REQUIRE(f.b.SetListSection() == 0);
  CHECK(f.b.ListSection.dwFlags == kWelcomeWave);
  for (const std::string& line : f.Log()) CHECK(line.find("WelcomeDlg") == std::string::npos);
}

TEST_CASE("a second read leaves nothing of the first") {
  BootstrapperFixture f(
      "[default]\r\nPreInstall=A\r\nMainInstall=M\r\nName=N\r\nWelcomeDlg=yes\r\nRemoveShared=yes\r\n"
      "ReqOS=6.1\r\nReqPlatform=x64\r\nReqPermission=admin\r\n"
      "[other]\r\nMainInstall=Other\r\n");
  REQUIRE(f.b.SetListSection() == 0);
  CopyCut(f.b.m_szSetupType, "other");
  REQUIRE(f.b.SetListSection() == 0);
  CHECK(std::string(f.b.ListSection.PreInstall).empty());
  CHECK(std::string(f.b.ListSection.MainInstall) == "Other");
  CHECK(std::string(f.b.ListSection.Name).empty());
  CHECK(std::string(f.b.m_szDisplayName) == "Other");
  CHECK(std::string(f.b.ListSection.ReqOS).empty());
  CHECK(std::string(f.b.ListSection.ReqPlatform).empty());
  CHECK(std::string(f.b.ListSection.ReqPermission).empty());
  CHECK(f.b.ListSection.dwFlags == 0);
}

TEST_CASE("a setup type without installers is reported to the user as error 10, unless silent") {
  struct Case {
    int line;
    const char* type;
    bool silent;
    size_t boxes;
  } cases[] = {
      {__LINE__, "Empty", false, 1},
      {__LINE__, "Empty_silent", true, 0},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixtureOptions options;
    options.commandLine = std::string("/Type ") + c.type;
    options.silent = c.silent;
    BootstrapperFixture f(std::string("[") + c.type + "]\r\nName=Nothing here\r\n", options);
    test::UseBuiltLanguage(f.b);
    test::InProcessAnswerer answerer(nullptr, "list-section");
    CHECK(f.b.SetListSection() == ERROR_INVALID_DATA);
    std::vector<test::SeenWindow> seen = answerer.Stop();
    REQUIRE(seen.size() == c.boxes);
    if (c.boxes == 0) continue;
    std::string expected = test::LanguageString(IDS_SETUP_TYPE_EMPTY);
    expected.replace(expected.find("%s"), 2, c.type);
    CHECK(test::MessageBoxText(seen[0]) == expected);
    CHECK(seen[0].caption == test::LanguageString(IDS_ERROR_CAPTION));
  }
}
