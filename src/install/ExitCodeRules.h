// Which of an installer section's rules decides a prerequisite's exit code, in the order the
// engine consults them. Shared by the engine's exit-code judgement and PendrixPack's check of
// the codes a section leaves unjudged, so that the two cannot disagree on the order.
#pragma once

#include <cstdint>

#include "install/RebootModes.h"

enum class DecidingRule {
  kForceRestart,   // Reboot "force": every code asks for a restart, before any list
  kReturn,         // Reboot "return": no list is consulted, the package goes on
  kRebootCodes,    // the code stands in RebootCodes, under a mode that uses them
  kFailCodes,      // the code stands in FailCodes
  kReinstallCodes, // the code stands in ReinstallCodes
  kNone,           // no rule: the package goes on as after a success
};

// RebootCodes count under "defer", "deferforce", "immediate" and "immediateforce" only.
bool UsesRebootCodes(RebootMode reboot);

// The rule that decides a code, given the lists that hold it: the Reboot mode first, then
// RebootCodes, FailCodes and ReinstallCodes; the first that holds the code decides.
DecidingRule DecideExitCode(RebootMode reboot, bool inRebootCodes, bool inFailCodes, bool inReinstallCodes);

// How a prerequisite ends the package when the restart it needs before anything may follow it
// was not done: declined, as a silent run always declines, or one that Windows would not start.
enum class RestartNotDone {
  kRestartFirst,       // its code reads as success: the package stops with 3010 and resumes after the restart
  kInstallerRestarts,  // 1641: the installer has started the restart itself; the package ends with 1641
  kFailed,             // any other code: a failure, which the package ends with as it is
};

// 0 and 3010 read as success, and so does a code of the section's RebootCodes under a mode that
// uses them (rule kRebootCodes).
RestartNotDone JudgeRestartNotDone(uint32_t exitCode, DecidingRule rule);
