#include "RestrictedToken.h"

namespace test {

KernelHandle DenyOnlyAdministratorsToken() {
  KernelHandle own;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, own.put())) return KernelHandle();
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                0, &administrators))
    return KernelHandle();
  SID_AND_ATTRIBUTES denyOnly = {administrators, 0};
  KernelHandle restricted;
  BOOL made = CreateRestrictedToken(own.get(), 0, 1, &denyOnly, 0, nullptr, 0, nullptr, restricted.put());
  FreeSid(administrators);
  return made ? std::move(restricted) : KernelHandle();
}

ScopedDenyOnlyAdministrators::ScopedDenyOnlyAdministrators() {
  KernelHandle primary = DenyOnlyAdministratorsToken();
  KernelHandle impersonation;
  if (!primary || !DuplicateToken(primary.get(), SecurityImpersonation, impersonation.put())) return;
  m_ok = SetThreadToken(nullptr, impersonation.get()) != FALSE;
}

ScopedDenyOnlyAdministrators::~ScopedDenyOnlyAdministrators() {
  if (m_ok) RevertToSelf();
}

}  // namespace test
