// Stands in for the system calls of a restart for the length of a scope and counts them, so
// that a unit test can agree to a restart without restarting anything. Header-only: only unit
// tests, which link the engine, include it.
#pragma once
#include <windows.h>

#include "restart/RestartCalls.h"

namespace test {

enum class FakeInitiate { kSucceeds, kFails, kMissing };

struct FakeRestartOptions {
  bool privilegeFails = false;
  FakeInitiate initiate = FakeInitiate::kSucceeds;
  bool exitFails = false;
};

// What the engine asked of the system.
struct FakeRestartRequests {
  int privilegeEnabled = 0;
  int privilegeDisabled = 0;
  int initiate = 0;
  int exitWindows = 0;
  bool initiateArgumentsRight = true;  // local machine, no message, at once, no forcing, restart, reason
  bool exitArgumentsRight = true;      // restart, force if hung, reason
};

class FakeRestartCalls {
 public:
  using Initiate = FakeInitiate;
  using Options = FakeRestartOptions;
  using Calls = FakeRestartRequests;

  explicit FakeRestartCalls(Options options = Options()) : m_saved(g_RestartCalls) {
    s_options = options;
    s_calls = Calls();
    g_RestartCalls = {AdjustPrivileges, FindInitiate, FakeExitWindows};
  }
  ~FakeRestartCalls() { g_RestartCalls = m_saved; }
  FakeRestartCalls(const FakeRestartCalls&) = delete;
  FakeRestartCalls& operator=(const FakeRestartCalls&) = delete;

  const Calls& calls() const { return s_calls; }
  // Requests that would have restarted the computer.
  int Requests() const { return s_calls.initiate + s_calls.exitWindows; }

  static constexpr DWORD kReason = 0x80040002;
  static constexpr DWORD kInitiateError = ERROR_NOT_READY;
  static constexpr DWORD kExitError = ERROR_PRIVILEGE_NOT_HELD;

 private:
  static BOOL WINAPI AdjustPrivileges(HANDLE, BOOL, PTOKEN_PRIVILEGES state, DWORD, PTOKEN_PRIVILEGES, PDWORD) {
    bool enable = state != nullptr && state->PrivilegeCount == 1 && state->Privileges[0].Attributes == SE_PRIVILEGE_ENABLED;
    (enable ? s_calls.privilegeEnabled : s_calls.privilegeDisabled)++;
    SetLastError(s_options.privilegeFails ? ERROR_NOT_ALL_ASSIGNED : ERROR_SUCCESS);
    return TRUE;  // as the system answers a token without the privilege: success, and the last error says
  }
  static BOOL WINAPI InitiateShutdown(LPSTR machine, LPSTR message, DWORD timeout, BOOL force, BOOL reboot, DWORD reason) {
    s_calls.initiate++;
    s_calls.initiateArgumentsRight &= machine == nullptr && message == nullptr && timeout == 0 && !force && reboot &&
                                      reason == kReason;
    if (s_options.initiate == Initiate::kFails) {
      SetLastError(kInitiateError);
      return FALSE;
    }
    return TRUE;
  }
  static InitiateShutdownFn FindInitiate() {
    return s_options.initiate == Initiate::kMissing ? nullptr : static_cast<InitiateShutdownFn>(InitiateShutdown);
  }
  static BOOL WINAPI FakeExitWindows(UINT flags, DWORD reason) {
    s_calls.exitWindows++;
    s_calls.exitArgumentsRight &= flags == (EWX_REBOOT | EWX_FORCEIFHUNG) && reason == kReason;
    if (s_options.exitFails) {
      SetLastError(kExitError);
      return FALSE;
    }
    return TRUE;
  }

  static inline Options s_options;
  static inline Calls s_calls;
  RestartCalls m_saved;
};

}  // namespace test
