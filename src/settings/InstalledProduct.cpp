// Installed-product detection: the product a Windows Installer package installs, read from its
// Property table, and the version of that product on the machine, asked of Windows Installer.
#include "core/Bootstrapper.h"

#include <msiquery.h>

#include <cstring>
#include <vector>

#include "core/BoundedString.h"
#include "settings/MsiHandle.h"
#include "settings/ProductVersion.h"

namespace {

bool IsFile(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

int Bootstrapper::IsMsiProductInstalled(const char* msiPath) {
  if (msiPath == nullptr || msiPath[0] == '\0' || !IsFile(msiPath) || !m_bMsiInstall) return kProductUndetermined;
  LogMessage(this, "IsMsiProductInstalled - Checking %s.", msiPath);

  MsiHandle database;
  UINT opened = MsiOpenDatabaseA(msiPath, MSIDBOPEN_READONLY, database.put());
  if (opened != ERROR_SUCCESS) {
    LogMessage(this, "IsMsiProductInstalled - Failed to open the MSI database, return code: %lu.", opened);
    return kProductUndetermined;
  }

  // The product code stays in the section record for the cleanup of a broken install.
  char upgradeCode[50] = {};
  char productVersion[25] = {};
  memset(InstallerSection.ProductCode, 0, sizeof(InstallerSection.ProductCode));
  MsiQueryProperty(database.get(), "UpgradeCode", upgradeCode, sizeof(upgradeCode));
  MsiQueryProperty(database.get(), "ProductCode", InstallerSection.ProductCode, sizeof(InstallerSection.ProductCode));
  MsiQueryProperty(database.get(), "ProductVersion", productVersion, sizeof(productVersion));
  if (upgradeCode[0] == '\0' || InstallerSection.ProductCode[0] == '\0') return kProductUndetermined;

  int result = kProductUndetermined;
  LogMessage(this, "IsMsiProductInstalled - Enumering through related products.");
  for (DWORD index = 0;; index++) {
    char related[40] = {};
    if (MsiEnumRelatedProductsA(upgradeCode, 0, index, related) != ERROR_SUCCESS) break;
    LogMessage(this, "IsMsiProductInstalled - Found related product with Product code %s.", related);
    // Other members of the upgrade family are another product, whatever their version.
    if (lstrcmpiA(related, InstallerSection.ProductCode) != 0) continue;

    char installedVersion[20] = {};
    DWORD versionSize = sizeof(installedVersion) - 1;
    UINT read = MsiGetProductInfoA(related, INSTALLPROPERTY_VERSIONSTRING, installedVersion, &versionSize);
    LogMessage(this, "IsMsiProductInstalled - Enumerated product version value: %s, return code: %lu.",
               installedVersion, read);
    if (read != ERROR_SUCCESS) continue;
    result = CompareProductVersions(productVersion, installedVersion);
    if (result == kProductSameInstalled || result == kProductNewerInstalled) break;
  }
  LogMessage(this, "IsMsiProductInstalled - Product installed result: %d", result);
  return result;
}

UINT Bootstrapper::MsiQueryProperty(MSIHANDLE database, const char* property, char* buffer, DWORD size) {
  if (database == 0 || property == nullptr || property[0] == '\0' || buffer == nullptr || size == 0)
    return ERROR_INVALID_DATA;
  LogMessage(this, "MsiQueryProperty - Query MSI database for the property '%s'.", property);

  char query[200] = {};
  FormatCut(query, "SELECT `Value` FROM `Property` WHERE `Property` = '%s'", property);
  MsiHandle view;
  UINT result = MsiDatabaseOpenViewA(database, query, view.put());
  if (result != ERROR_SUCCESS) {
    LogMessage(this, "MsiQueryProperty - MsiDatabaseOpenView failed. Error: %lu", result);
    return result;
  }
  result = MsiViewExecute(view.get(), 0);
  if (result != ERROR_SUCCESS) {
    LogMessage(this, "MsiQueryProperty - MsiViewExecute failed. Error: %lu", result);
    return result;
  }
  MsiHandle record;
  result = MsiViewFetch(view.get(), record.put());
  if (result != ERROR_SUCCESS) {
    LogMessage(this, "MsiQueryProperty - MsiViewFetch failed. Error: %lu", result);
    return result;
  }

  char none[1] = {};
  DWORD length = 0;
  result = MsiRecordGetStringA(record.get(), 1, none, &length);
  if (result != ERROR_MORE_DATA) return result;
  std::vector<char> value(static_cast<size_t>(length) + 2, '\0');
  DWORD valueSize = static_cast<DWORD>(value.size());
  result = MsiRecordGetStringA(record.get(), 1, value.data(), &valueSize);
  if (result != ERROR_SUCCESS) {
    LogMessage(this, "MsiQueryProperty - MsiRecordGetString failed. Error: %lu", result);
    return result;
  }

  memset(buffer, 0, size);
  size_t copied = bounded::Copy(buffer, size, value.data());
  LogMessage(this, "MsiQueryProperty - Value: %s", buffer);
  return copied < strlen(value.data()) ? ERROR_MORE_DATA : ERROR_SUCCESS;
}
