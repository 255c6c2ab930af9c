#include "PackageSupport.h"

#include <doctest.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <doctest.h>

#include "TestSupport.h"

namespace test {

namespace {

HANDLE InheritableFile(const std::string& path) {
  SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, TRUE};
  return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &security, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ConsoleResult RunConsole(const std::string& commandLine, const std::string& currentFolder, DWORD timeoutMs) {
  ConsoleResult result;
  ScratchDir capture("console");
  HANDLE out = InheritableFile(capture / "stdout.txt");
  HANDLE err = InheritableFile(capture / "stderr.txt");
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process = {};
  std::wstring wideLine = Utf8ToWide(commandLine);
  std::wstring wideFolder = Utf8ToWide(currentFolder);
  BOOL started = CreateProcessW(nullptr, &wideLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                currentFolder.empty() ? nullptr : wideFolder.c_str(), &startup, &process);
  CloseHandle(out);
  CloseHandle(err);
  if (!started) return result;
  result.started = true;
  CloseHandle(process.hThread);
  if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
    result.finished = true;
  } else {
    TerminateProcess(process.hProcess, 0xDEAD);
    WaitForSingleObject(process.hProcess, 5000);
  }
  GetExitCodeProcess(process.hProcess, &result.exitCode);
  CloseHandle(process.hProcess);
  result.out = ReadFile(capture / "stdout.txt");
  result.err = ReadFile(capture / "stderr.txt");
  return result;
}

ConsoleResult RunPack(const std::string& arguments) {
  return RunConsole("\"" + BinFile("PendrixPack.exe") + "\" " + arguments);
}

ConsoleResult RunPackInLocale(const std::string& locale, const std::vector<std::string>& arguments) {
  ScratchDir run("locale");
  // The script is a file of UTF-8, so that the arguments reach Wine in the Unix locale's encoding.
  std::string command = "LC_ALL=" + locale + " wine " + UnixPath(BinFile("PendrixPack.exe"));
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  WriteFile(run / "pack.sh", command + " > " + UnixPath(run / "out.txt") + " 2> " + UnixPath(run / "err.txt") +
                                 "; echo $? > " + UnixPath(run / "code.txt") + "\n");
  ConsoleResult result;
  result.started = RunUnixShell("sh " + UnixPath(run / "pack.sh"));
  result.finished = result.started && FileExists(run / "code.txt");
  result.exitCode = static_cast<DWORD>(atoi(ReadFile(run / "code.txt").c_str()));  // the low 8 bits
  result.out = ReadFile(run / "out.txt");
  result.err = ReadFile(run / "err.txt");
  return result;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

namespace {

struct Enumeration {
  HMODULE module;
  const char* type;
  std::vector<ResourceInfo> found;
};

BOOL CALLBACK CollectResource(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR parameter) {
  auto* enumeration = reinterpret_cast<Enumeration*>(parameter);
  ResourceInfo info;
  info.name = IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name)) : std::string(name);
  HRSRC found = FindResourceA(module, name, type);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (bytes != nullptr) info.bytes.assign(bytes, SizeofResource(module, found));
  enumeration->found.push_back(info);
  return TRUE;
}

}  // namespace

std::vector<ResourceInfo> ReadResources(const std::string& file, const char* type) {
  Enumeration enumeration{nullptr, type, {}};
  HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return {};
  EnumResourceNamesA(module, type, CollectResource, reinterpret_cast<LONG_PTR>(&enumeration));
  FreeLibrary(module);
  return enumeration.found;
}

bool ReadChecksums(const std::string& file, DWORD& stored, DWORD& computed) {
  using MapFileAndCheckSumFn = DWORD(WINAPI*)(PCSTR, PDWORD, PDWORD);
  HMODULE imagehlp = LoadLibraryA("imagehlp.dll");
  if (imagehlp == nullptr) return false;
  auto mapAndSum = reinterpret_cast<MapFileAndCheckSumFn>(GetProcAddress(imagehlp, "MapFileAndCheckSumA"));
  bool ok = mapAndSum != nullptr && mapAndSum(file.c_str(), &stored, &computed) == 0;
  FreeLibrary(imagehlp);
  return ok;
}

std::vector<JournalLine> ReadJournal(const std::string& path) {
  std::vector<JournalLine> journal;
  for (const std::string& line : Lines(ReadFile(path))) {
    JournalLine entry;
    size_t first = line.find('\t');
    size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
    if (second == std::string::npos) {
      entry.arguments = line;
    } else {
      entry.arguments = line.substr(0, first);
      entry.folder = line.substr(first + 1, second - first - 1);
      entry.module = line.substr(second + 1);
    }
    journal.push_back(entry);
  }
  return journal;
}

int MsiProductState(const char* productCode) {
  using QueryFn = int(WINAPI*)(LPCSTR);
  HMODULE msi = LoadLibraryA("msi.dll");
  if (msi == nullptr) return -1;
  auto query = reinterpret_cast<QueryFn>(GetProcAddress(msi, "MsiQueryProductStateA"));
  int state = query != nullptr ? query(productCode) : -1;
  FreeLibrary(msi);
  return state;
}

std::string MsiProductInfo(const char* productCode, const char* property) {
  using InfoFn = UINT(WINAPI*)(LPCSTR, LPCSTR, LPSTR, LPDWORD);
  HMODULE msi = LoadLibraryA("msi.dll");
  if (msi == nullptr) return "";
  auto info = reinterpret_cast<InfoFn>(GetProcAddress(msi, "MsiGetProductInfoA"));
  char value[MAX_PATH] = {};
  DWORD size = sizeof(value);
  bool ok = info != nullptr && info(productCode, property, value, &size) == ERROR_SUCCESS;
  FreeLibrary(msi);
  return ok ? value : "";
}

bool UninstallMsiProduct(const char* productCode) {
  if (MsiProductState(productCode) == INSTALLSTATE_DEFAULT) {
    std::string commandLine = std::string("msiexec.exe /x ") + productCode + " /qn";
    RunProcess(commandLine, "", nullptr, 120000, "uninstall");
  }
  return MsiProductState(productCode) != INSTALLSTATE_DEFAULT;
}

bool InstallMsiFixture(const char* fileName, const std::string& properties) {
  return InstallMsiPackage(MsiFixture(fileName), properties) == ERROR_SUCCESS;
}

namespace {

// Collects what an msi.dll enumerator gives, index by index, until it reports anything but success.
template <typename Fn, typename Call>
std::vector<std::string> MsiEnumerate(const char* function, Call call) {
  std::vector<std::string> found;
  HMODULE msi = LoadLibraryA("msi.dll");
  if (msi == nullptr) return found;
  auto enumerate = reinterpret_cast<Fn>(GetProcAddress(msi, function));
  char code[39] = {};
  for (DWORD index = 0; enumerate != nullptr && call(enumerate, index, code) == ERROR_SUCCESS; index++)
    found.push_back(code);
  FreeLibrary(msi);
  return found;
}

}  // namespace

std::vector<std::string> MsiRelatedProducts(const char* upgradeCode) {
  using EnumFn = UINT(WINAPI*)(LPCSTR, DWORD, DWORD, LPSTR);
  return MsiEnumerate<EnumFn>("MsiEnumRelatedProductsA", [upgradeCode](EnumFn fn, DWORD index, char* code) {
    return fn(upgradeCode, 0, index, code);
  });
}

std::vector<std::string> MsiComponentClients(const char* componentCode) {
  using EnumFn = UINT(WINAPI*)(LPCSTR, DWORD, LPSTR);
  return MsiEnumerate<EnumFn>("MsiEnumClientsA", [componentCode](EnumFn fn, DWORD index, char* code) {
    return fn(componentCode, index, code);
  });
}
DWORD InstallMsiPackage(const std::string& package, const std::string& properties) {
  std::string commandLine = "msiexec.exe /i \"" + package + "\" /qn" + (properties.empty() ? "" : " " + properties);
  return RunProcess(commandLine, "", nullptr, 120000, "install-msi").exitCode;
}

std::string MsiProductVersion(const char* productCode) { return MsiProductInfo(productCode, "VersionString"); }

std::string MsiFixture(const char* name) { return BinFile("fixtures") + "\\" + name; }

std::string ProgramFilesFolder() {
  char folder[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder);
  return folder;
}

ScopedEnvironment::ScopedEnvironment(const char* name, const std::string& value) : m_name(name) {
  m_old = Env(name);
  m_had = GetEnvironmentVariableA(name, nullptr, 0) > 0;
  SetEnvironmentVariableA(name, value.c_str());
}

ScopedEnvironment::~ScopedEnvironment() { SetEnvironmentVariableA(m_name.c_str(), m_had ? m_old.c_str() : nullptr); }

std::string Quote(const std::string& path) { return "\"" + path + "\""; }

const std::string& FakeInstaller() {
  static const std::string bytes = ReadFile(BinFile("FakeInstaller.exe"));
  return bytes;
}

Package::Package(const std::string& folderName, const std::string& exeName)
    : folder(dir / folderName), exe(folder + "\\" + exeName), msiexec(tools + "\\fake-msiexec.exe") {
  CreateDirectoryA(payload.c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  CreateDirectoryA(tools.c_str(), nullptr);
  WriteFile(msiexec, FakeInstaller());
  CharLowerA(&msiexec[0]);
}

void Package::Payload(const std::string& name, const std::string& bytes) { WriteFile(payload + "\\" + name, bytes); }

void Package::Build(const std::string& text, bool embed) {
  WriteFile(settings, text);
  ConsoleResult packed = RunPack("--settings " + Quote(settings) + " --payload " + Quote(payload) + " --out " +
                                 Quote(exe) + (embed ? " --embed-settings" : "") +
                                 (packOptions.empty() ? "" : " " + packOptions));
  INFO(packed.err);
  REQUIRE(packed.exitCode == 0);
  if (!embed) WriteFile(folder + "\\Settings.ini", text);
}

void Package::UsePrivateTemp() {
  std::string privateTemp = dir / "temp";
  CreateDirectoryA(privateTemp.c_str(), nullptr);
  m_tempVariables.emplace_back(new ScopedEnvironment("TEMP", privateTemp));
  m_tempVariables.emplace_back(new ScopedEnvironment("TMP", privateTemp));
  temp = privateTemp + "\\";
}

ProcessResult Package::Run(const std::string& arguments, Answerer answer, HANDLE token) {
  return RunCommandLine(Quote(exe) + " " + arguments, folder, std::move(answer), token);
}

ProcessResult Package::RunFrom(const std::string& from, const std::string& arguments, Answerer answer) {
  return RunCommandLine(Quote(exe) + " " + arguments, from, std::move(answer));
}

ProcessResult Package::RunCommandLine(const std::string& commandLine, const std::string& currentFolder,
                                      Answerer answer, HANDLE token) {
  if (!answer) answer = [](const SeenWindow&) { return IDOK; };
  std::vector<std::string> before = ListFiles(temp);
  std::vector<std::string> foldersBefore = WorkFolders(temp);
  ProcessResult result = RunProcess(commandLine, currentFolder, answer, 120000, "install", token);
  if (checkTemp) {
    CHECK(ListFiles(temp) == before);
    CHECK(WorkFolders(temp) == foldersBefore);  // the run's working folder went with it
  }
  return result;
}

ScopedWindowsVersion::ScopedWindowsVersion(const std::string& exeName, const char* version)
    : m_key("Software\\Wine\\AppDefaults\\" + exeName) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, m_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  m_ok = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                        static_cast<DWORD>(strlen(version) + 1)) == ERROR_SUCCESS;
  RegCloseKey(key);
}

ScopedWindowsVersion::~ScopedWindowsVersion() { RegDeleteTreeA(HKEY_CURRENT_USER, m_key.c_str()); }

PackageFolder::PackageFolder(const std::string& settings, const std::vector<std::string>& installers) {
  CopyFileA(BinFile("Pendrix.exe").c_str(), (dir / "Pendrix.exe").c_str(), FALSE);
  for (const std::string& name : installers)
    CopyFileA(BinFile("FakeInstaller.exe").c_str(), (dir / name).c_str(), FALSE);
  WriteFile(dir / "Settings.ini", settings);
}

ProcessResult PackageFolder::Run(const std::string& arguments, Answerer answer, const char* shotTag, DWORD timeoutMs) {
  std::string commandLine = "\"" + (dir / "Pendrix.exe") + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  return RunProcess(commandLine, dir.path(), answer, timeoutMs, shotTag);
}

bool EndProcessesRunningFrom(const std::string& folder) {
  bool ended = false;
  HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 process = {};
  process.dwSize = sizeof(process);
  for (BOOL more = Process32First(processes, &process); more; more = Process32Next(processes, &process)) {
    HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process.th32ProcessID);
    MODULEENTRY32 module = {};
    module.dwSize = sizeof(module);
    bool inFolder = Module32First(modules, &module) && _strnicmp(module.szExePath, folder.c_str(), folder.size()) == 0;
    CloseHandle(modules);
    if (!inFolder) continue;
    HANDLE running = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process.th32ProcessID);
    if (running == nullptr) continue;
    TerminateProcess(running, 0xDEAD);
    WaitForSingleObject(running, 5000);
    CloseHandle(running);
    ended = true;
  }
  CloseHandle(processes);
  return ended;
}

}  // namespace test
