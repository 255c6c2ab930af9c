// ExtractResource over unit_tests.exe's own resources (tests/unit/settings_resources.rc): the
// failure table with its codes and log lines, the overwrite, the cursor, the module searched.
#include <doctest.h>

#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "LogLines.h"
#include "TestSupport.h"
#include "core/HandleOwner.h"
#include "install/InstallerResource.h"
#include "trust/WorkFolder.h"
#include "trust/WorkFolderFiles.h"

namespace {

const char kPayload[] = "embedded payload\r\n";

std::vector<std::string> ExtractLine(const char* name, const char* type, const std::string& output) {
  return {std::string("ExtractResource - Extracting the resource \"") + name + "\" of type \"" + type +
          "\" to the output file \"" + output + "\"."};
}

}  // namespace

TEST_CASE("ExtractResource writes the resource's bytes, replacing what the file held") {
  test::ScratchDir dir("extract");
  std::string output = dir / "payload.bin";
  struct Case {
    int line;
    const char* before;  // nullptr: no file yet
  } cases[] = {
      {__LINE__, nullptr},
      {__LINE__, ""},
      {__LINE__, "old contents that are much longer than the payload and must not survive\r\n"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    DeleteFileA(output.c_str());
    if (c.before != nullptr) REQUIRE(test::WriteFile(output, c.before));
    std::string log = dir / "extract.log";
    DeleteFileA(log.c_str());
    Bootstrapper bootstrapper("");
    test::LogTo(bootstrapper, log);

    CHECK(bootstrapper.ExtractResource(nullptr, "PAYLOAD", "UNIT_PAYLOAD", output.c_str()) == 0);
    CHECK(test::ReadFile(output) == kPayload);
    // Success adds no line beyond the first.
    CHECK(test::JoinLines(test::LogMessages(log)) == test::JoinLines(ExtractLine("UNIT_PAYLOAD", "PAYLOAD", output)));
  }
}

// Another program of the user may write into the working folder where the package runs without
// elevation: it cannot change a held file, and a name it took first is written again elsewhere.
TEST_CASE("a file put into the working folder is new, held unchanged, and a taken name is written again elsewhere") {
  test::ScratchDir dir("place");
  std::string log = dir / "place.log";
  std::string folder;
  {
    Bootstrapper bootstrapper("");
    test::LogTo(bootstrapper, log);
    bootstrapper.OpenWorkFolder();
    folder = bootstrapper.m_szTempFolder;
    char path[260] = {};
    FileHandle held;
    REQUIRE(bootstrapper.ExtractToWorkFolder(nullptr, "PAYLOAD", "UNIT_PAYLOAD", "payload.bin", path, held) == 0);
    CHECK(std::string(path) == folder + "payload.bin");
    CHECK(test::ReadFile(path) == kPayload);
    CHECK(CreateFileA(path, GENERIC_WRITE, 7, nullptr, OPEN_EXISTING, 0, nullptr) == INVALID_HANDLE_VALUE);
    CHECK(GetLastError() == ERROR_SHARING_VIOLATION);
    CHECK_FALSE(DeleteFileA(path));

    REQUIRE(test::WriteFile(folder + "taken.bin", "planted"));
    FileHandle again;
    REQUIRE(bootstrapper.ExtractToWorkFolder(nullptr, "PAYLOAD", "UNIT_PAYLOAD", "taken.bin", path, again) == 0);
    std::string written = path;
    CHECK(written.rfind(folder, 0) == 0);
    CHECK(written.size() > folder.size() + 10);  // in a folder of its own inside
    CHECK(written.substr(written.size() - 10) == "\\taken.bin");
    CHECK(test::ReadFile(written) == kPayload);
    CHECK(test::ReadFile(folder + "taken.bin") == "planted");
    std::vector<std::string> lines = test::LogMessages(log);
    CHECK(test::HasLine(lines, "ExtractResource - Another program made, changed or opened the file " + folder +
                                   "taken.bin. Error: 80"));
  }
  // The teardown removes the folder with everything in it.
  CHECK(GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES);
}

// Wine reads back no folder as the administrators' alone, so the rule stands in for it; another
// program changes the first file written before the engine holds it.
TEST_CASE("what is written is read back, unless only SYSTEM and the administrators can change the working folder") {
  const struct {
    int line;
    bool administratorsOnly;
    const char* bytes;  // what the held file holds
  } cases[] = {{__LINE__, false, kPayload}, {__LINE__, true, "Embedded payload\r\n"}};
  const WorkFolderTrustFn real = g_WorkFolderTrusted;
  for (const auto& c : cases) {
    CAPTURE(c.line);
    static int changes;
    changes = 0;
    g_WorkFolderTrusted = c.administratorsOnly ? [](const std::string&) { return true; }
                                               : [](const std::string&) { return false; };
    g_AfterWorkFileWritten = [](const char* path) {
      HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      DWORD written = 0;
      if (changes++ == 0) WriteFile(file, "E", 1, &written, nullptr);
      CloseHandle(file);
    };
    test::ScratchDir dir("trusted");
    Bootstrapper bootstrapper("");
    test::LogTo(bootstrapper, dir / "trusted.log");
    bootstrapper.OpenWorkFolder();
    char path[260] = {};
    FileHandle held;
    DWORD result = bootstrapper.ExtractToWorkFolder(nullptr, "PAYLOAD", "UNIT_PAYLOAD", "payload.bin", path, held);
    g_WorkFolderTrusted = real;
    g_AfterWorkFileWritten = nullptr;
    REQUIRE(result == 0);
    CHECK(test::ReadFile(path) == c.bytes);
    CHECK(test::LinesStartingWith(test::LogMessages(dir / "trusted.log"), "ExtractResource - Another program made, changed")
              .size() == (c.administratorsOnly ? 0u : 1u));
  }
}

TEST_CASE("ExtractResource fails with the system's code and one log line per failure") {
  test::ScratchDir dir("extractfail");
  // A file that another program holds open without sharing cannot be replaced.
  std::string held = dir / "held.bin";
  REQUIRE(test::WriteFile(held, "keep"));
  HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  REQUIRE(holder != INVALID_HANDLE_VALUE);
  std::string ok = dir / "out.bin";
  std::string noFolder = dir / "missing\\out.bin";

  struct Case {
    int line;
    const char* type;
    const char* name;
    std::string output;
    DWORD result;
    std::string failureLine;
  } cases[] = {
      {__LINE__, "NOSUCHTYPE", "UNIT_PAYLOAD", ok, ERROR_RESOURCE_TYPE_NOT_FOUND,
       "ExtractResource - Failed to find the resource. Error: 1813"},
      // The settings resource is looked for by name and type together.
      {__LINE__, "PAYLOAD", kSettingsResource, ok, ERROR_RESOURCE_NAME_NOT_FOUND,
       "ExtractResource - Failed to find the resource. Error: 1814"},
      {__LINE__, "PAYLOAD", "NO_SUCH_NAME", ok, ERROR_RESOURCE_NAME_NOT_FOUND,
       "ExtractResource - Failed to find the resource. Error: 1814"},
      // A resource of no bytes is a failure, never a success that writes nothing.
      {__LINE__, "PAYLOAD", "UNIT_EMPTY", ok, ERROR_INVALID_DATA,
       "ExtractResource - Failed to get resource size. Error: 13"},
      {__LINE__, "PAYLOAD", "UNIT_PAYLOAD", noFolder, ERROR_PATH_NOT_FOUND,
       "ExtractResource - Failed to create the resource output file. Error: 3"},
      // Written beside it, the new file cannot take its name; it goes, and the held one stays.
      {__LINE__, "PAYLOAD", "UNIT_PAYLOAD", held, ERROR_ACCESS_DENIED,
       "ExtractResource - Failed to write to the resource output file. Error: 5\n"
       "ExtractResource - Resource output file: " + held + "."},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    std::string log = dir / "fail.log";
    DeleteFileA(log.c_str());
    Bootstrapper bootstrapper("");
    test::LogTo(bootstrapper, log);

    CHECK(bootstrapper.ExtractResource(nullptr, c.type, c.name, c.output.c_str()) == c.result);
    std::vector<std::string> expected = ExtractLine(c.name, c.type, c.output);
    expected.push_back(c.failureLine);
    CHECK(test::JoinLines(test::LogMessages(log)) == test::JoinLines(expected));
    CHECK_FALSE(test::FileExists(ok));
  }
  CloseHandle(holder);
  CHECK(test::ReadFile(held) == "keep");
  CHECK(test::ListFiles(dir.path()) == std::vector<std::string>{"fail.log", "held.bin"});
}

TEST_CASE("ExtractResource refuses an empty or missing argument with 13 and writes no log line") {
  test::ScratchDir dir("extractargs");
  std::string output = dir / "out.bin";
  struct Case {
    int line;
    const char* type;
    const char* name;
    const char* output;
  } cases[] = {
      {__LINE__, nullptr, "UNIT_PAYLOAD", output.c_str()}, {__LINE__, "", "UNIT_PAYLOAD", output.c_str()},
      {__LINE__, "PAYLOAD", nullptr, output.c_str()},      {__LINE__, "PAYLOAD", "", output.c_str()},
      {__LINE__, "PAYLOAD", "UNIT_PAYLOAD", nullptr},      {__LINE__, "PAYLOAD", "UNIT_PAYLOAD", ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    std::string log = dir / "args.log";
    DeleteFileA(log.c_str());
    Bootstrapper bootstrapper("");
    test::LogTo(bootstrapper, log);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    SetCursor(arrow);

    CHECK(bootstrapper.ExtractResource(nullptr, c.type, c.name, c.output) == ERROR_INVALID_DATA);
    CHECK_FALSE(test::FileExists(log));
    CHECK_FALSE(test::FileExists(output));
    CHECK(GetCursor() == arrow);
  }
}

TEST_CASE("ExtractResource gives back the cursor it found on every way out") {
  test::ScratchDir dir("extractcursor");
  HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
  REQUIRE(arrow != wait);
  struct Case {
    int line;
    const char* type;
    const char* name;
    std::string output;
    DWORD result;
  } cases[] = {
      {__LINE__, "PAYLOAD", "UNIT_PAYLOAD", dir / "out.bin", ERROR_SUCCESS},
      {__LINE__, "NOSUCHTYPE", "UNIT_PAYLOAD", dir / "out.bin", ERROR_RESOURCE_TYPE_NOT_FOUND},
      {__LINE__, "PAYLOAD", "UNIT_EMPTY", dir / "out.bin", ERROR_INVALID_DATA},
      {__LINE__, "PAYLOAD", "UNIT_PAYLOAD", dir / "missing\\out.bin", ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    Bootstrapper bootstrapper("");
    SetCursor(arrow);
    CHECK(bootstrapper.ExtractResource(nullptr, c.type, c.name, c.output.c_str()) == c.result);
    CHECK(GetCursor() == arrow);
  }
}

TEST_CASE("a null module searches the executable, not the language module") {
  test::ScratchDir dir("extractmodule");
  Bootstrapper bootstrapper("");
  HMODULE language = test::UseBuiltLanguage(bootstrapper);
  REQUIRE(language != nullptr);
  std::string output = dir / "out.bin";

  // Only the language module carries the recordings; the executable carries the payload.
  CHECK(bootstrapper.ExtractResource(nullptr, kWaveResourceType, kOsWaveName, output.c_str()) != 0);
  CHECK_FALSE(test::FileExists(output));
  CHECK(bootstrapper.ExtractResource(language, "PAYLOAD", "UNIT_PAYLOAD", output.c_str()) != 0);
  CHECK_FALSE(test::FileExists(output));

  CHECK(bootstrapper.ExtractResource(nullptr, "PAYLOAD", "UNIT_PAYLOAD", output.c_str()) == 0);
  CHECK(test::ReadFile(output) == kPayload);
  CHECK(bootstrapper.ExtractResource(language, kWaveResourceType, kOsWaveName, output.c_str()) == 0);
  CHECK(test::ReadFile(output).compare(0, 4, "RIFF") == 0);
}

TEST_CASE("the language DLL of several megabytes comes out byte for byte") {
  test::ScratchDir dir("extractlarge");
  std::string output = dir / "copy.dll";
  Bootstrapper bootstrapper("");
  CHECK(bootstrapper.ExtractResource(nullptr, kLanguageResourceType, kLanguageResource, output.c_str()) == 0);
  std::string built = test::ReadFile(test::BinFile("PendrixLang.dll"));
  REQUIRE(built.size() > 100000);
  CHECK(test::ReadFile(output) == built);
}
