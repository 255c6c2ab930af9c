#include <doctest.h>

#include <cstring>
#include <string>

#include "core/CommandLine.h"

namespace {

struct Parsed : BootstrapperCommandLine {
  explicit Parsed(const char* commandLine) : BootstrapperCommandLine(commandLine) { Parse(); }
  std::vector<std::string> Commands(const char* installer) const {
    std::vector<std::string> commands;
    for (const auto& [name, command] : m_PassThrough)
      if (name == installer) commands.push_back(command);
    return commands;
  }
};

struct FlagCase {
  int line;
  const char* commandLine;
  uint32_t flags;
};

}  // namespace

TEST_CASE("options set exactly their flags") {
  const FlagCase cases[] = {
      {__LINE__, "", 0},
      {__LINE__, "help", kOptHelp},
      {__LINE__, "/HELP", kOptHelp},
      {__LINE__, "/?xyz", kOptHelp},
      {__LINE__, "-?", kOptHelp},
      {__LINE__, "/helpme", 0},
      {__LINE__, "/hel", 0},
      {__LINE__, "/Log", kOptLog},
      {__LINE__, "/logs", 0},
      {__LINE__, "/NoWelcomeDlg /nowelcomewave", kOptNoWelcomeDlg | kOptNoWelcomeWave},
      {__LINE__, "/NoWelcome", 0},
      {__LINE__, "/type=server", 0},
      {__LINE__, "/Type\tname", 0},
      {__LINE__, "/MoreHelp", kOptMoreHelp},
      {__LINE__, "/AllowXDDM /Q", kOptAllowXddm | kOptQuiet},
      {__LINE__, "/quiet", kOptQuietRun},
      {__LINE__, "-QUIET /q", kOptQuietRun | kOptQuiet},
      {__LINE__, "/ExtractSettings /ReplaceSettings", kOptExtractSettings | kOptReplaceSettings},
      {__LINE__, "/Type", kOptType},
      {__LINE__, "/unknown /x y /Help", kOptHelp},
      {__LINE__, "/passthru", 0},
      {__LINE__, "/passthru A@one@two", 0},
      {__LINE__, "/passthru @cmd", 0},
      {__LINE__, "/passthru A@", 0},
      {__LINE__, "/passthru A@cmd", kOptPassthru},
      {__LINE__, "/Help /MoreHelp", kOptHelp | kOptMoreHelp},
      {__LINE__, "/uilanguage de_DE", kOptUILanguage},
      {__LINE__, "/UILang de", 0},
      // Inside a pair of quotes a "/" or "-" is text; a quote without a partner is text too.
      {__LINE__, "/Type \"x /quiet -q\"", kOptType},
      {__LINE__, "/Type \"x /quiet", kOptType | kOptQuietRun},
  };
  for (const FlagCase& c : cases) {
    CAPTURE(c.line);
    Parsed parsed(c.commandLine);
    CHECK(parsed.m_dwFlags == c.flags);
  }
}

TEST_CASE("options no keyword matches are remembered as typed, for the log") {
  // A dash inside a path starts an option of its own.
  CHECK(Parsed("/norestart /quiet -s /Log c:\\logs\\setup-1.log /helpme").m_UnknownOptions ==
        std::vector<std::string>{"norestart", "s", "1.log", "helpme"});
  CHECK(Parsed("setup /NoWelcome /passthru /q").m_UnknownOptions == std::vector<std::string>{"setup", "NoWelcome"});
}

TEST_CASE("an empty command line stores no copy") {
  Parsed empty("");
  CHECK(empty.GetCommandLineCopy() == nullptr);
  Parsed none(nullptr);
  CHECK(none.GetCommandLineCopy() == nullptr);
  Parsed some("/Log x");
  REQUIRE(some.GetCommandLineCopy() != nullptr);
  CHECK(std::string(some.GetCommandLineCopy()) == "/Log x");
}

TEST_CASE("the arguments after the program's name, as Windows hands them to WinMain") {
  const std::pair<const char*, const char*> cases[] = {
      {"Setup.exe /Log x", "/Log x"},
      {"\"C:\\Pack ages\\Setup.exe\"  \t/quiet ", "/quiet "},
      {"C:\\a\"b c\"d.exe /q", "/q"},  // quotes inside the name join its words
      {"\"unclosed name /q", ""},
      {"Setup.exe", ""},
      {"", ""},
      {"  /q", "/q"},  // no name at all: the blanks before the arguments still go
  };
  for (const auto& one : cases) CHECK_MESSAGE(std::string(ArgumentsAfterProgramName(one.first)) == one.second, one.first);
  CHECK(std::string(ArgumentsAfterProgramName(nullptr)).empty());
}

namespace {
struct ValueCase {
  int line;
  const char* commandLine;
  const char* log;
  const char* type;
  const char* extract;
  const char* replace;
};
}  // namespace

TEST_CASE("option values: prefixes split inside values, blanks, quotes and repeats") {
  const ValueCase cases[] = {
      {__LINE__, "/Log c:\\logs\\setup-1.log", "c:\\logs\\setup", "", "", ""},
      {__LINE__, "/Log \"c:\\my logs\\setup.log\"", "c:\\my logs\\setup.log", "", "", ""},
      {__LINE__, "/Log   c:\\a.log   ", "c:\\a.log", "", "", ""},
      {__LINE__, "/Log c:\\first.log /Log", "c:\\first.log", "", "", ""},
      {__LINE__, "/Log c:\\first.log /Log c:\\second.log", "c:\\second.log", "", "", ""},
      {__LINE__, "/Type \"Server Type\"", "", "Server Type", "", ""},
      {__LINE__, "/Type  \"admin_silent\" ", "", "admin_silent", "", ""},
      {__LINE__, "/Type \"half", "", "\"half", "", ""},
      {__LINE__, "/Type SilentCD", "", "SilentCD", "", ""},
      {__LINE__, "/Type a /Type", "", "a", "", ""},
      {__LINE__, "Type default", "", "default", "", ""},
      {__LINE__, "/ExtractSettings \"c:\\ZR setup\\Old.ini\"", "", "", "c:\\ZR setup\\Old.ini", ""},
      {__LINE__, "/ReplaceSettings c:\\New.ini /Log", "", "", "", "c:\\New.ini"},
      {__LINE__, "/Log \"", "", "", "", ""},
      {__LINE__, "/Log \"c:\\half", "\"c:\\half", "", "", ""},
      {__LINE__, "/Help c:\\ignored", "", "", "", ""},
      {__LINE__, "/Log \"C:\\logs\\Acme-Suite.log\"", "C:\\logs\\Acme-Suite.log", "", "", ""},
      {__LINE__, "-ReplaceSettings \"\\\\srv\\x-y/z.ini\"-Type \"a-b\"", "", "a-b", "", "\\\\srv\\x-y/z.ini"},
  };
  for (const ValueCase& c : cases) {
    CAPTURE(c.line);
    Parsed parsed(c.commandLine);
    CHECK(std::string(parsed.m_szLogPath) == c.log);
    CHECK(std::string(parsed.m_szTypeName) == c.type);
    CHECK(std::string(parsed.m_szExtractSettingsPath) == c.extract);
    CHECK(std::string(parsed.m_szReplaceSettingsPath) == c.replace);
  }
  CHECK(std::string(Parsed("/UILanguage \"de_DE\" ").m_szUILanguage) == "de_DE");
}

TEST_CASE("the command line with its paths as the run resolved them, the rest as typed") {
  struct Case {
    int line;
    const char* commandLine;
    const char* log;  // the fields once resolved; nullptr: as parsed
    const char* replace;
    const char* written;  // nullptr: refused, "-" would start another option
    bool logDropped;
  } cases[] = {
      {__LINE__, "-LOG  run.log  -ReplaceSettings alt.ini /passthru A@#2l", "C:\\my pkg\\run.log", "C:\\alt.ini",
       "-LOG  \"C:\\my pkg\\run.log\"  -ReplaceSettings C:\\alt.ini /passthru A@#2l", false},
      {__LINE__, "/Log \"C:\\x\\y.log\" /Logs z /Log", nullptr, nullptr, "/Log \"C:\\x\\y.log\" /Logs z /Log", false},
      {__LINE__, "/Log a.log /Log b.log", "C:\\b.log", nullptr, "/Log C:\\b.log /Log C:\\b.log", false},
      // A path that holds a dash or a slash is quoted.
      {__LINE__, "/ReplaceSettings alt.ini", nullptr, "C:\\my-pkg\\alt.ini", "/ReplaceSettings \"C:\\my-pkg\\alt.ini\"",
       false},
      {__LINE__, "/log  setup.log  /Type \"x\"", "C:\\Anne-Marie\\setup.log", nullptr,
       "/log  \"C:\\Anne-Marie\\setup.log\"  /Type \"x\"", false},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    Parsed parsed(c.commandLine);
    if (c.log != nullptr) strcpy(parsed.m_szLogPath, c.log);
    if (c.replace != nullptr) strcpy(parsed.m_szReplaceSettingsPath, c.replace);
    std::string written;
    bool logDropped = false;
    REQUIRE(parsed.WithStoredPaths(written, &logDropped) == (c.written != nullptr));
    CHECK(logDropped == c.logDropped);
    if (c.written != nullptr) CHECK(written == c.written);
  }
}

TEST_CASE("over-long values are cut at 259 and 99 characters") {
  std::string longPath(400, 'p');
  Parsed log(("/Log " + longPath).c_str());
  CHECK(std::string(log.m_szLogPath) == std::string(259, 'p'));
  // The cut happens before the quotes are removed: a long quoted path keeps its opening quote.
  Parsed quoted(("/Log \"" + longPath + "\"").c_str());
  CHECK(std::string(quoted.m_szLogPath) == "\"" + std::string(258, 'p'));
  Parsed type(("/Type " + std::string(150, 't')).c_str());
  CHECK(std::string(type.m_szTypeName) == std::string(99, 't'));
  // Blanks are stripped after the cut, so trailing blanks inside the first 99 go too.
  Parsed blanks(("/Type " + std::string(97, 'x') + std::string(10, ' ') + "y").c_str());
  CHECK(std::string(blanks.m_szTypeName) == std::string(97, 'x'));
}

TEST_CASE("pass-through commands accumulate per installer in command-line order") {
  Parsed both("/passthru AnInstaller,AnotherInstaller@#2l");
  CHECK(both.Commands("AnInstaller") == std::vector<std::string>{"#2l"});
  CHECK(both.Commands("AnotherInstaller") == std::vector<std::string>{"#2l"});

  // The value runs up to the next option prefix, so the first command keeps its trailing blank.
  Parsed repeated("/passthru AnInstaller@#2l /passthru AnInstaller@#2x");
  CHECK(repeated.Commands("AnInstaller") == std::vector<std::string>{"#2l ", "#2x"});

  Parsed spaced("/passthru A, B@cmd");
  CHECK(spaced.Commands("A") == std::vector<std::string>{"cmd"});
  CHECK(spaced.Commands(" B") == std::vector<std::string>{"cmd"});
  CHECK(spaced.Commands("B").empty());

  Parsed commas("/passthru ,,@cmd");
  CHECK(commas.Commands(",,") == std::vector<std::string>{"cmd"});

  Parsed cased("/passthru aninstaller@#2l");
  CHECK(cased.Commands("AnInstaller").empty());
  CHECK(cased.Commands("aninstaller") == std::vector<std::string>{"#2l"});

  Parsed malformed("/passthru A@one@two /passthru @cmd /passthru B@ok");
  CHECK(malformed.m_PassThrough.size() == 1);
  CHECK(malformed.Has(kOptPassthru));
  CHECK(malformed.Commands("B") == std::vector<std::string>{"ok"});

  // A dash in the command starts a new option: only what precedes it is stored; quoted, it stays.
  Parsed dash("/passthru A@x-y");
  CHECK(dash.Commands("A") == std::vector<std::string>{"x"});
  Parsed quoted("/passthru A@\"/qn x-y\"#2l /q");
  CHECK(quoted.Commands("A") == std::vector<std::string>{"\"/qn x-y\"#2l "});
}

TEST_CASE("path clean-up strips blanks and one pair of enclosing quotes") {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"  a b  ", "a b"}, {"\"a b\"", "a b"}, {" \"a\" ", "a"}, {"\"\"x\"\"", "\"x\""},
      {"\"a", "\"a"},     {"a\"", "a\""},     {"\"", ""},       {"", ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.in);
    char buffer[32];
    strcpy(buffer, c.in);
    RemoveBlanks(buffer);
    UnquoteSpaces(buffer);
    CHECK(std::string(buffer) == c.out);
  }
}
