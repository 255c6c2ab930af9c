#include "SpokenPrompts.h"

#include <windows.h>

#include <cstring>

#include "TestSupport.h"

namespace test {

namespace {

std::string Value(const std::string& path, const std::string& section, const char* key) {
  char value[2048] = {};
  GetPrivateProfileStringA(section.c_str(), key, "", value, sizeof(value), path.c_str());
  return value;
}

}  // namespace

std::vector<SpokenPrompt> SpokenPrompts() {
  std::string path = WinPath(Env("PENDRIX_SOURCE")) + "\\src\\ui\\language\\SpokenPrompts.ini";
  std::vector<char> names(8192, '\0');
  GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()), path.c_str());
  std::vector<SpokenPrompt> prompts;
  for (const char* name = names.data(); *name != '\0'; name += strlen(name) + 1) {
    SpokenPrompt prompt;
    prompt.file = name;
    prompt.resource = Value(path, name, "Resource");
    prompt.module = Value(path, name, "Module");
    prompt.format = Value(path, name, "Format");
    prompt.shown = Value(path, name, "Shown");
    prompt.text = Value(path, name, "Text");
    prompt.words = Value(path, name, "Words");
    prompts.push_back(prompt);
  }
  return prompts;
}

SpokenPrompt SpokenPromptOf(const std::string& resource) {
  for (const SpokenPrompt& prompt : SpokenPrompts())
    if (prompt.resource == resource) return prompt;
  return {};
}

}  // namespace test
