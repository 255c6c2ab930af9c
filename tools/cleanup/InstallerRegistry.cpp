#include "InstallerRegistry.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "ConsoleOutput.h"
#include "core/BoundedString.h"
#include "core/HandleOwner.h"

namespace {

constexpr char kInstallerKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Installer";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// What a root of Windows Installer data holds about products.
enum RootHolds : unsigned {
  kProductKey = 1,      // Products\<packed>: the product and everything under it
  kFeatureKey = 2,      // Features\<packed>
  kUpgradeValues = 4,   // UpgradeCodes\<upgrade code>, a value named <packed>
  kComponentValues = 8, // Components\<component>, a value named <packed>: the product as a client
  kCachedPackage = 16,  // Products\<packed>\InstallProperties names the package kept for repairs
};

// Paths are joined from a few constants and at most three registry names of 255 characters:
// this buffer is never cut.
using KeyPath = char[2048];

using RegDeleteKeyExFn = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);

class Remover {
 public:
  Remover(const char* productCode, const char* packedCode, REGSAM view, RemovalResult& result)
      : m_productCode(productCode), m_packed(packedCode), m_view(view), m_result(result) {
    // Windows without registry views (32-bit XP and older) lack RegDeleteKeyExA.
    m_deleteKeyEx = reinterpret_cast<RegDeleteKeyExFn>(
        GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA"));
  }

  void Run() {
    KeyPath path;
    // Per machine: the product, its features and its upgrade code. The Installer key keeps a
    // second copy of the upgrade codes and, with the oldest Windows Installer versions, the
    // products and component clients that later versions keep under UserData.
    Root(HKEY_LOCAL_MACHINE, "Software\\Classes\\Installer", kProductKey | kFeatureKey | kUpgradeValues);
    Root(HKEY_LOCAL_MACHINE, kInstallerKey, kProductKey | kUpgradeValues | kComponentValues);
    // Each user's install data and component clients, the machine's under S-1-5-18.
    ForEachSubkey(HKEY_LOCAL_MACHINE, JoinTo(path, kInstallerKey, "UserData"), [this](const char* sid) {
      KeyPath root;
      Root(HKEY_LOCAL_MACHINE, JoinTo(root, kInstallerKey, "UserData", sid),
           kCachedPackage | kProductKey | kComponentValues);
    });
    // Products assigned to a user by policy.
    ForEachSubkey(HKEY_LOCAL_MACHINE, JoinTo(path, kInstallerKey, "Managed"), [this](const char* sid) {
      KeyPath root;
      Root(HKEY_LOCAL_MACHINE, JoinTo(root, kInstallerKey, "Managed", sid, "Installer"),
           kProductKey | kFeatureKey | kUpgradeValues);
    });
    Tree(HKEY_LOCAL_MACHINE, JoinTo(path, kUninstallKey, m_productCode));
    // Per user, in every loaded user hive: the product, its features, its upgrade code and the
    // uninstall entry of a per-user install.
    ForEachSubkey(HKEY_USERS, "", [this](const char* sid) {
      KeyPath key;
      Root(HKEY_USERS, JoinTo(key, sid, "Software\\Microsoft\\Installer"), kProductKey | kFeatureKey | kUpgradeValues);
      Tree(HKEY_USERS, JoinTo(key, sid, kUninstallKey, m_productCode));
    });
  }

 private:
  template <typename... Names>
  static const char* JoinTo(KeyPath& path, const char* first, Names... rest) {
    CopyCut(path, first);
    for (const char* name : {rest...}) {
      if (path[0] != '\0') AppendCut(path, "\\");
      AppendCut(path, name);
    }
    return path;
  }

  static const char* HiveName(HKEY hive) { return hive == HKEY_LOCAL_MACHINE ? "HKLM" : "HKU"; }
  const char* ViewName() const { return m_view == KEY_WOW64_32KEY ? " (32-bit view)" : ""; }

  void Root(HKEY hive, const char* root, unsigned holds) {
    KeyPath path;
    if (holds & kCachedPackage) CachedPackage(hive, JoinTo(path, root, "Products", m_packed, "InstallProperties"));
    if (holds & kProductKey) Tree(hive, JoinTo(path, root, "Products", m_packed));
    if (holds & kFeatureKey) Tree(hive, JoinTo(path, root, "Features", m_packed));
    if (holds & kUpgradeValues) ValueInSubkeys(hive, JoinTo(path, root, "UpgradeCodes"));
    if (holds & kComponentValues) ValueInSubkeys(hive, JoinTo(path, root, "Components"));
  }

  // The copy of the product's package that Windows Installer keeps for repairs and removal; the
  // next install keeps a copy of its own. Only a file directly in Windows Installer's folder is
  // deleted, whatever the value names.
  void CachedPackage(HKEY hive, const char* propertiesPath) {
    RegKey properties;
    if (RegOpenKeyExA(hive, propertiesPath, 0, KEY_QUERY_VALUE | m_view, properties.put()) != ERROR_SUCCESS) return;
    char package[MAX_PATH + 1] = {};
    DWORD type = REG_NONE;
    DWORD size = MAX_PATH;  // one place stays for the terminator
    if (RegQueryValueExA(properties.get(), "LocalPackage", nullptr, &type, reinterpret_cast<BYTE*>(package), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ || !IsInInstallerFolder(package))
      return;
    if (DeleteFileA(package)) {
      Print(stdout, "Removed %s\n", package);
      m_result.removed++;
      return;
    }
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    // A package held open (a Windows Installer run still busy with it) goes at the next restart:
    // once its registration is gone, nothing would name it any more.
    if (MoveFileExA(package, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
      Print(stdout, "Removes %s at the next restart\n", package);
      m_result.removed++;
      return;
    }
    FailedAt(package, static_cast<LONG>(error));
  }

  static bool IsInInstallerFolder(const char* file) {
    char folder[MAX_PATH + 16];
    UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    if (folder[length - 1] != '\\') AppendCut(folder, "\\");
    size_t prefix = AppendCut(folder, "Installer\\");
    return strlen(file) > prefix && _strnicmp(file, folder, prefix) == 0 && strpbrk(file + prefix, "\\/:") == nullptr;
  }

  // Calls visit with the name of each subkey of a key that exists.
  template <typename Visit>
  void ForEachSubkey(HKEY hive, const char* path, Visit visit) {
    RegKey key;
    if (!OpenOrReport(hive, path, KEY_ENUMERATE_SUB_KEYS, key)) return;
    char name[256];
    for (DWORD index = 0;; index++) {
      DWORD size = sizeof(name);
      LONG result = RegEnumKeyExA(key.get(), index, name, &size, nullptr, nullptr, nullptr, nullptr);
      if (result == ERROR_NO_MORE_ITEMS) return;
      if (result != ERROR_SUCCESS) return Failed(hive, path, result);
      visit(name);
    }
  }

  // Opens a key of this view; false when it is missing (not a failure) or could not be opened
  // (a failure, recorded under reportPath).
  bool OpenOrReport(HKEY parent, const char* name, REGSAM access, RegKey& key, HKEY hive = nullptr,
                    const char* reportPath = nullptr) {
    LONG result = RegOpenKeyExA(parent, name, 0, access | m_view, key.put());
    if (result == ERROR_SUCCESS) return true;
    if (result != ERROR_FILE_NOT_FOUND) Failed(hive != nullptr ? hive : parent, reportPath != nullptr ? reportPath : name, result);
    return false;
  }

  LONG DeleteKey(HKEY parent, const char* name) {
    return m_deleteKeyEx != nullptr ? m_deleteKeyEx(parent, name, m_view, 0) : RegDeleteKeyA(parent, name);
  }

  // Deletes a key with all its subkeys, deepest first.
  LONG DeleteTree(HKEY parent, const char* name) {
    RegKey key;
    LONG result = RegOpenKeyExA(parent, name, 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE | m_view, key.put());
    if (result != ERROR_SUCCESS) return result;
    char child[256];
    for (;;) {
      DWORD size = sizeof(child);
      result = RegEnumKeyExA(key.get(), 0, child, &size, nullptr, nullptr, nullptr, nullptr);
      if (result == ERROR_NO_MORE_ITEMS) break;
      if (result == ERROR_SUCCESS) result = DeleteTree(key.get(), child);
      if (result != ERROR_SUCCESS) return result;
    }
    key.reset();
    return DeleteKey(parent, name);
  }

  void Tree(HKEY hive, const char* path) {
    LONG result = DeleteTree(hive, path);
    if (result == ERROR_FILE_NOT_FOUND) return;
    if (result != ERROR_SUCCESS) return Failed(hive, path, result);
    Print(stdout, "Removed %s\\%s%s\n", HiveName(hive), path, ViewName());
    m_result.removed++;
  }

  // Removes the product's value from each subkey of path, and each subkey it leaves empty: the
  // upgrade code or component stays registered as long as another product is its client.
  void ValueInSubkeys(HKEY hive, const char* path) {
    RegKey parent;
    if (!OpenOrReport(hive, path, KEY_ENUMERATE_SUB_KEYS, parent)) return;
    char name[256];
    KeyPath child;
    for (DWORD index = 0;; index++) {
      DWORD size = sizeof(name);
      LONG result = RegEnumKeyExA(parent.get(), index, name, &size, nullptr, nullptr, nullptr, nullptr);
      if (result == ERROR_NO_MORE_ITEMS) return;
      if (result != ERROR_SUCCESS) return Failed(hive, path, result);
      JoinTo(child, path, name);
      RegKey key;
      if (!OpenOrReport(parent.get(), name, KEY_QUERY_VALUE | KEY_SET_VALUE, key, hive, child)) continue;
      result = RegDeleteValueA(key.get(), m_packed);
      if (result == ERROR_FILE_NOT_FOUND) continue;
      if (result != ERROR_SUCCESS) {
        Failed(hive, child, result);
        continue;
      }
      Print(stdout, "Removed the value %s of %s\\%s%s\n", m_packed, HiveName(hive), child, ViewName());
      m_result.removed++;
      DWORD subkeys = 1;
      DWORD values = 1;
      result = RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                nullptr, nullptr, nullptr);
      key.reset();
      if (result != ERROR_SUCCESS || subkeys != 0 || values != 0) continue;
      result = DeleteKey(parent.get(), name);
      if (result != ERROR_SUCCESS) {
        Failed(hive, child, result);
        continue;
      }
      Print(stdout, "Removed %s\\%s%s\n", HiveName(hive), child, ViewName());
      m_result.removed++;
      index--;  // the next subkey has moved into this place
    }
  }

  void Failed(HKEY hive, const char* path, LONG error) {
    KeyPath place;
    FormatCut(place, "%s\\%s%s", HiveName(hive), path, ViewName());
    FailedAt(place, error);
  }

  void FailedAt(const char* place, LONG error) {
    if (m_result.error != ERROR_SUCCESS) return;
    m_result.error = error;
    CopyCut(m_result.failedPlace, place);
  }

  const char* m_productCode;
  const char* m_packed;
  REGSAM m_view;
  RemovalResult& m_result;
  RegDeleteKeyExFn m_deleteKeyEx;
};

// A 32-bit process on 64-bit Windows sees two registry views; Windows Installer writes its data
// in the 64-bit one and a 32-bit product's uninstall entry in the 32-bit one.
bool IsWow64() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process"));
  BOOL wow64 = FALSE;
  return isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

RemovalResult RemoveProductRegistration(const char* productCode, const char* packedCode) {
  RemovalResult result;
  if (IsWow64()) {
    Remover(productCode, packedCode, KEY_WOW64_64KEY, result).Run();
    Remover(productCode, packedCode, KEY_WOW64_32KEY, result).Run();
  } else {
    Remover(productCode, packedCode, 0, result).Run();
  }
  return result;
}
