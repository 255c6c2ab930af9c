#include "core/SetupTypeName.h"

#include <cstring>

bool IsSilentSetupType(const char* setupType) {
  return setupType != nullptr && strstr(setupType, kSilentMark) != nullptr;
}
