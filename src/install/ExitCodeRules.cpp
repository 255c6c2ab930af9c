#include "install/ExitCodeRules.h"

bool UsesRebootCodes(RebootMode reboot) {
  return reboot == RebootMode::kDefer || reboot == RebootMode::kDeferForce || reboot == RebootMode::kImmediate ||
         reboot == RebootMode::kImmediateForce;
}

DecidingRule DecideExitCode(RebootMode reboot, bool inRebootCodes, bool inFailCodes, bool inReinstallCodes) {
  if (reboot == RebootMode::kForce) return DecidingRule::kForceRestart;
  if (reboot == RebootMode::kReturn) return DecidingRule::kReturn;
  if (inRebootCodes && UsesRebootCodes(reboot)) return DecidingRule::kRebootCodes;
  if (inFailCodes) return DecidingRule::kFailCodes;
  if (inReinstallCodes) return DecidingRule::kReinstallCodes;
  return DecidingRule::kNone;
}

RestartNotDone JudgeRestartNotDone(uint32_t exitCode, DecidingRule rule) {
  // The Windows codes of "restart started" and "restart required".
  constexpr uint32_t kRestartStarted = 1641;
  constexpr uint32_t kRestartRequired = 3010;
  if (exitCode == kRestartStarted) return RestartNotDone::kInstallerRestarts;
  if (exitCode == 0 || exitCode == kRestartRequired || rule == DecidingRule::kRebootCodes)
    return RestartNotDone::kRestartFirst;
  return RestartNotDone::kFailed;
}
