#include "settings/ProductVersion.h"

#include <string>
#include <vector>

#include "core/SplitString.h"
#include "settings/CodeList.h"

int CompareProductVersions(const char* packageVersion, const char* installedVersion) {
  const char* package = packageVersion != nullptr ? packageVersion : "";
  const char* installed = installedVersion != nullptr ? installedVersion : "";
  if (package[0] == '\0') return installed[0] == '\0' ? kProductSameInstalled : kProductNewerInstalled;
  if (installed[0] == '\0') return kProductOlderInstalled;

  std::vector<std::string> packageFields;
  if (SplitString(package, ".", packageFields) == 0) return kProductNewerInstalled;
  std::vector<std::string> installedFields;
  if (SplitString(installed, ".", installedFields) == 0) return kProductOlderInstalled;

  for (size_t i = 0; i < packageFields.size() && i < installedFields.size(); i++) {
    // A field reads as the number at its start, with no overflow: "01" is 1, "10" beats "9".
    uint32_t packageField = ParseUnsigned32(packageFields[i].c_str());
    uint32_t installedField = ParseUnsigned32(installedFields[i].c_str());
    if (packageField > installedField) return kProductOlderInstalled;
    if (installedField > packageField) return kProductNewerInstalled;
  }
  return kProductSameInstalled;
}
