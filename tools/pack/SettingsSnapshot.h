// The settings as the engine reads them, taken from what Windows' profile functions tell of the
// file: each section's lines, the first section of a name, and for each key the value of its
// first line, without the blanks around it and the one pair of quotes that enclose it, as
// GetPrivateProfileString gives it. One question per section, none per key: a file of many keys
// is read in time that grows with its length. Portable: the profile functions are asked through
// ProfileReader.
#pragma once
#include <string>
#include <vector>

#include "SettingsCheck.h"

// What the profile functions tell of one settings file.
class ProfileReader {
 public:
  virtual ~ProfileReader() = default;
  virtual std::vector<std::u16string> SectionNames() = 0;
  // The lines of the first section of this name, as GetPrivateProfileSection gives them.
  virtual std::vector<std::u16string> SectionLines(const std::u16string& section) = 0;
  // The name in a form that is the same for every name the profile functions take for it.
  virtual std::u16string Folded(const std::u16string& name) = 0;
  // A text as the engine's ANSI calls receive it.
  virtual std::string Narrow(const std::u16string& text) = 0;
};

// One name or value of the file: its place and its text as written.
struct WrittenText {
  std::string section;
  std::string key;  // empty for the section's own name
  std::u16string text;
};

// The snapshot CheckSettings reads, and every name and value as written.
SettingsSnapshot ReadSettingsSnapshot(ProfileReader& profile, std::vector<WrittenText>& written);
