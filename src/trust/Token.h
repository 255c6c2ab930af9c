// What the process's token says of who runs it: the one place that asks, so that every rule of
// trust reads the same answers.
#pragma once
#include <windows.h>

#include <string>

// True when the process acts as an administrator with those rights in force (an elevated token,
// or an administrator where Windows does not filter the token) or as SYSTEM.
bool RunsElevated();

// The user of the process's token, kept in the buffer; null when it cannot be read.
struct TokenUserBuffer {
  BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
};
PSID ProcessUser(TokenUserBuffer& buffer);

// The SID of the process's user in its string form, or "".
std::string UserSidString();

// True when the process runs as the system account.
bool IsLocalSystem();

// True when what the process creates is owned by the Administrators group or SYSTEM, so that no
// program of the user can take a file of the run for its own by owning it.
bool CreatesForAdministrators();
