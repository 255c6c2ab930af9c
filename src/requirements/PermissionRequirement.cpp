#include "requirements/PermissionRequirement.h"

#include "core/TextCompare.h"

PermissionRequirement ReadPermissionRequirement(const char* value) {
  if (value == nullptr || value[0] == '\0') return PermissionRequirement::kNone;
  if (EqualsIgnoreCase(value, kPermissionKeywords[0])) return PermissionRequirement::kAdministrator;
  if (EqualsIgnoreCase(value, kPermissionKeywords[1])) return PermissionRequirement::kPowerUser;
  return PermissionRequirement::kUnknown;
}
