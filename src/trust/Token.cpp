#include "trust/Token.h"

#include <sddl.h>

#include "core/HandleOwner.h"

PSID ProcessUser(TokenUserBuffer& buffer) {
  KernelHandle token;
  DWORD size = 0;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()) ||
      !GetTokenInformation(token.get(), TokenUser, buffer.bytes, sizeof(buffer.bytes), &size))
    return nullptr;
  return reinterpret_cast<TOKEN_USER*>(buffer.bytes)->User.Sid;
}

std::string UserSidString() {
  TokenUserBuffer buffer;
  PSID user = ProcessUser(buffer);
  char* text = nullptr;
  if (user == nullptr || !ConvertSidToStringSidA(user, &text)) return "";
  std::string sid = text;
  LocalFree(text);
  return sid;
}

bool IsLocalSystem() {
  TokenUserBuffer buffer;
  PSID user = ProcessUser(buffer);
  return user != nullptr && IsWellKnownSid(user, WinLocalSystemSid) != FALSE;
}

bool RunsElevated() {
  BYTE administrators[SECURITY_MAX_SID_SIZE] = {};
  DWORD size = sizeof(administrators);
  BOOL member = FALSE;
  if (CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) &&
      CheckTokenMembership(nullptr, administrators, &member) && member)
    return true;
  return IsLocalSystem();
}

bool CreatesForAdministrators() {
  KernelHandle token;
  BYTE buffer[sizeof(TOKEN_OWNER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()) ||
      !GetTokenInformation(token.get(), TokenOwner, buffer, sizeof(buffer), &size))
    return false;
  PSID owner = reinterpret_cast<TOKEN_OWNER*>(buffer)->Owner;
  return IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsWellKnownSid(owner, WinLocalSystemSid);
}
