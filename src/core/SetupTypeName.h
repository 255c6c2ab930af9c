// The rules of a setup type's name, shared by the engine's start-up and PendrixPack's checks.
#pragma once
#include <cstddef>

// The most characters of a /Type value that the engine keeps.
constexpr size_t kSetupTypeChars = 99;

// Silent mode: a setup type whose name contains "silent", in exactly these letters, runs
// without prompts, reboot questions or recordings ("my_silent" does; "SilentCD" does not).
inline constexpr char kSilentMark[] = "silent";
bool IsSilentSetupType(const char* setupType);
