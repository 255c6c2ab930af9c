// The reboot modes of an installer section's Reboot key: what the exit-code rules do when an
// exit code asks for a restart. Shared by the engine and PendrixPack's checks.
#pragma once

enum class RebootMode { kNone, kForce, kReturn, kDefer, kDeferForce, kImmediate, kImmediateForce, kUnknown };

// The keywords, in the order of RebootMode.
inline constexpr const char* kRebootKeywords[] = {"none",       "force",     "return",        "defer",
                                                  "deferforce", "immediate", "immediateforce"};
inline constexpr const char kDefaultRebootKeyword[] = "defer";

// The mode a Reboot value names, the case of its letters aside; any other word is kUnknown,
// which the exit-code rules treat as kNone.
RebootMode ReadRebootMode(const char* value);
