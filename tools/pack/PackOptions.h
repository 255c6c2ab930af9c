// The package builder's command line:
//   PendrixPack --settings FILE --payload DIR --out FILE [--engine FILE] [--embed-settings]
#pragma once
#include <string>

struct PackOptions {
  std::string settings;
  std::string payload;
  std::string out;
  std::string engine;  // empty: the Pendrix.exe beside the builder
  bool embedSettings = false;
  bool help = false;
};

extern const char kPackUsage[];

// Fills `options` from argv[1..argc-1]. Returns "" when the command line is usable, otherwise
// one line saying what is wrong with it.
std::string ParsePackOptions(int argc, const char* const* argv, PackOptions& options);
