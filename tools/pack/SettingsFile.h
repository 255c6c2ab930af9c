// The settings file as PendrixPack reads and embeds it. A file in UTF-8, with or without a
// byte-order mark, in UTF-16 BE or in the ANSI code page is embedded as UTF-16 LE with a
// byte-order mark, which Windows' profile functions read on any machine and hand to the engine
// in the user's code page; pure ASCII and UTF-16 LE are embedded as they are. Every check reads
// the text that will be embedded, through a copy of it when it was converted.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "SettingsEncoding.h"
#include "TemporaryFile.h"

class SettingsFile {
 public:
  // Reads the file (a full path). Returns 0, or a Windows error code with `error` set to one line
  // naming the file as the user wrote it (`shown`).
  DWORD Load(const std::string& path, const std::string& shown, std::string& error);

  const std::string& path() const { return m_path; }
  // The file the profile functions read: the settings file, or the UTF-16 copy of its text (a
  // copy too where the code page cannot spell the file's name).
  // In the ANSI code page, as the profile functions' ANSI calls take it.
  const std::string& readPath() const { return m_copy.path().empty() ? m_ansiPath : m_copy.path(); }
  TextEncoding encoding() const { return m_encoding; }
  bool converted() const { return m_converted; }
  // What the package carries as its settings.
  const std::vector<uint8_t>& embedded() const { return m_embedded; }
  // A UTF-8 byte-order mark on the line of the first section header: Windows reads it as part
  // of the line, and that section is lost to a package that reads the file beside it.
  bool markHidesFirstSection() const { return m_markHidesFirstSection; }

 private:
  std::string m_path;      // UTF-8, as PendrixPack names files
  std::string m_ansiPath;  // the same in the ANSI code page
  TextEncoding m_encoding = TextEncoding::kAscii;
  std::vector<uint8_t> m_embedded;
  TemporaryFile m_copy;
  bool m_markHidesFirstSection = false;
  bool m_converted = false;

  DWORD WriteCopy(const std::string& shown, std::string& error);
};

// The text of a settings file (named in the ANSI code page, as readPath() is) as the profile
// functions compare its names: a file beginning with the UTF-16 LE byte-order mark in the ANSI
// code page, any other as its bytes.
std::string SettingsTextOfNames(const std::string& path);
