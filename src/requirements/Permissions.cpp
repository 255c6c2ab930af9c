// The setup type's ReqPermission: administrator or power user. Group membership is not read
// from the token's list of groups: each test builds a private security descriptor that grants
// access only to the group and asks the system's access check whether the user's token would
// be granted it. A group that a token holds for deny only (a filtered administrator's token)
// grants nothing, so such a user is no administrator here.
#include "core/Bootstrapper.h"
#include "core/HandleOwner.h"
#include "requirements/PermissionRequirement.h"

namespace {

// The access the private descriptor grants to the group (read | write), the access asked for,
// and the mapping of the generic rights onto them.
constexpr DWORD kGrantedAccess = 3;
constexpr DWORD kDesiredAccess = 1;
GENERIC_MAPPING GroupTestMapping() { return {1, 2, 0, 3}; }

struct SidTraits {
  using Handle = PSID;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { FreeSid(h); }
};
using SidOwner = UniqueHandle<SidTraits>;

struct LocalMemoryTraits {
  using Handle = HLOCAL;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { LocalFree(h); }
};
using LocalMemory = UniqueHandle<LocalMemoryTraits>;

// The token the user acts with: the thread's own when it impersonates, else the process's.
bool OpenUserToken(KernelHandle& token) {
  if (OpenThreadToken(GetCurrentThread(), TOKEN_DUPLICATE | TOKEN_QUERY, TRUE, token.put())) return true;
  DWORD error = GetLastError();
  if (error != ERROR_NO_TOKEN) return false;
  return OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, token.put()) != FALSE;
}

// True when the user's token passes the access check of a descriptor that grants access only
// to the built-in group with this relative identifier. Every failure counts as no membership.
// The owners release the list, the descriptor, the SID and both tokens on every way out.
bool PassesGroupAccessCheck(DWORD groupRid) {
  KernelHandle token;
  if (!OpenUserToken(token)) return false;
  KernelHandle impersonation;
  if (!DuplicateToken(token.get(), SecurityImpersonation, impersonation.put())) return false;

  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  SidOwner sid;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, groupRid, 0, 0, 0, 0, 0, 0, sid.put()))
    return false;

  LocalMemory descriptor(LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
  if (!descriptor || !InitializeSecurityDescriptor(descriptor.get(), SECURITY_DESCRIPTOR_REVISION)) return false;

  // The list header and one access-allowed entry, whose last word is the SID's first.
  DWORD aclSize = GetLengthSid(sid.get()) + sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
  LocalMemory aclMemory(LocalAlloc(LPTR, aclSize));
  PACL acl = static_cast<PACL>(aclMemory.get());
  if (acl == nullptr || !InitializeAcl(acl, aclSize, ACL_REVISION2) ||
      !AddAccessAllowedAce(acl, ACL_REVISION2, kGrantedAccess, sid.get()))
    return false;

  PSECURITY_DESCRIPTOR sd = descriptor.get();
  if (!SetSecurityDescriptorDacl(sd, TRUE, acl, FALSE) || !SetSecurityDescriptorGroup(sd, sid.get(), FALSE) ||
      !SetSecurityDescriptorOwner(sd, sid.get(), FALSE) || !IsValidSecurityDescriptor(sd))
    return false;

  GENERIC_MAPPING mapping = GroupTestMapping();
  DWORD privileges[5] = {};  // a privilege set of 20 bytes, aligned for its fields
  DWORD privilegesLength = sizeof(privileges);
  DWORD granted = 0;
  BOOL status = FALSE;
  if (!AccessCheck(sd, impersonation.get(), kDesiredAccess, &mapping, reinterpret_cast<PPRIVILEGE_SET>(privileges),
                   &privilegesLength, &granted, &status))
    return false;
  return status != FALSE;
}

}  // namespace

bool Bootstrapper::CheckRequiredPermissions() {
  PermissionRequirement required = ReadPermissionRequirement(ListSection.ReqPermission);
  if (required == PermissionRequirement::kNone) return true;
  if (m_OSVersion.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    LogMessage(this, "CheckRequiredPermissions - Operating system is Win9x so skipping permissions check.");
    return true;
  }
  if (required == PermissionRequirement::kAdministrator) {
    if (IsAdministrator()) return true;
    LogMessage(this, "CheckRequiredPermissions - User is not an administrator.");
    ShowPermissionsError(kAdministratorLevel);
    return false;
  }
  if (required == PermissionRequirement::kPowerUser) {
    if (IsPowerUser() || IsAdministrator()) return true;
    LogMessage(this, "CheckRequiredPermissions - User is not an administrator nor a power user.");
    ShowPermissionsError(kPowerUserLevel);
    return false;
  }
  return true;  // any other word is no requirement
}

bool Bootstrapper::IsAdministrator() { return PassesGroupAccessCheck(DOMAIN_ALIAS_RID_ADMINS); }

bool Bootstrapper::IsPowerUser() { return PassesGroupAccessCheck(DOMAIN_ALIAS_RID_POWER_USERS); }
