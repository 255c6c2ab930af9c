#include "PackOptions.h"

#include <cstring>

const char kPackUsage[] =
    "usage: PendrixPack --settings FILE --payload DIR --out FILE [--engine FILE] [--embed-settings]\n"
    "  --settings FILE    the package's Settings.ini\n"
    "  --payload DIR      the folder that holds the installer files the settings name\n"
    "  --out FILE         the setup package to write (replaced only when packing succeeds)\n"
    "  --engine FILE      the engine to start from (default: Pendrix.exe beside PendrixPack.exe)\n"
    "  --embed-settings   carry the settings file inside the package as well\n";

std::string ParsePackOptions(int argc, const char* const* argv, PackOptions& options) {
  options = PackOptions();
  struct Valued {
    const char* name;
    std::string* value;
    bool seen;
  } valued[] = {{"--settings", &options.settings, false},
                {"--payload", &options.payload, false},
                {"--out", &options.out, false},
                {"--engine", &options.engine, false}};
  bool embedSeen = false;
  for (int i = 1; i < argc; i++) {
    const char* arg = argv[i] != nullptr ? argv[i] : "";
    if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0 || strcmp(arg, "/?") == 0) {
      options.help = true;
      continue;
    }
    if (strcmp(arg, "--embed-settings") == 0) {
      if (embedSeen) return "--embed-settings is given twice";
      embedSeen = options.embedSettings = true;
      continue;
    }
    Valued* option = nullptr;
    for (Valued& v : valued)
      if (strcmp(arg, v.name) == 0) option = &v;
    if (option == nullptr) return std::string("unknown argument \"") + arg + "\"";
    if (option->seen) return std::string(option->name) + " is given twice";
    if (i + 1 >= argc || argv[i + 1] == nullptr || argv[i + 1][0] == '\0')
      return std::string(option->name) + " needs a value";
    option->seen = true;
    *option->value = argv[++i];
    // A quoted folder that ends in a backslash ("C:\kit\") reaches us as C:\kit" : the runtime
    // takes \" for a quote. No Windows path ends in a quote, so it is dropped.
    if (option->value->back() == '"') option->value->pop_back();
    if (option->value->empty()) return std::string(option->name) + " needs a value";
  }
  if (options.help) return "";
  for (const Valued& v : valued)
    if (!v.seen && strcmp(v.name, "--engine") != 0) return std::string(v.name) + " is missing";
  return "";
}
