// Pass-through decoding on arbitrary text: it only shortens, starts with the blank, and text
// without "#" passes unchanged. The same bytes as an installer's Arguments, its package folder
// and pass-through commands (the bytes after the first, which chooses the conditions, cut at each
// NUL; a command begins with "!" when it is for the installer being run), put together in a
// buffer of the engine's size or a small one: nothing is written past the buffer, the Arguments
// stay its start, and when all pieces fit, this installer's commands are there in their order.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "install/ArgumentPieces.h"
#include "install/PassThroughEscapes.h"

namespace {
struct Engine : ArgumentsEngine {
  void Log(const char*, const char*) override {}
  bool PrepareMsiLogPath(char (&path)[260]) override { return strcpy(path, "C:\\logs\\setup.msi.log") != nullptr; }
  const char* SourceDir() override { return folder.c_str(); }
  std::string folder = "C:\\media";
};

void CheckArguments(const uint8_t* data, size_t size) {
  if (size < 2) return;
  std::vector<std::string> parts(1), ours;
  for (size_t i = 1; i < size; i++) data[i] == 0 ? parts.emplace_back() : parts.back() += char(data[i]);
  std::vector<std::pair<std::string, std::string>> passThrough;
  for (size_t i = 2; i < parts.size(); i++) {
    passThrough.push_back({parts[i][0] == '!' ? "Main" : "Other", parts[i].substr(parts[i][0] == '!')});
    if (parts[i][0] == '!') ours.push_back(PassThroughPiece(passThrough.back().second));
  }
  Engine engine;
  if (parts.size() > 1) engine.folder = parts[1].substr(0, 259);
  ArgumentConditions conditions;
  int bit = 0;
  for (auto flag : {&ArgumentConditions::msi, &ArgumentConditions::addSourceDir, &ArgumentConditions::reinstall,
                    &ArgumentConditions::removeShared, &ArgumentConditions::quiet, &ArgumentConditions::log,
                    &ArgumentConditions::speechSuppressed})
    conditions.*flag = data[0] >> bit++ & 1;
  conditions.passThrough = &passThrough;
  conditions.section = "Main";
  const size_t capacity = data[0] & 128 ? 1000 : 64;
  std::vector<char> buffer(capacity + 16, '#');  // what follows the buffer shows a write past it
  const std::string arguments = parts[0].substr(0, capacity - 1);
  memcpy(buffer.data(), arguments.c_str(), arguments.size() + 1);
  const bool whole = AddArgumentPieces(buffer.data(), capacity, conditions, engine);
  const std::string result = buffer.data();
  if (std::string(buffer.begin() + capacity, buffer.end()) != std::string(16, '#') || result.size() >= capacity ||
      result.compare(0, arguments.size(), arguments) != 0)
    __builtin_trap();
  for (size_t at = arguments.size(), i = 0; whole && i < ours.size(); at += ours[i++].size())
    if ((at = result.find(ours[i], at)) == std::string::npos) __builtin_trap();
}

}  // namespace

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
  CheckArguments(data, size);
  return 0;
}
