#include "SettingsCheck.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "PackRules.h"
#include "WindowsInstallerCheck.h"
#include "core/SetupTypeName.h"
#include "core/SplitString.h"
#include "core/TextCompare.h"
#include "core/WholeNumber.h"
#include "settings/CodeList.h"
#include "settings/ExistenceVotes.h"
#include "settings/PathExpansion.h"
#include "settings/RegistryRoot.h"
#include "settings/SettingsKeys.h"
#include "settings/YesNo.h"

namespace {

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find_last_not_of(" \t") + 1 - begin);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Bracketed(const std::string& name) { return "[" + name + "]"; }

std::string Lower(std::string text) {
  for (char& c : text) c = LowerAsciiChar(c);
  return text;
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
  std::string joined;
  for (size_t i = 0; i < items.size(); i++) joined += (i == 0 ? "" : separator) + items[i];
  return joined;
}

std::string KeywordList(const SettingsKey& key) {
  std::vector<std::string> words(key.keywords.words, key.keywords.words + key.keywords.count);
  return Join(words, ", ");
}

std::vector<std::string> Items(const std::string& text, const char* delimiters) {
  std::vector<std::string> items;
  SplitString(text.c_str(), delimiters, items);
  return items;
}

// Letters to change, add or remove to turn one key name into another, the case aside.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); j++) row[j] = j;
  for (size_t i = 1; i <= a.size(); i++) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); j++) {
      size_t above = row[j];
      size_t change = diagonal + (LowerAsciiChar(a[i - 1]) == LowerAsciiChar(b[j - 1]) ? 0 : 1);
      row[j] = std::min({change, above + 1, row[j - 1] + 1});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string VersionText(const std::string& text) {
  ParsedVersion version = ParseVersionString(text.c_str());
  return std::to_string(version.Major()) + "." + std::to_string(version.Minor());
}

// Each section and key is looked up by this form of its name, under which the profile functions
// find the first of a name: blanks around it and the case of letters aside.
std::string Folded(const std::string& name) { return Lower(Trim(name)); }

// The settings with the first section of each name, and in each section the first line of each key
// the engine reads, found by name in constant time: a file of many sections or keys is checked in
// time that grows with its length.
class IndexedSettings {
 public:
  explicit IndexedSettings(const SettingsSnapshot& settings) : m_settings(settings), m_lines(settings.sections.size()) {
    for (size_t i = 0; i < settings.sections.size(); i++) {
      m_sections.emplace(Folded(settings.sections[i].name), i);  // an earlier one of the name stays
      for (const SettingsLine& line : settings.sections[i].lines) {
        const std::string key = Trim(line.key);
        if (FindSettingsKey(SettingsSectionKind::kSetupType, key.c_str()) != nullptr ||
            FindSettingsKey(SettingsSectionKind::kInstaller, key.c_str()) != nullptr)
          m_lines[i].emplace(Lower(key), &line);
      }
    }
  }

  // The first section of this name, or -1.
  int Find(const std::string& name) const {
    auto found = m_sections.find(Folded(name));
    return found == m_sections.end() ? -1 : static_cast<int>(found->second);
  }

  // The first line of a key of the tables in the section, or null.
  const SettingsLine* Line(const SettingsSection& section, const char* key) const {
    const std::unordered_map<std::string, const SettingsLine*>& lines = m_lines[&section - m_settings.sections.data()];
    auto found = lines.find(Folded(key));
    return found == lines.end() ? nullptr : found->second;
  }

  // The value of a key of the table, or its default when the key is missing.
  std::string Written(const SettingsSection& section, const SettingsKey& key) const {
    const SettingsLine* line = Line(section, key.name);
    return line != nullptr ? line->value : key.defaultValue;
  }

  // What the engine reads for a key of the table: its value cut where the engine cuts it.
  std::string Kept(const SettingsSection& section, const SettingsKey& key) const {
    std::string value = Written(section, key);
    return key.chars != 0 && value.size() > key.chars ? value.substr(0, key.chars) : value;
  }

  // A section the engine reads as a setup type: the first of its name, with PreInstall or MainInstall.
  bool IsSetupType(size_t index) const {
    const SettingsSection& section = m_settings.sections[index];
    return Find(section.name) == static_cast<int>(index) &&
           (Line(section, kSetupTypeKeys[kKeyPreInstall].name) != nullptr ||
            Line(section, kSetupTypeKeys[kKeyMainInstall].name) != nullptr);
  }

 protected:
  const SettingsSnapshot& m_settings;

 private:
  std::unordered_map<std::string, size_t> m_sections;
  std::vector<std::unordered_map<std::string, const SettingsLine*>> m_lines;
};

struct Roles {
  bool setupType = false;
  bool prerequisite = false;
  bool main = false;
};

class Checker : private IndexedSettings {
 public:
  explicit Checker(const SettingsSnapshot& settings)
      : IndexedSettings(settings), m_roles(settings.sections.size()), m_silentChecked(settings.sections.size()) {}

  std::vector<SettingsFinding> Run() {
    FindRoles();
    std::map<std::string, size_t> seen;  // how often each name was written so far
    bool hasDefault = false;
    for (size_t i = 0; i < m_settings.sections.size(); i++) {
      const SettingsSection& section = m_settings.sections[i];
      std::string name = Folded(section.name);
      if (seen.count(name) != 0) {
        if (seen[name]++ == 1)
          Warn(section.name, "",
               "is written more than once; the engine reads only the first " + Bracketed(section.name) +
                   " and none of the lines of the others",
               1);
        continue;
      }
      seen[name] = 1;
      hasDefault = hasDefault || (m_roles[i].setupType && name == "default");
      CheckSection(i);
    }
    if (!hasDefault) Warn("default", "", "there is no setup type [default]: the package must be started with /Type");
    return m_findings;
  }

 private:
  void Warn(const std::string& section, const std::string& key, const std::string& text, size_t occurrence = 0) {
    m_findings.push_back({FindingLevel::kWarning, section, key, text, occurrence});
  }
  void Refuse(const std::string& section, const std::string& key, const std::string& text) {
    m_findings.push_back({FindingLevel::kRefusal, section, key, text});
  }

  size_t CodeCount(const SettingsSection& section, InstallerKeyIndex key) {
    return std::min(Items(Kept(section, kInstallerKeys[key]), "|").size(), kCodeListCapacity);
  }

  void FindRoles() {
    for (size_t i = 0; i < m_settings.sections.size(); i++) {
      const SettingsSection& section = m_settings.sections[i];
      if (!IsSetupType(i)) continue;
      m_roles[i].setupType = true;
      // The names as written and as the engine keeps them: a cut may name another section.
      for (const std::string& value :
           {Written(section, kSetupTypeKeys[kKeyPreInstall]), Kept(section, kSetupTypeKeys[kKeyPreInstall])})
        for (const std::string& name : Items(value, "|")) {
          int installer = Find(name);
          if (installer >= 0) m_roles[installer].prerequisite = true;
        }
      for (const std::string& main :
           {Written(section, kSetupTypeKeys[kKeyMainInstall]), Kept(section, kSetupTypeKeys[kKeyMainInstall])}) {
        int installer = Trim(main).empty() ? -1 : Find(main);
        if (installer >= 0) m_roles[installer].main = true;
      }
    }
  }

  void CheckSection(size_t index) {
    const SettingsSection& section = m_settings.sections[index];
    const Roles& roles = m_roles[index];
    const bool installer = roles.prerequisite || roles.main;
    if (!roles.setupType && !installer) {
      Warn(section.name, "",
           "is neither a setup type (it has no PreInstall or MainInstall key) nor named by one: the engine never "
           "reads it");
      return;
    }
    std::unordered_map<std::string, size_t> keysSeen;
    for (const SettingsLine& line : section.lines) {
      if (line.key.empty() || line.key[0] == ';') continue;
      // How often the key was written before: a finding names the line of the one it is about.
      const size_t repeated = keysSeen[Folded(line.key)]++;
      if (repeated != 0) {
        Warn(section.name, line.key,
             "is written more than once in the section; the engine reads only the first, " + Quoted(line.value),
             repeated);
        continue;
      }
      const SettingsKey* setupKey =
          roles.setupType ? FindSettingsKey(SettingsSectionKind::kSetupType, line.key.c_str()) : nullptr;
      const SettingsKey* installerKey =
          installer ? FindSettingsKey(SettingsSectionKind::kInstaller, line.key.c_str()) : nullptr;
      if (setupKey == nullptr && installerKey == nullptr) {
        UnknownKey(section, line, roles.setupType, installer);
        continue;
      }
      if (setupKey != nullptr) CheckValue(section, *setupKey, line.value);
      // "Name" is read by both kinds, with the same cut.
      if (installerKey != nullptr && (setupKey == nullptr || strcmp(setupKey->name, installerKey->name) != 0))
        CheckValue(section, *installerKey, line.value);
    }
    if (roles.setupType) CheckSetupType(section);
    if (installer) CheckInstaller(section, roles);
  }

  void UnknownKey(const SettingsSection& section, const SettingsLine& line, bool setupType, bool installer) {
    const std::string key = Trim(line.key);
    // A key of the other kind of section, written in the wrong one.
    if (!setupType && FindSettingsKey(SettingsSectionKind::kSetupType, key.c_str()) != nullptr) {
      Warn(section.name, line.key, "is a key of setup types, and this is an installer section: the engine ignores it");
      return;
    }
    if (!installer && FindSettingsKey(SettingsSectionKind::kInstaller, key.c_str()) != nullptr) {
      Warn(section.name, line.key, "is a key of installer sections, and this is a setup type: the engine ignores it");
      return;
    }
    const char* kinds = setupType && installer ? "no setup-type or installer section"
                        : setupType            ? "no setup-type section"
                                               : "no installer section";
    std::string text = std::string(kinds) + " reads this key: the engine ignores it";
    // A misspelling changes a letter, or two in a longer name.
    size_t best = key.size() <= 6 ? 2 : 3;
    const SettingsKey* nearest = nullptr;
    for (SettingsSectionKind kind : {SettingsSectionKind::kSetupType, SettingsSectionKind::kInstaller}) {
      if ((kind == SettingsSectionKind::kSetupType && !setupType) ||
          (kind == SettingsSectionKind::kInstaller && !installer))
        continue;
      size_t count = 0;
      const SettingsKey* keys = SettingsKeysOf(kind, count);
      for (size_t i = 0; i < count; i++) {
        // Names that differ in length by as much as `best` are at least that far apart: a long key
        // is not compared letter by letter with every name.
        const size_t length = strlen(keys[i].name);
        if (key.size() >= length + best || length >= key.size() + best) continue;
        size_t distance = EditDistance(key, keys[i].name);
        if (distance < best) {
          best = distance;
          nearest = &keys[i];
        }
      }
    }
    if (nearest != nullptr) text += std::string(" (is it ") + nearest->name + "?)";
    Warn(section.name, line.key, text);
  }

  void CheckValue(const SettingsSection& section, const SettingsKey& key, const std::string& value) {
    const std::string kept = key.chars != 0 && value.size() > key.chars ? value.substr(0, key.chars) : value;
    if (kept != value && key.kind != SettingsValueKind::kYesNo && key.kind != SettingsValueKind::kCodeList) {
      if (!CheckCutNames(section, key, value, kept))
        Warn(section.name, key.name,
             "is " + std::to_string(value.size()) + " characters long; the engine keeps only the first " +
                 std::to_string(key.chars));
    }
    switch (key.kind) {
      case SettingsValueKind::kYesNo:
        if (!value.empty() && !EqualsIgnoreCase(value.c_str(), "yes") && !EqualsIgnoreCase(value.c_str(), "no"))
          Warn(section.name, key.name,
               Quoted(value) + " reads as " + (IsYesValue(kept.c_str()) ? "yes" : "no") +
                   ": the engine looks at the first three letters only, and only \"yes\" is on");
        break;
      case SettingsValueKind::kKeyword:
        CheckKeyword(section, key, kept);
        break;
      case SettingsValueKind::kVersion:
        if (!kept.empty() && !IsDottedVersion(kept.c_str()))
          Warn(section.name, key.name,
               Quoted(kept) + " is no version such as 5.1: the engine reads it as " + VersionText(kept));
        break;
      case SettingsValueKind::kCodeList:
        CheckCodeList(section, key, value, kept);
        break;
      case SettingsValueKind::kNumber:
        if (Trim(value).empty() || Trim(value).find_first_not_of("0123456789") != std::string::npos)
          Warn(section.name, key.name,
               Quoted(value) + " is no whole number of seconds: the engine reads it as " +
                   std::to_string(ParseSigned32(value.c_str())));
        break;
      case SettingsValueKind::kRuleList:
        CheckRules(section, key, kept);
        break;
      case SettingsValueKind::kText:
      case SettingsValueKind::kSectionList:
      case SettingsValueKind::kSectionName:
        break;
    }
  }

  // A PreInstall or MainInstall cut inside its names makes the engine run other installers than
  // the ones written: that is refused. True when it was.
  bool CheckCutNames(const SettingsSection& section, const SettingsKey& key, const std::string& value,
                     const std::string& kept) {
    if (key.kind != SettingsValueKind::kSectionList && key.kind != SettingsValueKind::kSectionName) return false;
    std::vector<std::string> written =
        key.kind == SettingsValueKind::kSectionList ? Items(value, "|") : std::vector<std::string>{Trim(value)};
    std::vector<std::string> run =
        key.kind == SettingsValueKind::kSectionList ? Items(kept, "|") : std::vector<std::string>{Trim(kept)};
    if (written == run) return false;
    std::string text = "is " + std::to_string(value.size()) + " characters long, and the engine keeps only the first " +
                       std::to_string(key.chars) + ": it would run ";
    size_t last = run.size();
    if (last > 0 && run[last - 1] != written[last - 1])
      text += Bracketed(run[last - 1]) + " where " + Bracketed(written[last - 1]) + " is written";
    else
      text += "no more than " + std::to_string(last) + " of the " + std::to_string(written.size()) + " installers";
    Refuse(section.name, key.name, text);
    return true;
  }

  void CheckKeyword(const SettingsSection& section, const SettingsKey& key, const std::string& kept) {
    if (&key == &kInstallerKeys[kKeyReboot]) {
      if (ReadRebootMode(kept.c_str()) == RebootMode::kUnknown)
        Warn(section.name, key.name,
             Quoted(kept) + " is none of " + KeywordList(key) + ": the engine acts as for \"none\"" +
                 (kept.empty() ? ", not as for the default \"defer\" of a missing key" : ""));
    } else if (&key == &kSetupTypeKeys[kKeyReqPermission]) {
      if (ReadPermissionRequirement(kept.c_str()) == PermissionRequirement::kUnknown)
        Warn(section.name, key.name, Quoted(kept) + " is none of " + KeywordList(key) + ": every user passes");
    } else if (&key == &kSetupTypeKeys[kKeyReqPlatform]) {
      if (!MeetsPlatformRequirement(kept.c_str(), false) && !MeetsPlatformRequirement(kept.c_str(), true))
        Warn(section.name, key.name,
             Quoted(kept) + " is none of " + KeywordList(key) + ": no machine satisfies it, and the package refuses " +
                 "to install anywhere");
    }
  }

  void CheckCodeList(const SettingsSection& section, const SettingsKey& key, const std::string& value,
                     const std::string& kept) {
    std::vector<std::string> written = Items(value, "|");
    std::vector<std::string> read = Items(kept, "|");
    if (read.size() > kCodeListCapacity) read.resize(kCodeListCapacity);
    if (read.size() < written.size() || (!read.empty() && read.back() != written[read.size() - 1])) {
      std::string text = "holds " + std::to_string(written.size()) + " codes in " + std::to_string(value.size()) +
                         " characters; the engine keeps " + std::to_string(key.chars) + " characters and at most " +
                         std::to_string(kCodeListCapacity) + " codes, so only the first " +
                         std::to_string(read.size()) + " count";
      if (!read.empty() && read.back() != written[read.size() - 1])
        text += ", the last of them cut to " + Quoted(read.back());
      Warn(section.name, key.name, text);
    }
    // Another number than the one written changes which codes count: refused, with the line
    // that says in decimal what was meant, and without what means nothing.
    std::vector<std::string> odd, meant;
    for (const std::string& item : written) {
      if (!IsPlainCode(item)) odd.push_back(Quoted(item) + " as " + std::to_string(ParseUnsigned32(item.c_str())));
      const std::string code = DecimalCode(item);
      if (!code.empty() && std::find(meant.begin(), meant.end(), code) == meant.end()) meant.push_back(code);
    }
    if (!odd.empty())
      Refuse(section.name, key.name,
             "holds what is no decimal exit code, and the engine reads " + Join(odd, ", ") +
                 ", which changes which codes count; write " +
                 (meant.empty() ? "the codes in decimal" : std::string(key.name) + "=" + Join(meant, "|")));
  }

  void CheckRules(const SettingsSection& section, const SettingsKey& key, const std::string& kept) {
    for (const std::string& rule : Items(kept, ";")) {
      std::vector<std::string> fields;
      if (SplitString(rule.c_str(), "|", fields, 3) == 0) continue;
      std::string start = "the rule " + Quoted(rule);
      ExistenceRuleType type = ClassifyExistenceRule(fields[0]);
      if (type == ExistenceRuleType::kUnknown) {
        Warn(section.name, key.name,
             start + " has the type " + Quoted(fields[0]) + ", which is none of RegKey, File, OS, Platform: the " +
                 "engine ignores the rule");
        continue;
      }
      std::string valueText = fields.size() > 1 ? fields[1] : "";
      int32_t value = ParseSigned32(valueText.c_str());
      std::string trimmed = Trim(valueText);
      bool number =
          !trimmed.empty() &&
          trimmed.find_first_not_of("0123456789", trimmed[0] == '-' || trimmed[0] == '+' ? 1 : 0) == std::string::npos;
      if (!number)
        Warn(section.name, key.name,
             start + " has the rule value " + Quoted(valueText) + ", which is no number: the engine reads it as " +
                 std::to_string(value));
      else if (!IsKnownRuleValue(value))
        Warn(section.name, key.name,
             start + " has the rule value " + std::to_string(value) + ", outside " + std::to_string(kLowestRuleValue) +
                 " to " + std::to_string(kHighestRuleValue) + ": the rule decides nothing");
      if (fields.size() < 3) {
        Warn(section.name, key.name, start + " has no argument: its test never finds anything");
      } else if (type == ExistenceRuleType::kPlatform && fields[2] != kPlatformRuleArgument) {
        Warn(section.name, key.name,
             start + " never holds: a Platform rule holds only for the argument " + std::string(kPlatformRuleArgument) +
                 ", on 64-bit Windows");
      } else if (type == ExistenceRuleType::kFile) {
        CheckPathVariables(section, key, start, fields[2]);
      } else if (type == ExistenceRuleType::kRegKey) {
        CheckKeyRoot(section, key, start, fields[2]);
      } else if (type == ExistenceRuleType::kOS && !IsDottedVersion(fields[2].c_str())) {
        Warn(section.name, key.name,
             start + " tests " + Quoted(fields[2]) + ", which is no version such as 5.1: the engine reads it as " +
                 VersionText(fields[2]));
      }
    }
  }

  // A root the engine does not know is looked up under HKEY_LOCAL_MACHINE, in the 32-bit view.
  void CheckKeyRoot(const SettingsSection& section, const SettingsKey& key, const std::string& start,
                    const std::string& path) {
    const size_t backslash = path.find('\\');
    const std::string root = path.substr(0, std::min(backslash, kRegistryRootChars));
    if (backslash == std::string::npos)
      Warn(section.name, key.name, start + " tests a key path without a backslash, which never exists");
    else if (!ReadRegistryRoot(root.c_str()).known)
      Warn(section.name, key.name,
           start + " begins with " + Quoted(root) + ", which is no registry root: the engine looks the key up " +
               "under HKEY_LOCAL_MACHINE; the roots are HKLM, HKCU, HKCR and HKU or their long names, and " +
               "HKLM64, HKCU64, HKCR64 and HKU64 or HKEY_LOCAL_MACHINE64 and the like for the 64-bit view");
  }

  // A "$(" that is no whole variable stays in the path as written, and the file is never found.
  void CheckPathVariables(const SettingsSection& section, const SettingsKey& key, const std::string& start,
                          const std::string& path) {
    for (const std::string& part : Items(path, "\\")) {
      if (part.find("$(") == std::string::npos) continue;
      if (!IsPathVariable(part.c_str()))
        Warn(section.name, key.name,
             start + " holds " + Quoted(part) + ", which is no path variable and stays as written: the variables " +
                 "are $(WinDrive)) with two closing parentheses, $(ProgramFiles), $(Windows), $(System32), " +
                 "$(ProgramFiles64) and $(System64), each a whole part of the path");
    }
  }

  void CheckSetupType(const SettingsSection& section) {
    const std::string name = Trim(section.name);
    const bool silent = IsSilentSetupType(name.c_str());
    // The two windows that silent mode does not hold back wait for a user who is not there.
    const struct {
      SetupTypeKeyIndex key;
      const char* window;
    } shown[] = {{kKeyWelcomeDlg, "Welcome dialog"}, {kKeyRestartProductDlg, "restart-product notice"}};
    for (const auto& window : shown)
      if (silent && IsYesValue(Kept(section, kSetupTypeKeys[window.key]).c_str()))
        Warn(section.name, kSetupTypeKeys[window.key].name,
             std::string("the setup type is silent, yet its ") + window.window +
                 " shows: an unattended install waits at it");
    if (!silent && Lower(name).find(kSilentMark) != std::string::npos)
      Warn(section.name, "",
           "the name holds \"" + name.substr(Lower(name).find(kSilentMark), strlen(kSilentMark)) +
               "\", not \"silent\": the engine's test is case-sensitive, so this setup type is not silent and its " +
               "prompts wait for a user");
    if (!EqualsIgnoreCase(name.c_str(), "default") && name.find_first_of("-/") != std::string::npos &&
        name.find('"') != std::string::npos)
      Warn(section.name, "",
           "cannot be chosen with /Type: every \"-\" and \"/\" on the package's command line starts a new option "
           "unless it stands in double quotes, and the name holds a double quote of its own");
    if (name.size() > kSetupTypeChars)
      Warn(section.name, "",
           "cannot be chosen with /Type, which keeps " + std::to_string(kSetupTypeChars) + " characters");

    std::vector<std::string> unjudged;
    std::vector<std::string> installers = Items(Kept(section, kSetupTypeKeys[kKeyPreInstall]), "|");
    for (const std::string& prerequisite : installers) {
      int index = Find(prerequisite);
      if (index < 0) continue;
      const SettingsSection& installer = m_settings.sections[index];
      if (CodeCount(installer, kKeyFailCodes) == 0 && CodeCount(installer, kKeyReinstallCodes) == 0)
        unjudged.push_back(Bracketed(Trim(prerequisite)));
    }
    // Unattended, Windows Installer must neither wait for a click nor restart the computer.
    installers.push_back(Kept(section, kSetupTypeKeys[kKeyMainInstall]));
    for (const std::string& name : installers) {
      const int index = Trim(name).empty() ? -1 : Find(name);
      if (!silent || index < 0 || m_silentChecked[static_cast<size_t>(index)]) continue;
      const SettingsSection& installer = m_settings.sections[static_cast<size_t>(index)];
      const std::string arguments = Kept(installer, kInstallerKeys[kKeyArguments]);
      const std::string problem = SilentMsiArgumentsProblem(arguments);
      if (!RunsWindowsInstaller(Lower(Kept(installer, kInstallerKeys[kKeyFile]))) || problem.empty()) continue;
      m_silentChecked[static_cast<size_t>(index)] = true;
      Warn(installer.name, kInstallerKeys[kKeyArguments].name,
           "the silent setup type " + Bracketed(Trim(section.name)) + " runs it: " + problem);
    }
    if (!unjudged.empty())
      Warn(section.name, kSetupTypeKeys[kKeyPreInstall].name,
           "a failure of " + Join(unjudged, ", ") + " never stops the package: " +
               (unjudged.size() == 1 ? "its section has" : "their sections have") + " no FailCodes or ReinstallCodes");
  }

  void CheckInstaller(const SettingsSection& section, const Roles& roles) {
    const SettingsKey& fileKey = kInstallerKeys[kKeyFile];
    const std::string name = Kept(section, kInstallerKeys[kKeyInstallerName]);
    if (IsMsiexecRun(Lower(Kept(section, fileKey)).c_str()) && !name.empty() && !IsPlainFileName(name.c_str()))
      Warn(section.name, kInstallerKeys[kKeyInstallerName].name,
           Quoted(name) + " holds characters that cannot stand in a file name, so the verbose MSI log that /Log " +
               "asks for beside the package's log cannot be written");

    const InstallerKeyIndex judgedKeys[] = {kKeyReboot, kKeyRebootCodes, kKeyFailCodes, kKeyReinstallCodes};
    if (!roles.prerequisite) {
      std::vector<std::string> written;
      for (InstallerKeyIndex key : judgedKeys)
        if (Line(section, kInstallerKeys[key].name) != nullptr) written.push_back(kInstallerKeys[key].name);
      if (!written.empty())
        Warn(section.name, "",
             "is only ever a main installer, whose exit code the engine passes on without judging it: its " +
                 Join(written, ", ") + (written.size() == 1 ? " key has" : " keys have") + " no effect");
      return;
    }
    const RebootMode reboot = ReadRebootMode(Kept(section, kInstallerKeys[kKeyReboot]).c_str());
    // The codes as they are meant: an entry that the engine reads as another is refused on its own.
    const auto meant = [&](InstallerKeyIndex key) {
      std::vector<std::string> codes;
      for (const std::string& item : Items(Kept(section, kInstallerKeys[key]), "|"))
        if (!DecimalCode(item).empty()) codes.push_back(DecimalCode(item));
      return Join(codes, "|");
    };
    const MsiPrerequisite msi = {Kept(section, kInstallerKeys[kKeyReboot]),
                                 meant(kKeyRebootCodes),
                                 meant(kKeyFailCodes),
                                 Line(section, kInstallerKeys[kKeyFailCodes].name) != nullptr,
                                 meant(kKeyReinstallCodes),
                                 Kept(section, kInstallerKeys[kKeyArguments]),
                                 Line(section, kInstallerKeys[kKeyRebootCodes].name) != nullptr};
    const bool windowsInstaller = RunsWindowsInstaller(Lower(Kept(section, fileKey)));
    MsiCodesFinding finding;
    // Under "force" and "return" no list counts; for Windows Installer, the finding on its
    // failure codes says so with the lines to write instead.
    if (!UnconsultedListsReason(reboot).empty() && !(windowsInstaller && CheckMsiFailureCodes(msi, finding))) {
      std::vector<std::string> unused;
      for (InstallerKeyIndex key : {kKeyRebootCodes, kKeyFailCodes, kKeyReinstallCodes})
        if (CodeCount(section, key) > 0) unused.push_back(kInstallerKeys[key].name);
      if (!unused.empty())
        Warn(section.name, kInstallerKeys[kKeyReboot].name,
             UnconsultedListsReason(reboot) + ": the engine never uses " + Join(unused, ", "));
    } else if (reboot == RebootMode::kNone && CodeCount(section, kKeyRebootCodes) > 0) {
      Warn(section.name, kInstallerKeys[kKeyRebootCodes].name,
           "are never used: with Reboot \"none\" the engine asks for no restart");
    }
    if (!windowsInstaller) return;
    if (CheckMsiFailureCodes(msi, finding)) Warn(section.name, finding.key, finding.text);
    if (CheckMsiRestartCodes(msi, finding)) Warn(section.name, finding.key, finding.text);
  }

  std::vector<Roles> m_roles;
  std::vector<bool> m_silentChecked;  // an installer's arguments are judged once, for the first silent setup type
  std::vector<SettingsFinding> m_findings;
};

}  // namespace

std::vector<SettingsFinding> CheckSettings(const SettingsSnapshot& settings) { return Checker(settings).Run(); }

RequirementsUsed UsedRequirements(const SettingsSnapshot& settings) {
  RequirementsUsed used;
  const IndexedSettings index(settings);
  for (size_t i = 0; i < settings.sections.size(); i++) {
    if (!index.IsSetupType(i)) continue;
    used.os = used.os || !Trim(index.Kept(settings.sections[i], kSetupTypeKeys[kKeyReqOS])).empty();
    used.platform = used.platform || !Trim(index.Kept(settings.sections[i], kSetupTypeKeys[kKeyReqPlatform])).empty();
  }
  return used;
}

std::vector<WelcomeGreeting> WelcomeGreetings(const SettingsSnapshot& settings) {
  std::vector<WelcomeGreeting> greetings;
  const IndexedSettings index(settings);
  for (size_t i = 0; i < settings.sections.size(); i++) {
    const SettingsSection& section = settings.sections[i];
    if (!index.IsSetupType(i) || !IsYesValue(index.Kept(section, kSetupTypeKeys[kKeyWelcomeDlg]).c_str())) continue;
    const SettingsKey* key = &kSetupTypeKeys[kKeyDisplayName];
    if (index.Kept(section, *key).empty()) key = &kSetupTypeKeys[kKeyMainInstall];
    greetings.push_back({section.name, key->name, index.Kept(section, *key)});
  }
  return greetings;
}

std::vector<std::string> DisplayNames(const SettingsSnapshot& settings) {
  std::vector<std::string> names;
  const IndexedSettings index(settings);
  for (size_t i = 0; i < settings.sections.size(); i++) {
    const SettingsSection& section = settings.sections[i];
    if (!index.IsSetupType(i) || (!IsYesValue(index.Kept(section, kSetupTypeKeys[kKeyWelcomeDlg]).c_str()) &&
                                  !IsYesValue(index.Kept(section, kSetupTypeKeys[kKeyShowProgressBar]).c_str())))
      continue;
    const std::string name = index.Kept(section, kSetupTypeKeys[kKeyDisplayName]);
    names.push_back(!name.empty() ? name : index.Kept(section, kSetupTypeKeys[kKeyMainInstall]));
  }
  return names;
}

SettingsLines::SettingsLines(const std::string& text) {
  size_t number = 0;
  std::string section;     // the folded name of the section the lines belong to
  bool firstOfName = false;  // its header is the first of its name: the engine reads its lines
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line = Trim(line.substr(0, line.size() - 1));
    start = end + 1;
    number++;
    if (line.empty()) continue;
    if (line[0] == '[') {
      section = Folded(line.substr(1, line.find(']') - 1));
      std::vector<size_t>& headers = m_headers[section];
      firstOfName = headers.empty();
      headers.push_back(number);
    } else if (firstOfName) {
      m_keys[section + '\n' + Folded(line.substr(0, line.find('=')))].push_back(number);
    }
  }
}

size_t SettingsLines::Of(const std::string& section, const std::string& key, size_t occurrence) const {
  const auto headers = m_headers.find(Folded(section));
  if (headers == m_headers.end()) return 1;
  if (key.empty()) return headers->second[occurrence < headers->second.size() ? occurrence : 0];
  const auto lines = m_keys.find(Folded(section) + '\n' + Folded(key));
  if (lines != m_keys.end() && occurrence < lines->second.size()) return lines->second[occurrence];
  return headers->second[0];
}

std::string FindingLine(const std::string& file, const SettingsLines& lines, const SettingsFinding& finding) {
  std::string line = file + ":" + std::to_string(lines.Of(finding.section, finding.key, finding.occurrence)) + ": [" +
                     finding.section + "]";
  if (!finding.key.empty()) line += " " + finding.key;
  return line + ": " + finding.text;
}
