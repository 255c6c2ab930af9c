// The package's command line: option flags, option values and the pass-through table.
// Malformed, unknown or misspelled options are dropped (unknown ones are remembered for the
// log); over-long values are cut.
#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>
#include <string>
#include <vector>

enum CommandLineFlag : uint32_t {
  kOptHelp = 0x1,
  kOptLog = 0x2,
  kOptExtractSettings = 0x4,
  kOptReplaceSettings = 0x8,
  kOptNoWelcomeDlg = 0x10,
  kOptNoWelcomeWave = 0x20,
  kOptType = 0x40,
  kOptMoreHelp = 0x80,
  kOptPassthru = 0x100,
  kOptAllowXddm = 0x200,
  kOptQuiet = 0x400,  // /q: IGNOREERROR=1 for Windows Installer runs
  kOptQuietRun = 0x800,  // /quiet: silent mode, and no Welcome dialog or restart-product notice
  kOptUILanguage = 0x1000,
};

// What follows the program's name in the process's whole command line, without the blanks
// before it: the name ends at the first blank outside double quotes. It is what Windows hands
// WinMain, and the engine's own start-up hands it on the same way.
const char* ArgumentsAfterProgramName(const char* commandLine);

// How many characters of text belong to the option that starts there: up to the first "/" or
// "-" outside a pair of double quotes, or the end. Deployment tools quote every value, and a
// path may hold a dash. A quote without a partner further on is an ordinary character.
size_t OptionLength(const char* text);

class CommandLineParser {
 public:
  // Keeps a copy of the command line (without the program name); nothing is parsed yet.
  explicit CommandLineParser(const char* commandLine);
  virtual ~CommandLineParser() = default;
  CommandLineParser(const CommandLineParser&) = delete;
  CommandLineParser& operator=(const CommandLineParser&) = delete;

  // Calls HandleOption once per option token, in command-line order.
  void Parse();
  // The stored copy, or null when the command line was empty.
  const char* GetCommandLineCopy() const { return m_hasCopy ? m_copy.c_str() : nullptr; }

 protected:
  virtual void HandleOption(const char* name, const char* value) = 0;

 private:
  std::string m_copy;
  bool m_hasCopy = false;
};

class BootstrapperCommandLine : public CommandLineParser {
 public:
  // An installer section's name and one /passthru command for it (escapes still encoded).
  using PassThroughEntry = std::pair<std::string, std::string>;

  explicit BootstrapperCommandLine(const char* commandLine) : CommandLineParser(commandLine) {}

  bool Has(uint32_t flag) const { return (m_dwFlags & flag) != 0; }

  // The command line as received, with the value of each path option (/Log, /ReplaceSettings,
  // /ExtractSettings) replaced by what its field holds now where the two differ (quoted when it
  // holds a blank, a "/" or a "-"); everything else stays as typed. A field that holds a double
  // quote cannot be quoted: a /Log value is then left out (the option stays, and logs to the
  // default file), and for the settings paths the result is false.
  bool WithStoredPaths(std::string& out, bool* logPathDropped = nullptr) const;

  // Every /passthru command, each with the installer it is for, in the order given.
  std::vector<PassThroughEntry> m_PassThrough;
  char m_szExtractSettingsPath[260] = {};
  char m_szReplaceSettingsPath[260] = {};
  char m_szTypeName[100] = {};
  char m_szLogPath[260] = {};
  // The language /UILanguage asks for, as written ("de_DE", "de" or "1031").
  char m_szUILanguage[85] = {};
  uint32_t m_dwFlags = 0;
  // The options that were dropped because no keyword matches them, as typed (without their
  // prefix and value), in command-line order.
  std::vector<std::string> m_UnknownOptions;

 protected:
  void HandleOption(const char* name, const char* value) override;

 private:
  // False when no option's keyword matches the name.
  bool HandleKnownOption(const char* name, const char* value);
  void StorePassThrough(const char* value);
};

// The shell's path clean-up as the command line applies it: strip leading and trailing spaces,
// then remove one pair of double quotes that encloses the whole value.
void RemoveBlanks(char* text);
void UnquoteSpaces(char* text);
