// The existence rules of an installer section: each tests a registry key, a file, the Windows
// version or the platform, and votes on whether the installer is skipped, must run, or is left
// to the installed-version rule.
#include <io.h>

#include <cstring>

#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/HandleOwner.h"
#include "requirements/VersionExpression.h"
#include "settings/ExistenceVotes.h"
#include "settings/RegistryRoot.h"

namespace {

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegistryRoot::kCurrentUser:
      return HKEY_CURRENT_USER;
    case RegistryRoot::kUsers:
      return HKEY_USERS;
    case RegistryRoot::kLocalMachine:
      break;
  }
  return HKEY_LOCAL_MACHINE;  // an unknown root is looked up under the machine's keys too
}

}  // namespace

int Bootstrapper::IsRegKeyExists(const char* keyPath) {
  if (keyPath == nullptr || keyPath[0] == '\0') return 0;
  const char* backslash = strchr(keyPath, '\\');
  if (backslash == nullptr) return 0;
  char root[kRegistryRootChars + 1] = {};
  bounded::Copy(root, sizeof(root), keyPath, static_cast<size_t>(backslash - keyPath));
  char subkey[500] = {};
  CopyCut(subkey, backslash + 1);

  const RegistryRootName name = ReadRegistryRoot(root);
  REGSAM view = 0;
  if (name.view64) {
    // 32-bit Windows has one view only, which the 64-bit flag would not name on every version.
    view = IsX64() ? KEY_WOW64_64KEY : 0;
    LogMessage(this, view != 0 ? "IsRegKeyExists - Reading the 64-bit registry view."
                               : "IsRegKeyExists - Windows is 32-bit: reading its only registry view.");
  }
  RegKey key;
  LONG result = RegOpenKeyExA(RootKey(name.root), subkey, 0, KEY_READ | view, key.put());
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
