// Pass-through decoding on arbitrary text: it only shortens, starts with the blank, and text
// without "#" passes unchanged.
#include <cstdint>
#include <string>

#include "install/PassThroughEscapes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string command(reinterpret_cast<const char*>(data), size);
  std::string piece = PassThroughPiece(command);
  if (piece.empty() || piece[0] != ' ' || piece.size() > command.size() + 1) __builtin_trap();
  if (command.find('#') == std::string::npos && piece != " " + command) __builtin_trap();
  // Every "#" left over is either produced by "#0" or is the very last character.
  size_t hashesIn = 0, zeroEscapes = 0;
  for (size_t i = 0; i < command.size(); i++) hashesIn += command[i] == '#';
  for (char c : piece) zeroEscapes += c == '#';
  if (zeroEscapes > hashesIn) __builtin_trap();
  return 0;
}
