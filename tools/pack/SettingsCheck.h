// What PendrixPack tells a package maker about a settings file before packing it: every
// mistake the engine would pass over in silence, as a warning, and the few that would make the
// engine run other installers than the ones named or judge other exit codes than the ones
// written, as refusals. The rules are the engine's own
// (settings/SettingsKeys.h and the rules it names), so a warning says what the engine will do.
// Portable: on Windows the snapshot is read through the profile functions, in tests it is
// written by hand.
#pragma once
#include <string>
#include <unordered_map>
#include <vector>

// One line of a section: its key, and the value the engine reads for that key, whole (the
// profile functions' value of the first line with this key; empty for a line without "=").
struct SettingsLine {
  std::string key;
  std::string value;
};

// A section as the profile functions give it. Sections come in file order; a section written
// again under a name already seen (letter case aside) is listed again, without lines, since the
// engine reads only the first.
struct SettingsSection {
  std::string name;
  std::vector<SettingsLine> lines;
};

struct SettingsSnapshot {
  std::vector<SettingsSection> sections;
};

enum class FindingLevel { kWarning, kRefusal };

struct SettingsFinding {
  FindingLevel level;
  std::string section;
  std::string key;  // empty when the finding is about the section as a whole
  std::string text;
  // Which of the sections of this name, or of the lines of this key in it, the finding is about:
  // 0 for the first, which is the one the engine reads; more for one written again.
  size_t occurrence = 0;
};

// Every finding, section by section in file order.
std::vector<SettingsFinding> CheckSettings(const SettingsSnapshot& settings);

// A setup type that shows the Welcome dialog, and the display name it greets the user with:
// its Name, or its MainInstall when Name is empty, as the engine keeps them.
struct WelcomeGreeting {
  std::string section;
  std::string key;  // the key the name comes from
  std::string displayName;
};
std::vector<WelcomeGreeting> WelcomeGreetings(const SettingsSnapshot& settings);
// The display name of every setup type that shows it in a dialog: its Welcome dialog or its
// progress window.
std::vector<std::string> DisplayNames(const SettingsSnapshot& settings);

// The requirements that some setup type sets, whose refusals the package may then show and speak.
struct RequirementsUsed {
  bool os = false;
  bool platform = false;
};
RequirementsUsed UsedRequirements(const SettingsSnapshot& settings);

// Where each section header and key line of a settings file lies, by the file's own text (in
// the code page its names are compared in), so that a finding can name its line.
class SettingsLines {
 public:
  explicit SettingsLines(const std::string& text);
  // The line of a finding: of its key in the first section of its name (or, for a key written
  // again, of that line), else of its section's header; 1, the top of the file, for a section
  // that is not written at all.
  size_t Of(const std::string& section, const std::string& key, size_t occurrence = 0) const;

 private:
  // The line numbers of each section's headers, by the folded name; of each key's lines after
  // the first header of its section, by the folded section name and key. Looked up, not searched,
  // so that the findings of a long file are numbered in time that grows with it.
  std::unordered_map<std::string, std::vector<size_t>> m_headers;
  std::unordered_map<std::string, std::vector<size_t>> m_keys;
};

// One line for a finding, as compilers write theirs: "<file>:<line>: [<section>] <key>: <text>".
std::string FindingLine(const std::string& file, const SettingsLines& lines, const SettingsFinding& finding);
