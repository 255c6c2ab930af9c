// The installer section: one installer's file, arguments, reboot mode, exit-code lists and
// flags, read into the one installer-section record that each installer replaces.
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "settings/CodeList.h"
#include "settings/ProfileRead.h"

namespace {

// A code key holds at most 98 characters, so no more than 49 items fit in it.
void ReadCodeList(const char* settings, const char* section, const char* key, char (&value)[99], CodeList& list) {
  ReadProfileKey(settings, section, key, "", value);
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
    ShowError(this, 15, section);
    return ERROR_INVALID_DATA;
  }

  ReadProfileKey(settings, section, "Name", "", InstallerSection.Name, 98);
  LogMessage(this, "SetInstallerSection - Name key: %s.", InstallerSection.Name);
  if (InstallerSection.Name[0] == '\0') {
    LogMessage(this, "SetInstallerSection - No Name key was specified in the section.");
    ShowError(this, 11, "Name", section);
    return ERROR_BAD_PATHNAME;  // 161: a required key is missing
  }

  ReadProfileKey(settings, section, "File", "", InstallerSection.File, 258);
  LogMessage(this, "SetInstallerSection - File key: %s.", InstallerSection.File);
  CharLowerA(InstallerSection.File);
  if (InstallerSection.File[0] == '\0') {
    LogMessage(this, "SetInstallerSection - No File key was specified in the section.");
    ShowError(this, 11, "File", section);
    return ERROR_BAD_PATHNAME;  // 161: a required key is missing
  }

  ReadProfileKey(settings, section, "Arguments", "", InstallerSection.Arguments, 998);
  LogMessage(this, "SetInstallerSection - Arguments key: %s.", InstallerSection.Arguments);

  ReadProfileKey(settings, section, "Reboot", "defer", InstallerSection.Reboot, 23);
  LogMessage(this, "SetInstallerSection - Reboot key: %s.", InstallerSection.Reboot);
  CharLowerA(InstallerSection.Reboot);

  char codes[99];
  ReadCodeList(settings, section, "RebootCodes", codes, InstallerSection.RebootCodes);
  LogMessage(this, "SetInstallerSection - RebootCodes key: %s.", codes);
  ReadCodeList(settings, section, "FailCodes", codes, InstallerSection.FailCodes);
  LogMessage(this, "SetInstallerSection - FailCodes key: %s.", codes);

  InstallerSection.PlayTone = static_cast<LONG>(GetPrivateProfileIntA(section, "PlayTone", 0, settings));
  LogMessage(this, "SetInstallerSection - PlayTone key: %d.", InstallerSection.PlayTone);

  DWORD& flags = InstallerSection.dwFlags;
  ReadYesNoFlag(this, settings, section, "ForceRun", "SetInstallerSection - ForceRun key: %s.", kForceRun, flags);
  ReadYesNoFlag(this, settings, section, "AddSourceDir", "SetInstallerSection - AddSourceDir key: %s.", kAddSourceDir,
                flags);
  ReadYesNoFlag(this, settings, section, "DoNotExtract", "SetInstallerSection - DoNotExtract key: %s.", kDoNotExtract,
                flags);

  ReadProfileKey(settings, section, "CheckExistence", "", InstallerSection.CheckExistence, 518);
  LogMessage(this, "SetInstallerSection - CheckExistence key: %s.", InstallerSection.CheckExistence);

  ReadYesNoFlag(this, settings, section, "ProgramCompatibility", "SetInstallerSection - ProgramCompatibility key: %s.",
                kProgramCompatibility, flags);

  ReadCodeList(settings, section, "ReinstallCodes", codes, InstallerSection.ReinstallCodes);
  LogMessage(this, "SetInstallerSection - ReinstallCodes key: %s.", codes);
  return ERROR_SUCCESS;
}
