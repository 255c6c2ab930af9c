#include "core/AnsiPath.h"

namespace {

// Converts and converts back: only a path that comes back unchanged names the same file. This
// also refuses "best fit" replacements (a letter without its accent), which name another file.
bool ConvertExactly(const wchar_t* path, char* buffer, DWORD size) {
  int length = WideCharToMultiByte(CP_ACP, 0, path, -1, buffer, static_cast<int>(size), nullptr, nullptr);
  if (length <= 0) return false;
  wchar_t back[MAX_PATH] = {};
  int backLength = MultiByteToWideChar(CP_ACP, 0, buffer, -1, back, MAX_PATH);
  return backLength > 0 && lstrcmpW(back, path) == 0;
}

}  // namespace

AnsiPathForm ToAnsiPath(const wchar_t* path, char* buffer, DWORD size) {
  if (ConvertExactly(path, buffer, size)) return AnsiPathForm::kAsIs;
  wchar_t shortForm[MAX_PATH] = {};
  DWORD length = GetShortPathNameW(path, shortForm, MAX_PATH);
  if (length > 0 && length < MAX_PATH && ConvertExactly(shortForm, buffer, size)) return AnsiPathForm::kShortForm;
  buffer[0] = '\0';
  WideCharToMultiByte(CP_ACP, 0, path, -1, buffer, static_cast<int>(size), nullptr, nullptr);
  buffer[size - 1] = '\0';
  return AnsiPathForm::kUnspellable;
}
