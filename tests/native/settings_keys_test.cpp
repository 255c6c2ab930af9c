#include <doctest.h>

#include <string>

#include "core/SetupTypeName.h"
#include "settings/SettingsKeys.h"

TEST_CASE("a key is found by its name in its own kind of section, the case of letters aside") {
  const struct {
    int line;
    SettingsSectionKind kind;
    const char* name;
    const char* found;  // nullptr: no section of that kind reads it
  } cases[] = {
      {__LINE__, SettingsSectionKind::kSetupType, "preinstall", "PreInstall"},
      {__LINE__, SettingsSectionKind::kSetupType, "Name", "Name"},
      {__LINE__, SettingsSectionKind::kInstaller, "Name", "Name"},
      {__LINE__, SettingsSectionKind::kInstaller, "REBOOTCODES", "RebootCodes"},
      {__LINE__, SettingsSectionKind::kSetupType, "Reboot", nullptr},
      {__LINE__, SettingsSectionKind::kInstaller, "WelcomeDlg", nullptr},
      {__LINE__, SettingsSectionKind::kInstaller, "Argument", nullptr},
      {__LINE__, SettingsSectionKind::kInstaller, "", nullptr},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    const SettingsKey* key = FindSettingsKey(c.kind, c.name);
    REQUIRE((key != nullptr) == (c.found != nullptr));
    if (key != nullptr) CHECK(std::string(key->name) == c.found);
  }
}

TEST_CASE("keywords: the reboot modes, the rights and the silent test") {
  const struct {
    int line;
    const char* value;
    RebootMode mode;
  } reboots[] = {
      {__LINE__, "none", RebootMode::kNone},           {__LINE__, "Force", RebootMode::kForce},
      {__LINE__, "RETURN", RebootMode::kReturn},       {__LINE__, "defer", RebootMode::kDefer},
      {__LINE__, "DeferForce", RebootMode::kDeferForce}, {__LINE__, "immediate", RebootMode::kImmediate},
      {__LINE__, "immediateforce", RebootMode::kImmediateForce},
      {__LINE__, "defer ", RebootMode::kUnknown},      {__LINE__, "reboot", RebootMode::kUnknown},
      {__LINE__, "", RebootMode::kUnknown},            {__LINE__, nullptr, RebootMode::kUnknown},
  };
  for (const auto& c : reboots) {
    CAPTURE(c.line);
    CHECK(ReadRebootMode(c.value) == c.mode);
  }
  CHECK(ReadPermissionRequirement("") == PermissionRequirement::kNone);
  CHECK(ReadPermissionRequirement("admin") == PermissionRequirement::kAdministrator);
  CHECK(ReadPermissionRequirement("POWERUSER") == PermissionRequirement::kPowerUser);
  CHECK(ReadPermissionRequirement("Administrator") == PermissionRequirement::kUnknown);
  CHECK(IsSilentSetupType("my_silent"));
  CHECK_FALSE(IsSilentSetupType("SilentCD"));
  CHECK_FALSE(IsSilentSetupType(nullptr));
}
