#include "SettingsReference.h"

namespace {

// What the engine does with each key, in the order of the table's keys.
const char* const kSetupTypeMeanings[kSetupTypeKeyCount] = {
    "The prerequisites, run in the order written before the main installer. Empty items (from `||`) are "
    "dropped; blanks around a name stay part of it.",
    "The main installer, run after the prerequisites. Its exit code becomes the package's exit code, unjudged.",
    "The name in every caption and message; when empty, the MainInstall value is shown.",
    "Shows the Welcome dialog: Talking Install, Silent Install, or Escape, which ends the package with exit code 0. "
    "Shown in a silent setup type too; not with /NoWelcomeDlg or /quiet, nor where nobody can see the package's "
    "windows, nor while a screen reader of the maker runs.",
    "Speaks the welcome prompt: in the Welcome dialog, or on its own before the install. Not with /NoWelcomeWave, "
    "nor in a silent setup type.",
    "`Admin`: the user must be an administrator; `PowerUser`: a power user or an administrator. Refused with exit "
    "code 5. Any other word is no requirement.",
    "Speaks the restart prompts.",
    "When there are prerequisites: a System Restore point before them, and a progress dialog that advances once per "
    "prerequisite (not with /quiet, nor where nobody can see it).",
    "After the install, tells the user to restart the maker's product; shown in silent mode too, but not with /quiet, "
    "nor where nobody can see it.",
    "Passes `REMOVESHARED=1` to Windows Installer runs.",
    "The lowest Windows version, as Windows reports it: 5.1 is XP, 6.0 Vista, 6.1 Windows 7; only major and minor "
    "count. Refused with exit code 5. Text that is no number reads as 0.0, which every Windows meets.",
    "`x86`: 32-bit Windows only; `x64`: 64-bit Windows only. Only the first three characters count. Refused with exit "
    "code 5; any other word is met by no machine.",
};

const char* const kInstallerMeanings[kInstallerKeyCount] = {
    "Required. The installer's resource is `INSTALLER_` and the Name with blanks as underscores; a Windows Installer "
    "run with /Log writes its verbose log `<Name>.log` beside the package's log.",
    "Required; lower-cased. The program to start. A value containing `msiexec` is a Windows Installer run: the file "
    "extracted is the word after `/i`, `/package`, `/x`, `/uninstall`, `/p` or `/update` in Arguments, in any "
    "letter case.",
    "The installer's command line. Windows Installer runs get properties appended (SOURCE_DIR, REINSTALL, "
    "REMOVESHARED, ALLOWXDDM, IGNOREERROR, SUPPRESS_RUNTIME_SPEECH) and a verbose log, within 999 characters.",
    "What a restart request of this prerequisite leads to, below. A missing key is `defer`; an empty value or any "
    "other word acts as `none`.",
    "Exit codes that ask for a restart, under `defer`, `deferforce`, `immediate` and `immediateforce`.",
    "Exit codes that mean failure: the package stops and ends with that exit code.",
    "Seconds between waiting tones while the installer runs; 0 is no tone.",
    "Runs a prerequisite even when the same or a newer version of its MSI product is installed.",
    "For a Windows Installer run, passes `SOURCE_DIR=\"<package folder>\"` unless Arguments already set it.",
    "Runs File where its path leads from the package's folder instead of extracting it; nothing is embedded.",
    "Existence rules that skip the installer or make it run, below.",
    "Marks the extracted installer for the program-compatibility assistant (Vista and later), which would otherwise "
    "ask whether it installed correctly.",
    "Exit codes that offer to clean up the product's Windows Installer registration and run the installer once more.",
};

// What each Reboot keyword does, in the order of RebootMode.
const char* const kRebootMeanings[] = {
    "No restart handling; RebootCodes are not used.",
    ("After every run, whatever the exit code, and without consulting any code list: asks to restart now (OK "
     "only). Declined, or in a silent setup type, the package ends with this prerequisite's exit code, or with 3010 "
     "for a 0, when the rest runs after the restart."),
    "No restart, and no code list is consulted: the package goes on.",
    "An exit code in RebootCodes records a restart; after the last prerequisite the user is asked once, OK or Cancel.",
    "As `defer`, but the user is only told (OK), and the computer restarts.",
    "An exit code in RebootCodes asks to restart now, OK or Cancel; Cancel goes on with the package.",
    "An exit code in RebootCodes asks to restart now (OK only). Declined, or in a silent setup type, the package ends "
    "with this prerequisite's exit code, or with 3010 for a 0, when the rest runs after the restart.",
};
static_assert(sizeof(kRebootMeanings) / sizeof(kRebootMeanings[0]) ==
                  sizeof(kRebootKeywords) / sizeof(kRebootKeywords[0]),
              "one meaning per keyword");

std::string Code(const std::string& text) { return "`" + text + "`"; }

// A table cell: a bar in it would end the cell, even inside a code span.
std::string Cell(const std::string& text) {
  std::string cell;
  for (char c : text) cell += c == '|' ? std::string("\\|") : std::string(1, c);
  return "| " + cell + " ";
}

std::string ValueText(const SettingsKey& key) {
  switch (key.kind) {
    case SettingsValueKind::kText:
      return "text";
    case SettingsValueKind::kSectionList:
      return "installer section names separated by `|`";
    case SettingsValueKind::kSectionName:
      return "an installer section name";
    case SettingsValueKind::kYesNo:
      return "yes or no";
    case SettingsValueKind::kKeyword: {
      std::string words;
      for (size_t i = 0; i < key.keywords.count; i++) words += (i == 0 ? "" : ", ") + Code(key.keywords.words[i]);
      return "one of " + words;
    }
    case SettingsValueKind::kVersion:
      return "a version such as `5.1`";
    case SettingsValueKind::kCodeList:
      return "exit codes separated by `|`";
    case SettingsValueKind::kNumber:
      return "a whole number";
    case SettingsValueKind::kRuleList:
      return "existence rules separated by `;`";
  }
  return "";
}

}  // namespace

std::string SettingsKeyTable(SettingsSectionKind kind) {
  size_t count = 0;
  const SettingsKey* keys = SettingsKeysOf(kind, count);
  const char* const* meanings = kind == SettingsSectionKind::kSetupType ? kSetupTypeMeanings : kInstallerMeanings;
  std::string table =
      "| Key | Value | Default | Kept | What the engine does with it |\n"
      "|---|---|---|---|---|\n";
  for (size_t i = 0; i < count; i++) {
    const SettingsKey& key = keys[i];
    std::string kept = key.chars == 0 ? "a number" : std::to_string(key.chars) + " characters";
    std::string fallback = key.defaultValue[0] == '\0' ? "empty" : Code(key.defaultValue);
    table += Cell(Code(key.name)) + Cell(ValueText(key)) + Cell(fallback) + Cell(kept) + Cell(meanings[i]) + "|\n";
  }
  return table;
}

std::string RebootModeTable() {
  std::string table =
      "| Reboot | What happens |\n"
      "|---|---|\n";
  size_t i = 0;
  for (const char* keyword : kRebootKeywords) table += Cell(Code(keyword)) + Cell(kRebootMeanings[i++]) + "|\n";
  return table;
}
