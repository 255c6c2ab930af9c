#include "settings/RegistryRoot.h"

#include <string>

#include "core/TextCompare.h"

RegistryRootName ReadRegistryRoot(const char* name) {
  static const struct {
    const char* shortName;
    const char* longName;
    RegistryRoot root;
  } kRoots[] = {{"HKCR", "HKEY_CLASSES_ROOT", RegistryRoot::kClassesRoot},
                {"HKCU", "HKEY_CURRENT_USER", RegistryRoot::kCurrentUser},
                {"HKLM", "HKEY_LOCAL_MACHINE", RegistryRoot::kLocalMachine},
                {"HKU", "HKEY_USERS", RegistryRoot::kUsers}};
  std::string text = name != nullptr ? name : "";
  const bool view64 = text.size() > 2 && text.compare(text.size() - 2, 2, "64") == 0;
  if (view64) text.resize(text.size() - 2);
  for (const auto& known : kRoots)
    if (EqualsIgnoreCase(text.c_str(), known.shortName) || EqualsIgnoreCase(text.c_str(), known.longName))
      return {known.root, view64, true};
  return {RegistryRoot::kLocalMachine, false, false};
}
