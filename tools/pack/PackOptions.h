// The package builder's command line:
//   PendrixPack --settings FILE --payload DIR --out FILE [--engine FILE] [--embed-settings] [--strict]
//               [--execution-level LEVEL] [--language NAME=FOLDER ...] [--product-name NAME]
//               [--product-version VERSION] [--company NAME] [--description TEXT] [--copyright TEXT]
//   PendrixPack --check --settings FILE [--payload DIR] [--engine FILE] [--strict] [--execution-level LEVEL]
//               [--language NAME=FOLDER ...]
//   PendrixPack --list PACKAGE
//   PendrixPack --extract PACKAGE FOLDER
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
  std::string extract;                 // the package to extract, for --extract
  std::string extractTo;               // and the folder to extract it into
  // What the package says it is and whose it is, in its version resource; the product and the
  // company also take the places of the engine's vendor and product in the built-in English.
  std::string productName;
  std::string productVersion;  // up to four numbers, "2.5.1"
  std::string company;
  std::string description;
  std::string copyright;
  bool embedSettings = false;
  bool strict = false;  // warnings refuse the package
  bool check = false;   // check the settings, build nothing
  bool help = false;
};

extern const char kPackUsage[];

// PendrixPack's exit codes, the same for every mode.
constexpr int kPackSucceeded = 0;   // built, listed, extracted or written; --check: clean
constexpr int kPackWarnings = 1;    // --check: warnings, and nothing that would be refused
constexpr int kPackRefused = 2;     // the package or the settings are refused, or a file cannot be read or written
constexpr int kPackBadCommandLine = 3;

// A version of up to four numbers from 0 to 65535, joined by dots ("2.5", "10.0.19041.1"), as the
// four parts of a version resource (missing ones 0); false for anything else.
bool ParseProductVersion(const std::string& text, unsigned short (&parts)[4]);

// Fills `options` from argv[1..argc-1]. Returns "" when the command line is usable, otherwise
// one line saying what is wrong with it.
std::string ParsePackOptions(int argc, const char* const* argv, PackOptions& options);
