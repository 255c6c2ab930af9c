#include "settings/SettingsKeys.h"

#include "core/TextCompare.h"

const SettingsKey* SettingsKeysOf(SettingsSectionKind kind, size_t& count) {
  if (kind == SettingsSectionKind::kSetupType) {
    count = kSetupTypeKeyCount;
    return kSetupTypeKeys;
  }
  count = kInstallerKeyCount;
  return kInstallerKeys;
}

const SettingsKey* FindSettingsKey(SettingsSectionKind kind, const char* name) {
  size_t count = 0;
  const SettingsKey* keys = SettingsKeysOf(kind, count);
  for (size_t i = 0; i < count; i++)
    if (EqualsIgnoreCase(keys[i].name, name)) return &keys[i];
  return nullptr;
}
