// The package builder's command line:
//   PendrixPack --settings FILE --payload DIR --out FILE [--engine FILE] [--embed-settings] [--strict]
//               [--execution-level LEVEL] [--language NAME=FOLDER ...]
//   PendrixPack --check --settings FILE [--payload DIR] [--engine FILE] [--strict] [--execution-level LEVEL]
//               [--language NAME=FOLDER ...]
//   PendrixPack --list PACKAGE
//   PendrixPack --language-template FOLDER [--engine FILE]
#pragma once
#include <string>
#include <vector>

struct PackOptions {
  std::string settings;
  std::string payload;
  std::string out;
  std::string engine;  // empty: the Pendrix.exe beside the builder
  std::string list;    // the package to list, for --list
  std::string languageTemplate;        // the folder to write the built-in language to
  std::string executionLevel;          // what the manifest asks Windows for; "": the engine's own
  std::vector<std::string> languages;  // each --language NAME=FOLDER, in order
  bool embedSettings = false;
  bool strict = false;  // warnings refuse the package
  bool check = false;   // check the settings, build nothing
  bool help = false;
};

extern const char kPackUsage[];

// Fills `options` from argv[1..argc-1]. Returns "" when the command line is usable, otherwise
// one line saying what is wrong with it.
std::string ParsePackOptions(int argc, const char* const* argv, PackOptions& options);
