#include <doctest.h>

#include <cstring>
#include <string>

#include "TestSupport.h"
#include "core/Bootstrapper.h"

namespace {

std::string LogOption(const std::string& path) { return "/Log \"" + path + "\""; }

// The file's lines, each with its " \r\n" ending.
std::vector<std::string> RawLines(const std::string& path) {
  std::vector<std::string> lines;
  std::string contents = test::ReadFile(path);
  size_t start = 0;
  while (start < contents.size()) {
    size_t end = contents.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(contents.substr(start));
      break;
    }
    lines.push_back(contents.substr(start, end + 2 - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace

TEST_CASE("every line has the time-stamped format and the banners open and close a run") {
  test::ScratchDir dir("log");
  std::string log = dir / "setup.log";
  {
    Bootstrapper bootstrapper(LogOption(log).c_str());
    LogMessage(&bootstrapper, "Test - value %d and %s.", 42, "text");
  }
  std::vector<std::string> lines = RawLines(log);
  REQUIRE(lines.size() == 4);
  for (const std::string& line : lines) {
    CAPTURE(line);
    CHECK(test::IsWellFormedLogLine(line));
  }
  std::vector<std::string> messages = test::LogMessages(log);
  CHECK(messages[0] == "*** Pendrix - Start. ***");
  // Who ran which engine on which Windows: the test prefix's 64-bit Windows 7, its administrator.
  char user[256] = {}, computer[256] = {};
  DWORD size = sizeof(user), computerSize = sizeof(computer);
  GetUserNameA(user, &size);
  GetComputerNameA(computer, &computerSize);
  CHECK(messages[1] == "InitPaths - Pendrix 1.0.0 on Windows 6.1.7601 Service Pack 1, x64; user " +
                           std::string(computer) + "\\" + user + ", elevated.");
  CHECK(messages[2] == "Test - value 42 and text.");
  CHECK(messages[3] == "*** Pendrix - Finish. ***");
}

TEST_CASE("messages are cut at 998 characters and arguments are written literally") {
  test::ScratchDir dir("log");
  std::string log = dir / "cut.log";
  {
    Bootstrapper bootstrapper(LogOption(log).c_str());
    std::string longText(2000, 'x');
    LogMessage(&bootstrapper, "Cut - %s", longText.c_str());
    LogMessage(&bootstrapper, "Exact - %s", std::string(998 - 8, 'y').c_str());
    LogMessage(&bootstrapper, "Literal - %s", "100% done %d %s %n");
    LogMessage(&bootstrapper, "");
    LogMessage(&bootstrapper, nullptr);
  }
  std::vector<std::string> lines = RawLines(log);
  REQUIRE(lines.size() == 6);  // the empty and null formats write nothing
  std::vector<std::string> messages = test::LogMessages(log);
  CHECK(messages[2] == "Cut - " + std::string(998 - 6, 'x'));
  CHECK(messages[2].size() == 998);
  CHECK(test::IsWellFormedLogLine(lines[2]));
  CHECK(messages[3] == "Exact - " + std::string(990, 'y'));
  CHECK(messages[4] == "Literal - 100% done %d %s %n");
}

// A second package given the same /Log while the first still runs logs its lines too.
TEST_CASE("a second run appends after the first run's lines, even while the first still logs") {
  test::ScratchDir dir("log");
  std::string log = dir / "twice.log";
  { Bootstrapper first(LogOption(log).c_str()); }
  {
    Bootstrapper first(LogOption(log).c_str());
    Bootstrapper second(LogOption(log).c_str());
    LogMessage(&first, "First - while the second runs.");
    LogMessage(&second, "Second - while the first runs.");
  }
  std::vector<std::string> messages = test::LogMessages(log);
  REQUIRE(messages.size() == 11);
  CHECK(messages[2] == "*** Pendrix - Finish. ***");
  CHECK(messages[3] == "*** Pendrix - Start. ***");
  CHECK(messages[5] == "*** Pendrix - Start. ***");
  CHECK(messages[7] == "First - while the second runs.");
  CHECK(messages[8] == "Second - while the first runs.");
}

// An installer runs with another current folder: a relative path must not follow it.
TEST_CASE("paths on the command line are made absolute against the current folder at start") {
  test::ScratchDir first("log"), second("log");
  char saved[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, saved);
  SetCurrentDirectoryA(first.path().c_str());
  {
    Bootstrapper bootstrapper("/Log relative.log /ReplaceSettings alt.ini /ExtractSettings sub\\..\\out.ini");
    SetCurrentDirectoryA(second.path().c_str());
    LogMessage(&bootstrapper, "Moved - now elsewhere.");
    const BootstrapperCommandLine& commandLine = *bootstrapper.m_pCommandLine;
    CHECK(std::string(bootstrapper.m_szLogFilePath) == first / "relative.log");
    CHECK(std::string(commandLine.m_szReplaceSettingsPath) == first / "alt.ini");
    CHECK(std::string(commandLine.m_szExtractSettingsPath) == first / "out.ini");
  }
  SetCurrentDirectoryA(saved);
  std::vector<std::string> messages = test::LogMessages(first / "relative.log");
  REQUIRE(messages.size() == 4);
  CHECK(messages[2] == "Moved - now elsewhere.");
  CHECK(messages[3] == "*** Pendrix - Finish. ***");
  CHECK_FALSE(test::FileExists(second / "relative.log"));
}

TEST_CASE("a /Log folder that does not exist is made; a log that cannot be opened switches logging off") {
  test::ScratchDir dir("log");
  std::string made = dir / "new folder\\deeper\\setup.log";
  {
    Bootstrapper bootstrapper(LogOption(made).c_str());
    CHECK(bootstrapper.m_pCommandLine->Has(kOptLog));
  }
  CHECK(test::LogMessages(made).back() == "*** Pendrix - Finish. ***");

  // A file locked without write sharing by another writer turns the log off.
  std::string locked = dir / "locked.log";
  HANDLE holder = CreateFileA(locked.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  REQUIRE(holder != INVALID_HANDLE_VALUE);
  Bootstrapper blocked(LogOption(locked).c_str());
  CHECK_FALSE(blocked.m_pCommandLine->Has(kOptLog));
  CloseHandle(holder);
  CHECK(test::ReadFile(locked).empty());
}

TEST_CASE("without /Log no line is written, neither in the current folder nor beside the executable") {
  // The default log is written beside the executable; an earlier run with /Log may have left one.
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  const std::string defaultLog = std::string(module, strrchr(module, '\\')) + "\\ZR_Setup_Package.log";
  DeleteFileA(defaultLog.c_str());
  test::ScratchDir dir("log");
  char saved[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, saved);
  SetCurrentDirectoryA(dir.path().c_str());
  {
    Bootstrapper bootstrapper("/Type default");
    CHECK_FALSE(bootstrapper.m_pCommandLine->Has(kOptLog));
    LogMessage(&bootstrapper, "Nothing - %s", "here");
  }
  SetCurrentDirectoryA(saved);
  CHECK(test::ListFiles(dir.path()).empty());
  CHECK_FALSE(test::FileExists(defaultLog));
}
