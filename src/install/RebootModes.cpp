#include "install/RebootModes.h"

#include "core/TextCompare.h"

RebootMode ReadRebootMode(const char* value) {
  int mode = 0;
  for (const char* keyword : kRebootKeywords) {
    if (EqualsIgnoreCase(value, keyword)) return static_cast<RebootMode>(mode);
    mode++;
  }
  return RebootMode::kUnknown;
}
