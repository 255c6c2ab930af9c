// The setup-type section: which installers run, the name shown, the requirements and the
// spoken interface of the chosen setup type.
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "settings/ProfileRead.h"

// The record's buffers have room for what the table says the engine keeps.
static_assert(kSetupTypeKeys[kKeyPreInstall].chars < sizeof(ListSectionRecord::PreInstall), "PreInstall");
static_assert(kSetupTypeKeys[kKeyMainInstall].chars < sizeof(ListSectionRecord::MainInstall), "MainInstall");
static_assert(kSetupTypeKeys[kKeyDisplayName].chars < sizeof(ListSectionRecord::Name), "Name");
static_assert(kSetupTypeKeys[kKeyReqPermission].chars < sizeof(ListSectionRecord::ReqPermission),
              "ReqPermission");
static_assert(kSetupTypeKeys[kKeyReqOS].chars < sizeof(ListSectionRecord::ReqOS), "ReqOS");
static_assert(kSetupTypeKeys[kKeyReqPlatform].chars < sizeof(ListSectionRecord::ReqPlatform), "ReqPlatform");

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
  ReadSettingsKey(settings, section, kSetupTypeKeys[kKeyPreInstall], ListSection.PreInstall);
  LogMessage(this, "SetListSection - PreInstall key: %s.", ListSection.PreInstall);
  ReadSettingsKey(settings, section, kSetupTypeKeys[kKeyMainInstall], ListSection.MainInstall);
  LogMessage(this, "SetListSection - MainInstall key: %s.", ListSection.MainInstall);
  if (ListSection.PreInstall[0] == '\0' && ListSection.MainInstall[0] == '\0') {
    LogMessage(this,
               "SetListSection - No prerequisite installers nor a main installer was specified for the %s setup "
               "type.  At least one must be specified.",
               section);
    ShowError<IDS_SETUP_TYPE_EMPTY>(this, section);
    return ERROR_INVALID_DATA;
  }

  ReadSettingsKey(settings, section, kSetupTypeKeys[kKeyDisplayName], ListSection.Name);
  LogMessage(this, "SetListSection - Name key: %s.", ListSection.Name);
  CopyCut(m_szDisplayName, ListSection.Name[0] != '\0' ? ListSection.Name : ListSection.MainInstall);

  // A screen reader of the maker speaks the screen itself: the Welcome dialog stays off.
  if (!m_bProductRunningAtStart)
    ReadYesNoFlag(this, settings, section, kSetupTypeKeys[kKeyWelcomeDlg], "SetListSection - WelcomeDlg key: %s.",
                  kWelcomeDlg, ListSection.dwFlags);
  ReadYesNoFlag(this, settings, section, kSetupTypeKeys[kKeyWelcomeWave], "SetListSection - WelcomeWave key: %s.",
                kWelcomeWave, ListSection.dwFlags);

  ReadSettingsKey(settings, section, kSetupTypeKeys[kKeyReqPermission], ListSection.ReqPermission);
  LogMessage(this, "SetListSection - ReqPermission key: %s.", ListSection.ReqPermission);
  CharLowerA(ListSection.ReqPermission);

  struct FlagKey {
    SetupTypeKeyIndex key;
    const char* logFormat;
    DWORD flag;
  };
  static const FlagKey kFlagKeys[] = {
      {kKeyRebootWave, "SetListSection - RebootWave key: %s.", kRebootWave},
      {kKeyShowProgressBar, "SetListSection - ShowProgressBar key: %s.", kShowProgressBar},
      {kKeyRestartProductDlg, "SetListSection - RestartProductDlg key: %s.", kRestartProductDlg},
      {kKeyRemoveShared, "SetListSection - RemoveShared key: %s.", kRemoveShared},
  };
  for (const FlagKey& flagKey : kFlagKeys)
    ReadYesNoFlag(this, settings, section, kSetupTypeKeys[flagKey.key], flagKey.logFormat, flagKey.flag,
                  ListSection.dwFlags);

  ReadSettingsKey(settings, section, kSetupTypeKeys[kKeyReqOS], ListSection.ReqOS);
  LogMessage(this, "SetListSection - ReqOS key: %s.", ListSection.ReqOS);
  CharLowerA(ListSection.ReqOS);
  ReadSettingsKey(settings, section, kSetupTypeKeys[kKeyReqPlatform], ListSection.ReqPlatform);
  LogMessage(this, "SetListSection - ReqPlatform key: %s.", ListSection.ReqPlatform);
  CharLowerA(ListSection.ReqPlatform);
  return ERROR_SUCCESS;
}
