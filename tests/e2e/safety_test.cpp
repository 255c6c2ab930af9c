// Packages run on a machine as it really is, beside another program of the same user: DLLs and
// programs planted where a download lands, a writer racing for every file the package writes,
// settings and names that try to leave their folder, other programs' files in the temporary
// folder, a run killed halfway, links where earlier runs' folders would lie, a full drive, the
// package started from another folder with relative paths, and a temporary folder named in
// another script.
#include <doctest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "InProcessAnswerer.h"
#include "LogLines.h"
#include "PackageSupport.h"
#include "RunOnceSupport.h"
#include "TestSupport.h"
#include "RestrictedToken.h"
#include "core/PackageExitCodes.h"
#include "trust/HeldPath.h"

using test::Package;
using test::Quote;

namespace {

const char kAlpha123[] = "{6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C1123}";

bool ContainsStart(const std::vector<std::string>& lines, const std::string& start) {
  for (const std::string& each : lines)
    if (each.rfind(start, 0) == 0) return true;
  return false;
}

std::string SystemFolder() {
  char folder[MAX_PATH] = {};
  GetSystemDirectoryA(folder, MAX_PATH);
  return folder;
}

std::string Folder(const std::string& path) {
  CreateDirectoryA(path.c_str(), nullptr);
  return path;
}

// Another process of the same user that watches the folders where runs work and writes its own
// code over every file there that it can open for writing: the language DLL, the settings copy,
// each installer and MSI package. It counts how often it got in and how often it was kept out.
class WorkFolderRacer {
 public:
  struct Replacements {
    std::string dll, program, settings, msi;
  };
  WorkFolderRacer(std::string temp, Replacements replacements)
      : m_temp(std::move(temp)), m_replacements(std::move(replacements)), m_before(test::WorkFolders(m_temp)) {
    m_thread = CreateThread(nullptr, 0, Loop, this, 0, nullptr);
  }
  ~WorkFolderRacer() { Stop(); }
  void Stop() {
    if (m_thread == nullptr) return;
    InterlockedExchange(&m_stop, 1);
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
    m_thread = nullptr;
  }
  LONG overwritten = 0;
  LONG blocked = 0;

 private:
  static DWORD WINAPI Loop(void* parameter) {
    auto* racer = static_cast<WorkFolderRacer*>(parameter);
    while (InterlockedCompareExchange(&racer->m_stop, 0, 0) == 0) {
      for (const std::string& folder : test::WorkFolders(racer->m_temp))
        if (std::find(racer->m_before.begin(), racer->m_before.end(), folder) == racer->m_before.end())
          racer->Attack(folder, 1);
      Sleep(0);
    }
    return 0;
  }
  const std::string& ReplacementFor(const std::string& name) const {
    std::string extension = name.size() > 4 ? name.substr(name.size() - 4) : name;
    CharLowerA(&extension[0]);
    if (extension == ".dll") return m_replacements.dll;
    if (extension == ".ini") return m_replacements.settings;
    if (extension == ".msi") return m_replacements.msi;
    return m_replacements.program;
  }
  void Attack(const std::string& folder, int depth) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      std::string path = folder + "\\" + found.cFileName;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        if (depth > 0 && found.cFileName[0] != '.') Attack(path, depth - 1);
        continue;
      }
      HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
      if (file == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_SHARING_VIOLATION) InterlockedIncrement(&blocked);
        continue;
      }
      const std::string& bytes = ReplacementFor(found.cFileName);
      DWORD written = 0;
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
      SetEndOfFile(file);
      CloseHandle(file);
      InterlockedIncrement(&overwritten);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }

  std::string m_temp;
  Replacements m_replacements;
  std::vector<std::string> m_before;  // folders that are not a run's of this test
  volatile LONG m_stop = 0;
  HANDLE m_thread = nullptr;
};

// Settings that would run the other program's own code, which it put beside the package.
const char kPlantedSettings[] =
    "[default]\r\nMainInstall=Planted\r\n"
    "[Planted]\r\nName=Planted\r\nFile=PlantedProgram.exe\r\nDoNotExtract=yes\r\n";

// Wine told to load a DLL of these names found beside a program named Setup.exe before its own,
// as Windows' search prefers a DLL beside the program to the system's. Wine reads it from the
// registry when the program starts (WINEDLLOVERRIDES in a child's environment is not read).
class PreferPlantedDlls {
 public:
  explicit PreferPlantedDlls(const std::vector<std::string>& dlls) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != 0) return;
    for (const std::string& dll : dlls)
      RegSetValueExA(key, dll.substr(0, dll.find('.')).c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>("native,builtin"), sizeof("native,builtin"));
    RegCloseKey(key);
  }
  ~PreferPlantedDlls() { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }

 private:
  static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\Setup.exe\\DllOverrides";
};

}  // namespace

TEST_CASE("no DLL and no msiexec planted beside the package, in the current folder or in the temporary folder runs") {
  REQUIRE(test::UninstallMsiProduct(kAlpha123));
  Package p;
  p.UsePrivateTemp();
  std::string elsewhere = Folder(p.dir / "elsewhere");
  std::string markers = Folder(p.dir / "markers");
  p.Payload("alpha-1.2.3.msi", test::ReadFile(test::BinFile("fixtures\\alpha-1.2.3.msi")));
  p.Payload("main.exe");
  // The waiting tone loads winmm.dll while the system's msiexec installs the prerequisite.
  p.Build(
      "[default]\r\nPreInstall=Alpha\r\nMainInstall=Main\r\n"
      "[Alpha]\r\nName=Alpha\r\nFile=msiexec.exe\r\nArguments=/i alpha-1.2.3.msi /qn\r\nPlayTone=1\r\n"
      "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=5\r\n");
  // Every DLL the engine loads that is not one of Windows' known DLLs, but version.dll: Wine's
  // own user32 imports it, so Wine loads it when any program starts, before the program's first
  // instruction (Windows' user32 does not import it).
  const std::vector<std::string> dlls = {"winmm.dll", "msi.dll", "comctl32.dll", "srclient.dll"};
  std::string planted = test::ReadFile(test::BinFile("PlantedDll.dll"));
  for (const std::string& folder : {p.folder, elsewhere})
    for (const std::string& dll : dlls) REQUIRE(test::WriteFile(folder + "\\" + dll, planted));
  // (Wine's shell finds a bare msiexec.exe in the system folder first anyway; Windows' looks
  // beside the program and in the current folder before it.)
  for (const std::string& folder : {p.folder, elsewhere, p.temp})
    REQUIRE(test::WriteFile(folder + "\\msiexec.exe", test::FakeInstaller()));
  PreferPlantedDlls preferPlanted(dlls);
  test::ScopedEnvironment markerFolder("PENDRIX_PLANTED_MARKERS", markers);
  std::string modules = p.dir / "modules.txt";
  test::ScopedEnvironment parentModules("FAKE_INSTALLER_PARENT_MODULES", modules);

  test::ProcessResult result = p.RunFrom(elsewhere, "/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 5);
  CHECK(result.windows.empty());
  CHECK(test::JoinLines(test::ListFiles(markers)).empty());
  // Only the main installer wrote to the journal: no planted msiexec.exe ran.
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 1);
  CHECK(journal[0].arguments == "exit=5");
  CHECK(test::MsiProductState(kAlpha123) == INSTALLSTATE_DEFAULT);
  CHECK(test::HasLine(p.Log(), "Run - Starting the program from the system folder: " + SystemFolder() + "\\msiexec.exe."));
  bool systemWinmm = false;
  for (const std::string& module : test::Lines(test::ReadFile(modules)))
    systemWinmm |= lstrcmpiA(module.c_str(), (SystemFolder() + "\\winmm.dll").c_str()) == 0;
  CHECK(systemWinmm);
  CHECK(test::UninstallMsiProduct(kAlpha123));
}

TEST_CASE("another program that writes over every file in the working folders gets none of its code run") {
  test::MsiProductGuard alpha(kAlpha123);
  test::MsiProductGuard beta(test::kBetaProductCode);
  Package p;
  p.UsePrivateTemp();
  std::string markers = Folder(p.dir / "markers");
  p.Payload("alpha-1.2.3.msi", test::ReadFile(test::MsiFixture("alpha-1.2.3.msi")));
  p.Payload("main.exe");
  p.Build(
      "[default]\r\nPreInstall=Alpha\r\nMainInstall=Main\r\n"
      "[Alpha]\r\nName=Alpha\r\nFile=msiexec.exe\r\nArguments=/i alpha-1.2.3.msi /qn\r\n"
      "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=5\r\n");
  const std::string planted = test::ReadFile(test::BinFile("PlantedProgram.exe"));
  REQUIRE(test::WriteFile(p.folder + "\\PlantedProgram.exe", planted));
  test::ScopedEnvironment markerFolder("PENDRIX_PLANTED_MARKERS", markers);
  WorkFolderRacer racer(p.temp, {test::ReadFile(test::BinFile("PlantedDll.dll")), planted, kPlantedSettings,
                                 test::ReadFile(test::MsiFixture("beta-2.0.0.msi"))});

  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  racer.Stop();
  REQUIRE(result.finished);
  CHECK(result.exitCode == 5);
  CHECK(result.windows.empty());
  CHECK(test::ListFiles(markers).empty());  // neither the DLL nor the program ran
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 1);
  CHECK(journal[0].arguments == "exit=5");
  CHECK(test::MsiProductState(kAlpha123) == INSTALLSTATE_DEFAULT);
  CHECK(test::MsiProductState(test::kBetaProductCode) != INSTALLSTATE_DEFAULT);
  CHECK(racer.overwritten + racer.blocked > 0);  // the racer did try
  std::vector<std::string> log = p.Log();
  CAPTURE(test::JoinLines(log));
  CHECK(test::LinesStartingWith(log, "LoadResources - Failed").empty());
  CHECK(test::LinesStartingWith(log, "RunInstaller - Failed").empty());
}

// Before the run had a folder of its own, it wrote over (and then deleted) another program's
// files of these names in the temporary folder.
TEST_CASE("another program's files in the temporary folder survive a run, and so does a held Settings.ini") {
  Package p;
  p.UsePrivateTemp();
  p.Payload("main.exe");
  p.Payload("AI.msi", test::ReadFile(test::MsiFixture("alpha-1.2.3.msi")));
  p.Build("[default]\r\nPreInstall=Msi\r\nMainInstall=Main\r\n"
          "[Msi]\r\nName=AI\r\nFile=" + p.msiexec + "\r\nArguments=/i AI.msi exit=0\r\n"
          "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=4\r\n");
  const char other[] = "another program's own file";
  for (const char* name : {"PendrixLang.dll", "Settings.ini", "main.exe", "AI.msi"})
    REQUIRE(test::WriteFile(p.temp + name, other));
  HANDLE held = CreateFileA((p.temp + "Settings.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  CloseHandle(held);
  REQUIRE(result.finished);
  CHECK(result.exitCode == 4);
  CHECK(result.windows.empty());
  CHECK(test::ReadJournal(p.journal).size() == 2);
  for (const char* name : {"PendrixLang.dll", "Settings.ini", "main.exe", "AI.msi"}) {
    CAPTURE(name);
    CHECK(test::ReadFile(p.temp + name) == other);
  }
}

TEST_CASE("a package that carries its settings ignores a Settings.ini put beside it") {
  Package p;
  std::string markers = Folder(p.dir / "markers");
  p.Payload("main.exe");
  p.Build("[default]\r\nMainInstall=Main\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=5\r\n", true);
  REQUIRE(test::WriteFile(p.folder + "\\Settings.ini", kPlantedSettings));
  REQUIRE(test::WriteFile(p.folder + "\\PlantedProgram.exe", test::ReadFile(test::BinFile("PlantedProgram.exe"))));
  test::ScopedEnvironment markerFolder("PENDRIX_PLANTED_MARKERS", markers);
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 5);
  CHECK(test::ListFiles(markers).empty());
  CHECK(test::ReadJournal(p.journal).size() == 1);
}

// The name comes from a Settings.ini beside a package built without its settings, which anyone
// who can write there may have written.
TEST_CASE("an installer name that climbs out of its folder is refused, and the file it names is left alone") {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  Package p;
  p.Payload("main.exe");
  p.Build("[default]\r\nMainInstall=Main\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=5\r\n");
  struct Case {
    int line;
    std::string victim;
    const char* section;
  } cases[] = {
      // Extracted into the working folder under the Windows folder's Temp: two levels up. (Beside
      // the package, a path may lead outside its folder, as installation media lay them out.)
      {__LINE__, std::string(windows) + "\\victim.dat",
       "[Climb]\r\nName=Main\r\nFile=..\\..\\victim.dat\r\n"},
      {__LINE__, std::string(windows) + "\\victim.dat",
       "[Climb]\r\nName=Main\r\nFile=msiexec.exe\r\nArguments=/i ..\\..\\victim.dat\r\n"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    REQUIRE(test::WriteFile(c.victim, "an unrelated file"));
    SetFileAttributesA(c.victim.c_str(), FILE_ATTRIBUTE_READONLY);
    test::WriteFile(p.folder + "\\Settings.ini",
                    std::string("[default]\r\nPreInstall=Climb\r\nMainInstall=Main\r\n") + c.section +
                        "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=5\r\n");
    test::ProcessResult result = p.Run("/Log " + Quote(p.log));
    REQUIRE(result.finished);
    CHECK(result.exitCode == kExitNotRun);
    REQUIRE(result.windows.size() == 2);
    CHECK(result.windows[0].AllText().find("Could not determine output file name for the Climb installer.") !=
          std::string::npos);
    CHECK(test::ReadJournal(p.journal).empty());
    CHECK(test::ReadFile(c.victim) == "an unrelated file");
    CHECK((GetFileAttributesA(c.victim.c_str()) & FILE_ATTRIBUTE_READONLY) != 0);
    SetFileAttributesA(c.victim.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(c.victim.c_str());
  }
}

// Its prerequisite still runs from it for a while: the folder goes once nothing holds it.
TEST_CASE("the working folder of a killed run is removed by a later run once no process holds it") {
  Package p;
  p.checkTemp = false;
  p.Payload("slow.exe");
  p.Payload("main.exe");
  const std::string settings =
      "[default]\r\nPreInstall=Slow\r\nMainInstall=Main\r\n"
      "[Slow]\r\nName=Slow\r\nFile=slow.exe\r\nArguments=%s\r\n"
      "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=7\r\n";
  auto withSlow = [&](const std::string& arguments) {
    std::string text = settings;
    return text.replace(text.find("%s"), 2, arguments);
  };
  p.Build(withSlow("delay=60000"));
  const std::vector<std::string> before = test::WorkFolders();

  // The first run is killed while its prerequisite runs; the prerequisite runs on.
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION first = {};
  std::string commandLine = Quote(p.exe);
  REQUIRE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, p.folder.c_str(), &startup,
                         &first));
  for (int i = 0; i < 600 && test::ReadJournal(p.journal).empty(); i++) Sleep(50);
  REQUIRE(test::ReadJournal(p.journal).size() == 1);
  TerminateProcess(first.hProcess, 1);
  WaitForSingleObject(first.hProcess, 5000);
  CloseHandle(first.hProcess);
  CloseHandle(first.hThread);
  std::vector<std::string> left = test::WorkFolders();
  REQUIRE(left.size() == before.size() + 1);
  std::string killed;
  for (const std::string& folder : left)
    if (std::find(before.begin(), before.end(), folder) == before.end()) killed = folder;

  // The next run leaves it alone and completes in a folder of its own.
  test::WriteFile(p.folder + "\\Settings.ini", withSlow("exit=0"));
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 7);
  CHECK(result.windows.empty());
  std::vector<std::string> log = p.Log();
  CAPTURE(test::JoinLines(log));
  CHECK(test::WorkFolderOf(log) != killed + "\\");
  CHECK(test::FileExists(killed));
  std::vector<std::string> aboutKilled;
  for (const std::string& line : test::LinesStartingWith(log, "RemoveStaleWorkFolders - "))
    if (line.find(killed) != std::string::npos) aboutKilled.push_back(line);
  REQUIRE(aboutKilled.size() == 1);
  CHECK(aboutKilled[0].find("RemoveStaleWorkFolders - Removed") == std::string::npos);
  CHECK(test::ReadJournal(p.journal).size() == 3);

  // Once its prerequisite has ended, the run after removes it.
  CHECK(test::EndProcessesRunningFrom(killed));
  DeleteFileA(p.log.c_str());
  result = p.Run("/MoreHelp /Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(test::HasLine(p.Log(), "RemoveStaleWorkFolders - Removed the working folder " + killed + " of an earlier run."));
  CHECK(test::WorkFolders() == before);
}

// Windows programs under Wine cannot make a link; a script of the tests puts Unix links, which
// Wine shows as reparse points, where earlier runs' folders would lie (tests/e2e/machine.sh).
TEST_CASE("links and other programs' folders where earlier runs' folders would lie are left alone") {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string temp = std::string(windows) + "\\Temp\\";
  const std::string link = temp + "Pendrix-00000000000000000000000000000000";
  const std::string ours = temp + "Pendrix-11111111111111111111111111111111";
  const std::string foreign = temp + "Pendrix-22222222222222222222222222222222";
  REQUIRE(IsReparsePoint(GetFileAttributesA(link.c_str())));
  const std::string kept = link + "\\kept.txt";  // reached through the link
  REQUIRE(test::ReadFile(kept) == "kept\n");

  Package p;
  p.Payload("main.exe");
  p.Build("[default]\r\nMainInstall=Main\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=5\r\n");
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 5);
  std::vector<std::string> log = p.Log();
  CAPTURE(test::JoinLines(log));
  CHECK(test::HasLine(log, "RemoveStaleWorkFolders - Left " + link + " alone: it is a link, not a folder."));
  CHECK(test::HasLine(log, "RemoveStaleWorkFolders - Left " + foreign +
                               " alone: its owner and access are not this engine's."));
  // A folder like the engine's own is emptied, but a link in it is neither followed nor removed.
  CHECK(test::HasLine(log, "RemoveStaleWorkFolders - Could not remove all of " + ours +
                               "; a later run tries again. Error: " + std::to_string(ERROR_REPARSE_ATTRIBUTE_CONFLICT) +
                               "."));
  CHECK(IsReparsePoint(GetFileAttributesA(link.c_str())));
  CHECK(IsReparsePoint(GetFileAttributesA((ours + "\\inside").c_str())));
  CHECK(test::ReadFile(kept) == "kept\n");
  CHECK(test::ReadFile(foreign + "\\kept.txt") == "kept\n");
}

// A small drive of the tests' machine (tests/e2e/machine.sh) is the temporary folder of a run
// without elevation, where its working folder then lies.
TEST_CASE("a temporary drive that fills up leaves nothing behind and tells the user why") {
  const std::string drive = "T:\\";
  if (GetDriveTypeA(drive.c_str()) == DRIVE_NO_ROOT_DIR) {
    FAIL_CHECK("there is no small drive T: (tests/e2e/machine.sh mounts one when run as root)");
    return;
  }
  Package p;
  p.Payload("big.exe", test::FakeInstaller() + std::string(3 << 20, 'x'));
  p.Build("[default]\r\nName=Big Suite\r\nMainInstall=Big\r\n"
          "[Big]\r\nName=Big\r\nFile=big.exe\r\nArguments=exit=5\r\n");
  test::ScopedEnvironment tempVariable("TEMP", drive), tmpVariable("TMP", drive);
  KernelHandle filtered = test::DenyOnlyAdministratorsToken();
  REQUIRE(filtered);
  const std::vector<std::string> before = test::WorkFolders(drive);
  test::ProcessResult result = p.Run("/Log " + Quote(p.log), nullptr, filtered.get());
  REQUIRE(result.finished);
  CHECK(result.exitCode == kExitNotRun);
  CHECK(test::ReadJournal(p.journal).empty());
  std::vector<std::string> log = p.Log();
  CAPTURE(test::JoinLines(log));
  const std::string work = test::WorkFolderOf(log);
  CHECK(work.rfind(drive, 0) == 0);
  CHECK(test::HasLine(log, "ExtractResource - Failed to write to the resource output file. Error: 112"));
  CHECK(test::HasLine(log, "ExtractResource - Resource output file: " + work + "big.exe."));
  // The drive to free space on, not the folder that is gone by the time the user reads it.
  REQUIRE_FALSE(result.windows.empty());
  CHECK(test::MessageBoxText(result.windows[0]) ==
        "There is not enough disk space in " + drive + " for the setup files.  Free some disk space, then start the setup package again.");
  CHECK(test::ListFiles(drive).empty());
  CHECK(test::WorkFolders(drive) == before);
}

TEST_CASE("a DoNotExtract MSI installer is found beside the package started from another folder") {
  REQUIRE(test::UninstallMsiProduct(kAlpha123));
  Package p;
  p.Build("[default]\r\nMainInstall=Local\r\n"
          "[Local]\r\nName=Local\r\nFile=msiexec.exe\r\nArguments=/i local.msi /qn\r\nDoNotExtract=yes\r\n");
  REQUIRE(CopyFileA(test::BinFile("fixtures\\alpha-1.2.3.msi").c_str(), (p.folder + "\\local.msi").c_str(), FALSE));
  test::ProcessResult result = p.RunFrom(p.dir.path(), "/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 0);
  CHECK(test::MsiProductState(kAlpha123) == INSTALLSTATE_DEFAULT);
  std::vector<std::string> log = p.Log();
  CHECK(test::HasLine(log, "RunInstaller - Set current directory to " + p.folder + "."));
  CHECK(test::HasLine(log, "RunInstaller - Set current directory to " + p.dir.path() + "."));
  CHECK(test::UninstallMsiProduct(kAlpha123));
}

TEST_CASE("a relative /Log and a bare /ReplaceSettings name mean the folder the package was started from") {
  Package p;
  p.UsePrivateTemp();
  std::string work = Folder(p.dir / "work");
  p.Payload("main.exe");
  p.Payload("AI.msi", test::ReadFile(test::BinFile("fixtures\\alpha-1.2.3.msi")));
  const std::string settings =
      "[default]\r\nPreInstall=Msi\r\nMainInstall=Main\r\n"
      "[Msi]\r\nName=AI\r\nFile=" + p.msiexec + "\r\nArguments=/i AI.msi exit=0\r\n"
      "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=5\r\n";
  p.Build(settings);
  REQUIRE(test::WriteFile(work + "\\alt.ini", settings));
  // A file of that name in the Windows folder, where a bare name given to the profile
  // functions is read from.
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::string decoy = std::string(windows) + "\\alt.ini";
  REQUIRE(test::WriteFile(decoy, "[default]\r\nMainInstall=Main\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\n"
                                 "Arguments=exit=66 decoy\r\n"));

  test::ProcessResult result = p.RunFrom(work, "/Log rel.log /ReplaceSettings alt.ini");
  DeleteFileA(decoy.c_str());
  REQUIRE(result.finished);
  CHECK(result.exitCode == 5);
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 2);
  CHECK(journal[1].arguments == "exit=5");
  // One log, whole, in the folder the package was started from, and the MSI log beside it.
  std::vector<std::string> log = test::LogMessages(work + "\\rel.log");
  REQUIRE_FALSE(log.empty());
  CHECK(journal[0].arguments == "/i AI.msi exit=0 /l*v \"" + test::WorkFolderOf(log) + "AI.log\"");
  CHECK(test::HasLine(log, "AddToArguments - Windows Installer log: " + work + "\\AI.log."));
  CHECK(log.front() == "*** Pendrix - Start. ***");
  CHECK(log.back() == "*** Pendrix - Finish. ***");
  CHECK(test::HasLine(log, "DoSettings_Install - Install main exit code: 5"));
  CHECK_FALSE(test::FileExists(p.temp + "rel.log"));
}

TEST_CASE("a package in folders that the code page cannot spell still installs, and resumes after a restart") {
  Package p;
  p.Payload("pre.exe");
  p.Payload("main.exe");
  // Pre asks for a restart at once; resumed, it is skipped: its journal is there.
  p.Build("[default]\r\nName=Far\r\nPreInstall=Pre\r\nMainInstall=Main\r\n[Pre]\r\nName=Pre\r\nFile=pre.exe\r\n"
          "Arguments=exit=3010\r\nReboot=immediate\r\nRebootCodes=3010\r\nCheckExistence=File|0|" + p.journal +
          "\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=8\r\n");
  test::RunOnceValueGuard runOnce("Far_SetupPackage");
  // Named "test" and "package" in Cyrillic, which the English code page 1252 cannot spell.
  auto wide = [](const std::string& ansi) { return std::wstring(ansi.begin(), ansi.end()); };
  std::wstring temp = wide(p.dir.path()) + L"\\\x0422\x0435\x0441\x0442";
  std::wstring package = wide(p.dir.path()) + L"\\\x041f\x0430\x043a\x0435\x0442";
  REQUIRE(CreateDirectoryW(temp.c_str(), nullptr));
  REQUIRE(CreateDirectoryW(package.c_str(), nullptr));
  REQUIRE(CopyFileW(wide(p.exe).c_str(), (package + L"\\Setup.exe").c_str(), FALSE));
  REQUIRE(CopyFileW(wide(p.folder + "\\Settings.ini").c_str(), (package + L"\\Settings.ini").c_str(), FALSE));
  wchar_t shortTemp[MAX_PATH] = {};
  REQUIRE(GetShortPathNameW(temp.c_str(), shortTemp, MAX_PATH) > 0);
  char shortTempAnsi[MAX_PATH] = {};
  WideCharToMultiByte(CP_ACP, 0, shortTemp, -1, shortTempAnsi, MAX_PATH, nullptr, nullptr);
  const std::string engineTemp = std::string(shortTempAnsi) + "\\";

  wchar_t savedTemp[MAX_PATH] = {}, savedTmp[MAX_PATH] = {};
  GetEnvironmentVariableW(L"TEMP", savedTemp, MAX_PATH);
  GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH);
  SetEnvironmentVariableW(L"TEMP", temp.c_str());
  SetEnvironmentVariableW(L"TMP", temp.c_str());
  // Without elevation the run's working folder lies in the user's temporary folder.
  KernelHandle filtered = test::DenyOnlyAdministratorsToken();
  REQUIRE(filtered);
  test::ProcessResult result =
      test::RunProcessWide(L"\"" + package + L"\\Setup.exe\" /Log \"" + wide(p.log) + L"\"", package,
                           [](const test::SeenWindow&) { return IDOK; }, 60000, "cyrillic", filtered.get());
  SetEnvironmentVariableW(L"TEMP", savedTemp);
  SetEnvironmentVariableW(L"TMP", savedTmp);

  REQUIRE(result.finished);
  CHECK(result.exitCode == kExitRestartInitiated);
  CHECK(result.windows.size() == 1);  // the restart
  std::vector<std::string> log = p.Log();
  CAPTURE(test::JoinLines(log));
  const std::string work = test::WorkFolderOf(log);
  CHECK(work.rfind(engineTemp, 0) == 0);  // in the temporary folder, spelled short
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 1);
  CHECK(test::SamePath(journal[0].folder + "\\", work));
  CHECK(test::HasLine(log, "InitPaths - The code page cannot spell the temporary folder's name; using its short form " +
                          engineTemp + "."));
  CHECK(ContainsStart(log, "InitPaths - The code page cannot spell the package folder's name; using its short form "));
  CHECK(test::ListFiles(shortTempAnsi).empty());

  // The resume starts the package by a path that the code page can spell.
  test::RunOnceValue value = test::ReadRunOnceValue("Far_SetupPackage");
  test::DeleteRunOnceValue("Far_SetupPackage");
  CHECK(p.RunCommandLine(value.data, p.dir.path()).exitCode == 8);
  CHECK(test::ReadJournal(p.journal).size() == 2);
}
