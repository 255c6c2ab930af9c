#include "WindowsInstallerCheck.h"

#include <algorithm>
#include <vector>

#include "core/SplitString.h"
#include "core/TextCompare.h"
#include "install/ExitCodeRules.h"
#include "install/MsiSwitch.h"
#include "settings/CodeList.h"
#include "settings/SettingsKeys.h"

namespace {

// The codes of a list as the engine keeps them.
std::vector<uint32_t> Codes(const std::string& list) {
  uint32_t codes[kCodeListCapacity];
  size_t count = ParseCodeList(list.c_str(), codes, kCodeListCapacity);
  return std::vector<uint32_t>(codes, codes + count);
}

bool Holds(const std::vector<uint32_t>& codes, uint32_t code) {
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
  std::string joined;
  for (size_t i = 0; i < items.size(); i++) joined += (i == 0 ? "" : separator) + items[i];
  return joined;
}

std::string Trimmed(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t");
  return begin == std::string::npos ? "" : text.substr(begin, text.find_last_not_of(" \t") + 1 - begin);
}

}  // namespace

bool RunsWindowsInstaller(const std::string& file) {
  if (IsMsiexecRun(file.c_str())) return true;
  size_t end = file.find_last_not_of(" \t\"");
  return end != std::string::npos && end >= 3 && EqualsIgnoreCase(file.substr(end - 3, 4).c_str(), ".msi");
}

bool SuppressesMsiRestart(const std::string& arguments) {
  std::vector<std::string> words;
  SplitString(arguments.c_str(), " \t", words);
  bool suppressed = false;
  for (const std::string& word : words) {
    if (EqualsIgnoreCase(word.c_str(), "/norestart") || EqualsIgnoreCase(word.c_str(), "-norestart")) return true;
    // The last REBOOT on the command line is the one Windows Installer keeps.
    if (word.compare(0, 7, "REBOOT=") == 0) {
      size_t value = word[7] == '"' ? 8 : 7;
      suppressed = value < word.size() && LowerAsciiChar(word[value]) == 'r';
    }
  }
  return suppressed;
}

bool CheckMsiFailureCodes(const MsiPrerequisite& prerequisite, MsiCodesFinding& finding) {
  const RebootMode reboot = ReadRebootMode(prerequisite.reboot.c_str());
  const std::vector<uint32_t> rebootCodes = Codes(prerequisite.rebootCodes), failCodes = Codes(prerequisite.failCodes),
                              reinstallCodes = Codes(prerequisite.reinstallCodes);
  std::vector<std::string> unjudged;
  for (uint32_t code : kMsiFailureCodes) {
    DecidingRule rule =
        DecideExitCode(reboot, Holds(rebootCodes, code), Holds(failCodes, code), Holds(reinstallCodes, code));
    if (rule == DecidingRule::kForceRestart || rule == DecidingRule::kReturn || rule == DecidingRule::kNone)
      unjudged.push_back(std::to_string(code));
  }
  if (unjudged.empty()) return false;
  const std::string codes = "Windows Installer's failure codes " + Join(unjudged, ", ");
  const std::string all = Join(unjudged, "|");
  if (reboot == RebootMode::kForce) {
    finding.key = kInstallerKeys[kKeyReboot].name;
    finding.text = "\"force\" asks for a restart after every run and consults no code list, so " + codes +
                   " ask for a restart as a success does; to stop the package on them, write Reboot=immediateforce, "
                   "RebootCodes=0|1641|3010 and FailCodes=" + all;
    return true;
  }
  if (reboot == RebootMode::kReturn) {
    finding.key = kInstallerKeys[kKeyReboot].name;
    finding.text = "\"return\" consults no code list, so after " + codes +
                   " the package goes on as after a success; write Reboot=none and FailCodes=" + all;
    return true;
  }
  std::vector<std::string> items;
  SplitString(prerequisite.failCodes.c_str(), "|", items);
  for (std::string& item : items) item = Trimmed(item);
  items.insert(items.end(), unjudged.begin(), unjudged.end());
  const std::string line = kInstallerKeys[kKeyFailCodes].name + std::string("=") + Join(items, "|");
  finding.key = kInstallerKeys[kKeyFailCodes].name;
  finding.text = codes + " stand in no list that the engine reads for this section: after them the package goes on " +
                 "as after a success, over a broken install; " +
                 (prerequisite.failCodesWritten ? "write " : "add the line ") + line;
  if (line.size() - line.find('=') - 1 > kCodeListChars)
    finding.text += ", which is longer than the " + std::to_string(kCodeListChars) +
                    " characters the engine keeps: leave out codes this installer never returns, or judge some in "
                    "ReinstallCodes";
  return true;
}
