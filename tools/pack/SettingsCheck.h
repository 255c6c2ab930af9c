// What PendrixPack tells a package maker about a settings file before packing it: every
// mistake the engine would pass over in silence, as a warning, and the few that would make the
// engine run other installers than the ones named, as refusals. The rules are the engine's own
// (settings/SettingsKeys.h and the rules it names), so a warning says what the engine will do.
// Portable: on Windows the snapshot is read through the profile functions, in tests it is
// written by hand.
#pragma once
#include <string>
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

// One line for a finding: "<file>: [<section>] <key>: <text>".
std::string FindingLine(const std::string& file, const SettingsFinding& finding);
