// Feeds arbitrary argument lists (NUL-separated) to PendrixPack's command-line parser: it must
// never read past the list, and an accepted command line has every value its mode requires.
#include <cstdint>
#include <string>
#include <vector>

#include "../../../tools/pack/PackOptions.h"
#include "../../../tools/pack/PackRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> parts = {"PendrixPack.exe"};
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); i++) {
    if (i == text.size() || text[i] == '\0') {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  std::vector<const char*> argv;
  for (const std::string& part : parts) argv.push_back(part.c_str());
  PackOptions options;
  std::string error = ParsePackOptions(static_cast<int>(argv.size()), argv.data(), options);
  // A build needs its three values; --check the settings; --list only the package; --extract
  // only the package and a folder; --language-template only its folder (and perhaps the engine).
  bool build = !options.help && !options.check && options.list.empty() && options.languageTemplate.empty() &&
               options.extract.empty();
  if (error.empty() && build && (options.settings.empty() || options.payload.empty() || options.out.empty()))
    __builtin_trap();
  if (error.empty() && !options.help && options.check &&
      (options.settings.empty() || !options.out.empty() || !options.list.empty()))
    __builtin_trap();
  if (error.empty() && !options.help && !options.extract.empty() &&
      (options.extractTo.empty() || !options.settings.empty() || !options.list.empty() || options.check))
    __builtin_trap();
  if (error.empty() && !options.help && !options.languageTemplate.empty() &&
      (!options.settings.empty() || !options.languages.empty() || options.check))
    __builtin_trap();

  // The same bytes as settings values.
  char payload[kPayloadNameSize];
  InstallerFileName("msiexec.exe", text.c_str(), false, payload);
  InstallerFileName(text.c_str(), "", true, payload);
  char resolved[260];
  if (ResolveBesidePath("C:\\media\\setup", text.c_str(), resolved) && resolved[1] != ':' && resolved[0] != '\\')
    __builtin_trap();  // a resolved path always has a root
  char resource[kResourceNameSize];
  InstallerResourceName(text.c_str(), resource);
  if (std::string(resource).size() > kResourceNameSize - 1) __builtin_trap();
  return 0;
}
