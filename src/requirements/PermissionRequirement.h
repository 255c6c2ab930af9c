// The setup type's ReqPermission: which rights the user needs. Shared by the permission check
// and PendrixPack's checks.
#pragma once

enum class PermissionRequirement { kNone, kAdministrator, kPowerUser, kUnknown };

// The keywords, in the order kAdministrator, kPowerUser.
inline constexpr const char* kPermissionKeywords[] = {"Admin", "PowerUser"};

// Empty is no requirement; the keywords are compared without regard to case; any other word is
// kUnknown, which every user passes.
PermissionRequirement ReadPermissionRequirement(const char* value);
