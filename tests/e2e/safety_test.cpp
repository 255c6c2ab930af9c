// Packages run on a machine as it really is: DLLs and programs planted where a download lands,
// a racing writer, leftovers of earlier runs, a run killed halfway, the package started from
// another folder with relative paths, and a temporary folder named in another script.
#include <doctest.h>

#include <string>
#include <vector>

#include "LogLines.h"
#include "PackageSupport.h"
#include "RunOnceSupport.h"
#include "TestSupport.h"
#include "core/PackageExitCodes.h"

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

// Another process of the same user that writes its own DLL over the language DLL each time the
// package has written it whole, and counts how often it got in and how often it was kept out.
class LanguageDllRacer {
 public:
  LanguageDllRacer(std::string target, std::string replacement, DWORD writtenSize)
      : m_target(std::move(target)), m_replacement(std::move(replacement)), m_writtenSize(writtenSize) {
    m_thread = CreateThread(nullptr, 0, Loop, this, 0, nullptr);
  }
  ~LanguageDllRacer() { Stop(); }
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
    auto* racer = static_cast<LanguageDllRacer*>(parameter);
    while (InterlockedCompareExchange(&racer->m_stop, 0, 0) == 0) {
      WIN32_FILE_ATTRIBUTE_DATA data;
      if (!GetFileAttributesExA(racer->m_target.c_str(), GetFileExInfoStandard, &data) ||
          data.nFileSizeLow != racer->m_writtenSize) {
        Sleep(0);
        continue;
      }
      HANDLE file = CreateFileA(racer->m_target.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                nullptr);
      if (file == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_SHARING_VIOLATION) racer->blocked++;
        Sleep(0);
        continue;
      }
      DWORD written = 0;
      WriteFile(file, racer->m_replacement.data(), static_cast<DWORD>(racer->m_replacement.size()), &written, nullptr);
      SetEndOfFile(file);
      CloseHandle(file);
      racer->overwritten++;
    }
    return 0;
  }

  std::string m_target;
  std::string m_replacement;
  DWORD m_writtenSize;
  volatile LONG m_stop = 0;
  HANDLE m_thread = nullptr;
};

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

TEST_CASE("a racing writer cannot put its own code in the language DLL between its writing and its loading") {
  Package p;
  p.UsePrivateTemp();
  std::string markers = Folder(p.dir / "markers");
  p.Payload("main.exe");
  p.Build("[default]\r\nMainInstall=Main\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=3\r\n");
  test::ScopedEnvironment markerFolder("PENDRIX_PLANTED_MARKERS", markers);
  std::string language = test::ReadFile(test::BinFile("PendrixLang.dll"));
  LanguageDllRacer racer(p.temp + "PendrixLang.dll", test::ReadFile(test::BinFile("PlantedDll.dll")),
                         static_cast<DWORD>(language.size()));

  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  racer.Stop();
  REQUIRE(result.finished);
  CHECK(result.exitCode == 3);
  CHECK(result.windows.empty());
  CHECK(test::ListFiles(markers).empty());
  CHECK(racer.overwritten + racer.blocked > 0);  // the racer did try
  std::vector<std::string> log = p.Log();
  CAPTURE(test::JoinLines(log));
  CHECK(ContainsStart(log, "LoadResources - Language resource file: " + p.temp));
  CHECK_FALSE(ContainsStart(log, "LoadResources - Failed"));
}

TEST_CASE("leftovers of an earlier run are replaced, and /Help leaves another program's Settings.ini alone") {
  Package p;
  p.UsePrivateTemp();
  p.checkTemp = false;
  p.Payload("main.exe");
  p.Payload("AI.msi", test::ReadFile(test::BinFile("fixtures\\alpha-1.2.3.msi")));
  p.Build("[default]\r\nPreInstall=Msi\r\nMainInstall=Main\r\n"
          "[Msi]\r\nName=AI\r\nFile=" + p.msiexec + "\r\nArguments=/i AI.msi exit=0\r\n"
          "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=4\r\n");
  // Each name the engine writes, left read-only, hidden or system (Wine, run as root, lets a
  // read-only or hidden file be overwritten, but keeps its attributes and then refuses to delete
  // a read-only one; Windows refuses the overwrite itself).
  struct Leftover {
    const char* name;
    DWORD attributes;
  } leftovers[] = {
      {"PendrixLang.dll", FILE_ATTRIBUTE_READONLY},
      {"Settings.ini", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY},
      {"main.exe", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
      {"AI.msi", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY},
  };
  for (const Leftover& leftover : leftovers) {
    REQUIRE(test::WriteFile(p.temp + leftover.name, "left by a run that was killed"));
    REQUIRE(SetFileAttributesA((p.temp + leftover.name).c_str(), leftover.attributes));
  }

  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 4);
  CHECK(result.windows.empty());
  CHECK(test::ReadJournal(p.journal).size() == 2);
  CHECK(test::ListFiles(p.temp).empty());  // each replaced, then removed as the run's own

  const char other[] = "[Another program]\r\nSetting=kept\r\n";
  REQUIRE(test::WriteFile(p.temp + "Settings.ini", other));
  result = p.Run("/Help");
  REQUIRE(result.finished);
  CHECK(result.exitCode == kExitNotRun);
  CHECK(result.windows.size() == 1);
  CHECK(test::ReadFile(p.temp + "Settings.ini") == other);
}

// The next run also meets an installer file it cannot delete, as a child of the installer still
// runs from it: that is logged with the system's error, and a later run replaces it in the same way.
TEST_CASE("a package killed during a prerequisite leaves a machine on which the next run completes") {
  Package p;
  p.UsePrivateTemp();
  p.checkTemp = false;
  p.Payload("slow.exe");
  p.Payload("main.exe");
  const std::string settings =
      "[default]\r\nPreInstall=Slow\r\nMainInstall=Main\r\n"
      "[Slow]\r\nName=Slow\r\nFile=slow.exe\r\nArguments=%s\r\n"
      "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=linger=60000 exit=7\r\n";
  auto withSlow = [&](const std::string& arguments) {
    std::string text = settings;
    return text.replace(text.find("%s"), 2, arguments);
  };
  p.Build(withSlow("delay=60000"));

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

  test::WriteFile(p.folder + "\\Settings.ini", withSlow("exit=0"));
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  CHECK(test::EndProcessesRunningFrom(p.temp));  // the first run's prerequisite was still running
  REQUIRE(result.finished);
  CHECK(result.exitCode == 7);
  CHECK(result.windows.empty());
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 3);
  CHECK(journal[1].arguments == "exit=0");
  CHECK(journal[2].arguments == "linger=60000 exit=7");
  std::vector<std::string> log = p.Log();
  CHECK(ContainsStart(log, "ExtractResource - The file at the output path is in use; moved it aside to " + p.temp));
  CHECK(test::HasLine(log, "RunInstaller - Could not delete the installer file " + p.temp + "main.exe. Error: 5."));
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
  CHECK(journal[0].arguments == "/i AI.msi exit=0 /l*v \"" + work + "\\AI.log\"");
  CHECK(journal[1].arguments == "exit=5");
  // One log, whole, in the folder the package was started from.
  std::vector<std::string> log = test::LogMessages(work + "\\rel.log");
  REQUIRE_FALSE(log.empty());
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
  test::ProcessResult result =
      test::RunProcessWide(L"\"" + package + L"\\Setup.exe\" /Log \"" + wide(p.log) + L"\"", package,
                           [](const test::SeenWindow&) { return IDOK; }, 60000, "cyrillic");
  SetEnvironmentVariableW(L"TEMP", savedTemp);
  SetEnvironmentVariableW(L"TMP", savedTmp);

  REQUIRE(result.finished);
  CHECK(result.exitCode == kExitRestartInitiated);
  CHECK(result.windows.size() == 1);  // the restart
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 1);
  CHECK(journal[0].folder == shortTempAnsi);  // the installer ran in the temporary folder, spelled short
  std::vector<std::string> log = p.Log();
  CAPTURE(test::JoinLines(log));
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
