// The existence rules of an installer section: each tests a registry key, a file, the Windows
// version or the platform, and votes on whether the installer is skipped, must run, or is left
// to the installed-version rule.
#include <io.h>

#include <cstring>

#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/HandleOwner.h"
#include "core/TextCompare.h"
#include "requirements/VersionExpression.h"
#include "settings/ExistenceVotes.h"

namespace {

HKEY RegistryRoot(const char* name) {
  if (EqualsIgnoreCase(name, "HKCR") || EqualsIgnoreCase(name, "HKEY_CLASSES_ROOT")) return HKEY_CLASSES_ROOT;
  if (EqualsIgnoreCase(name, "HKCU") || EqualsIgnoreCase(name, "HKEY_CURRENT_USER")) return HKEY_CURRENT_USER;
  if (EqualsIgnoreCase(name, "HKLM") || EqualsIgnoreCase(name, "HKEY_LOCAL_MACHINE")) return HKEY_LOCAL_MACHINE;
  if (EqualsIgnoreCase(name, "HKU") || EqualsIgnoreCase(name, "HKEY_USERS")) return HKEY_USERS;
  return HKEY_LOCAL_MACHINE;  // an unknown root is looked up under the machine's keys
}

}  // namespace

int Bootstrapper::IsRegKeyExists(const char* keyPath) {
  if (keyPath == nullptr || keyPath[0] == '\0') return 0;
  const char* backslash = strchr(keyPath, '\\');
  if (backslash == nullptr) return 0;
  char root[25] = {};
  bounded::Copy(root, sizeof(root), keyPath, static_cast<size_t>(backslash - keyPath));
  char subkey[500] = {};
  CopyCut(subkey, backslash + 1);

  RegKey key;
  LONG result = RegOpenKeyExA(RegistryRoot(root), subkey, 0, KEY_READ, key.put());
  LogMessage(this, "IsRegKeyExists - RegOpenKeyEx result: %d", static_cast<int>(result));
  return result == ERROR_SUCCESS ? 1 : 0;
}

int Bootstrapper::RunCheckExistence() {
  if (InstallerSection.CheckExistence[0] == '\0') return kExistenceNoDemand;
  int overall = kExistenceNoDemand;
  for (const ExistenceRule& rule : ParseExistenceRules(InstallerSection.CheckExistence)) {
    const char* argument = rule.argument.c_str();
    bool exists = false;
    switch (ClassifyExistenceRule(rule.type)) {
      case ExistenceRuleType::kRegKey:
        LogMessage(this, "RunCheckExistence - Checking the registry key '%s'.", argument);
        exists = IsRegKeyExists(argument) == 1;
        break;
      case ExistenceRuleType::kFile: {
        LogMessage(this, "RunCheckExistence - Checking the file '%s'.", argument);
        char path[260] = {};
        ReplaceVarPaths(argument, path, 259);
        exists = path[0] != '\0' && _access(path, 0) == 0;
        break;
      }
      case ExistenceRuleType::kOS: {
        LogMessage(this, "RunCheckExistence - Checking the operating system version against '%s'.", argument);
        ParsedVersion version = ParseVersionString(argument);
        exists = IsOSVersionAtLeast(version.Major(), version.Minor());
        break;
      }
      case ExistenceRuleType::kPlatform:
        LogMessage(this, "RunCheckExistence - Checking the platform against '%s'.", argument);
        exists = PlatformRuleHolds(argument, IsX64());
        break;
      case ExistenceRuleType::kUnknown:
        LogMessage(this, "RunCheckExistence - Ignoring unknown type '%s'.", rule.type.c_str());
        continue;
    }
    LogMessage(this, "RunCheckExistence - Rule: %d; Result: %d.", static_cast<int>(rule.value), exists ? 1 : 0);
    if (!IsKnownRuleValue(rule.value))
      LogMessage(this, "RunCheckExistence - Unknown rule value '%d'.", static_cast<int>(rule.value));
    overall = ApplyExistenceRule(overall, rule.value, exists);
    if (overall == kExistenceSkip) break;
  }
  return overall;
}
