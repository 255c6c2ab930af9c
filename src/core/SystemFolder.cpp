#include "core/SystemFolder.h"

#include <delayimp.h>

#include <cstring>

namespace {

DllSearch g_dllSearch = DllSearch::kNotRestricted;

constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

// Functions that older Windows lack are looked up, so that the program still starts there.
template <typename Function>
Function KernelFunction(const char* name) {
  return reinterpret_cast<Function>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name));
}

// True when the program's manifest redirects the name (common controls 6): then the
// redirection, not the search path, decides which file is loaded.
bool IsRedirectedByManifest(const char* name) {
  using FindActCtxSectionStringFn = BOOL(WINAPI*)(DWORD, const GUID*, ULONG, LPCSTR, PACTCTX_SECTION_KEYED_DATA);
  auto find = KernelFunction<FindActCtxSectionStringFn>("FindActCtxSectionStringA");
  if (find == nullptr) return false;
  ACTCTX_SECTION_KEYED_DATA data = {};
  data.cbSize = sizeof(data);
  return find(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, name, &data) != FALSE;
}

// The delay-load helper asks here first for every DLL it loads.
FARPROC WINAPI DelayLoadNotify(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary) return nullptr;
  HMODULE module = LoadSystemLibrary(info->szDll);
  if (module == nullptr) {
    // Fail as the helper would after its own attempt, which looks for the bare name and, where
    // the search cannot be restricted, in the program's folder first.
    info->dwLastError = GetLastError();
    ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(info);
    RaiseException(VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND), 0, 1, &argument);
  }
  return reinterpret_cast<FARPROC>(module);
}

}  // namespace

// Declared with C linkage by <delayimp.h>; this definition replaces the runtime's empty one.
PfnDliHook __pfnDliNotifyHook2 = DelayLoadNotify;

void RestrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto setDefault = KernelFunction<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories");
  if (setDefault != nullptr && setDefault(kLoadLibrarySearchSystem32)) {
    g_dllSearch = DllSearch::kSystemFolderOnly;
    return;
  }
  g_dllSearch = DllSearch::kUnavailable;
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  if (auto setDllDirectory = KernelFunction<SetDllDirectoryFn>("SetDllDirectoryA")) setDllDirectory("");
}

DllSearch GetDllSearch() { return g_dllSearch; }

HMODULE LoadSystemLibrary(const char* name) {
  if (g_dllSearch == DllSearch::kSystemFolderOnly) return LoadLibraryExA(name, nullptr, kLoadLibrarySearchSystem32);
  if (IsRedirectedByManifest(name)) return LoadLibraryA(name);
  char path[MAX_PATH] = {};
  if (!SystemProgramPath(name, path, sizeof(path))) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  // By its full path, with its own imports looked for beside it: in the system folder.
  return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool SystemProgramPath(const char* program, char* path, DWORD size) {
  if (program == nullptr || path == nullptr || size == 0) return false;
  size_t length = strlen(program);
  if (strpbrk(program, "\\/:") != nullptr) {
    if (length >= size) return false;
    memcpy(path, program, length + 1);
    return true;
  }
  char folder[MAX_PATH] = {};
  UINT folderLength = GetSystemDirectoryA(folder, sizeof(folder));
  if (folderLength == 0 || folderLength >= sizeof(folder) || folderLength + 1 + length >= size) return false;
  memcpy(path, folder, folderLength);
  path[folderLength] = '\\';
  memcpy(path + folderLength + 1, program, length + 1);
  return true;
}
