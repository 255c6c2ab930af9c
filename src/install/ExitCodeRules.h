// Which of an installer section's rules decides a prerequisite's exit code, in the order the
// engine consults them. Shared by the engine's exit-code judgement and PendrixPack's check of
// the codes a section leaves unjudged, so that the two cannot disagree on the order.
#pragma once

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
