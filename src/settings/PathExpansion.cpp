#include "settings/PathExpansion.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/BoundedString.h"
#include "core/SplitString.h"
#include "core/TextCompare.h"

namespace {

const char* VariableValue(const std::string& component, const PathFolders& folders) {
  const char* text = component.c_str();
  const char* const values[] = {folders.winDrive, folders.programFiles,   folders.windows,
                                folders.system,   folders.programFiles64, folders.system64};
  static_assert(sizeof(values) / sizeof(values[0]) == sizeof(kPathVariables) / sizeof(kPathVariables[0]),
                "one value per variable");
  for (size_t i = 0; i < sizeof(values) / sizeof(values[0]); i++)
    if (EqualsIgnoreCase(text, kPathVariables[i])) return values[i];
  return text;
}

}  // namespace

bool IsPathVariable(const char* text) {
  for (const char* variable : kPathVariables)
    if (EqualsIgnoreCase(text, variable)) return true;
  return false;
}

bool ExpandPathVariables(const char* path, const PathFolders& folders, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return false;
  memset(buffer, 0, size);
  if (path == nullptr) path = "";
  std::vector<std::string> components;
  if (SplitString(path, "\\", components) == 0) {
    bounded::Copy(buffer, size, path);
    return false;
  }
  // A network path keeps its two leading backslashes and a path from the root of the current
  // drive its one: without them either would be tested relative to the current folder, which
  // differs between the first run and the one resumed after a restart. A variable's folder
  // begins with its own drive.
  if (path[0] == '\\' && !IsPathVariable(components[0].c_str()))
    bounded::Append(buffer, size, path[1] == '\\' ? "\\\\" : "\\");
  for (size_t i = 0; i < components.size(); i++) {
    bounded::Append(buffer, size, VariableValue(components[i], folders));
    if (i + 1 < components.size()) bounded::Append(buffer, size, "\\");
  }
  return true;
}

void DrivePart(const char* path, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return;
  bool drive = path != nullptr && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
               path[1] == ':';
  bounded::Copy(buffer, size, drive ? path : "", 2);
}
