// The installer section: one installer's file, arguments, reboot mode, exit-code lists and
// flags, read into the one installer-section record that each installer replaces.
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "settings/CodeList.h"
#include "settings/ProfileRead.h"

namespace {

// The record's buffers have room for what the table says the engine keeps.
static_assert(kInstallerKeys[kKeyInstallerName].chars < sizeof(InstallerSectionRecord::Name), "Name");
static_assert(kInstallerKeys[kKeyFile].chars < sizeof(InstallerSectionRecord::File), "File");
static_assert(kInstallerKeys[kKeyArguments].chars < sizeof(InstallerSectionRecord::Arguments), "Arguments");
static_assert(kInstallerKeys[kKeyReboot].chars < sizeof(InstallerSectionRecord::Reboot), "Reboot");
static_assert(kInstallerKeys[kKeyCheckExistence].chars < sizeof(InstallerSectionRecord::CheckExistence),
              "CheckExistence");
// Each code but the last needs a digit and a bar: the kept characters hold no more codes than a list keeps.
static_assert((kCodeListChars + 1) / 2 == kMaxCodes && kMaxCodes == kCodeListCapacity, "codes");

// A code key holds at most 98 characters, so no more than 49 items fit in it.
void ReadCodeList(const char* settings, const char* section, InstallerKeyIndex key, char (&value)[kCodeListChars + 1],
                  CodeList& list) {
  ReadSettingsKey(settings, section, kInstallerKeys[key], value);
  uint32_t codes[kMaxCodes] = {};
  list.dwCount = static_cast<DWORD>(ParseCodeList(value, codes, kMaxCodes));
  for (DWORD i = 0; i < list.dwCount; i++) list.dwCodes[i] = codes[i];
}

}  // namespace

DWORD Bootstrapper::SetInstallerSection(const char* section) {
  LogMessage(this, "Reading installer-specific section %s.", section != nullptr ? section : "");
  if (section == nullptr || section[0] == '\0') return ERROR_INVALID_DATA;
  if (!SettingsFileExists(m_szSettingsPath)) return ERROR_FILE_NOT_FOUND;
  const char* settings = m_szSettingsPath;

  // Nothing of the previous installer may survive: codes, flags, rules and product code.
  InstallerSection = {};
  m_CurrentSectionName = section;

  char probe[4] = {};
  if (GetPrivateProfileSectionA(section, probe, sizeof(probe), settings) == 0) {
    LogMessage(this, "SetInstallerSection - The section does not exist in Settings.");
    ShowError<IDS_SECTION_MISSING>(this, section);
    return ERROR_INVALID_DATA;
  }

  ReadSettingsKey(settings, section, kInstallerKeys[kKeyInstallerName], InstallerSection.Name);
  LogMessage(this, "SetInstallerSection - Name key: %s.", InstallerSection.Name);
  if (InstallerSection.Name[0] == '\0') {
    LogMessage(this, "SetInstallerSection - No Name key was specified in the section.");
    ShowError<IDS_KEY_MISSING>(this, "Name", section);
    return ERROR_BAD_PATHNAME;  // a required key is missing
  }

  ReadSettingsKey(settings, section, kInstallerKeys[kKeyFile], InstallerSection.File);
  LogMessage(this, "SetInstallerSection - File key: %s.", InstallerSection.File);
  CharLowerA(InstallerSection.File);
  if (InstallerSection.File[0] == '\0') {
    LogMessage(this, "SetInstallerSection - No File key was specified in the section.");
    ShowError<IDS_KEY_MISSING>(this, "File", section);
    return ERROR_BAD_PATHNAME;  // a required key is missing
  }

  ReadSettingsKey(settings, section, kInstallerKeys[kKeyArguments], InstallerSection.Arguments);
  LogMessage(this, "SetInstallerSection - Arguments key: %s.", InstallerSection.Arguments);

  ReadSettingsKey(settings, section, kInstallerKeys[kKeyReboot], InstallerSection.Reboot);
  LogMessage(this, "SetInstallerSection - Reboot key: %s.", InstallerSection.Reboot);
  CharLowerA(InstallerSection.Reboot);

  char codes[kCodeListChars + 1];
  ReadCodeList(settings, section, kKeyRebootCodes, codes, InstallerSection.RebootCodes);
  LogMessage(this, "SetInstallerSection - RebootCodes key: %s.", codes);
  ReadCodeList(settings, section, kKeyFailCodes, codes, InstallerSection.FailCodes);
  LogMessage(this, "SetInstallerSection - FailCodes key: %s.", codes);

  InstallerSection.PlayTone =
      static_cast<LONG>(GetPrivateProfileIntA(section, kInstallerKeys[kKeyPlayTone].name, 0, settings));
  LogMessage(this, "SetInstallerSection - PlayTone key: %d.", InstallerSection.PlayTone);

  DWORD& flags = InstallerSection.dwFlags;
  ReadYesNoFlag(this, settings, section, kInstallerKeys[kKeyForceRun], "SetInstallerSection - ForceRun key: %s.",
                kForceRun, flags);
  ReadYesNoFlag(this, settings, section, kInstallerKeys[kKeyAddSourceDir],
                "SetInstallerSection - AddSourceDir key: %s.", kAddSourceDir, flags);
  ReadYesNoFlag(this, settings, section, kInstallerKeys[kKeyDoNotExtract],
                "SetInstallerSection - DoNotExtract key: %s.", kDoNotExtract, flags);

  ReadSettingsKey(settings, section, kInstallerKeys[kKeyCheckExistence],
                  InstallerSection.CheckExistence);
  LogMessage(this, "SetInstallerSection - CheckExistence key: %s.", InstallerSection.CheckExistence);

  ReadYesNoFlag(this, settings, section, kInstallerKeys[kKeyProgramCompatibility],
                "SetInstallerSection - ProgramCompatibility key: %s.", kProgramCompatibility, flags);

  ReadCodeList(settings, section, kKeyReinstallCodes, codes, InstallerSection.ReinstallCodes);
  LogMessage(this, "SetInstallerSection - ReinstallCodes key: %s.", codes);
  return ERROR_SUCCESS;
}
