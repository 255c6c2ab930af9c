// PendrixPack as a package maker runs it: a good package with its summary and its resources, the
// settings embedded, and every refusal (one line naming the culprit, a non-zero exit code, no
// output file left behind, an existing package left as it was).
#include <doctest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "PackageSupport.h"
#include "TestSupport.h"
#include "package/Version.h"
#include "ui/language/resource.h"

namespace {

std::string Quote(const std::string& path) { return "\"" + path + "\""; }

// A package maker's folder: payload\, Settings.ini and out\ for the package.
struct PackWorkspace {
  test::ScratchDir dir{"pack"};
  std::string payload = dir / "payload";
  std::string settings = dir / "Settings.ini";
  std::string outDir = dir / "out";
  std::string out = outDir + "\\package.exe";

  PackWorkspace() {
    CreateDirectoryA(payload.c_str(), nullptr);
    CreateDirectoryA(outDir.c_str(), nullptr);
  }
  void Payload(const std::string& name, const std::string& bytes) { test::WriteFile(payload + "\\" + name, bytes); }
  void Settings(const std::string& text) { test::WriteFile(settings, text); }
  test::ConsoleResult Pack(const std::string& extra = "") {
    return test::RunPack("--settings " + Quote(settings) + " --payload " + Quote(payload) + " --out " + Quote(out) +
                         (extra.empty() ? "" : " " + extra));
  }
};

// UTF-8 text as Notepad saves it in UTF-16 LE, with its byte-order mark, and in this Windows'
// ANSI code page.
std::string Utf16Le(const std::string& utf8) {
  std::wstring wide(utf8.size(), L'\0');
  wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], wide.size()));
  return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
}
std::string Ansi(const std::string& utf8) {
  std::string utf16 = Utf16Le(utf8).substr(2);
  std::string ansi(utf16.size(), '\0');
  ansi.resize(WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(utf16.data()),
                                  static_cast<int>(utf16.size() / 2), &ansi[0], ansi.size(), nullptr, nullptr));
  return ansi;
}

std::string Size(const std::string& path) { return std::to_string(test::ReadFile(path).size()); }

uint64_t SizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// A file of `size` zero bytes that takes no room on disk until it is read.
bool WriteSparseFile(const std::string& path, int64_t size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER end;
  end.QuadPart = size;
  bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  CloseHandle(file);
  return ok;
}

std::vector<std::string> Names(const std::vector<test::ResourceInfo>& resources) {
  std::vector<std::string> names;
  for (const auto& r : resources) names.push_back(r.name);
  return names;
}

const char kGoodSettings[] =
    "[default]\r\n"
    "Name=Pack Test\r\n"
    "PreInstall=First|Second\r\n"
    "MainInstall=Main Product\r\n"
    "[Server]\r\n"
    "PreInstall=Local\r\n"
    "MainInstall=Main Product\r\n"
    "[First]\r\n"
    "Name=First Prerequisite\r\n"
    "File=Prereq1.EXE\r\n"
    "Arguments=exit=0\r\n"
    "FailCodes=1603\r\n"
    "[Second]\r\n"
    "Name = Second\r\n"
    "File = prereq2.exe\r\n"
    "FailCodes = 1\r\n"
    "[Main Product]\r\n"
    "Name=AI\r\n"
    "File=msiexec.exe\r\n"
    "Arguments=/i AI.msi /qn\r\n"
    "[Local]\r\n"
    "Name=Local\r\n"
    "File=local.exe\r\n"
    "DoNotExtract=Yes\r\n"
    "FailCodes=1\r\n";

// The SHA-256 of "abc" (FIPS 180-2, appendix B.1).
const char kAbcSha256[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) hex += std::string(1, kDigits[c >> 4]) + kDigits[c & 15];
  return hex;
}

// The lines of PendrixPack's stderr that refuse, without the warnings before them.
std::vector<std::string> Refusals(const std::string& err) {
  std::vector<std::string> refusals;
  for (const std::string& line : test::Lines(err))
    if (line.rfind("PendrixPack: warning: ", 0) != 0) refusals.push_back(line);
  return refusals;
}

// A package built without the maker's names warns of the engine's, and of nothing else.
bool OnlyEngineNamesWarned(const std::string& err) {
  const std::vector<std::string> lines = test::Lines(err);
  return lines.size() == 1 &&
         lines[0].rfind("PendrixPack: warning: the built-in English names the engine's vendor", 0) == 0;
}

void WriteGoodPayload(PackWorkspace& w) {
  w.Payload("prereq1.exe", test::ReadFile(test::BinFile("FakeInstaller.exe")));
  w.Payload("prereq2.exe", "the second prerequisite\r\n");
  w.Payload("AI.msi", test::ReadFile(test::BinFile("fixtures\\alpha-1.2.3.msi")));
  w.Payload("local.exe", "abc");  // the copy of the installer that ships beside the package
  w.Settings(kGoodSettings);
}

}  // namespace

TEST_CASE("a good package: the summary, the resources in the file, and the engine's own resources kept") {
  PackWorkspace w;
  WriteGoodPayload(w);
  test::WriteFile(w.out, "an older package");  // replaced only once the new one is complete

  test::ConsoleResult result = w.Pack();
  REQUIRE(result.finished);
  CHECK(result.exitCode == 0);
  CHECK(OnlyEngineNamesWarned(result.err));
  std::string prereq1 = Size(w.payload + "\\prereq1.exe");
  std::string prereq2 = Size(w.payload + "\\prereq2.exe");
  std::string msi = Size(w.payload + "\\AI.msi");
  CHECK(test::Lines(result.out) ==
        std::vector<std::string>{
            "Setup type [default]",
            "  prerequisite [First]: resource INSTALLER_FIRST_PREREQUISITE, " + prereq1 + " bytes, from \"prereq1.exe\"",
            "  prerequisite [Second]: resource INSTALLER_SECOND, " + prereq2 + " bytes, from \"prereq2.exe\"",
            "  main [Main Product]: resource INSTALLER_AI, " + msi + " bytes, from \"AI.msi\"",
            "Setup type [Server]",
            "  prerequisite [Local]: runs \"local.exe\" from the package folder (DoNotExtract), SHA-256 " +
                std::string(kAbcSha256),
            "  main [Main Product]: resource INSTALLER_AI, " + msi + " bytes, from \"AI.msi\"",
            "Settings: not embedded; the package reads Settings.ini from its own folder, so ship it beside the package",
            "Wrote \"" + w.out + "\", " + Size(w.out) + " bytes",
        });

  std::vector<test::ResourceInfo> installers = test::ReadResources(w.out, "INSTALLER");
  REQUIRE(Names(installers) ==
          std::vector<std::string>{"INSTALLER_AI", "INSTALLER_FIRST_PREREQUISITE", "INSTALLER_SECOND"});
  CHECK(installers[0].bytes == test::ReadFile(w.payload + "\\AI.msi"));
  CHECK(installers[1].bytes == test::ReadFile(w.payload + "\\prereq1.exe"));
  CHECK(installers[2].bytes == test::ReadFile(w.payload + "\\prereq2.exe"));
  CHECK(test::ReadResources(w.out, "TEXT").empty());
  // The installer beside the package is not carried, only its hash, under its resource name.
  std::vector<test::ResourceInfo> hashes = test::ReadResources(w.out, "SHA256");
  REQUIRE(Names(hashes) == std::vector<std::string>{"INSTALLER_LOCAL"});
  CHECK(Hex(hashes[0].bytes) == kAbcSha256);

  // The engine's resources are all still found, byte for byte.
  for (const char* type : {"LANGUAGE", "WAVE"}) {
    CAPTURE(type);
    std::vector<test::ResourceInfo> engine = test::ReadResources(test::BinFile("Pendrix.exe"), type);
    std::vector<test::ResourceInfo> packed = test::ReadResources(w.out, type);
    REQUIRE(Names(packed) == Names(engine));
    for (size_t i = 0; i < engine.size(); i++) CHECK(packed[i].bytes == engine[i].bytes);
  }
  std::vector<test::ResourceInfo> language = test::ReadResources(w.out, "LANGUAGE");
  REQUIRE(language.size() == 1);
  CHECK(language[0].bytes == test::ReadFile(test::BinFile("PendrixLang.dll")));

  DWORD stored = 0, computed = 0;
  REQUIRE(test::ReadChecksums(w.out, stored, computed));
  CHECK(stored != 0);
  CHECK(stored == computed);
  CHECK(test::ListFiles(w.outDir) == std::vector<std::string>{"package.exe"});  // no partial file left
}

TEST_CASE("--embed-settings carries the settings file as SETTINGS_INI of type TEXT") {
  PackWorkspace w;
  WriteGoodPayload(w);
  test::ConsoleResult result = w.Pack("--embed-settings");
  REQUIRE(result.finished);
  CHECK(result.exitCode == 0);
  std::vector<std::string> lines = test::Lines(result.out);
  REQUIRE(lines.size() == 9);
  CHECK(lines[7] == "Settings: resource SETTINGS_INI of type TEXT, " + Size(w.settings) + " bytes");
  std::vector<test::ResourceInfo> text = test::ReadResources(w.out, "TEXT");
  REQUIRE(Names(text) == std::vector<std::string>{"SETTINGS_INI"});
  CHECK(text[0].bytes == kGoodSettings);
}

TEST_CASE("settings saved in any encoding Notepad offers are read as written and carried as UTF-16 LE") {
  // Accented names, written here in UTF-8 and saved as each case says.
  const std::string text =
      "[default]\r\nName=Vellora \xC3\x89" "criture Suite\r\nMainInstall=Main\r\n"
      "[Main]\r\nName=Main\r\nFile=Schriftarten \xC3\x9C" "bersicht.exe\r\n";
  const std::string utf16 = Utf16Le(text);
  std::string bigEndian = utf16;
  for (size_t i = 0; i + 1 < bigEndian.size(); i += 2) std::swap(bigEndian[i], bigEndian[i + 1]);
  const struct {
    int line;
    std::string bytes;
    std::string converted;  // how the summary names the conversion
  } cases[] = {
      {__LINE__, text, ", UTF-16 LE from UTF-8"},
      {__LINE__, "\xEF\xBB\xBF" + text, ", UTF-16 LE from UTF-8 with BOM"},
      {__LINE__, utf16, ""},
      {__LINE__, bigEndian, ", UTF-16 LE from UTF-16 BE"},
      {__LINE__, Ansi(text), ", UTF-16 LE from ANSI"},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    PackWorkspace w;
    w.Payload(Ansi("Schriftarten \xC3\x9C" "bersicht.exe"), "installer");
    test::WriteFile(w.settings, c.bytes);
    test::ConsoleResult result = w.Pack("--embed-settings");
    CHECK(result.exitCode == 0);
    CHECK(OnlyEngineNamesWarned(result.err));
    std::vector<std::string> lines = test::Lines(result.out);
    REQUIRE(lines.size() == 4);
    // PendrixPack prints UTF-8 where its output is redirected.
    CHECK(lines[1] == "  main [Main]: resource INSTALLER_MAIN, 9 bytes, from \"schriftarten \xC3\xBC" "bersicht.exe\"");
    CHECK(lines[2] == "Settings: resource SETTINGS_INI of type TEXT, " + std::to_string(utf16.size()) + " bytes" +
                          c.converted);
    std::vector<test::ResourceInfo> settings = test::ReadResources(w.out, "TEXT");
    REQUIRE(settings.size() == 1);
    CHECK(settings[0].bytes == utf16);
  }
}

TEST_CASE("a package built from a UTF-8 file greets the user by the name as written") {
  test::Package p;
  p.Payload("main.exe");
  p.Build("[default]\r\nName=Vellora \xC3\x89" "criture Suite\r\nMainInstall=Main\r\nWelcomeDlg=yes\r\n"
          "[Main]\r\nName=Main\r\nFile=main.exe\r\n",
          true);
  test::ProcessResult run = p.Run("", [](const test::SeenWindow&) { return IDCANCEL; });
  CHECK(run.exitCode == 0);
  REQUIRE(run.windows.size() == 1);
  CHECK(run.windows[0].caption == Ansi("Vellora \xC3\x89" "criture Suite Setup Package"));
  CHECK(run.windows[0].Text(IDC_PACKAGE_WELCOME_TITLE) == Ansi("Welcome to the Vellora \xC3\x89" "criture Suite setup package."));
}

TEST_CASE("installers that share a resource name and its file are embedded once") {
  PackWorkspace w;
  w.Payload("same.exe", "one installer, two sections");
  w.Settings(
      "[default]\r\nPreInstall=A|B\r\nMainInstall=A\r\n"
      "[A]\r\nName=Same Name\r\nFile=same.exe\r\n"
      "[B]\r\nName=SAME_NAME\r\nFile=SAME.EXE\r\nArguments=/other\r\n");
  test::ConsoleResult result = w.Pack();
  REQUIRE(result.finished);
  CHECK(result.exitCode == 0);
  std::vector<std::string> lines = test::Lines(result.out);
  REQUIRE(lines.size() == 6);
  CHECK(lines[1] == "  prerequisite [A]: resource INSTALLER_SAME_NAME, 27 bytes, from \"same.exe\"");
  CHECK(lines[2] == "  prerequisite [B]: resource INSTALLER_SAME_NAME, 27 bytes, from \"same.exe\"");
  CHECK(lines[3] == "  main [A]: resource INSTALLER_SAME_NAME, 27 bytes, from \"same.exe\"");
  std::vector<test::ResourceInfo> installers = test::ReadResources(w.out, "INSTALLER");
  REQUIRE(installers.size() == 1);
  CHECK(installers[0].bytes == "one installer, two sections");
}

TEST_CASE("settings that could not work are refused with one line naming the culprit") {
  struct Case {
    int line;
    const char* settings;
    std::map<std::string, std::string> payload;
    int at;  // the line of the settings file that the first refusal names
    std::vector<std::string> mentions;
    size_t refusals = 1;
  };
  const std::map<std::string, std::string> aExe = {{"a.exe", "installer a"}};
  const Case cases[] = {
      {__LINE__, "[default]\r\nPreInstall=||\r\nMainInstall=\r\n", aExe, 2,
       {"setup type [default] names no installer"}},
      {__LINE__, "[default]\r\nPreInstall=A|Ghost\r\n[A]\r\nName=A\r\nFile=a.exe\r\n", aExe, 2,
       {"setup type [default]", "installer section [Ghost]", "does not exist"}},
      {__LINE__, "[default]\r\nMainInstall=Empty\r\n[Empty]\r\n", aExe, 2,
       {"installer section [Empty]", "does not exist"}},
      {__LINE__, "[default]\r\nMainInstall=A\r\n[A]\r\nFile=a.exe\r\n", aExe, 3,
       {"installer section [A] (named by setup type [default]) has no Name key"}},
      {__LINE__, "[default]\r\nMainInstall=A\r\n[A]\r\nName=\r\nFile=a.exe\r\n", aExe, 4,
       {"[A]", "has no Name key"}},
      {__LINE__, "[default]\r\nMainInstall=A\r\n[A]\r\nName=A\r\nArguments=x\r\n", aExe, 3,
       {"installer section [A] (named by setup type [default]) has no File key"}},
      {__LINE__, "[default]\r\nMainInstall=A\r\n[A]\r\nName=A\r\nFile=missing.exe\r\n", aExe,
       5, {"installer section [A]", "the payload file \"missing.exe\" was not found"}},
      {__LINE__, "[default]\r\nPreInstall=A|B\r\n[A]\r\nName=Same\r\nFile=a.exe\r\n[B]\r\nName=Same\r\nFile=b.exe\r\n",
       {{"a.exe", "a"}, {"b.exe", "b"}}, 8,
       {"installer sections [A] and [B] would both write the resource INSTALLER_SAME", "a.exe", "b.exe"}},
      // The loader does not tell letter case apart, and a blank becomes an underscore.
      {__LINE__, "[default]\r\nPreInstall=A|B\r\n[A]\r\nName=two words\r\nFile=a.exe\r\n[B]\r\nName=Two_Words\r\nFile=b.exe\r\n",
       {{"a.exe", "a"}, {"b.exe", "b"}}, 8, {"[A] and [B]", "INSTALLER_TWO_WORDS"}},
      {__LINE__, "[default]\r\nMainInstall=M\r\n[M]\r\nName=M\r\nFile=msiexec.exe\r\nArguments=/qn\r\n", aExe,
       6, {"installer section [M]", "runs msiexec, but its Arguments key names no MSI file"}},
      {__LINE__, "[default]\r\nMainInstall=M\r\n[M]\r\nName=M\r\nFile=MsiExec.exe\r\nArguments=/iAI.msi\r\n", aExe,
       6, {"installer section [M]", "names no MSI file"}},
      {__LINE__, "[default]\r\nMainInstall=M\r\n[M]\r\nName=M\r\nFile=msiexec.exe\r\nArguments=/i nothere.msi /qn\r\n",
       aExe, 6, {"installer section [M]", "the payload file \"nothere.msi\" was not found"}},
      {__LINE__, "[default]\r\nMainInstall=A\r\n[A]\r\nName=A\r\nFile=empty.exe\r\n", {{"empty.exe", ""}},
       5, {"installer section [A]", "empty.exe", "is empty"}},
      {__LINE__, "[default]\r\nMainInstall=A\r\n[A]\r\nName=A\r\nFile=sub\\a.exe\r\n", aExe, 5,
       {"installer section [A]", "key File: \"sub\\a.exe\" is not a plain file name", "(DoNotExtract=yes) may name a "
        "file in a subfolder"}},
      // Beside the package, a path that depends on which drive is current.
      {__LINE__, "[default]\r\nMainInstall=A\r\n[A]\r\nName=A\r\nFile=\\a.exe\r\nDoNotExtract=yes\r\n", aExe,
       5, {"installer section [A]", "key File: \"\\a.exe\" runs beside the package", "not \"\\x.exe\""}},
      {__LINE__,
       "[default]\r\nMainInstall=M\r\n[M]\r\nName=M\r\nFile=msiexec.exe\r\nArguments=/i c:kit\\m.msi\r\n"
       "DoNotExtract=yes\r\n",
       aExe, 6, {"installer section [M]", "key Arguments: \"c:kit\\m.msi\"", "\"C:x.exe\""}},
      // Checked against one hash under one name, two different files could not both pass.
      {__LINE__,
       "[default]\r\nPreInstall=A|B\r\n[A]\r\nName=Same\r\nFile=a.exe\r\nDoNotExtract=yes\r\n"
       "[B]\r\nName=same\r\nFile=kit\\b.exe\r\nDoNotExtract=yes\r\n",
       aExe, 9, {"installer sections [A] and [B] run different files", "\"kit\\b.exe\"", "INSTALLER_SAME"}},
      // Every refusal in one run.
      {__LINE__, "[default]\r\nPreInstall=A|B|C\r\n[A]\r\nName=A\r\nFile=b.exe\r\n[B]\r\nName=B\r\nFile=a.exe\r\n"
       "[C]\r\nName=C\r\nFile=c.exe\r\n",
       aExe, 5, {"[A]", "\"b.exe\" was not found", "[C]", "\"c.exe\" was not found"}, 2},
      {__LINE__, "[A]\r\nName=A\r\nFile=a.exe\r\n", aExe, 1, {"no setup type", "Settings.ini"}},
      {__LINE__, "[default]\r\nMainInstall=A\r\n[A]\r\nName=A\r\nFile=a.exe\r\n[Other]\r\nPreInstall=Ghost\r\n", aExe,
       7, {"setup type [Other]", "[Ghost]"}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    for (bool existing : {false, true}) {
      CAPTURE(existing);
      PackWorkspace w;
      for (const auto& file : c.payload) w.Payload(file.first, file.second);
      w.Settings(c.settings);
      if (existing) test::WriteFile(w.out, "the package of yesterday");
      test::ConsoleResult result = w.Pack();
      REQUIRE(result.finished);
      CHECK(result.exitCode == 2);
      CHECK(result.out == "");
      // Warnings about these settings may come first; each refusal is one line.
      std::string refused;
      for (const std::string& line : Refusals(result.err)) refused += line + "\n";
      CHECK(test::Lines(refused).size() == c.refusals);
      CHECK(refused.find("PendrixPack: " + w.settings + ":" + std::to_string(c.at) + ": ") == 0);
      for (const std::string& mention : c.mentions) {
        CAPTURE(mention);
        CHECK(refused.find(mention) != std::string::npos);
      }
      if (existing) {
        CHECK(test::ListFiles(w.outDir) == std::vector<std::string>{"package.exe"});
        CHECK(test::ReadFile(w.out) == "the package of yesterday");
      } else {
        CHECK(test::ListFiles(w.outDir).empty());
      }
    }
  }
}

TEST_CASE("missing or unusable files and arguments are refused before anything is written") {
  PackWorkspace w;
  WriteGoodPayload(w);
  std::string notAProgram = w.dir / "engine.exe";
  test::WriteFile(notAProgram, "MZ but nothing more");
  const DWORD kRefused = 2, kBadCommandLine = 3;
  struct Case {
    int line;
    std::string arguments;
    DWORD exitCode;
    std::vector<std::string> mentions;
  };
  const std::string settings = "--settings " + Quote(w.settings);
  const std::string payload = " --payload " + Quote(w.payload);
  const std::string out = " --out " + Quote(w.out);
  const Case cases[] = {
      {__LINE__, "--settings " + Quote(w.dir / "nothere.ini") + payload + out, kRefused,
       {"the settings file", "nothere.ini", "does not exist"}},
      {__LINE__, "--settings " + Quote(w.payload) + payload + out, kRefused,
       {"the settings file", "is a folder"}},
      {__LINE__, settings + " --payload " + Quote(w.dir / "nodir") + out, kRefused,
       {"the payload folder", "nodir"}},
      {__LINE__, settings + " --payload " + Quote(w.settings) + out, kRefused,
       {"the payload folder", "Settings.ini"}},
      {__LINE__, settings + payload + out + " --engine " + Quote(w.dir / "nothere.exe"), kRefused,
       {"the engine", "nothere.exe", "does not exist"}},
      {__LINE__, settings + payload + out + " --engine " + Quote(notAProgram), kRefused,
       {"the engine", "engine.exe", "it is not a Windows program"}},
      {__LINE__, settings + payload + " --out " + Quote(w.outDir), kRefused, {"is a folder"}},
      {__LINE__, settings + payload + " --out " + Quote(w.dir / "nodir\\package.exe"), kRefused,
       {"the output folder", "nodir", "does not exist"}},
      {__LINE__, settings + payload + out + " --frobnicate", kBadCommandLine,
       {"unknown argument \"--frobnicate\""}},
      {__LINE__, settings + payload, kBadCommandLine, {"--out is missing"}},
      {__LINE__, settings + payload + out + " --out", kBadCommandLine, {"--out is given twice"}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::ConsoleResult result = test::RunPack(c.arguments);
    REQUIRE(result.finished);
    CHECK(result.exitCode == c.exitCode);
    CHECK(result.out == "");
    std::vector<std::string> lines = Refusals(result.err);
    REQUIRE_FALSE(lines.empty());
    for (const std::string& mention : c.mentions) {
      CAPTURE(mention);
      CHECK(lines[0].find(mention) != std::string::npos);
    }
    // Argument errors are followed by the usage; everything else is one line.
    if (c.exitCode == kBadCommandLine) CHECK(lines[1].rfind("usage: PendrixPack --settings FILE", 0) == 0);
    else CHECK(lines.size() == 1);
    CHECK(test::ListFiles(w.outDir).empty());
  }
}

TEST_CASE("a settings file that another program holds exclusively is refused as unreadable") {
  PackWorkspace w;
  WriteGoodPayload(w);
  HANDLE held = CreateFileA(w.settings.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  REQUIRE(held != INVALID_HANDLE_VALUE);
  test::ConsoleResult result = w.Pack();
  CloseHandle(held);
  REQUIRE(result.finished);
  CHECK(result.exitCode == 2);
  CHECK(result.err.find("the settings file") != std::string::npos);
  CHECK(result.err.find("cannot be read") != std::string::npos);
  CHECK(test::ListFiles(w.outDir).empty());
}

TEST_CASE("--help prints the usage and builds nothing") {
  test::ConsoleResult result = test::RunPack("--help");
  REQUIRE(result.finished);
  CHECK(result.exitCode == 0);
  CHECK(result.out.rfind("usage: PendrixPack --settings FILE --payload DIR --out FILE", 0) == 0);
  CHECK(result.err == "");
}

TEST_CASE("an output that is the engine, the settings file or a payload file, under any name, is refused") {
  PackWorkspace w;
  WriteGoodPayload(w);
  // A copy of the engine, so that a failure destroys nothing of the build.
  std::string engine = w.dir / "Engine.exe";
  REQUIRE(CopyFileA(test::BinFile("Pendrix.exe").c_str(), engine.c_str(), FALSE));
  std::string link = w.dir / "linked.exe";
  REQUIRE(CreateHardLinkA(link.c_str(), engine.c_str(), nullptr));
  // The same file through the drive that Wine gives the whole Unix tree, as a network path or a
  // substituted drive would name it on Windows.
  REQUIRE(engine.compare(0, 3, "C:\\") == 0);
  std::string throughRoot = test::WinPath(test::Env("WINEPREFIX") + "/drive_c/") + engine.substr(3);
  char shortName[MAX_PATH] = {};
  REQUIRE(GetShortPathNameA(w.settings.c_str(), shortName, MAX_PATH) > 0);
  std::string prereq = w.payload + "\\prereq1.exe";
  struct Case {
    int line;
    std::string out;
    std::string mention;
  };
  const Case cases[] = {
      {__LINE__, engine, "is the engine: packing would destroy it"},
      {__LINE__, w.dir / "ENGINE.EXE", "is the engine"},
      {__LINE__, link, "is the engine \"" + engine + "\" under another name"},
      {__LINE__, throughRoot, "is the engine \"" + engine + "\" under another name"},
      {__LINE__, w.settings, "is the settings file"},
      {__LINE__, shortName, "is the settings file"},
      {__LINE__, w.outDir + "\\..\\payload\\PREREQ1.exe", "is the payload file"},
  };
  std::string engineBytes = test::ReadFile(engine);
  std::string settingsBytes = test::ReadFile(w.settings);
  std::string prereqBytes = test::ReadFile(prereq);
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::ConsoleResult result = test::RunPack("--settings " + Quote(w.settings) + " --payload " + Quote(w.payload) +
                                               " --engine " + Quote(engine) + " --out " + Quote(c.out));
    REQUIRE(result.finished);
    CHECK(result.exitCode == 2);
    CHECK(Refusals(result.err).size() == 1);
    CHECK(result.err.find(c.mention) != std::string::npos);
    CHECK(test::ReadFile(engine) == engineBytes);
    CHECK(test::ReadFile(w.settings) == settingsBytes);
    CHECK(test::ReadFile(prereq) == prereqBytes);
    // No partial file beside any of them.
    CHECK(test::ListFiles(w.dir.path()) == std::vector<std::string>{"Engine.exe", "Settings.ini", "linked.exe"});
    CHECK(test::ListFiles(w.payload) ==
          std::vector<std::string>{"AI.msi", "local.exe", "prereq1.exe", "prereq2.exe"});
  }
}

TEST_CASE("a package given as the engine is refused, naming the package resources it carries") {
  PackWorkspace w;
  WriteGoodPayload(w);
  REQUIRE(w.Pack("--embed-settings").exitCode == 0);
  std::string package = w.dir / "package.exe";
  REQUIRE(MoveFileA(w.out.c_str(), package.c_str()));

  test::ConsoleResult result = w.Pack("--engine " + Quote(package));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 2);
  CHECK(Refusals(result.err) ==
        std::vector<std::string>{"PendrixPack: the engine \"" + package +
                                 "\" is already a package: it carries CRC32C, INSTALLER_AI, INSTALLER_FIRST_PREREQUISITE, "
                                 "INSTALLER_SECOND, INSTALLER_LOCAL, SETTINGS_INI; pack the bare engine"});
  CHECK(test::ListFiles(w.outDir).empty());
}

TEST_CASE("killed while writing, PendrixPack leaves the old package, and its next run removes the partial file") {
  PackWorkspace w;
  w.Settings("[default]\r\nMainInstall=Big\r\n[Big]\r\nName=Big\r\nFile=big.exe\r\n");
  // A large payload makes the writing last long enough to be caught halfway.
  REQUIRE(WriteSparseFile(w.payload + "\\big.exe", 256ll << 20));
  test::WriteFile(w.out, "the package of yesterday");
  std::string partial = w.out + ".pendrixpack-partial";
  std::string line = "\"" + test::BinFile("PendrixPack.exe") + "\" --settings " + Quote(w.settings) + " --payload " +
                     Quote(w.payload) + " --out " + Quote(w.out);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  REQUIRE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                         &process));
  CloseHandle(process.hThread);
  for (int i = 0; i < 3000 && SizeOf(partial) < (16 << 20); i++) Sleep(5);
  REQUIRE(SizeOf(partial) >= (16 << 20));
  TerminateProcess(process.hProcess, 1);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hProcess);
  CHECK(test::ReadFile(w.out) == "the package of yesterday");
  CHECK(test::ListFiles(w.outDir) == std::vector<std::string>{"package.exe", "package.exe.pendrixpack-partial"});

  // While another run holds the partial file, a run for the same output is refused and takes nothing.
  HANDLE held = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  REQUIRE(held != INVALID_HANDLE_VALUE);
  test::ConsoleResult busy = w.Pack();
  CloseHandle(held);
  CHECK(busy.exitCode == 2);
  CHECK(busy.err.find("another PendrixPack is writing \"" + w.out + "\" now") != std::string::npos);
  CHECK(test::ReadFile(w.out) == "the package of yesterday");

  test::ConsoleResult again = w.Pack();
  REQUIRE(again.finished);
  CHECK(again.exitCode == 0);
  CHECK(test::ListFiles(w.outDir) == std::vector<std::string>{"package.exe"});
  CHECK(test::ReadResources(w.out, "INSTALLER").size() == 1);
}

TEST_CASE("a package too large to start is refused before anything is written, saying why") {
  PackWorkspace w;
  w.Settings("[default]\r\nMainInstall=Big\r\n[Big]\r\nName=Big\r\nFile=big.exe\r\n");
  REQUIRE(WriteSparseFile(w.payload + "\\big.exe", 1900ll << 20));
  test::ConsoleResult result = w.Pack();
  REQUIRE(result.finished);
  CHECK(result.exitCode == 2);
  std::vector<std::string> lines = Refusals(result.err);
  REQUIRE(lines.size() == 1);
  CHECK(lines[0].find("the package would be 19") != std::string::npos);
  CHECK(lines[0].find("cannot start") != std::string::npos);
  CHECK(test::ListFiles(w.outDir).empty());
}

// What Explorer's file properties show, read as they read it.
std::map<std::string, std::string> FileProperties(const std::string& file) {
  std::map<std::string, std::string> properties;
  std::string bytes(GetFileVersionInfoSizeA(file.c_str(), nullptr), '\0');
  if (bytes.empty() || !GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(bytes.size()), &bytes[0]))
    return properties;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (VerQueryValueA(bytes.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed != nullptr)
    properties["fixed"] = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                          std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                          std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                          std::to_string(LOWORD(fixed->dwFileVersionLS));
  for (const char* name : {"CompanyName", "FileDescription", "FileVersion", "LegalCopyright", "ProductName",
                           "ProductVersion", "PendrixVersion"}) {
    char* value = nullptr;
    if (VerQueryValueA(bytes.data(), ("\\StringFileInfo\\040904B0\\" + std::string(name)).c_str(),
                       reinterpret_cast<void**>(&value), &length) && value != nullptr)
      properties[name] = value;
  }
  return properties;
}

TEST_CASE("the package says what it is and whose it is: its file properties, its boxes, its Help and its window") {
  const std::string stamp = "--company \"Acme Tools\" --product-name \"Acme Writer\" --product-version 2.5.1 "
                            "--description \"Acme Writer installer\" --copyright \"(c) 2024 Acme Tools\"";
  const std::map<std::string, std::string> engine = {
      {"fixed", std::to_string(PENDRIX_VERSION_MAJOR) + "." + std::to_string(PENDRIX_VERSION_MINOR) + "." +
                    std::to_string(PENDRIX_VERSION_PATCH) + ".0"},
      {"FileDescription", "Setup package (Pendrix engine)"}, {"FileVersion", PENDRIX_VERSION_TEXT},
      {"ProductName", "Pendrix"}, {"ProductVersion", PENDRIX_VERSION_TEXT}};
  const std::map<std::string, std::string> maker = {
      {"fixed", "2.5.1.0"}, {"CompanyName", "Acme Tools"}, {"FileDescription", "Acme Writer installer"},
      {"FileVersion", "2.5.1"}, {"LegalCopyright", "(c) 2024 Acme Tools"}, {"ProductName", "Acme Writer"},
      {"ProductVersion", "2.5.1"}, {"PendrixVersion", PENDRIX_VERSION_TEXT}};
  const struct {
    int line;
    std::string options;
    std::map<std::string, std::string> properties;
    std::string company, title;  // in the boxes and the Help, and the window's title
  } cases[] = {
      {__LINE__, "", engine, "Tarrowind", "Installing Vellora"},
      {__LINE__, stamp, maker, "Acme Tools", "Installing Acme Writer"},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    PackWorkspace w;
    w.Payload("main.exe", test::FakeInstaller());
    w.Settings("[default]\r\nMainInstall=Main\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\n");
    test::ConsoleResult packed = w.Pack("--embed-settings " + c.options);
    REQUIRE(packed.exitCode == 0);
    CHECK((c.options.empty() ? OnlyEngineNamesWarned(packed.err) : packed.err.empty()));
    CHECK(FileProperties(w.out) == c.properties);

    // The window takes the language's title once it is loaded; the Help and the boxes name the maker.
    std::string title;
    auto answer = [&title](const test::SeenWindow&) {
      char text[100] = {};
      GetWindowTextA(FindWindowA("BootstrapperHiddenWindow", nullptr), text, sizeof(text));
      title = text;
      return IDCANCEL;
    };
    test::ProcessResult help = test::RunProcess(Quote(w.out) + " /Help", w.outDir, answer);
    REQUIRE(help.windows.size() == 1);
    CHECK(help.windows[0].caption == c.company + " Setup Package Help");
    CHECK(help.windows[0].Text(IDC_HELP_TEXT).rfind("The " + c.company + " setup package is a tool", 0) == 0);
    CHECK(title == c.title);
    test::ProcessResult box = test::RunProcess(Quote(w.out) + " /Type Nothing", w.outDir, answer);
    REQUIRE(box.windows.size() == 1);
    CHECK(box.windows[0].caption == c.company + " Installation Error");

    const std::vector<std::string> listed = test::Lines(test::RunPack("--list " + Quote(w.out)).out);
    REQUIRE(listed.size() > 2);
    CHECK(listed[1] == "Engine: Pendrix " PENDRIX_VERSION_TEXT);
    const std::string stamped = "Version: file version 2.5.1.0, product version 2.5.1.0, CompanyName \"Acme Tools\"";
    CHECK((listed[2].rfind(stamped, 0) == 0) == !c.options.empty());
  }
  const std::map<std::string, std::string> builder = FileProperties(test::BinFile("PendrixPack.exe"));
  CHECK(builder.at("ProductName") == "Pendrix");
  CHECK(builder.at("FileVersion") == PENDRIX_VERSION_TEXT);
}

TEST_CASE("--extract writes each file a package carries under the engine's name for it, with its SHA-256") {
  PackWorkspace w;
  WriteGoodPayload(w);
  w.Payload("prereq2.exe", "abc");
  REQUIRE(w.Pack("--embed-settings --language de-DE=" + Quote(test::BinFile("examples\\suite\\de-DE"))).exitCode == 0);
  const std::string folder = w.dir / "extracted";
  test::ConsoleResult result = test::RunPack("--extract " + Quote(w.out) + " " + Quote(folder));
  REQUIRE(result.exitCode == 0);
  CHECK(result.err.empty());
  // Each installer under the name the engine writes it as: an MSI under its own, not msiexec's.
  for (const char* file : {"prereq1.exe", "prereq2.exe", "AI.msi"})
    CHECK(test::ReadFile(folder + "\\" + file) == test::ReadFile(w.payload + "\\" + file));
  CHECK(test::ReadFile(folder + "\\Settings.ini") == kGoodSettings);
  CHECK_FALSE(test::FileExists(folder + "\\local.exe"));  // it runs beside the package
  for (const char* language : {"en-US", "de-DE"}) {
    CAPTURE(language);
    CHECK(test::ReadFile(folder + "\\" + language + "\\texts.ini").find("[Messages]") != std::string::npos);
    CHECK(test::FileExists(folder + "\\" + language + "\\IDR_OS_WAV.wav"));
  }
  CHECK(test::ReadFile(folder + "\\de-DE\\texts.ini").find("95=Vellora wird installiert") != std::string::npos);
  const std::vector<std::string> listing = test::Lines(test::ReadFile(folder + "\\Listing.txt"));
  CHECK(std::find(listing.begin(), listing.end(), std::string(kAbcSha256) + "  prereq2.exe") != listing.end());
  CHECK(std::find(listing.begin(), listing.end(),
                  "; [Local] runs \"local.exe\" from the package folder (DoNotExtract), SHA-256 " +
                      std::string(kAbcSha256)) != listing.end());
  size_t hashed = 0;
  for (const std::string& line : listing) hashed += line.size() > 66 && line.compare(64, 2, "  ") == 0 ? 1 : 0;
  CHECK(hashed == 4 + 2 * (1 + test::ReadResources(test::BinFile("PendrixLang.dll"), "WAVE").size()));

  // Nothing is mixed with what a folder holds, and nothing is written over.
  test::ConsoleResult again = test::RunPack("--extract " + Quote(w.out) + " " + Quote(folder));
  CHECK(again.exitCode == 2);
  CHECK(again.err.find("is not empty") != std::string::npos);
  CHECK(test::ReadFile(folder + "\\prereq2.exe") == "abc");
}
