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

bool KeepsMsiexecFromWaiting(const std::string& arguments) {
  static const char* const kQuiet[] = {"q", "qn", "qb-", "qb!", "qb-!", "qb!-", "passive", "quiet"};
  std::vector<std::string> words;
  SplitString(arguments.c_str(), " \t", words);
  for (const std::string& word : words) {
    if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) continue;
    for (const char* quiet : kQuiet)
      if (EqualsIgnoreCase(word.c_str() + 1, quiet)) return true;
  }
  return false;
}

std::string SilentMsiArgumentsProblem(const std::string& arguments) {
  std::vector<std::string> lacks, words;
  SplitString(arguments.c_str(), " \t", words);
  std::string line;
  for (const std::string& word : words)
    if (SuppressesMsiRestart(arguments) || word.compare(0, 7, "REBOOT=") != 0) line += " " + word;
  if (!KeepsMsiexecFromWaiting(arguments)) {
    lacks.push_back("shows its windows and waits for a click, for want of /qn (or /quiet, /passive, /qb-, /qb!)");
    line += " /qn";
  }
  if (!SuppressesMsiRestart(arguments)) {
    lacks.push_back("restarts the computer by itself when it needs to, in the middle of the package, for want of "
                    "REBOOT=ReallySuppress (or /norestart)");
    line += " REBOOT=ReallySuppress";
  }
  if (lacks.empty()) return "";
  return "in a silent install Windows Installer " + Join(lacks, ", and ") + "; write " +
         kInstallerKeys[kKeyArguments].name + "=" + Trimmed(line);
}

std::string DecimalCode(const std::string& item) {
  const std::string code = Trimmed(item);
  if (IsPlainCode(code)) return code;
  if (code.size() < 3 || code.size() > 10 || code[0] != '0' || (code[1] != 'x' && code[1] != 'X')) return "";
  uint32_t value = 0;
  for (size_t i = 2; i < code.size(); i++) {
    const char c = LowerAsciiChar(code[i]);
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return "";
    value = value * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
  }
  return std::to_string(value);
}

std::string UnconsultedListsReason(RebootMode reboot) {
  if (reboot == RebootMode::kForce)
    return "\"force\" asks for a restart after every run, whatever its exit code, and consults no code list";
  if (reboot == RebootMode::kReturn)
    return "\"return\" goes on after every run, whatever its exit code, and consults no code list";
  return "";
}

bool CheckMsiRestartCodes(const MsiPrerequisite& prerequisite, MsiCodesFinding& finding) {
  const RebootMode reboot = ReadRebootMode(prerequisite.reboot.c_str());
  if (!UsesRebootCodes(reboot)) return false;
  const std::vector<uint32_t> rebootCodes = Codes(prerequisite.rebootCodes), failCodes = Codes(prerequisite.failCodes),
                              reinstallCodes = Codes(prerequisite.reinstallCodes);
  // 1641: Windows Installer has begun the restart, which REBOOT=ReallySuppress rules out.
  std::vector<uint32_t> restarts = {3010};
  if (!SuppressesMsiRestart(prerequisite.arguments)) restarts.push_back(1641);
  std::vector<std::string> lost;
  for (uint32_t code : restarts)
    if (DecideExitCode(reboot, Holds(rebootCodes, code), Holds(failCodes, code), Holds(reinstallCodes, code)) !=
        DecidingRule::kRebootCodes)
      lost.push_back(std::to_string(code));
  if (lost.empty()) return false;
  std::vector<std::string> items;
  SplitString(prerequisite.rebootCodes.c_str(), "|", items);
  std::vector<std::string> kept;
  for (const std::string& item : items)
    if (!DecimalCode(item).empty() && std::find(lost.begin(), lost.end(), DecimalCode(item)) == lost.end())
      kept.push_back(DecimalCode(item));
  kept.insert(kept.end(), lost.begin(), lost.end());
  finding.key = kInstallerKeys[kKeyRebootCodes].name;
  finding.text = "Windows Installer's restart " + std::string(lost.size() == 1 ? "code " : "codes ") + Join(lost, " and ") +
                 (lost.size() == 1 ? " stands" : " stand") + " in no RebootCodes, which Reboot \"" +
                 prerequisite.reboot + "\" reads: the restart the installer needs is lost; " +
                 (prerequisite.rebootCodesWritten ? "write " : "add the line ") + kInstallerKeys[kKeyRebootCodes].name +
                 "=" + Join(kept, "|");
  return true;
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
    finding.text = UnconsultedListsReason(reboot) + ", so " + codes +
                   " ask for a restart as a success does; to stop the package on them, write Reboot=immediateforce, "
                   "RebootCodes=0|1641|3010 and FailCodes=" + all;
    return true;
  }
  if (reboot == RebootMode::kReturn) {
    finding.key = kInstallerKeys[kKeyReboot].name;
    finding.text = UnconsultedListsReason(reboot) + ", so after " + codes +
                   " the package goes on as after a success; write Reboot=none and FailCodes=" + all;
    return true;
  }
  // The codes written, as the engine should read them: never an entry that it reads as another.
  std::vector<std::string> written, items;
  SplitString(prerequisite.failCodes.c_str(), "|", written);
  for (const std::string& item : written)
    if (!DecimalCode(item).empty() &&
        std::find(unjudged.begin(), unjudged.end(), DecimalCode(item)) == unjudged.end())
      items.push_back(DecimalCode(item));
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
