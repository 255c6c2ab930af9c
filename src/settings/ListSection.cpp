// The setup-type section: which installers run, the name shown, the requirements and the
// spoken interface of the chosen setup type.
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "settings/ProfileRead.h"

DWORD Bootstrapper::SetListSection() {
  if (!SettingsFileExists(m_szSettingsPath)) return ERROR_FILE_NOT_FOUND;
  if (m_szSetupType[0] == '\0') {
    LogMessage(this, "SetListSection - Setup type is undefined.");
    return ERROR_INVALID_DATA;
  }
  const char* section = m_szSetupType;
  const char* settings = m_szSettingsPath;
  LogMessage(this, "SetListSection - Setup type: %s.", section);

  ListSection = {};
  ReadProfileKey(settings, section, "PreInstall", "", ListSection.PreInstall, 998);
  LogMessage(this, "SetListSection - PreInstall key: %s.", ListSection.PreInstall);
  ReadProfileKey(settings, section, "MainInstall", "", ListSection.MainInstall, 98);
  LogMessage(this, "SetListSection - MainInstall key: %s.", ListSection.MainInstall);
  if (ListSection.PreInstall[0] == '\0' && ListSection.MainInstall[0] == '\0') {
    LogMessage(this,
               "SetListSection - No prerequisite installers nor a main installer was specified for the %s setup "
               "type.  At least one must be specified.",
               section);
    ShowError(this, 10, section);
    return ERROR_INVALID_DATA;
  }

  ReadProfileKey(settings, section, "Name", "", ListSection.Name, 98);
  LogMessage(this, "SetListSection - Name key: %s.", ListSection.Name);
  CopyCut(m_szDisplayName, ListSection.Name[0] != '\0' ? ListSection.Name : ListSection.MainInstall);

  // A screen reader of the maker speaks the screen itself: the Welcome dialog stays off.
  if (!m_bProductRunningAtStart)
    ReadYesNoFlag(this, settings, section, "WelcomeDlg", "SetListSection - WelcomeDlg key: %s.", kWelcomeDlg,
                  ListSection.dwFlags);
  ReadYesNoFlag(this, settings, section, "WelcomeWave", "SetListSection - WelcomeWave key: %s.", kWelcomeWave,
                ListSection.dwFlags);

  ReadProfileKey(settings, section, "ReqPermission", "", ListSection.ReqPermission, 23);
  LogMessage(this, "SetListSection - ReqPermission key: %s.", ListSection.ReqPermission);
  CharLowerA(ListSection.ReqPermission);

  struct FlagKey {
    const char* key;
    const char* logFormat;
    DWORD flag;
  };
  static const FlagKey kFlagKeys[] = {
      {"RebootWave", "SetListSection - RebootWave key: %s.", kRebootWave},
      {"ShowProgressBar", "SetListSection - ShowProgressBar key: %s.", kShowProgressBar},
      {"RestartProductDlg", "SetListSection - RestartProductDlg key: %s.", kRestartProductDlg},
      {"RemoveShared", "SetListSection - RemoveShared key: %s.", kRemoveShared},
  };
  for (const FlagKey& flagKey : kFlagKeys)
    ReadYesNoFlag(this, settings, section, flagKey.key, flagKey.logFormat, flagKey.flag, ListSection.dwFlags);

  ReadProfileKey(settings, section, "ReqOS", "", ListSection.ReqOS, 13);
  LogMessage(this, "SetListSection - ReqOS key: %s.", ListSection.ReqOS);
  CharLowerA(ListSection.ReqOS);
  ReadProfileKey(settings, section, "ReqPlatform", "", ListSection.ReqPlatform, 8);
  LogMessage(this, "SetListSection - ReqPlatform key: %s.", ListSection.ReqPlatform);
  CharLowerA(ListSection.ReqPlatform);
  return ERROR_SUCCESS;
}
