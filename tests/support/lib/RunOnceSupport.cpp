#include "RunOnceSupport.h"

#include <windows.h>

namespace test {

namespace {
const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
}

RunOnceValue ReadRunOnceValue(const std::string& name) {
  RunOnceValue value;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunOnceKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return value;
  char data[4096] = {};
  DWORD size = sizeof(data) - 1, type = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS) {
    value.exists = true;
    value.data = data;
    value.wellFormed = type == REG_SZ && size == value.data.size() + 1;
  }
  RegCloseKey(key);
  return value;
}

void DeleteRunOnceValue(const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunOnceKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
}

}  // namespace test
