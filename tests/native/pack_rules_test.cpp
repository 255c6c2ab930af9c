#include <doctest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../../tools/pack/PackOptions.h"
#include "../../tools/pack/PackRules.h"
#include "../../tools/pack/SettingsEncoding.h"
#include "../../tools/pack/VersionResource.h"
#include "../../tools/pack/WindowsInstallerCheck.h"

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
  bool doNotExtract;
  InstallerFileRule rule;
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
  const char* level = "";
  const char* extract = "";
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

TEST_CASE("the installer file is File or the MSI after the action switch; an extracted one keeps a plain name") {
  const InstallerFileRule ok = InstallerFileRule::kOk, notName = InstallerFileRule::kNotAFileName,
                          notPath = InstallerFileRule::kNotRunnable;
  const PayloadCase cases[] = {
      {__LINE__, "ani.exe", "", false, ok, "ani.exe"},
      {__LINE__, "ani.exe", "/i other.msi", false, ok, "ani.exe"},
      {__LINE__, "msiexec.exe", "/i AI.msi", false, ok, "AI.msi"},
      {__LINE__, "msiexec", "/qn /i AI.msi", false, ok, "AI.msi"},
      {__LINE__, "msiexec.exe", "/i \"my file.msi\" /qn", false, ok, "my file.msi"},
      {__LINE__, "msiexec.exe", "/package setup.msi /passive", false, ok, "setup.msi"},
      {__LINE__, "msiexec.exe", "/update fix.msp", false, ok, "fix.msp"},
      {__LINE__, "msiexec.exe", "/I AI.msi", false, ok, "AI.msi"},  // as the engine reads it
      {__LINE__, "msiexec.exe", "", false, InstallerFileRule::kNoMsiFile, ""},
      {__LINE__, "msiexec.exe", "/qn", false, InstallerFileRule::kNoMsiFile, ""},
      {__LINE__, "msiexec.exe", "/i \"\"", false, InstallerFileRule::kNoMsiFile, ""},
      {__LINE__, "MSIEXEC.EXE", "/i AI.msi", false, ok, "MSIEXEC.EXE"},  // File is lower-cased before this
      // An extracted installer is a plain name in the working folder.
      {__LINE__, "msiexec.exe", "/i C:\\kit\\AI.msi", false, notName, "C:\\kit\\AI.msi"},
      {__LINE__, "msiexec.exe", "/i ..\\AI.msi", false, notName, "..\\AI.msi"},
      {__LINE__, "tools\\setup.exe", "", false, notName, "tools\\setup.exe"},
      {__LINE__, "a/b.exe", "", false, notName, "a/b.exe"},
      {__LINE__, "..\\..\\..\\windows\\victim.dat", "", false, notName, "..\\..\\..\\windows\\victim.dat"},
      {__LINE__, "setup.exe:stream", "", false, notName, "setup.exe:stream"},
      {__LINE__, "setup?.exe", "", false, notName, "setup?.exe"},
      {__LINE__, "..", "", false, notName, ".."},
      {__LINE__, ". .", "", false, notName, ". ."},
      {__LINE__, "...", "", false, notName, "..."},
      {__LINE__, "nul.exe", "", false, notName, "nul.exe"},
      {__LINE__, "com1", "", false, notName, "com1"},
      {__LINE__, "Lpt9 .msi", "", false, notName, "Lpt9 .msi"},
      {__LINE__, "com\xb9.exe", "", false, notName, "com\xb9.exe"},          // superscript one, Latin code page
      {__LINE__, "LPT\xc2\xb3", "", false, notName, "LPT\xc2\xb3"},            // superscript three, UTF-8
      {__LINE__, "com\xb9\xb2.exe", "", false, ok, "com\xb9\xb2.exe"},
      {__LINE__, "console.exe", "", false, ok, "console.exe"},
      {__LINE__, "com10.exe", "", false, ok, "com10.exe"},
      {__LINE__, ".setup.exe", "", false, ok, ".setup.exe"},
      // Windows drops a dot or a blank at a name's end from a path, not from a name opened in its folder.
      {__LINE__, "setup.exe.", "", false, notName, "setup.exe."},
      {__LINE__, "msiexec.exe", "/i \"AI.msi \"", false, notName, "AI.msi "},
      // One beside the package runs where its path leads, as installation media lay them out.
      {__LINE__, "kit\\setup.exe", "", true, ok, "kit\\setup.exe"},
      {__LINE__, "kit/x86/setup.exe", "", true, ok, "kit/x86/setup.exe"},
      {__LINE__, "msiexec.exe", "/i kit\\AI.msi /qn", true, ok, "kit\\AI.msi"},
      {__LINE__, "..\\common\\setup.exe", "", true, ok, "..\\common\\setup.exe"},
      {__LINE__, "c:\\tools\\x.exe", "", true, ok, "c:\\tools\\x.exe"},
      {__LINE__, "\\\\server\\share\\setup.exe", "", true, ok, "\\\\server\\share\\setup.exe"},
      {__LINE__, "c:setup.exe", "", true, notPath, "c:setup.exe"},
      {__LINE__, "\\setup.exe", "", true, notPath, "\\setup.exe"},
      {__LINE__, "\\\\?\\c:\\setup.exe", "", true, notPath, "\\\\?\\c:\\setup.exe"},
      {__LINE__, "kit\\\\setup.exe", "", true, notPath, "kit\\\\setup.exe"},
      {__LINE__, "kit\\", "", true, notPath, "kit\\"},
      {__LINE__, "kit\\nul\\setup.exe", "", true, notPath, "kit\\nul\\setup.exe"},
      {__LINE__, "kit.\\setup.exe", "", true, notPath, "kit.\\setup.exe"},
      {__LINE__, "kit \\setup.exe", "", true, notPath, "kit \\setup.exe"},
      {__LINE__, "..\\kit\\setup.exe.", "", true, notPath, "..\\kit\\setup.exe."},
      // msiexec beside the package may name a product, or nothing msiexec extracts.
      {__LINE__, "msiexec.exe", "/x {6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C1123} /qn", true, InstallerFileRule::kNoFile, ""},
      {__LINE__, "msiexec.exe", "/fa {6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C1123}", true, InstallerFileRule::kNoFile, ""},
  };
  for (const PayloadCase& c : cases) {
    CAPTURE(c.line);
    char out[kPayloadNameSize];
    memset(out, 'x', sizeof(out));
    CHECK(InstallerFileName(c.file, c.arguments, c.doNotExtract, out) == c.rule);
    CHECK(std::string(out) == c.payload);
  }
}

TEST_CASE("a path beside the package resolves against its folder as Windows resolves it") {
  const struct {
    int line;
    const char* base;
    const char* path;
    const char* full;  // "" when refused
  } cases[] = {
      {__LINE__, "C:\\media\\setup", "..\\common\\setup.exe", "C:\\media\\common\\setup.exe"},
      {__LINE__, "C:\\media\\setup", "./kit/../x.exe", "C:\\media\\setup\\x.exe"},
      {__LINE__, "C:\\media\\setup", "D:/tools/x.exe", "D:\\tools\\x.exe"},
      {__LINE__, "C:\\media\\setup", "\\\\srv\\kits\\..\\x.exe", ""},  // above the share's root
      {__LINE__, "\\\\srv\\kits", "sub\\x.exe", "\\\\srv\\kits\\sub\\x.exe"},
      {__LINE__, "C:\\media", "..\\..\\x.exe", ""},
      {__LINE__, "C:\\", "x.exe", "C:\\x.exe"},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    char out[260];
    memset(out, 'x', sizeof(out));
    CHECK(ResolveBesidePath(c.base, c.path, out) == (c.full[0] != '\0'));
    CHECK(std::string(out) == c.full);
  }
  // A result of 259 characters fits; one more does not.
  const std::string base = "C:\\" + std::string(250, 'b');
  char out[260];
  CHECK(ResolveBesidePath(base.c_str(), "123.x", out));
  CHECK(strlen(out) == 259);
  CHECK_FALSE(ResolveBesidePath(base.c_str(), "1234.x", out));
}

TEST_CASE("the payload name of an msiexec run is cut at 259 characters") {
  std::string arguments = "/i " + std::string(400, 'm') + ".msi";
  char out[kPayloadNameSize];
  CHECK(InstallerFileName("msiexec.exe", arguments.c_str(), false, out) == InstallerFileRule::kOk);
  CHECK(strlen(out) == 259);
}

TEST_CASE("a settings file's encoding, told from its bytes; UTF-8 only when every sequence is well formed") {
  const TextEncoding ascii = TextEncoding::kAscii, utf8 = TextEncoding::kUtf8, ansi = TextEncoding::kAnsi;
  const struct {
    int line;
    std::string bytes;
    TextEncoding encoding;
    size_t utf8Error;  // Utf8ErrorOffset, npos for the whole size
  } cases[] = {
      {__LINE__, "", ascii, std::string::npos},
      {__LINE__, "[default]\r\nName=Vellora\r\n", ascii, std::string::npos},
      {__LINE__, "Name=Vellora \xC3\x89" "criture", utf8, std::string::npos},
      {__LINE__, "Name=Vellora \xC9" "criture", ansi, 13},                   // Windows-1252
      {__LINE__, "\xE6\x9D\xB1\xE4\xBA\xAC", utf8, std::string::npos},        // three-byte sequences
      {__LINE__, "\xF0\x9F\x98\x80", utf8, std::string::npos},                // a four-byte one
      {__LINE__, "\xF4\x8F\xBF\xBF", utf8, std::string::npos},                // U+10FFFF
      {__LINE__, "\xF4\x90\x80\x80", ansi, 0},                                // above U+10FFFF
      {__LINE__, "\xC0\xAF", ansi, 0},                                        // "/" in a long form
      {__LINE__, "\xE0\x80\xAF", ansi, 0},
      {__LINE__, "\xF0\x80\x80\xAF", ansi, 0},
      {__LINE__, "\xED\xA0\x80", ansi, 0},                                    // a surrogate
      {__LINE__, "ab\xC3", ansi, 2},                                          // cut short at the end
      {__LINE__, "\xE6\x9D" "x", ansi, 0},
      {__LINE__, "\x80", ansi, 0},                                             // a lone continuation
      {__LINE__, "\xF8\x88\x80\x80\x80", ansi, 0},
      {__LINE__, "\xEF\xBB\xBF[default]", TextEncoding::kUtf8Bom, std::string::npos},
      {__LINE__, "\xFF\xFE[\0d\0", TextEncoding::kUtf16Le, 0},
      {__LINE__, "\xFE\xFF\0[\0d", TextEncoding::kUtf16Be, 0},
      {__LINE__, std::string("[\0d\0", 4), TextEncoding::kNotText, std::string::npos},  // UTF-16 without its mark
      {__LINE__, std::string("\xC3\x89\0", 3), TextEncoding::kNotText, std::string::npos},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    const auto* bytes = reinterpret_cast<const uint8_t*>(c.bytes.data());
    CHECK(DetectTextEncoding(bytes, c.bytes.size()) == c.encoding);
    CHECK(Utf8ErrorOffset(bytes, c.bytes.size()) == (c.utf8Error == std::string::npos ? c.bytes.size() : c.utf8Error));
  }
}

TEST_CASE("a UTF-8 file with a line in another encoding is told from one that is ANSI throughout") {
  const struct {
    int line;
    std::string bytes;
    size_t otherLine, utf8Line;  // 0 and 0: not mixed
  } cases[] = {
      {__LINE__, "[Dialog 107]\r\n104=ENTR\xC3\x89" "E\r\n1=ENTR\xC9" "E\r\n", 3, 2},
      {__LINE__, "1=ENTR\xC9" "E\n\n2=ENTR\xC3\x89" "E", 1, 3},
      {__LINE__, "1=ENTR\xC9" "E\r\n2=\xE9t\xE9\r\n", 0, 0},  // ANSI throughout
      {__LINE__, "1=ENTR\xC3\x89" "E\r\n2=plain\r\n", 0, 0},   // UTF-8 throughout
      {__LINE__, "1=\xC3\x89 and \xC9\r\n2=plain", 0, 0},        // one line, no UTF-8 as a whole
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    EncodingMix mix = FindEncodingMix(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size());
    CHECK(mix.otherLine == c.otherLine);
    CHECK(mix.utf8Line == c.utf8Line);
  }
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
      {__LINE__, {"--check", "--settings", "s", "--engine", "e.exe"}, "", "s", "", "", "e.exe", false, false, false, true},
      {__LINE__, {"--check", "--settings", "s", "--embed-settings"}, "--check builds nothing and takes no --embed-settings",
       "", "", "", "", false, false},
      // --list takes the package and nothing else.
      {__LINE__, {"--list", "p.exe"}, "", "", "", "", "", false, false, false, false, "p.exe"},
      {__LINE__, {"--list", "p.exe", "--strict"}, "--list takes no --strict", "", "", "", "", false, false},
      {__LINE__, {"--list", "p.exe", "--settings", "s"}, "--list takes no --settings", "", "", "", "", false, false},
      {__LINE__, {"--list"}, "--list needs a value", "", "", "", "", false, false},
      {__LINE__, {"--list", "p.exe", "--execution-level", "asInvoker"}, "--list takes no --execution-level", "", "", "",
       "", false, false},
      // The level as the manifest spells it, given in any letter case.
      {__LINE__, {"--settings", "s", "--payload", "p", "--out", "o", "--execution-level", "REQUIREADMINISTRATOR"}, "",
       "s", "p", "o", "", false, false, false, false, "", "requireAdministrator"},
      {__LINE__, {"--check", "--settings", "s", "--execution-level", "asinvoker"}, "", "s", "", "", "", false, false,
       false, true, "", "asInvoker"},
      {__LINE__, {"--settings", "s", "--payload", "p", "--out", "o", "--execution-level", "admin"},
       "--execution-level is \"admin\"; it takes asInvoker, highestAvailable or requireAdministrator", "", "", "", "",
       false, false},
      // --extract takes the package and a folder, and nothing else.
      {__LINE__, {"--extract", "p.exe", "C:\\out\""}, "", "", "", "", "", false, false, false, false, "", "", "p.exe"},
      {__LINE__, {"--extract", "p.exe"}, "--extract needs a package and a folder", "", "", "", "", false, false},
      {__LINE__, {"--extract", "p.exe", "f", "--strict"}, "--extract takes no --strict", "", "", "", "", false, false},
      {__LINE__, {"--list", "p.exe", "--extract", "p.exe", "f"}, "--extract takes no --list", "", "", "", "", false,
       false},
      // What the package says it is: only for a package that is built.
      {__LINE__, {"--settings", "s", "--payload", "p", "--out", "o", "--company", "Acme", "--product-version", "2.5"}, "",
       "s", "p", "o", "", false, false},
      {__LINE__, {"--check", "--settings", "s", "--company", "Acme"}, "--check builds nothing and takes no --company", "",
       "", "", "", false, false},
      {__LINE__, {"--settings", "s", "--payload", "p", "--out", "o", "--product-version", "2.5 beta"},
       "--product-version \"2.5 beta\" is no version: write up to four numbers from 0 to 65535 joined by dots, such "
       "as 2.5.1",
       "", "", "", "", false, false},
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
    CHECK(options.executionLevel == c.level);
    CHECK(options.extract == c.extract);
  }
  const struct {
    int line;
    const char* text;
    bool version;
    unsigned short parts[4];
  } versions[] = {
      {__LINE__, "2.5", true, {2, 5, 0, 0}},          {__LINE__, "10.0.19041.1", true, {10, 0, 19041, 1}},
      {__LINE__, "65535", true, {65535, 0, 0, 0}},    {__LINE__, "007.1", true, {7, 1, 0, 0}},
      {__LINE__, "65536", false, {}},                 {__LINE__, "1.2.3.4.5", false, {}},
      {__LINE__, "1..2", false, {}},                  {__LINE__, "1.2.", false, {}},
      {__LINE__, "", false, {}},                      {__LINE__, "v1", false, {}},
      {__LINE__, "0000001", false, {}},
  };
  for (const auto& c : versions) {
    CAPTURE(c.line);
    unsigned short parts[4] = {9, 9, 9, 9};
    REQUIRE(ParseProductVersion(c.text, parts) == c.version);
    if (c.version)
      for (int i = 0; i < 4; i++) CHECK(parts[i] == c.parts[i]);
  }
}

TEST_CASE("a version resource reads back as written, and one cut short never reads past its end") {
  VersionInfo written;
  const uint16_t version[4] = {2, 5, 1, 0};
  for (int i = 0; i < 4; i++) written.fileVersion[i] = written.productVersion[i] = version[i];
  written.strings = {{u"CompanyName", u"Acme \u00C9criture"}, {u"FileDescription", u"Vellora Writer Setup"},
                     {u"PendrixVersion", u"1.0.0"}, {u"Comments", u""}};
  const std::vector<uint8_t> bytes = WriteVersionResource(written);
  CHECK(bytes.size() % 4 == 0);
  VersionInfo read;
  REQUIRE(ReadVersionResource(bytes.data(), bytes.size(), read) == nullptr);
  CHECK(read.strings == written.strings);
  CHECK(read.String("PendrixVersion") == u"1.0.0");
  CHECK(VersionText(read.fileVersion) == "2.5.1.0");
  CHECK(VersionText(read.productVersion, true) == "2.5.1");
  for (size_t size = 0; size < bytes.size(); size++) {
    CAPTURE(size);
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(size));
    ReadVersionResource(cut.data(), cut.size(), read);  // any answer, within the bytes given
  }
}

TEST_CASE("Windows Installer runs, and the arguments that keep Windows Installer from restarting") {
  CHECK(RunsWindowsInstaller("c:\\tools\\msiexec"));
  CHECK(RunsWindowsInstaller("\"kit\\runtime.MSI\" "));
  CHECK_FALSE(RunsWindowsInstaller("runtime.msi.exe"));
  const struct {
    int line;
    const char* arguments;
    bool suppressed;
  } cases[] = {
      {__LINE__, "/i a.msi REBOOT=\"ReallySuppress\" /qn", true},
      {__LINE__, "/i a.msi REBOOT=r", true},  // Windows Installer reads the first letter only
      {__LINE__, "/i a.msi REBOOT=Suppress", false},
      {__LINE__, "/i a.msi reboot=ReallySuppress", false},  // another property
      {__LINE__, "/i a.msi REBOOT=ReallySuppress REBOOT=Force", false},  // the last one counts
      {__LINE__, "/i a.msi /NORESTART", true},
      {__LINE__, "/i a.msi /norestartnow", false},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    CHECK(SuppressesMsiRestart(c.arguments) == c.suppressed);
  }
  const struct {
    int line;
    const char* arguments;
    bool quiet;
  } switches[] = {
      {__LINE__, "/i a.msi /QN", true},
      {__LINE__, "-quiet /i a.msi", true},
      {__LINE__, "/i a.msi /qb!-", true},
      {__LINE__, "/i a.msi /q", true},
      {__LINE__, "/i a.msi /qb", false},   // a basic window, with a last box that waits
      {__LINE__, "/i a.msi /qn+", false},  // the same
      {__LINE__, "/i a.msi /qnx", false},
      {__LINE__, "/i quiet.msi", false},
  };
  for (const auto& c : switches) {
    CAPTURE(c.line);
    CHECK(KeepsMsiexecFromWaiting(c.arguments) == c.quiet);
  }
  const struct {
    int line;
    const char* item;
    const char* decimal;
  } codes[] = {
      {__LINE__, " 1603 ", "1603"}, {__LINE__, "0x641", "1601"},          {__LINE__, "0XBC2", "3010"},
      {__LINE__, "3010a", ""},      {__LINE__, "0x", ""},                   {__LINE__, "0xFFFFFFFF", "4294967295"},
      {__LINE__, "0x1000000000", ""}, {__LINE__, "0x64g", ""},
  };
  for (const auto& c : codes) {
    CAPTURE(c.line);
    CHECK(DecimalCode(c.item) == c.decimal);
  }
}

TEST_CASE("an MSI prerequisite's failure and restart codes are judged only by the lists the engine reads") {
  const std::string all = "1601|1602|1603|1618|1619|1620|1624|1625|1627|1633|1639";
  const std::string but1603 = all.substr(0, 10) + all.substr(15);
  const std::string but1601 = all.substr(5);
  const auto failures = CheckMsiFailureCodes;
  const auto restarts = CheckMsiRestartCodes;
  const struct {
    int line;
    bool (*check)(const MsiPrerequisite&, MsiCodesFinding&);
    MsiPrerequisite prerequisite;
    const char* key;      // nullptr: every code is judged
    std::string ending;   // how the text ends
  } cases[] = {
      {__LINE__, failures, {"defer", "3010|1603", but1603, true, "", "", true}, nullptr, ""},
      {__LINE__, failures, {"none", "1603", but1603, true, "", "", true}, "FailCodes",
       "write FailCodes=" + but1603 + "|1603"},
      {__LINE__, failures, {"return", "", all, true, "", "", false}, "Reboot", "write Reboot=none and FailCodes=" + all},
      {__LINE__, failures, {"defer", "", "1|2|3|4|5|6|7|8|9|10|11|12|13|14|15|16|17|18|19|20|21", false, "", "", false},
       "FailCodes",
       "|1639, which is longer than the 98 characters the engine keeps: leave out codes this installer never "
       "returns, or judge some in ReinstallCodes"},
      // The line suggested never repeats an entry the engine reads as another number.
      {__LINE__, failures, {"defer", "3010", "0x641|" + but1601, true, "", "", true}, "FailCodes",
       "write FailCodes=" + but1601 + "|1601"},
      // The restart that REBOOT=ReallySuppress puts off is lost without RebootCodes=3010.
      {__LINE__, restarts, {"defer", "", all, true, "", "/i a.msi /qn REBOOT=ReallySuppress", false}, "RebootCodes",
       "add the line RebootCodes=3010"},
      {__LINE__, restarts, {"deferforce", "3010", all, true, "", "/i a.msi /qn", true}, "RebootCodes",
       "write RebootCodes=3010|1641"},
      {__LINE__, restarts, {"defer", "0xBC2", all, true, "", "/i a.msi /norestart", true}, "RebootCodes",
       "write RebootCodes=3010"},
      {__LINE__, restarts, {"Immediate", "3010|1641", all, true, "", "/i a.msi /qn", true}, nullptr, ""},
      {__LINE__, restarts, {"defer", "3010", all, true, "", "/i a.msi REBOOT=ReallySuppress", true}, nullptr, ""},
      {__LINE__, restarts, {"none", "", all, true, "", "/i a.msi", false}, nullptr, ""},
      {__LINE__, restarts, {"force", "", all, true, "", "/i a.msi", false}, nullptr, ""},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    MsiCodesFinding finding;
    REQUIRE(c.check(c.prerequisite, finding) == (c.key != nullptr));
    if (c.key == nullptr) continue;
    CHECK(std::string(finding.key) == c.key);
    CHECK(finding.text.size() >= c.ending.size());
    CHECK(finding.text.compare(finding.text.size() - std::min(c.ending.size(), finding.text.size()), std::string::npos,
                               c.ending) == 0);
  }
}
