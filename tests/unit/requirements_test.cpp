// The rights check on a real Bootstrapper, with the thread acting as a filtered administrator;
// the registry key test; and the log of the existence rules.
#include <doctest.h>

#include <memory>
#include <string>
#include <vector>

#include "BootstrapperFixture.h"
#include "EngineTestSupport.h"
#include "LogLines.h"
#include "RestrictedToken.h"
#include "settings/ExistenceVotes.h"

using test::BootstrapperFixture;

TEST_CASE("ReqPermission judges the thread's own token, and is skipped on Windows 9x") {
  struct Case {
    int line;
    const char* permission;
    DWORD platform;
    bool filtered;  // the thread acts with a token whose administrators group is deny-only
    bool allowed;
    std::vector<std::string> log;
  } cases[] = {
      {__LINE__, "AdMiN", VER_PLATFORM_WIN32_NT, true, false, {"CheckRequiredPermissions - User is not an administrator."}},
      {__LINE__, "poweruser", VER_PLATFORM_WIN32_NT, true, false,
       {"CheckRequiredPermissions - User is not an administrator nor a power user."}},
      {__LINE__, "admin", VER_PLATFORM_WIN32_WINDOWS, true, true,
       {"CheckRequiredPermissions - Operating system is Win9x so skipping permissions check."}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixture f("");
    CopyCut(f.b.ListSection.ReqPermission, c.permission);
    f.b.m_OSVersion.dwPlatformId = c.platform;
    size_t mark = f.Mark();
    std::unique_ptr<test::ScopedDenyOnlyAdministrators> filtered;
    if (c.filtered) {
      filtered.reset(new test::ScopedDenyOnlyAdministrators);
      REQUIRE(filtered->ok());
    }
    CHECK(f.b.CheckRequiredPermissions() == c.allowed);
    filtered.reset();
    CHECK(test::JoinLines(f.Since(mark)) == test::JoinLines(c.log));
  }
}

TEST_CASE("a registry key exists when it opens for reading under its root") {
  const char kScratch[] = "Software\\Pendrix Tests\\Existing Key";
  HKEY created = nullptr;
  REQUIRE(RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr) ==
          ERROR_SUCCESS);
  RegCloseKey(created);
  struct Case {
    int line;
    const char* path;
    int exists;
    const char* log;  // the one line logged, or nullptr
  } cases[] = {
      {__LINE__, "HKLM", 0, nullptr},
      {__LINE__, "HKLM\\", 1, "IsRegKeyExists - RegOpenKeyEx result: 0"},
      {__LINE__, "hkcu\\Software\\Pendrix Tests\\Existing Key", 1, "IsRegKeyExists - RegOpenKeyEx result: 0"},
      {__LINE__, "HKEY_CURRENT_USER\\Software\\Pendrix Tests\\No Such Key", 0, "IsRegKeyExists - RegOpenKeyEx result: 2"},
      {__LINE__, "HKCU64\\Software\\Pendrix Tests\\Existing Key", 1,
       "IsRegKeyExists - Reading the 64-bit registry view.\nIsRegKeyExists - RegOpenKeyEx result: 0"},
      // An unknown root is looked up under HKEY_LOCAL_MACHINE.
      {__LINE__, "HKEY_CURRENT_CONFIG\\Software\\Microsoft\\Windows NT\\CurrentVersion", 1,
       "IsRegKeyExists - RegOpenKeyEx result: 0"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixture f("");
    size_t mark = f.Mark();
    CHECK(f.b.IsRegKeyExists(c.path) == c.exists);
    CHECK(test::JoinLines(f.Since(mark)) == (c.log ? std::string(c.log) + "\n" : ""));
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Pendrix Tests");
}

TEST_CASE("the existence rules log each test and vote, and stop at the first skip") {
  // Only the first 259 characters of a version are read: the 7 after them is not seen.
  const std::string longVersion = std::string(259, '.') + "7";
  struct Case {
    int line;
    std::string rules;
    int result;
    std::vector<std::string> log;
  } cases[] = {
      {__LINE__, "", kExistenceNoDemand, {}},
      {__LINE__, ";|;", kExistenceNoDemand, {}},
      {__LINE__,
       "File|3|$(System32)\\kernel32.dll;Registry|1|HKLM\\X;RegKey|9|HKLM\\Software;OS|1|" + longVersion +
           ";Platform|1|x64;File|0|C:\\",
       kExistenceSkip,
       {"RunCheckExistence - Checking the file '$(System32)\\kernel32.dll'.",
        "ReplaceVarPaths - Checking the path $(System32)\\kernel32.dll.",
        "ReplaceVarPaths - Converted path: C:\\windows\\system32\\kernel32.dll.",
        "RunCheckExistence - Rule: 3; Result: 1.", "RunCheckExistence - Ignoring unknown type 'Registry'.",
        "RunCheckExistence - Checking the registry key 'HKLM\\Software'.", "IsRegKeyExists - RegOpenKeyEx result: 0",
        "RunCheckExistence - Rule: 9; Result: 1.", "RunCheckExistence - Unknown rule value '9'.",
        "RunCheckExistence - Checking the operating system version against '" + longVersion + "'.",
        "RunCheckExistence - Rule: 1; Result: 1.", "RunCheckExistence - Checking the platform against 'x64'.",
        "RunCheckExistence - Rule: 1; Result: 0."}},
      {__LINE__, "File|1|;OS|0", kExistenceSkip,
       {"RunCheckExistence - Checking the file ''.", "RunCheckExistence - Rule: 1; Result: 0."}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixture f("");
    CopyCut(f.b.InstallerSection.CheckExistence, c.rules.c_str());
    size_t mark = f.Mark();
    CHECK(f.b.RunCheckExistence() == c.result);
    CHECK(test::JoinLines(f.Since(mark)) == test::JoinLines(c.log));
  }
}
