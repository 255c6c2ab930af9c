// PendrixPack as a build server and a package maker meet it: a warning for each mistake the
// engine would pass over in silence, refusals where it would run other installers, --strict,
// --check with its exit codes, and --list on a built package.
#include <doctest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PackageSupport.h"
#include "TestSupport.h"
#include "package/Version.h"
#include "ui/language/resource.h"

using test::Quote;

namespace {

// A prerequisite and a main installer that draw no warning; each case adds one mistake.
const char kPre[] = "[Pre]\r\nName=Pre\r\nFile=pre.exe\r\nFailCodes=1\r\n";
const char kMain[] = "[Main]\r\nName=Main\r\nFile=main.exe\r\n";
const std::string kMsiCodes = "1601|1602|1603|1618|1619|1620|1624|1625|1627|1633|1639";

std::string Default(const std::string& lines) {
  return "[default]\r\nPreInstall=Pre\r\nMainInstall=Main\r\n" + lines + kPre + kMain;
}
std::string WithPre(const std::string& lines) {
  return "[default]\r\nPreInstall=Pre\r\nMainInstall=Main\r\n" + std::string(kPre) + lines + kMain;
}

std::string Repeat(const std::string& text, int times) {
  std::string repeated;
  for (int i = 0; i < times; i++) repeated += text;
  return repeated;
}

test::ConsoleResult Check(const std::string& settings, const std::string& extra = "") {
  return test::RunPack("--check --settings " + Quote(settings) + extra);
}

// UTF-8 text as Notepad saves it in UTF-16 LE, with its byte-order mark.
std::string Utf16Le(const std::string& utf8) {
  std::wstring wide(utf8.size(), L'\0');
  wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], wide.size()));
  return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
}

// A display name of the given length, as a package maker might write one.
std::string LongName(size_t length) {
  return std::string("Vellora Writer Professional with Spelling Dictionaries for English, French, German, Dutch and "
                     "Italian").substr(0, length);
}

}  // namespace

TEST_CASE("each mistake is one warning naming the file, section and key; --strict refuses it") {
  struct Case {
    int line;
    std::string settings;
    bool refusal;
    std::string where;  // "<line>: [section] key" as the finding names them
    std::string says;
  };
  const Case cases[] = {
      {__LINE__, Default("Rebot=yes\r\n"), false, "4: [default] Rebot", "no setup-type section reads this key"},
      {__LINE__, WithPre("Argument=/q\r\n"), false, "8: [Pre] Argument", "the engine ignores it (is it Arguments?)"},
      {__LINE__, Default("File=setup.exe\r\n"), false, "4: [default] File", "is a key of installer sections"},
      {__LINE__, WithPre("Reboot=reboot\r\n"), false, "8: [Pre] Reboot",
       "\"reboot\" is none of none, force, return, defer, deferforce, immediate, immediateforce: the engine acts as "
       "for \"none\""},
      {__LINE__, WithPre("RebootCodes=" + Repeat("1|", 59) + "3010\r\n"), false, "8: [Pre] RebootCodes",
       "holds 60 codes in 122 characters; the engine keeps 98 characters and at most 49 codes, so only the first 49 "
       "count"},
      {__LINE__, WithPre("ReinstallCodes=1603|0x643\r\n"), true, "8: [Pre] ReinstallCodes",
       "holds what is no decimal exit code, and the engine reads \"0x643\" as 0, which changes which codes count; "
       "write ReinstallCodes=1603"},
      {__LINE__, Default("ReqPlatform=ia64\r\n"), false, "4: [default] ReqPlatform", "no machine satisfies it"},
      {__LINE__, Default("ReqPermission=Administrator\r\n"), false, "4: [default] ReqPermission", "every user passes"},
      {__LINE__, Default("ReqOS=xp\r\n"), false, "4: [default] ReqOS", "the engine reads it as 0.0"},
      {__LINE__, WithPre("CheckExistence=Registry|1|HKLM\\X\r\n"), false, "8: [Pre] CheckExistence",
       "has the type \"Registry\", which is none of RegKey, File, OS, Platform: the engine ignores the rule"},
      {__LINE__, WithPre("CheckExistence=File|7|C:\\x\r\n"), false, "8: [Pre] CheckExistence",
       "the rule value 7, outside 0 to 5"},
      {__LINE__, WithPre("CheckExistence=File|yes|C:\\x\r\n"), false, "8: [Pre] CheckExistence",
       "\"yes\", which is no number: the engine reads it as 0"},
      {__LINE__, WithPre("CheckExistence=File|0|$(WinDrive)\\boot.ini\r\n"), false, "8: [Pre] CheckExistence",
       "holds \"$(WinDrive)\", which is no path variable"},
      {__LINE__, WithPre("CheckExistence=Platform|1|x64\r\n"), false, "8: [Pre] CheckExistence",
       "\"Platform|1|x64\" never holds"},
      {__LINE__,
       "[default]\r\nMainInstall=Main\r\n[admin_silent]\r\nMainInstall=Main\r\nWelcomeDlg=yes\r\n" + std::string(kMain),
       false, "5: [admin_silent] WelcomeDlg", "the setup type is silent, yet its Welcome dialog shows"},
      {__LINE__,
       "[default]\r\nMainInstall=Main\r\n[my_silent]\r\nMainInstall=Main\r\nRestartProductDlg=Yes\r\n" +
           std::string(kMain),
       false, "5: [my_silent] RestartProductDlg", "the setup type is silent, yet its restart-product notice shows"},
      {__LINE__,
       "[default]\r\nMainInstall=Main\r\n[Main]\r\nName=Main: Suite\r\nFile=msiexec.exe\r\n"
       "Arguments=/i main.msi\r\n",
       false, "4: [Main] Name", "cannot stand in a file name, so the verbose MSI log"},
      {__LINE__, WithPre("Arguments=" + std::string(1000, 'a') + "\r\n"), false, "8: [Pre] Arguments",
       "is 1000 characters long; the engine keeps only the first 998"},
      // Cut at 998 characters, the last name Runtime2 becomes Runtime, a section of its own.
      {__LINE__,
       "[default]\r\nPreInstall=" + Repeat("Pre|", 246) + "Second|Runtime2\r\n" + kPre +
           "[Second]\r\nName=S\r\nFile=s.exe\r\nFailCodes=1\r\n[Runtime]\r\nName=R\r\nFile=r.exe\r\n"
           "FailCodes=1\r\n[Runtime2]\r\nName=R2\r\nFile=r2.exe\r\nFailCodes=1\r\n",
       true, "2: [default] PreInstall",
       "is 999 characters long, and the engine keeps only the first 998: it would run [Runtime] where [Runtime2] is "
       "written"},
      {__LINE__, Default("") + "[Main]\r\nFile=other.exe\r\n", false, "11: [Main]",
       "is written more than once; the engine reads only the first [Main]"},
      {__LINE__, WithPre("FailCodes=2\r\n"), false, "8: [Pre] FailCodes",
       "is written more than once in the section; the engine reads only the first, \"1\""},
      {__LINE__, "[default]\r\nMainInstall=Main\r\n[SilentServer]\r\nMainInstall=Main\r\n" + std::string(kMain), false,
       "3: [SilentServer]", "the name holds \"Silent\", not \"silent\": the engine's test is case-sensitive"},
      {__LINE__,
       "[default]\r\nPreInstall=A|Pre|B\r\nMainInstall=Main\r\n[A]\r\nName=A\r\nFile=a.exe\r\n" + std::string(kPre) +
           "[B]\r\nName=B\r\nFile=b.exe\r\n" + kMain,
       false, "2: [default] PreInstall", "a failure of [A], [B] never stops the package"},
      {__LINE__, Default("WelcomeDlg=true\r\n"), false, "4: [default] WelcomeDlg", "\"true\" reads as no"},
      {__LINE__, WithPre("PlayTone=5s\r\n"), false, "8: [Pre] PlayTone", "\"5s\" is no whole number of seconds"},
      {__LINE__, "[default]\r\nMainInstall=Main\r\n[\"server-silent\"]\r\nMainInstall=Main\r\n" + std::string(kMain),
       false, "3: [\"server-silent\"]", "cannot be chosen with /Type"},
      {__LINE__, Default("") + "[Spare]\r\nName=Spare\r\n", false, "11: [Spare]", "the engine never reads it"},
      {__LINE__, "[default]\r\nMainInstall=Main\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\nFailCodes=1603\r\n", false,
       "3: [Main]",
       "is only ever a main installer, whose exit code the engine passes on without judging it: its FailCodes "
       "key has no effect"},
      {__LINE__, WithPre("Reboot=return\r\nReinstallCodes=1603\r\n"), false, "8: [Pre] Reboot",
       "\"return\" goes on after every run, whatever its exit code, and consults no code list: the engine never uses "
       "FailCodes, ReinstallCodes"},
      {__LINE__, WithPre("Reboot=force\r\nRebootCodes=3010\r\n"), false, "8: [Pre] Reboot",
       "\"force\" asks for a restart after every run, whatever its exit code, and consults no code list: the engine "
       "never uses RebootCodes, FailCodes"},
      {__LINE__, "[Server]\r\nMainInstall=Main\r\n" + std::string(kMain), false, "1: [default]",
       "there is no setup type [default]: the package must be started with /Type"},
      {__LINE__, Default("Name=Vellora \xC3\x89" "criture Suite\r\n"), false, "4: [default] Name",
       "the file is saved as UTF-8, which Windows reads in the ANSI code page: a package that reads Settings.ini from "
       "its own folder reads \"Vellora \xC3\x83\xE2\x80\xB0" "criture Suite\" where \"Vellora \xC3\x89" "criture "
       "Suite\" is written; pack it with --embed-settings"},
      {__LINE__, "\xEF\xBB\xBF" + Default(""), false, "1: [default]",
       "the file begins with a UTF-8 byte-order mark on this section's line"},
      {__LINE__, Utf16Le(Default("Name=Vellora \xE6\x9D\xB1\xE4\xBA\xAC\r\n")), false, "4: [default] Name",
       "holds characters that code page 1252, the ANSI code page of this Windows, cannot spell: on a Windows that uses "
       "it the engine reads \"Vellora ??\""},
      {__LINE__, Default("Name=" + LongName(92) + "\r\nWelcomeDlg=yes\r\n"), false, "4: [default] Name",
       "does not fit the Welcome dialog: its title \"Welcome to the " + LongName(92) +
           " setup package.\" takes 3 lines where the dialog shows 2, so the user sees it cut off; the first 84 "
           "characters of this name fit"},
      // Windows Installer's failure codes, judged only where the engine reads the list that names them.
      {__LINE__,
       "[default]\r\nPreInstall=Msi\r\nMainInstall=Main\r\n[Msi]\r\nName=Msi\r\nFile=msiexec.exe\r\n"
       "Arguments=/i msi.msi /qn\r\nRebootCodes=3010|1641\r\nFailCodes=1602|1633\r\nReinstallCodes=1603\r\n" +
           std::string(kMain),
       false, "9: [Msi] FailCodes",
       "Windows Installer's failure codes 1601, 1618, 1619, 1620, 1624, 1625, 1627, 1639 stand in no list that the "
       "engine reads for this section: after them the package goes on as after a success, over a broken install; "
       "write FailCodes=1602|1633|1601|1618|1619|1620|1624|1625|1627|1639"},
      {__LINE__,
       "[default]\r\nPreInstall=Msi\r\nMainInstall=Main\r\n[Msi]\r\nName=Msi\r\nFile=Runtime.MSI\r\n"
       "Reboot=force\r\nFailCodes=" + kMsiCodes + "\r\n" + kMain,
       false, "7: [Msi] Reboot",
       "to stop the package on them, write Reboot=immediateforce, RebootCodes=0|1641|3010 and FailCodes=" + kMsiCodes},
      // Unattended, Windows Installer neither waits for a click nor restarts the computer by itself.
      {__LINE__,
       "[default]\r\nMainInstall=Main\r\n[ops_silent]\r\nPreInstall=Msi|Pre\r\nMainInstall=Main\r\n[Msi]\r\n"
       "Name=Msi\r\nFile=msiexec.exe\r\nArguments=/i msi.msi /qn REBOOT=Suppress\r\nFailCodes=" + kMsiCodes +
           "\r\nRebootCodes=3010|1641\r\n" + kPre + kMain,
       false, "9: [Msi] Arguments",
       "the silent setup type [ops_silent] runs it: in a silent install Windows Installer restarts the computer by "
       "itself when it needs to, in the middle of the package, for want of REBOOT=ReallySuppress (or /norestart); "
       "write Arguments=/i msi.msi /qn REBOOT=ReallySuppress"},
      {__LINE__,
       "[default]\r\nMainInstall=Main\r\n[ops_silent]\r\nMainInstall=Msi\r\n[Msi]\r\nName=Msi\r\n"
       "File=msiexec.exe\r\nArguments=/I main.msi REBOOT=ReallySuppress\r\n" + std::string(kMain),
       false, "8: [Msi] Arguments",
       "Windows Installer shows its windows and waits for a click, for want of /qn (or /quiet, /passive, /qb-, /qb!); "
       "write Arguments=/I main.msi REBOOT=ReallySuppress /qn"},
      // The restart that REBOOT=ReallySuppress puts off is lost unless RebootCodes record it.
      {__LINE__,
       "[default]\r\nPreInstall=Msi\r\nMainInstall=Main\r\n[Msi]\r\nName=Msi\r\nFile=msiexec.exe\r\n"
       "Arguments=/i msi.msi /qn REBOOT=ReallySuppress\r\nFailCodes=" + kMsiCodes + "\r\n" + kMain,
       false, "4: [Msi] RebootCodes",
       "Windows Installer's restart code 3010 stands in no RebootCodes, which Reboot \"defer\" reads: the restart the "
       "installer needs is lost; add the line RebootCodes=3010"},
      {__LINE__,
       "[default]\r\nPreInstall=Msi\r\nMainInstall=Main\r\n[Msi]\r\nName=Msi\r\nFile=msiexec.exe\r\n"
       "Arguments=/i msi.msi /qn\r\nReboot=immediate\r\nRebootCodes=3010\r\nFailCodes=" + kMsiCodes + "\r\n" + kMain,
       false, "9: [Msi] RebootCodes", "the restart the installer needs is lost; write RebootCodes=3010|1641"},
      // A hexadecimal code reads as 0: the package would stop after a success.
      {__LINE__,
       "[default]\r\nPreInstall=Msi\r\nMainInstall=Main\r\n[Msi]\r\nName=Msi\r\nFile=msiexec.exe\r\n"
       "Arguments=/i msi.msi /qn\r\nRebootCodes=3010|1641\r\nFailCodes=0x641|" + kMsiCodes.substr(5) + "\r\n" + kMain,
       true, "9: [Msi] FailCodes",
       "the engine reads \"0x641\" as 0, which changes which codes count; write FailCodes=1601|" + kMsiCodes.substr(5)},
      {__LINE__, WithPre("CheckExistence=RegKey|0|HKEY_CURRENT_CONFIG\\Software\r\n"), false, "8: [Pre] CheckExistence",
       "begins with \"HKEY_CURRENT_CONFIG\", which is no registry root: the engine looks the key up under "
       "HKEY_LOCAL_MACHINE"},
      {__LINE__, WithPre("DoNotExtract=yes\r\n"), false, "6: [Pre] File",
       "\"pre.exe\" runs beside the package (DoNotExtract) without a recorded SHA-256, so the engine will run whatever "
       "file lies there, unverified: PendrixPack was given no payload folder to read it from"},
  };
  test::ScratchDir dir("check");
  const std::string settings = dir / "Settings.ini";
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::WriteFile(settings, c.settings);
    for (bool strict : {false, true}) {
      CAPTURE(strict);
      test::ConsoleResult result = Check(settings, strict ? " --strict" : "");
      REQUIRE(result.finished);
      CHECK(result.exitCode == (c.refusal || strict ? 2u : 1u));
      std::vector<std::string> lines = test::Lines(result.err);
      REQUIRE(lines.size() == 1);
      const std::string expected =
          std::string("PendrixPack: ") + (c.refusal ? "" : "warning: ") + settings + ":" + c.where + ": ";
      CHECK(lines[0].substr(0, expected.size()) == expected);
      CHECK(lines[0].find(c.says) != std::string::npos);
    }
  }
}

// Started elevated from a working folder that the user's other programs can write, it loads their DLLs.
TEST_CASE("an extracted installer that asks for elevation is warned about where the setup type lacks ReqPermission=Admin") {
  test::ScratchDir dir("elevation");
  const std::string settings = dir / "Settings.ini", payload = dir / "payload";
  CreateDirectoryA(payload.c_str(), nullptr);
  test::WriteFile(payload + "\\setup.exe", test::ReadFile(test::BinFile("FakeInstaller.exe")));   // no manifest
  test::WriteFile(payload + "\\tool.exe", test::ReadFile(test::BinFile("Pendrix.exe")));          // highestAvailable
  test::WriteFile(payload + "\\update.exe", test::ReadFile(test::BinFile("PendrixCleanup.exe")));  // asInvoker
  const struct {
    int line;
    const char* file;
    const char* permission;
    const char* says;  // "" for no warning
    const char* options = "";
  } cases[] = {
      {__LINE__, "setup.exe", "PowerUser", "it has no manifest, and Windows' installer detection elevates a program "
                                           "whose name holds \"setup\""},
      {__LINE__, "setup.exe", "Admin", ""},
      {__LINE__, "setup.exe", "PowerUser", "", " --execution-level requireAdministrator"},  // always elevated
      {__LINE__, "tool.exe", "", "its manifest asks for highestAvailable"},
      {__LINE__, "update.exe", "", ""},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    test::WriteFile(settings, std::string("[default]\r\nMainInstall=Main\r\nReqPermission=") + c.permission +
                                  "\r\n[Main]\r\nName=Main\r\nFile=" + c.file + "\r\n");
    std::vector<std::string> lines = test::Lines(Check(settings, " --payload " + Quote(payload) + c.options).err);
    REQUIRE(lines.size() == (c.says[0] == '\0' ? 0u : 1u));
    if (lines.empty()) continue;
    const std::string expected = "PendrixPack: warning: " + settings + ":3: [default] ReqPermission: runs [Main] (\"" +
                                 c.file + "\"), which asks Windows for elevation when it starts: " + c.says;
    CHECK(lines[0].substr(0, expected.size()) == expected);
    CHECK(lines[0].find("Build the package with --execution-level requireAdministrator and set ReqPermission=Admin") !=
          std::string::npos);
  }
}

TEST_CASE("--check: 0 when clean, 1 with warnings, 2 when something would be refused") {
  test::ScratchDir dir("check");
  const std::string settings = dir / "Settings.ini";
  const std::string payload = dir / "payload";
  CreateDirectoryA(payload.c_str(), nullptr);
  test::WriteFile(payload + "\\pre.exe", "pre");
  test::WriteFile(payload + "\\main.exe", "main");
  const std::string mainOnly = dir / "main-only";
  CreateDirectoryA(mainOnly.c_str(), nullptr);
  test::WriteFile(mainOnly + "\\main.exe", "main");
  // An engine without a Welcome dialog of its own shows its language DLL's.
  const std::string noWelcome = dir / "NoWelcome.exe";
  REQUIRE(CopyFileA(test::BinFile("Pendrix.exe").c_str(), noWelcome.c_str(), FALSE));
  HANDLE update = BeginUpdateResourceA(noWelcome.c_str(), FALSE);
  REQUIRE(update != nullptr);
  REQUIRE(UpdateResourceA(update, RT_DIALOG, MAKEINTRESOURCEA(IDD_PACKAGE_WELCOME),
                          MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), nullptr, 0));
  REQUIRE(EndUpdateResourceA(update, FALSE));
  struct Case {
    int line;
    std::string settings;
    std::string extra;
    DWORD exitCode;
    std::string summary;
  };
  const Case cases[] = {
      {__LINE__, Default(""), "", 0, "0 warning(s), 0 refusal(s)"},
      {__LINE__, Default(""), " --payload " + Quote(payload), 0, "0 warning(s), 0 refusal(s)"},
      {__LINE__, Default("Rebot=yes\r\n"), "", 1, "1 warning(s), 0 refusal(s)"},
      {__LINE__, Default("") + "[Pre]\r\nName=x\r\n", "", 1, "1 warning(s), 0 refusal(s)"},
      {__LINE__, "[default]\r\nMainInstall=Ghost\r\n", "", 2, "0 warning(s), 1 refusal(s)"},
      {__LINE__, "[default]\r\nMainInstall=Main\r\n[Main]\r\nName=Main\r\nFile=absent.exe\r\n",
       " --payload " + Quote(payload), 2, "0 warning(s), 1 refusal(s)"},
      {__LINE__, Default("Name=" + LongName(81) + "\r\nWelcomeDlg=yes\r\n"), "", 0, "0 warning(s), 0 refusal(s)"},
      {__LINE__, Default("Name=" + LongName(92) + "\r\nWelcomeDlg=yes\r\n"), " --engine " + Quote(noWelcome), 1,
       "1 warning(s), 0 refusal(s)"},  // measured on the language DLL's dialog
      {__LINE__, Default("Name=" + LongName(92) + "\r\nWelcomeDlg=yes\r\n"), " --engine " + Quote(dir / "none.exe"),
       0, "0 warning(s), 0 refusal(s)"},  // not measured, and a note says so
      // The built-in English is measured as a translation is: this name breaks the progress
      // window's text into five lines where it shows three.
      {__LINE__, Default("Name=" + Repeat("WWWW ", 19) + "WWW\r\nShowProgressBar=yes\r\n"), "", 1,
       "1 warning(s), 0 refusal(s)"},
      {__LINE__, WithPre("DoNotExtract=yes\r\n"), " --payload " + Quote(payload), 0, "0 warning(s), 0 refusal(s)"},
      // The 64-bit forms are rules the engine knows; an MSI prerequisite that judges every failure
      // code and restarts nothing by itself, and an MSI main installer, whose code is not judged.
      {__LINE__, WithPre("CheckExistence=File|0|\\$(ProgramFiles64)\\x;File|0|$(System64)\\y;RegKey|0|HKLM64\\S\r\n"),
       "", 0, "0 warning(s), 0 refusal(s)"},
      {__LINE__,
       "[default]\r\nMainInstall=Main\r\n[a_silent]\r\nPreInstall=Msi\r\nMainInstall=Main\r\n[Msi]\r\nName=Msi\r\n"
       "File=msiexec.exe\r\nArguments=/i msi.msi /qn /norestart\r\nRebootCodes=3010|1603\r\nFailCodes=" + kMsiCodes +
           "\r\n[Main]\r\nName=Main\r\nFile=msiexec.exe\r\nArguments=/i main.msi /qn REBOOT=ReallySuppress\r\n",
       "", 0, "0 warning(s), 0 refusal(s)"},
      {__LINE__, WithPre("DoNotExtract=yes\r\n"), " --payload " + Quote(mainOnly), 1, "1 warning(s), 0 refusal(s)"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::WriteFile(settings, c.settings);
    test::ConsoleResult result = Check(settings, c.extra);
    REQUIRE(result.finished);
    CHECK(result.exitCode == c.exitCode);
    CHECK(result.out.find(c.summary) != std::string::npos);
    // Without the payload, the summary says what it could not check.
    CHECK((result.out.find("; the installers were not checked") != std::string::npos) ==
          (c.extra.find("--payload") == std::string::npos));
  }
  test::ConsoleResult missing = Check(dir / "none.ini");
  CHECK(missing.exitCode == 2);
}

TEST_CASE("warnings come before the summary of a built package; --strict refuses it and writes nothing") {
  test::Package p;
  p.Payload("pre.exe");
  p.Payload("main.exe");
  const std::string settings = Default("Rebot=yes\r\n");
  test::WriteFile(p.settings, settings);
  const std::string arguments =
      "--settings " + Quote(p.settings) + " --payload " + Quote(p.payload) + " --out " + Quote(p.exe);
  test::ConsoleResult strict = test::RunPack(arguments + " --strict");
  CHECK(strict.exitCode == 2);
  CHECK(test::Lines(strict.err).size() == 3);
  CHECK(test::Lines(strict.err).back() == "PendrixPack: refused with --strict: 2 finding(s) above");
  CHECK(test::ListFiles(p.folder).empty());

  test::ConsoleResult built = test::RunPack(arguments);
  CHECK(built.exitCode == 0);
  const std::vector<std::string> warnings = test::Lines(built.err);
  REQUIRE(warnings.size() == 2);
  CHECK(warnings[0] == "PendrixPack: warning: " + p.settings +
                           ":4: [default] Rebot: no setup-type section reads this key: the engine ignores it");
  // Without the maker's names, the package shows the engine's.
  CHECK(warnings[1].find("PendrixPack: warning: the built-in English names the engine's vendor, Tarrowind, in "
                         "messages 1, 20, 21, 22, 50, 51, 68 and 72, and its products, Lumora and Vellora, in "
                         "messages 72 and 95") == 0);
  CHECK(warnings[1].find("Give --company and --product-name to put your own there") != std::string::npos);
  CHECK(test::Lines(built.out).front() == "Setup type [default]");
  CHECK(test::FileExists(p.exe));
}

TEST_CASE("--list shows the engine, the settings, how each installer runs and is judged, and every resource") {
  test::Package p;
  p.Payload("pre.exe", "the prerequisite");
  p.Payload("main.exe", "the main installer");
  p.Payload("local.exe", "abc");  // its copy beside the package is checked against its hash
  const std::string settings =
      "[default]\r\nPreInstall=Pre|Local\r\nMainInstall=Main\r\n[admin silent]\r\nMainInstall=Main\r\n"
      "WelcomeDlg=yes\r\n" + std::string(kPre) +
      "[Local]\r\nName=Local\r\nFile=local.exe\r\nDoNotExtract=yes\r\nArguments=/s exit=0\r\nReboot=Later\r\n"
      "RebootCodes=3010\r\nReinstallCodes=1603\r\nFailCodes=1\r\nCheckExistence=RegKey|0|HKLM64\\Software\\X\r\n" +
      kMain;
  const std::string engine = "Engine: Pendrix " PENDRIX_VERSION_TEXT;
  const std::vector<std::string> main = {"  main [Main]: resource INSTALLER_MAIN, 18 bytes, extracted as \"main.exe\"",
                                         "    Arguments: none", "    Exit code: passed on as the package's own, not judged",
                                         "    CheckExistence: none"};
  const std::string keys = "  Name none, WelcomeDlg no, WelcomeWave no, ReqPermission none, RebootWave no, "
                           "ShowProgressBar no, RestartProductDlg no, RemoveShared no, ReqOS none, ReqPlatform none";
  std::vector<std::string> types = {
      "Setup type [default]", keys,
      "  prerequisite [Pre]: resource INSTALLER_PRE, 16 bytes, extracted as \"pre.exe\"",
      "    Arguments: none", "    Reboot: defer", "    RebootCodes: none", "    FailCodes: 1",
      "    ReinstallCodes: none", "    CheckExistence: none",
      "  prerequisite [Local]: runs \"local.exe\" from the package folder (DoNotExtract), SHA-256 "
      "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad; the file there is this one",
      "    Arguments: /s exit=0", "    Reboot: \"later\", which acts as none",
      "    RebootCodes: 3010 (not used: no restart is asked for)", "    FailCodes: 1", "    ReinstallCodes: 1603",
      "    CheckExistence: RegKey|0|HKLM64\\Software\\X"};
  types.insert(types.end(), main.begin(), main.end());
  types.push_back("Setup type [admin silent]");
  types.push_back("  Name none, WelcomeDlg yes" + keys.substr(keys.find(", WelcomeWave")));
  types.insert(types.end(), main.begin(), main.end());
  types.push_back("  Unattended: Setup.exe /Type \"admin silent\" /quiet /Log C:\\Windows\\Temp\\Setup.log");
  const long end = 3 + static_cast<long>(types.size());
  auto listed = [&]() {
    test::ConsoleResult result = test::RunPack("--list " + Quote(p.exe));
    REQUIRE(result.exitCode == 0);
    return test::Lines(result.out);
  };
  auto contains = [](const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };

  p.Build(settings, true);
  test::WriteFile(p.folder + "\\local.exe", "abc");  // as the package ships
  std::vector<std::string> lines = listed();
  REQUIRE(lines.size() > static_cast<size_t>(end));
  CHECK(lines[0] == "Package " + Quote(p.exe));
  CHECK(lines[1] == engine);
  CHECK(lines[2] == "Settings: embedded as SETTINGS_INI, " + std::to_string(settings.size()) + " bytes");
  CHECK(std::vector<std::string>(lines.begin() + 3, lines.begin() + end) == types);
  CHECK(lines[end] == "Resources:");
  CHECK(contains(lines, "  INSTALLER INSTALLER_PRE, 16 bytes"));
  CHECK(contains(lines, "  TEXT SETTINGS_INI, " + std::to_string(settings.size()) + " bytes"));
  CHECK(contains(lines, "  LANGUAGE LANG_BOOTSTRAPPER, " +
                            std::to_string(test::ReadFile(test::BinFile("PendrixLang.dll")).size()) + " bytes"));
  CHECK(lines.back() ==
        "Execution level: highestAvailable (elevated when an administrator starts it, else with the user's rights)");
  // What the package asks Windows for is the level it was built with; the engine's manifest is otherwise kept.
  p.packOptions = "--execution-level requireadministrator";
  p.Build(settings, true);
  CHECK(listed().back() ==
        "Execution level: requireAdministrator (always elevated; a standard user is asked for an administrator)");
  std::string manifest = test::ReadResources(p.exe, MAKEINTRESOURCEA(24)).at(0).bytes;
  CHECK(manifest.replace(manifest.find("requireAdministrator"), 20, "highestAvailable") ==
        test::ReadResources(test::BinFile("Pendrix.exe"), MAKEINTRESOURCEA(24)).at(0).bytes);
  p.packOptions = "";

  p.Build(settings);  // not embedded: the Settings.ini beside the package is read
  const std::string beside = p.folder + "\\Settings.ini";
  lines = listed();
  CHECK(lines[2] == "Settings: not embedded; the package reads Settings.ini from its own folder (" + Quote(beside) +
                        ", there now)");
  CHECK(std::vector<std::string>(lines.begin() + 3, lines.begin() + end) == types);
  CHECK_FALSE(contains(lines, "  TEXT SETTINGS_INI, " + std::to_string(settings.size()) + " bytes"));
  DeleteFileA(beside.c_str());
  lines = listed();
  CHECK(lines[2] == "Settings: not embedded; the package reads Settings.ini from its own folder (" + Quote(beside) +
                        ", not there now)");
  CHECK(lines[3] == "Resources:");

  // Settings beside it that name an installer it does not carry, or an installer beside it that
  // is missing or another than the one it was built with: the package could not work.
  const std::string local = "  prerequisite [Local]: runs \"local.exe\" from the package folder (DoNotExtract), SHA-256 "
                            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad; ";
  const struct {
    int line;
    std::string settings;  // beside the package
    std::string local;     // local.exe beside it, or "" for none
    std::string says;
  } broken[] = {
      {__LINE__, "[default]\r\nMainInstall=Other\r\n[Other]\r\nName=Other\r\nFile=other.exe\r\n", "abc",
       "  main [Other]: resource INSTALLER_OTHER, missing from the package"},
      {__LINE__, settings, "abd",
       local + Quote(p.folder + "\\local.exe") + " differs from it, and the engine refuses to run it"},
      {__LINE__, settings, "", local + "missing: there is no " + Quote(p.folder + "\\local.exe")},
  };
  for (const auto& c : broken) {
    CAPTURE(c.line);
    test::WriteFile(beside, c.settings);
    DeleteFileA((p.folder + "\\local.exe").c_str());
    if (!c.local.empty()) test::WriteFile(p.folder + "\\local.exe", c.local);
    test::ConsoleResult missing = test::RunPack("--list " + Quote(p.exe));
    CHECK(missing.exitCode == 2);
    CHECK(contains(test::Lines(missing.out), c.says));
  }

  test::ConsoleResult notAPackage = test::RunPack("--list " + Quote(test::BinFile("FakeInstaller.exe")));
  CHECK(notAPackage.exitCode == 2);
  CHECK(notAPackage.err.find("is no Pendrix package") != std::string::npos);
}

TEST_CASE("a translator's folder: each mistake in it is one finding naming the file and key") {
  test::ScratchDir dir("language");
  const std::string settings = dir / "Settings.ini";
  test::WriteFile(settings, Default(""));
  const std::string source = dir / "template";
  test::ConsoleResult written = test::RunPack("--language-template " + Quote(source));
  REQUIRE(written.exitCode == 0);
  CHECK(written.out.find("Wrote the built-in language to") == 0);
  // A second template would overwrite a translation: nothing is written.
  CHECK(test::RunPack("--language-template " + Quote(source)).exitCode == 2);
  // Each case changes one thing of the German of examples/suite.
  const std::string german = test::BinFile("examples\\suite\\de-DE");
  const std::string texts = test::ReadFile(german + "\\texts.ini");
  const std::string englishPrompt = test::ReadFile(source + "\\IDR_REINSTALL_WAV.wav");

  struct Case {
    int line;
    std::string from, to;  // a change to texts.ini
    std::string file;      // or a file written ("" deletes it with an empty `to`)
    int exitCode;          // 0 clean, 1 warnings, 2 refused
    std::string where;     // how the line names the place, after the folder; # is the changed line of texts.ini
    std::string says;
    std::string name = "de-DE";
  };
  const Case cases[] = {
      {__LINE__, "", "", "", 0, "", ""},
      {__LINE__, "5=Die Einstellungsdatei konnte nicht nach \"%s\" entpackt werden.", "5=Nicht nach %d entpackt.", "",
       2, "\\texts.ini:#: [Messages] 5: ", "its placeholders are %d where the built-in text has %s"},
      {__LINE__, "104=Willkommen beim Setup-Paket %s.", "104=Willkommen!", "", 2, "\\texts.ini:#: [Dialog 107] 104: ",
       "its placeholders are none where the built-in text has %s"},
      {__LINE__, "", "ID3\x03\x00 an MP3 file", "IDR_OS_WAV.wav", 2, "\\IDR_OS_WAV.wav: ",
       "it is no RIFF WAVE file, which Windows' PlaySound does not play on every Windows the package runs on: save "
       "the recording as WAV, 16-bit PCM, mono"},
      {__LINE__, "[Dialog 101]", "[Dialog 101]\r\nTitle=Hilfe", "", 1, "\\texts.ini:#: [Dialog 101] Title: ",
       "no built-in text has this key"},
      {__LINE__, "", "the translator's notes", "notes.txt", 1, "\\notes.txt: ", "is neither texts.ini nor a WAVE file"},
      {__LINE__, "7=&Ohne Sprache", "7=&Ohne Sprachausgabe installieren", "", 1, "\\texts.ini:#: ",
       "[Dialog 107] 7: \"&Ohne Sprachausgabe installieren\" is "},
      // A line saved in another encoding: the file is refused, naming it.
      {__LINE__, "7=&Ohne Sprache", "7=&Ohne Spr\xE4" "che", "", 2, "\\texts.ini:#: ",
       "this line is no UTF-8, while line 17 is: the file mixes encodings"},
      {__LINE__, "; Vellora Suite", "\xEF\xBB\xBF; Vellora \xC9" "criture", "", 2, "\\texts.ini:1: ",
       "the file begins with a UTF-8 byte-order mark, but this line is no UTF-8"},
      // A letter that the language's own code page lacks: its Windows would show English instead.
      {__LINE__, "1=Tarrowind-Installationsfehler", "1=Fehler \xCE\xA9", "", 2, "\\texts.ini:8: [Messages] 1: ",
       "\"\xCE\xA9\" (U+03A9) is no character of code page 1252, the ANSI code page of de-DE"},
      {__LINE__, "", "", "IDR_OS_WAV.wav", 1, ": ", "leaves out 1 of its texts and recordings, which stay as the "
       "built-in English has them: IDR_OS_WAV.wav"},
      // What the template wrote, left as it is, unless it is marked as kept or the user never meets it.
      {__LINE__, "2=Die Sprachressourcen konnten nicht entpackt werden.", "2=Failed to extract the language resources.",
       "", 1, ": ", "gives 1 of its texts and recordings as the built-in English has them, so the user meets them in "
       "English: [Messages] 2; translate them, and mark a text that is right as it stands with a line \"; keep\""},
      {__LINE__, "2=Die Sprachressourcen konnten nicht entpackt werden.",
       "; keep\r\n2=Failed to extract the language resources.", "", 0, "", ""},
      {__LINE__, "17=Beim Neustart des Systems ist ein Fehler aufgetreten.  Die Installation wird jetzt beendet.",
       "17=There was an error attempting to reboot the system.  The installation process will now exit.", "", 0, "",
       ""},
      {__LINE__, "", englishPrompt, "IDR_REINSTALL_WAV.wav", 1, ": ",
       "gives 1 of its texts and recordings as the built-in English has them, so the user meets them in English: "
       "IDR_REINSTALL_WAV.wav;"},
      {__LINE__, "", englishPrompt, "IDR_FINISH_WAV.wav", 0, "", ""},  // played by no screen
      {__LINE__, "", "", "", 2, "", "--language xx-QQ=", "xx-QQ"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    const std::string folder = dir / ("row" + std::to_string(c.line));
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const std::string& name : test::ListFiles(german))
      REQUIRE(CopyFileA((german + "\\" + name).c_str(), (folder + "\\" + name).c_str(), FALSE));
    std::string changed = texts;
    if (!c.from.empty()) changed.replace(changed.find(c.from), c.from.size(), c.to);
    test::WriteFile(folder + "\\texts.ini", changed);
    if (!c.file.empty() && c.to.empty()) DeleteFileA((folder + "\\" + c.file).c_str());
    if (!c.file.empty() && !c.to.empty()) test::WriteFile(folder + "\\" + c.file, c.to);
    test::ConsoleResult result = Check(settings, " --language " + c.name + "=" + Quote(folder));
    REQUIRE(result.finished);
    CHECK(result.exitCode == static_cast<DWORD>(c.exitCode));
    std::vector<std::string> lines = test::Lines(result.err);
    INFO(result.err);
    REQUIRE(lines.size() == (c.exitCode == 0 ? 0u : 1u));
    if (c.exitCode == 0) continue;
    const std::string start = c.exitCode == 1 ? "PendrixPack: warning: " + folder : "PendrixPack: " + folder;
    std::string where = c.where;
    if (where.find('#') != std::string::npos) {
      const size_t lastLine = c.to.rfind('\n') == std::string::npos ? 0 : c.to.rfind('\n') + 1;
      const auto end = changed.begin() + static_cast<long>(changed.find(c.to) + lastLine);
      where.replace(where.find('#'), 1, std::to_string(1 + std::count(changed.begin(), end, '\n')));
    }
    CHECK(lines[0].find(c.name == "de-DE" ? start + where : "PendrixPack: " + where) == 0);
    CHECK(lines[0].find(c.says) != std::string::npos);
  }

  // The template as it was written: --check names every text and recording the user would meet in
  // English, a build the first few.
  const std::string english = ", IDR_REINSTALL_WAV.wav, IDR_WELCOME_WAV.wav; translate them";
  test::ConsoleResult checked = Check(settings, " --language fr-FR=" + Quote(source));
  CHECK(checked.err.find(", [Dialog 110] 1001, IDR_OS_WAV.wav, ") != std::string::npos);
  CHECK(checked.err.find(english) != std::string::npos);
  CHECK(checked.err.find(" more ") == std::string::npos);
  for (const char* name : {"pre.exe", "main.exe"}) test::WriteFile(dir / name, test::FakeInstaller());
  test::ConsoleResult built = test::RunPack("--settings " + Quote(settings) + " --payload " + Quote(dir.path()) +
                                            " --out " + Quote(dir / "Setup.exe") + " --language fr-FR=" + Quote(source));
  CHECK(built.exitCode == 0);
  CHECK(built.err.find("[Messages] 12 and ") != std::string::npos);
  CHECK(built.err.find(" more (--check lists them all); translate them") != std::string::npos);
}
