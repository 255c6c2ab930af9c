// The system calls that restart the computer, gathered in one table so that tests stand in for
// them: a test must never restart the machine, and under Wine the exit call ends every process
// of the prefix. The engine fills the table with the real calls; nothing read from the
// environment or the disk can change it.
#pragma once
#include <windows.h>

using InitiateShutdownFn = BOOL(WINAPI*)(LPSTR machine, LPSTR message, DWORD timeout, BOOL forceAppsClosed,
                                         BOOL rebootAfterShutdown, DWORD reason);

struct RestartCalls {
  BOOL(WINAPI* adjustTokenPrivileges)(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES state, DWORD size,
                                      PTOKEN_PRIVILEGES previous, PDWORD returnSize);
  // The extended shutdown call of the loaded "Advapi32.DLL"; null when the system lacks it.
  InitiateShutdownFn (*findInitiateShutdown)();
  BOOL(WINAPI* exitWindowsEx)(UINT flags, DWORD reason);
};

extern RestartCalls g_RestartCalls;
