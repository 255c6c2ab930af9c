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
  REQUIRE(lines.size() == 3);
  for (const std::string& line : lines) {
    CAPTURE(line);
    CHECK(test::IsWellFormedLogLine(line));
  }
  std::vector<std::string> messages = test::LogMessages(log);
  CHECK(messages[0] == "*** Pendrix - Start. ***");
  CHECK(messages[1] == "Test - value 42 and text.");
  CHECK(messages[2] == "*** Pendrix - Finish. ***");
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
  REQUIRE(lines.size() == 5);  // the empty and null formats write nothing
  std::vector<std::string> messages = test::LogMessages(log);
  CHECK(messages[1] == "Cut - " + std::string(998 - 6, 'x'));
  CHECK(messages[1].size() == 998);
  CHECK(test::IsWellFormedLogLine(lines[1]));
  CHECK(messages[2] == "Exact - " + std::string(990, 'y'));
  CHECK(messages[3] == "Literal - 100% done %d %s %n");
}

TEST_CASE("a second run appends after the first run's lines") {
  test::ScratchDir dir("log");
  std::string log = dir / "twice.log";
  { Bootstrapper first(LogOption(log).c_str()); }
  { Bootstrapper second(LogOption(log).c_str()); }
  std::vector<std::string> messages = test::LogMessages(log);
  REQUIRE(messages.size() == 4);
  CHECK(messages[0] == "*** Pendrix - Start. ***");
  CHECK(messages[1] == "*** Pendrix - Finish. ***");
  CHECK(messages[2] == "*** Pendrix - Start. ***");
  CHECK(messages[3] == "*** Pendrix - Finish. ***");
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
  REQUIRE(messages.size() == 3);
  CHECK(messages[1] == "Moved - now elsewhere.");
  CHECK(messages[2] == "*** Pendrix - Finish. ***");
  CHECK_FALSE(test::FileExists(second / "relative.log"));
}

TEST_CASE("a log that cannot be opened switches logging off for the rest of the run") {
  test::ScratchDir dir("log");
  std::string missingFolder = dir / "no such folder\\setup.log";
  Bootstrapper bootstrapper(LogOption(missingFolder).c_str());
  CHECK_FALSE(bootstrapper.m_pCommandLine->Has(kOptLog));
  // Creating the folder later does not bring the log back.
  CreateDirectoryA((dir / "no such folder").c_str(), nullptr);
  LogMessage(&bootstrapper, "Later - not written.");
  CHECK_FALSE(test::FileExists(missingFolder));

  // A file locked without write sharing by another writer also turns the log off.
  std::string locked = dir / "locked.log";
  HANDLE holder = CreateFileA(locked.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  REQUIRE(holder != INVALID_HANDLE_VALUE);
  Bootstrapper blocked(LogOption(locked).c_str());
  CHECK_FALSE(blocked.m_pCommandLine->Has(kOptLog));
  CloseHandle(holder);
  CHECK(test::ReadFile(locked).empty());
}

TEST_CASE("WriteLogLine reports what stops it") {
  test::ScratchDir dir("log");
  auto write = [](const char* path, const char* format, ...) {
    va_list args;
    va_start(args, format);
    DWORD result = WriteLogLine(path, format, args);
    va_end(args);
    return result;
  };
  CHECK(write(nullptr, "x") == 0);
  CHECK(write("", "x") == 0);
  std::string path = dir / "direct.log";
  CHECK(write(path.c_str(), "") == 0);
  CHECK_FALSE(test::FileExists(path));
  CHECK(write(path.c_str(), "Direct - %d", 7) == 0);
  CHECK(test::LogMessages(path) == std::vector<std::string>{"Direct - 7"});
  CHECK(write((dir / "missing\\x.log").c_str(), "x") == ERROR_PATH_NOT_FOUND);
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
