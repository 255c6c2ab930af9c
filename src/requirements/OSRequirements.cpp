// The Windows version and the processor platform: read once per process, asked by the
// setup type's ReqOS and ReqPlatform checks, the "OS" and "Platform" existence rules and the
// program-compatibility mark of a running installer.
#include "core/Bootstrapper.h"
#include "requirements/VersionExpression.h"

namespace {

using GetNativeSystemInfoFunction = void(WINAPI*)(LPSYSTEM_INFO);

// Filled at the first question and kept until the process ends. It is first asked on the main
// thread before any other thread exists, so it needs no lock.
struct OSInfoCache {
  OSVERSIONINFOEXA version;
  SYSTEM_INFO system;
  bool filled;
};
OSInfoCache g_OSInfo = {};

// kernel32 offers GetNativeSystemInfo from Windows XP on; without it GetSystemInfo answers.
GetNativeSystemInfoFunction NativeSystemInfoFunction() {
  static bool looked = false;
  static GetNativeSystemInfoFunction function = nullptr;
  if (!looked) {
    looked = true;
    if (HMODULE kernel32 = GetModuleHandleA("kernel32.dll"))
      function = reinterpret_cast<GetNativeSystemInfoFunction>(GetProcAddress(kernel32, "GetNativeSystemInfo"));
  }
  return function;
}

}  // namespace

void GetOSInfo() {
  if (g_OSInfo.filled) return;
  OSVERSIONINFOEXA& version = g_OSInfo.version;
  version = {};
  version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
  if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version))) {
    // Systems before the extended record know only the plain one.
    version = {};
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version))) version = {};
  }
  g_OSInfo.system = {};
  if (GetNativeSystemInfoFunction native = NativeSystemInfoFunction())
    native(&g_OSInfo.system);
  else
    GetSystemInfo(&g_OSInfo.system);
  g_OSInfo.filled = true;
}

bool IsOSVersionAtLeast(DWORD major, DWORD minor) {
  GetOSInfo();
  return IsVersionAtLeast(g_OSInfo.version.dwMajorVersion, g_OSInfo.version.dwMinorVersion, major, minor);
}

bool IsVistaOrLater() {
  GetOSInfo();
  return g_OSInfo.version.dwPlatformId == VER_PLATFORM_WIN32_NT && g_OSInfo.version.dwMajorVersion >= 6;
}

bool IsX64() {
  GetOSInfo();
  return g_OSInfo.system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

bool Bootstrapper::CheckRequiredOS() {
  if (ListSection.ReqOS[0] == '\0') return true;
  LogMessage(this, "CheckRequiredOS - Checking the operating system version against '%s'.", ListSection.ReqOS);
  ParsedVersion required = ParseVersionString(ListSection.ReqOS);
  if (!IsOSVersionAtLeast(required.Major(), required.Minor())) {
    LogMessage(this, "CheckRequiredOS - Operating system not supported.");
    ShowOSError();
    return false;
  }
  return true;
}

bool Bootstrapper::CheckRequiredPlatform() {
  if (ListSection.ReqPlatform[0] == '\0') return true;
  LogMessage(this, "CheckRequiredPlatform - Checking the platform against '%s'.", ListSection.ReqPlatform);
  if (MeetsPlatformRequirement(ListSection.ReqPlatform, IsX64())) return true;
  LogMessage(this, "CheckRequiredPlatform - Platform not supported.");
  ShowPlatformError();
  return false;
}
