#include "PackOptions.h"

#include <cstring>

#include "InstallerElevation.h"

const char kPackUsage[] =
    "usage: PendrixPack --settings FILE --payload DIR --out FILE [--engine FILE] [--embed-settings] [--strict]\n"
    "                   [--execution-level LEVEL] [--language NAME=FOLDER ...] [--product-name NAME]\n"
    "                   [--product-version VERSION] [--company NAME] [--description TEXT] [--copyright TEXT]\n"
    "       PendrixPack --check --settings FILE [--payload DIR] [--engine FILE] [--strict] [--execution-level LEVEL]\n"
    "                   [--language NAME=FOLDER ...]\n"
    "       PendrixPack --list PACKAGE\n"
    "       PendrixPack --extract PACKAGE FOLDER\n"
    "       PendrixPack --language-template FOLDER [--engine FILE]\n"
    "  --settings FILE    the package's Settings.ini\n"
    "  --payload DIR      the folder that holds the installer files the settings name\n"
    "  --out FILE         the setup package to write (replaced only when packing succeeds)\n"
    "  --engine FILE      the engine to start from, whose Welcome dialog is measured (default:\n"
    "                     Pendrix.exe beside PendrixPack.exe)\n"
    "  --embed-settings   carry the settings file inside the package as well\n"
    "  --strict           refuse the package when there is any warning\n"
    "  --execution-level asInvoker|highestAvailable|requireAdministrator\n"
    "                     what the package asks Windows for when it starts: the caller's rights,\n"
    "                     an administrator's where the caller is one (the default), or always an\n"
    "                     administrator's, asking for them when the caller is a standard user\n"
    "  --product-name NAME, --product-version VERSION, --company NAME, --description TEXT,\n"
    "  --copyright TEXT   what the package says it is in its file properties (a version is up to\n"
    "                     four numbers, 2.5.1); the product and the company also take the places\n"
    "                     of the engine's own in the built-in English texts\n"
    "  --check            check the settings (and the payload, when given) and build nothing\n"
    "  --list PACKAGE     show what a built package carries, and check the installers beside it\n"
    "  --extract PACKAGE FOLDER\n"
    "                     write what a package carries into a new or empty folder: its installers,\n"
    "                     settings and languages, and a listing with each file's SHA-256\n"
    "  --language NAME=FOLDER\n"
    "                     a language of the package besides its built-in English, from a folder\n"
    "                     of texts.ini and recordings; NAME is a locale name (de-DE) or a language\n"
    "                     number (1031); may be given once for each language\n"
    "  --language-template FOLDER\n"
    "                     write the built-in English into FOLDER: a translator's starting point\n"
    "exit code: 0 done (--check: clean), 1 --check found warnings, 2 refused or failed, 3 a bad\n"
    "command line\n";

bool ParseProductVersion(const std::string& text, unsigned short (&parts)[4]) {
  for (unsigned short& part : parts) part = 0;
  size_t count = 0, digits = 0;
  unsigned long value = 0;
  for (size_t i = 0; i <= text.size(); i++) {
    if (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      value = value * 10 + static_cast<unsigned long>(text[i] - '0');
      if (++digits > 5 || value > 0xFFFF) return false;
      continue;
    }
    if (digits == 0 || count == 4 || (i < text.size() && text[i] != '.')) return false;
    parts[count++] = static_cast<unsigned short>(value);
    value = 0;
    digits = 0;
  }
  return true;
}

std::string ParsePackOptions(int argc, const char* const* argv, PackOptions& options) {
  options = PackOptions();
  struct Valued {
    const char* name;
    std::string* value;
    bool seen;
  } valued[] = {{"--settings", &options.settings, false},
                {"--payload", &options.payload, false},
                {"--out", &options.out, false},
                {"--engine", &options.engine, false},
                {"--list", &options.list, false},
                {"--execution-level", &options.executionLevel, false},
                {"--language-template", &options.languageTemplate, false},
                {"--product-name", &options.productName, false},
                {"--product-version", &options.productVersion, false},
                {"--company", &options.company, false},
                {"--description", &options.description, false},
                {"--copyright", &options.copyright, false}};
  struct Flag {
    const char* name;
    bool* value;
  } flags[] = {
      {"--embed-settings", &options.embedSettings}, {"--strict", &options.strict}, {"--check", &options.check}};
  for (int i = 1; i < argc; i++) {
    const char* arg = argv[i] != nullptr ? argv[i] : "";
    if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0 || strcmp(arg, "/?") == 0) {
      options.help = true;
      continue;
    }
    // The one option given once for each of several values.
    if (strcmp(arg, "--language") == 0) {
      if (i + 1 >= argc || argv[i + 1] == nullptr || argv[i + 1][0] == '\0') return "--language needs a value";
      std::string value = argv[++i];
      if (value.back() == '"') value.pop_back();
      options.languages.push_back(value);
      continue;
    }
    // The one option of two values.
    if (strcmp(arg, "--extract") == 0) {
      if (!options.extract.empty()) return "--extract is given twice";
      if (i + 2 >= argc || argv[i + 1] == nullptr || argv[i + 1][0] == '\0' || argv[i + 2] == nullptr ||
          argv[i + 2][0] == '\0')
        return "--extract needs a package and a folder";
      options.extract = argv[++i];
      options.extractTo = argv[++i];
      if (options.extractTo.back() == '"') options.extractTo.pop_back();
      if (options.extractTo.empty()) return "--extract needs a package and a folder";
      continue;
    }
    Flag* flag = nullptr;
    for (Flag& f : flags)
      if (strcmp(arg, f.name) == 0) flag = &f;
    if (flag != nullptr) {
      if (*flag->value) return std::string(flag->name) + " is given twice";
      *flag->value = true;
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
  if (!options.executionLevel.empty()) {
    std::string level = ExecutionLevelName(options.executionLevel);
    if (level.empty())
      return "--execution-level is \"" + options.executionLevel +
             "\"; it takes asInvoker, highestAvailable or requireAdministrator";
    options.executionLevel = level;
  }
  auto seen = [&](const char* name) {
    for (const Valued& v : valued)
      if (strcmp(v.name, name) == 0) return v.seen;
    return false;
  };
  const char* stamps[] = {"--product-name", "--product-version", "--company", "--description", "--copyright"};
  unsigned short parts[4];
  if (seen("--product-version") && !ParseProductVersion(options.productVersion, parts))
    return "--product-version \"" + options.productVersion +
           "\" is no version: write up to four numbers from 0 to 65535 joined by dots, such as 2.5.1";
  if (!options.extract.empty()) {
    for (const Valued& v : valued)
      if (v.seen) return std::string("--extract takes no ") + v.name;
    for (const Flag& f : flags)
      if (*f.value) return std::string("--extract takes no ") + f.name;
    if (!options.languages.empty()) return "--extract takes no --language";
    return "";
  }
  if (seen("--list")) {
    for (const Valued& v : valued)
      if (v.seen && v.value != &options.list) return std::string("--list takes no ") + v.name;
    for (const Flag& f : flags)
      if (*f.value) return std::string("--list takes no ") + f.name;
    if (!options.languages.empty()) return "--list takes no --language";
    return "";
  }
  if (seen("--language-template")) {
    for (const Valued& v : valued)
      if (v.seen && v.value != &options.languageTemplate && v.value != &options.engine)
        return std::string("--language-template takes no ") + v.name;
    for (const Flag& f : flags)
      if (*f.value) return std::string("--language-template takes no ") + f.name;
    if (!options.languages.empty()) return "--language-template takes no --language";
    return "";
  }
  if (options.check) {
    if (seen("--out")) return "--check builds nothing and takes no --out";
    for (const char* stamp : stamps)
      if (seen(stamp)) return std::string("--check builds nothing and takes no ") + stamp;
    if (options.embedSettings) return "--check builds nothing and takes no --embed-settings";
    return seen("--settings") ? "" : "--settings is missing";
  }
  for (const char* name : {"--settings", "--payload", "--out"})
    if (!seen(name)) return std::string(name) + " is missing";
  return "";
}
