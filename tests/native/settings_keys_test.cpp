#include <doctest.h>

#include <string>

#include "settings/SettingsKeys.h"

TEST_CASE("a key is found by its name in its own kind of section, the case of letters aside") {
  const struct {
    int line;
    SettingsSectionKind kind;
    const char* name;
    const char* found;  // nullptr: no section of that kind reads it
  } cases[] = {
      {__LINE__, SettingsSectionKind::kSetupType, "preinstall", "PreInstall"},
      {__LINE__, SettingsSectionKind::kInstaller, "REBOOTCODES", "RebootCodes"},
      {__LINE__, SettingsSectionKind::kSetupType, "Reboot", nullptr},
      {__LINE__, SettingsSectionKind::kInstaller, "WelcomeDlg", nullptr},
      {__LINE__, SettingsSectionKind::kInstaller, "Argument", nullptr},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    const SettingsKey* key = FindSettingsKey(c.kind, c.name);
    REQUIRE((key != nullptr) == (c.found != nullptr));
    if (key != nullptr) CHECK(std::string(key->name) == c.found);
  }
  // The reboot words are whole words: a blank makes another word, which acts as "none".
  CHECK(ReadRebootMode("DeferForce") == RebootMode::kDeferForce);
  CHECK(ReadRebootMode("defer ") == RebootMode::kUnknown);
}
