// Every key the engine reads from Settings.ini, one table per kind of section, in the order the
// engine reads them: the key's name, the kind of its value, what a missing key reads as, and how
// many characters of the value the engine keeps (the profile function is given a buffer one
// larger, and the rest of a longer value is cut). The engine's section readers take their names
// and cuts from here, and so do PendrixPack's checks and the Settings.ini reference, so that
// none of them can disagree with another.
#pragma once
#include <cstddef>

#include "install/RebootModes.h"
#include "requirements/PermissionRequirement.h"
#include "requirements/VersionExpression.h"

enum class SettingsSectionKind { kSetupType, kInstaller };

enum class SettingsValueKind {
  kText,
  kSectionList,  // installer section names separated by "|"
  kSectionName,  // one installer section name
  kYesNo,        // on when its first three characters are "yes" in any case
  kKeyword,      // one word of a fixed set
  kVersion,      // a dotted Windows version
  kCodeList,     // exit codes separated by "|"
  kNumber,       // a whole number, read as GetPrivateProfileIntA reads it
  kRuleList,     // existence rules separated by ";"
};

struct KeywordSet {
  const char* const* words;
  size_t count;
};

struct SettingsKey {
  const char* name;
  SettingsValueKind kind;
  const char* defaultValue;  // what a missing key reads as
  size_t chars;              // the most characters kept; 0 for a number
  KeywordSet keywords;       // the words of a kKeyword key
};

template <size_t N>
constexpr KeywordSet Words(const char* const (&words)[N]) {
  return {words, N};
}

constexpr size_t kYesNoChars = 3;

enum SetupTypeKeyIndex : size_t {
  kKeyPreInstall,
  kKeyMainInstall,
  kKeyDisplayName,
  kKeyWelcomeDlg,
  kKeyWelcomeWave,
  kKeyReqPermission,
  kKeyRebootWave,
  kKeyShowProgressBar,
  kKeyRestartProductDlg,
  kKeyRemoveShared,
  kKeyReqOS,
  kKeyReqPlatform,
  kSetupTypeKeyCount
};

inline constexpr SettingsKey kSetupTypeKeys[kSetupTypeKeyCount] = {
    {"PreInstall", SettingsValueKind::kSectionList, "", 998, {}},
    {"MainInstall", SettingsValueKind::kSectionName, "", 98, {}},
    {"Name", SettingsValueKind::kText, "", 98, {}},
    {"WelcomeDlg", SettingsValueKind::kYesNo, "no", kYesNoChars, {}},
    {"WelcomeWave", SettingsValueKind::kYesNo, "no", kYesNoChars, {}},
    {"ReqPermission", SettingsValueKind::kKeyword, "", 23, Words(kPermissionKeywords)},
    {"RebootWave", SettingsValueKind::kYesNo, "no", kYesNoChars, {}},
    {"ShowProgressBar", SettingsValueKind::kYesNo, "no", kYesNoChars, {}},
    {"RestartProductDlg", SettingsValueKind::kYesNo, "no", kYesNoChars, {}},
    {"RemoveShared", SettingsValueKind::kYesNo, "no", kYesNoChars, {}},
    {"ReqOS", SettingsValueKind::kVersion, "", 13, {}},
    {"ReqPlatform", SettingsValueKind::kKeyword, "", 8, Words(kPlatformKeywords)},
};

enum InstallerKeyIndex : size_t {
  kKeyInstallerName,
  kKeyFile,
  kKeyArguments,
  kKeyReboot,
  kKeyRebootCodes,
  kKeyFailCodes,
  kKeyPlayTone,
  kKeyForceRun,
  kKeyAddSourceDir,
  kKeyDoNotExtract,
  kKeyCheckExistence,
  kKeyProgramCompatibility,
  kKeyReinstallCodes,
  kInstallerKeyCount
};

// A code list keeps 98 characters, so no more than kMaxCodes items fit in it.
constexpr size_t kCodeListChars = 98;

inline constexpr SettingsKey kInstallerKeys[kInstallerKeyCount] = {
    {"Name", SettingsValueKind::kText, "", 98, {}},
    {"File", SettingsValueKind::kText, "", 258, {}},
    {"Arguments", SettingsValueKind::kText, "", 998, {}},
    {"Reboot", SettingsValueKind::kKeyword, kDefaultRebootKeyword, 23, Words(kRebootKeywords)},
    {"RebootCodes", SettingsValueKind::kCodeList, "", kCodeListChars, {}},
    {"FailCodes", SettingsValueKind::kCodeList, "", kCodeListChars, {}},
    {"PlayTone", SettingsValueKind::kNumber, "0", 0, {}},
    {"ForceRun", SettingsValueKind::kYesNo, "no", kYesNoChars, {}},
    {"AddSourceDir", SettingsValueKind::kYesNo, "no", kYesNoChars, {}},
    {"DoNotExtract", SettingsValueKind::kYesNo, "no", kYesNoChars, {}},
    {"CheckExistence", SettingsValueKind::kRuleList, "", 518, {}},
    {"ProgramCompatibility", SettingsValueKind::kYesNo, "no", kYesNoChars, {}},
    {"ReinstallCodes", SettingsValueKind::kCodeList, "", kCodeListChars, {}},
};

// The keys of one kind of section, and how many there are.
const SettingsKey* SettingsKeysOf(SettingsSectionKind kind, size_t& count);

// The key of that kind with this name, compared as the profile functions compare key names
// (the case of letters aside); null when no section of that kind reads it.
const SettingsKey* FindSettingsKey(SettingsSectionKind kind, const char* name);
