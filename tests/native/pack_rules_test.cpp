#include <doctest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../../tools/pack/PackOptions.h"
#include "../../tools/pack/PackRules.h"

namespace {

struct NameCase {
  int line;
  std::string name;
  std::string resource;
};

struct PayloadCase {
  int line;
  const char* file;
  const char* arguments;
  PayloadRule rule;
  const char* payload;
};

struct OptionCase {
  int line;
  std::vector<const char*> args;
  const char* error;  // "" when accepted
  const char* settings;
  const char* payload;
  const char* out;
  const char* engine;
  bool embed;
  bool help;
  bool strict = false;
  bool check = false;
  const char* list = "";
};

}  // namespace

TEST_CASE("installer resource names: INSTALLER_ and the Name with blanks as underscores, within 149 characters") {
  const NameCase cases[] = {
      {__LINE__, "AI", "INSTALLER_AI"},
      {__LINE__, "Vellora Setup", "INSTALLER_Vellora_Setup"},
      {__LINE__, " two  blanks ", "INSTALLER__two__blanks_"},
      {__LINE__, "tab\there", "INSTALLER_tab\there"},  // only the blank is replaced
      {__LINE__, "", "INSTALLER_"},
      {__LINE__, std::string(98, 'n'), "INSTALLER_" + std::string(98, 'n')},
      {__LINE__, std::string(200, ' '), "INSTALLER_" + std::string(139, '_')},
  };
  for (const NameCase& c : cases) {
    CAPTURE(c.line);
    char out[kResourceNameSize];
    memset(out, 'x', sizeof(out));
    InstallerResourceName(c.name.c_str(), out);
    CHECK(std::string(out) == c.resource);
  }
}

TEST_CASE("the payload file is File, or for an msiexec run the file after the action switch") {
  const PayloadCase cases[] = {
      {__LINE__, "ani.exe", "", PayloadRule::kOk, "ani.exe"},
      {__LINE__, "ani.exe", "/i other.msi", PayloadRule::kOk, "ani.exe"},
      {__LINE__, "msiexec.exe", "/i AI.msi", PayloadRule::kOk, "AI.msi"},
      {__LINE__, "msiexec", "/qn /i AI.msi", PayloadRule::kOk, "AI.msi"},
      {__LINE__, "msiexec.exe", "/i \"my file.msi\" /qn", PayloadRule::kOk, "my file.msi"},
      {__LINE__, "msiexec.exe", "/package setup.msi /passive", PayloadRule::kOk, "setup.msi"},
      {__LINE__, "msiexec.exe", "/update fix.msp", PayloadRule::kOk, "fix.msp"},
      {__LINE__, "msiexec.exe", "/I AI.msi", PayloadRule::kOk, "AI.msi"},  // as the engine reads it
      {__LINE__, "msiexec.exe", "", PayloadRule::kNoMsiFile, ""},
      {__LINE__, "msiexec.exe", "/qn", PayloadRule::kNoMsiFile, ""},
      {__LINE__, "msiexec.exe", "/i \"\"", PayloadRule::kNoMsiFile, ""},
      {__LINE__, "msiexec.exe", "/i C:\\kit\\AI.msi", PayloadRule::kNotAFileName, "C:\\kit\\AI.msi"},
      {__LINE__, "tools\\setup.exe", "", PayloadRule::kNotAFileName, "tools\\setup.exe"},
      {__LINE__, "a/b.exe", "", PayloadRule::kNotAFileName, "a/b.exe"},
      {__LINE__, "setup?.exe", "", PayloadRule::kNotAFileName, "setup?.exe"},
      {__LINE__, "MSIEXEC.EXE", "/i AI.msi", PayloadRule::kOk, "MSIEXEC.EXE"},  // File is lower-cased before this
  };
  for (const PayloadCase& c : cases) {
    CAPTURE(c.line);
    char out[kPayloadNameSize];
    memset(out, 'x', sizeof(out));
    CHECK(PayloadFileName(c.file, c.arguments, out) == c.rule);
    CHECK(std::string(out) == c.payload);
  }
}

TEST_CASE("the payload name of an msiexec run is cut at 259 characters") {
  std::string arguments = "/i " + std::string(400, 'm') + ".msi";
  char out[kPayloadNameSize];
  CHECK(PayloadFileName("msiexec.exe", arguments.c_str(), out) == PayloadRule::kOk);
  CHECK(strlen(out) == 259);
}

TEST_CASE("PendrixPack's command line") {
  const OptionCase cases[] = {
      {__LINE__, {"--settings", "s.ini", "--payload", "p", "--out", "o.exe"}, "", "s.ini", "p", "o.exe", "", false, false},
      {__LINE__, {"--out", "o.exe", "--embed-settings", "--engine", "e.exe", "--payload", "p", "--settings", "s"}, "", "s", "p",
       "o.exe", "e.exe", true, false},
      {__LINE__, {"--help"}, "", "", "", "", "", false, true},
      {__LINE__, {"/?"}, "", "", "", "", "", false, true},
      {__LINE__, {"--settings", "s", "--help", "--bogus"}, "unknown argument \"--bogus\"", "", "", "", "", false, false},
      {__LINE__, {}, "--settings is missing", "", "", "", "", false, false},
      {__LINE__, {"--settings", "s", "--payload", "p"}, "--out is missing", "", "", "", "", false, false},
      {__LINE__, {"--settings", "s", "--out", "o"}, "--payload is missing", "", "", "", "", false, false},
      {__LINE__, {"--settings"}, "--settings needs a value", "", "", "", "", false, false},
      {__LINE__, {"--settings", ""}, "--settings needs a value", "", "", "", "", false, false},
      {__LINE__, {"--settings", "a", "--settings", "b"}, "--settings is given twice", "", "", "", "", false, false},
      {__LINE__, {"--embed-settings", "--embed-settings"}, "--embed-settings is given twice", "", "", "", "", false, false},
      {__LINE__, {"-settings", "s"}, "unknown argument \"-settings\"", "", "", "", "", false, false},
      {__LINE__, {"--SETTINGS", "s"}, "unknown argument \"--SETTINGS\"", "", "", "", "", false, false},
      {__LINE__, {"s.ini"}, "unknown argument \"s.ini\"", "", "", "", "", false, false},
      // "C:\kit\" quoted on the command line arrives with a stray quote for its last backslash.
      {__LINE__, {"--settings", "s", "--payload", "C:\\kit\"", "--out", "o"}, "", "s", "C:\\kit", "o", "", false, false},
      {__LINE__, {"--settings", "\""}, "--settings needs a value", "", "", "", "", false, false},
      // A value may itself look like an option: it is taken as the value.
      {__LINE__, {"--settings", "--payload", "--payload", "p", "--out", "o"}, "", "--payload", "p", "o", "", false, false},
      {__LINE__, {"--settings", "s", "--payload", "p", "--out", "o", "--strict"}, "", "s", "p", "o", "", false, false, true},
      {__LINE__, {"--strict", "--strict"}, "--strict is given twice", "", "", "", "", false, false},
      // --check needs only the settings, and builds nothing.
      {__LINE__, {"--check", "--settings", "s"}, "", "s", "", "", "", false, false, false, true},
      {__LINE__, {"--settings", "s", "--payload", "p", "--check", "--strict"}, "", "s", "p", "", "", false, false, true,
       true},
      {__LINE__, {"--check"}, "--settings is missing", "", "", "", "", false, false},
      {__LINE__, {"--check", "--settings", "s", "--out", "o"}, "--check builds nothing and takes no --out", "", "", "",
       "", false, false},
      {__LINE__, {"--check", "--settings", "s", "--embed-settings"}, "--check builds nothing and takes no --embed-settings",
       "", "", "", "", false, false},
      // --list takes the package and nothing else.
      {__LINE__, {"--list", "p.exe"}, "", "", "", "", "", false, false, false, false, "p.exe"},
      {__LINE__, {"--list", "p.exe", "--strict"}, "--list takes no --strict", "", "", "", "", false, false},
      {__LINE__, {"--list", "p.exe", "--settings", "s"}, "--list takes no --settings", "", "", "", "", false, false},
      {__LINE__, {"--list"}, "--list needs a value", "", "", "", "", false, false},
  };
  for (const OptionCase& c : cases) {
    CAPTURE(c.line);
    std::vector<const char*> argv = {"PendrixPack.exe"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    PackOptions options;
    std::string error = ParsePackOptions(static_cast<int>(argv.size()), argv.data(), options);
    CHECK(error == c.error);
    if (!error.empty()) continue;
    CHECK(options.settings == c.settings);
    CHECK(options.payload == c.payload);
    CHECK(options.out == c.out);
    CHECK(options.engine == c.engine);
    CHECK(options.embedSettings == c.embed);
    CHECK(options.help == c.help);
    CHECK(options.strict == c.strict);
    CHECK(options.check == c.check);
    CHECK(options.list == c.list);
  }
}
