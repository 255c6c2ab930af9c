#include "InstallerListing.h"

#include <windows.h>

#include "ErrorText.h"
#include "WindowsInstallerCheck.h"
#include "core/SetupTypeName.h"
#include "install/ExitCodeRules.h"
#include "settings/CodeList.h"
#include "settings/SettingsKeys.h"
#include "settings/YesNo.h"

namespace {

// A key of the engine's table as the engine reads it: its default when missing, cut at its length.
std::string Kept(const std::string& path, const std::string& section, const SettingsKey& key) {
  std::string value(key.chars + 1, '\0');
  DWORD n = GetPrivateProfileStringA(section.c_str(), key.name, key.defaultValue, &value[0],
                                     static_cast<DWORD>(value.size()), path.c_str());
  value.resize(n);
  return value;
}

std::string OrNone(const std::string& value) { return value.empty() ? "none" : value; }

// The codes the engine keeps of a list, as it reads them ("0x643" is 0).
std::string CodesKept(const std::string& list) {
  uint32_t codes[kCodeListCapacity];
  size_t count = ParseCodeList(list.c_str(), codes, kCodeListCapacity);
  std::string shown;
  for (size_t i = 0; i < count; i++) shown += (i == 0 ? "" : "|") + std::to_string(codes[i]);
  return OrNone(shown);
}

std::string QuotedWhenBlank(const std::string& text) {
  return text.find(' ') != std::string::npos ? Quoted(text) : text;
}

}  // namespace

std::vector<std::string> InstallerDetailLines(const std::string& settingsPath, const std::string& section, bool main) {
  auto kept = [&](InstallerKeyIndex key) { return Kept(settingsPath, section, kInstallerKeys[key]); };
  std::vector<std::string> lines = {"Arguments: " + OrNone(kept(kKeyArguments))};
  if (main) {
    lines.push_back("Exit code: passed on as the package's own, not judged");
  } else {
    std::string reboot = kept(kKeyReboot);
    CharLowerBuffA(&reboot[0], static_cast<DWORD>(reboot.size()));
    const RebootMode mode = ReadRebootMode(reboot.c_str());
    lines.push_back("Reboot: " + (mode == RebootMode::kUnknown ? Quoted(reboot) + ", which acts as none" : reboot));
    // A list that no rule consults is shown with the reason, so that no one counts on it.
    const bool noList = mode == RebootMode::kForce || mode == RebootMode::kReturn;
    for (InstallerKeyIndex key : {kKeyRebootCodes, kKeyFailCodes, kKeyReinstallCodes}) {
      std::string codes = CodesKept(kept(key));
      if (codes != "none" && noList)
        codes += " (not consulted: " + UnconsultedListsReason(mode) + ")";
      else if (codes != "none" && key == kKeyRebootCodes && !UsesRebootCodes(mode))
        codes += " (not used: no restart is asked for)";
      lines.push_back(std::string(kInstallerKeys[key].name) + ": " + codes);
    }
  }
  lines.push_back("CheckExistence: " + OrNone(kept(kKeyCheckExistence)));
  for (std::string& line : lines) line = "    " + line;
  return lines;
}

std::string SetupTypeLine(const std::string& settingsPath, const std::string& section) {
  std::string line;
  for (size_t key = kKeyDisplayName; key < kSetupTypeKeyCount; key++) {
    const SettingsKey& setting = kSetupTypeKeys[key];
    std::string value = Kept(settingsPath, section, setting);
    if (setting.kind == SettingsValueKind::kYesNo)
      value = IsYesValue(value.c_str()) ? "yes" : "no";
    else
      value = value.empty() ? "none" : QuotedWhenBlank(value);
    line += (line.empty() ? "  " : ", ") + std::string(setting.name) + " " + value;
  }
  return line;
}

std::string UnattendedLine(const std::string& setupType, const std::string& packageFile) {
  if (!IsSilentSetupType(setupType.c_str())) return "";
  const std::string start = "  Unattended: ";
  // Every "-" and "/" of the package's command line outside double quotes starts another option.
  const bool quoted = setupType.find_first_of(" -/") != std::string::npos;
  if (quoted && setupType.find('"') != std::string::npos)
    return start + "none: /Type cannot quote a setup type whose name holds a double quote and a blank, \"-\" or \"/\"";
  if (setupType.size() > kSetupTypeChars)
    return start + "none: /Type keeps " + std::to_string(kSetupTypeChars) + " characters of a name";
  // /quiet keeps away the two windows a silent setup type would still show: its Welcome dialog
  // and its restart-product notice.
  // The log goes where only administrators and the system account write, under the package's name.
  const std::string log = "C:\\Windows\\Temp\\" + packageFile.substr(0, packageFile.find_last_of('.')) + ".log";
  return start + QuotedWhenBlank(packageFile) + " /Type " + (quoted ? Quoted(setupType) : setupType) + " /quiet /Log " +
         (log.find_first_of(" -/") != std::string::npos ? Quoted(log) : log);
}
