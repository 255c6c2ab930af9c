// The cleanup tool. The language DLL carries it, and the engine writes it to the temporary
// folder as "MsiZap.exe" and runs it hidden as "MsiZap.exe TW! {product code}" before it installs
// a broken component again. It removes every Windows Installer registration of that product, for
// the machine and for all users, so that the next install takes the product for a new one.
// A console program that shows nothing and asks nothing. Exit code 0 when done, also when the
// product was not installed; ERROR_INVALID_PARAMETER, after a usage line, for arguments it does
// not understand; otherwise the Windows error of the failure, with a one-line reason on stderr.
#include <windows.h>
#include <msi.h>

#include <cstdarg>
#include <cstdio>

#include "CleanupArguments.h"
#include "ConsoleOutput.h"
#include "InstallerRegistry.h"
#include "core/BoundedString.h"
#include "core/HandleOwner.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

// From here on DLLs load from the system folder only, never from the tool's folder or the
// current folder. Windows without the call (before the 2011 loader update) answers false.
bool RestrictDllSearchToSystem() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto restrict = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories"));
  return restrict != nullptr && restrict(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// msi.dll is loaded here rather than imported: a static import is resolved before the first
// line of the program runs, by a search that starts in the program's own folder.
HMODULE LoadSystemDll(const char* name, bool restricted) {
  if (restricted) return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  char path[MAX_PATH];
  UINT length = GetSystemDirectoryA(path, sizeof(path));
  if (length == 0 || length >= sizeof(path)) return nullptr;
  AppendCut(path, "\\");
  if (AppendCut(path, name) >= sizeof(path) - 1) return nullptr;
  return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
int Fail(DWORD error, const char* format, ...) {
  char reason[1200];
  va_list args;
  va_start(args, format);
  bounded::FormatV(reason, sizeof(reason), format, args);
  va_end(args);
  char text[300] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                sizeof(text), nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ' ||
                        text[length - 1] == '.'))
    text[--length] = '\0';
  Print(stderr, "MsiZap: %s: error %lu%s%s.\n", reason, error, length > 0 ? ": " : "", text);
  return static_cast<int>(error);
}

}  // namespace

int main(int argc, char** argv) {
  // It runs elevated: a heap found corrupt ends it.
  HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
  const bool restricted = RestrictDllSearchToSystem();

  CleanupRequest request;
  CleanupArgumentError refusal = ParseCleanupArguments(argc - 1, argv + 1, request);
  if (refusal != CleanupArgumentError::kNone) {
    Print(stderr, "MsiZap: %s.\n%s\n", CleanupArgumentErrorText(refusal), kCleanupUsage);
    return ERROR_INVALID_PARAMETER;
  }
  char packed[kPackedGuidLength + 1];
  PackGuid(request.productCode, packed);

  // Windows Installer itself judges the result: the product must no longer be seen at all.
  ModuleHandle msi(LoadSystemDll("msi.dll", restricted));
  using QueryProductStateFn = INSTALLSTATE(WINAPI*)(LPCSTR);
  auto queryProductState =
      msi ? reinterpret_cast<QueryProductStateFn>(GetProcAddress(msi.get(), "MsiQueryProductStateA")) : nullptr;
  if (queryProductState == nullptr) {
    DWORD error = GetLastError();
    return Fail(error != ERROR_SUCCESS ? error : ERROR_PROC_NOT_FOUND, "Windows Installer (msi.dll) could not be loaded");
  }

  RemovalResult removal = RemoveProductRegistration(request.productCode, packed);
  if (removal.error != ERROR_SUCCESS)
    return Fail(static_cast<DWORD>(removal.error), "%s could not be removed", removal.failedPlace);
  INSTALLSTATE state = queryProductState(request.productCode);
  if (state != INSTALLSTATE_UNKNOWN) {
    Print(stderr, "MsiZap: Windows Installer still sees %s (state %d) after the cleanup.\n", request.productCode,
            static_cast<int>(state));
    return ERROR_INSTALL_FAILURE;
  }

  if (removal.removed == 0)
    Print(stdout, "%s is not installed: nothing to remove.\n", request.productCode);
  else
    Print(stdout, "Removed the Windows Installer registration of %s (%u entries).\n", request.productCode,
          removal.removed);
  return 0;
}
