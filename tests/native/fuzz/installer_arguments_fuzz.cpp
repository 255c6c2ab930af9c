// Feeds arbitrary Arguments, pass-through commands and a package folder to the pieces the engine
// adds to an installer's command line, in a buffer of the engine's size or a smaller one. Nothing
// is written past the buffer, no piece is cut, the Arguments stay the start of the command line,
// and every piece the conditions call for is there whenever all of them fit.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "install/ArgumentPieces.h"
#include "install/PassThroughEscapes.h"

namespace {

class Engine : public ArgumentsEngine {
 public:
  void Log(const char* format, const char*) override {
    if (strncmp(format, "AddToArguments - ", 17) != 0) __builtin_trap();
  }
  bool PrepareMsiLogPath(char (&path)[260]) override {
    strcpy(path, "C:\\logs\\setup.msi.log");
    return true;
  }
};

// The fuzzer's bytes, cut at each NUL: the Arguments, the package's folder, then pass-through
// commands, each for the installer run when it begins with "!".
std::vector<std::string> Parts(const uint8_t* data, size_t size) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < size; i++) {
    if (data[i] == 0)
      parts.emplace_back();
    else
      parts.back() += static_cast<char>(data[i]);
  }
  return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t flags = data[0];
  std::vector<std::string> parts = Parts(data + 1, size - 1);
  std::vector<std::pair<std::string, std::string>> passThrough;
  std::vector<std::string> expected;
  for (size_t i = 2; i < parts.size(); i++) {
    const bool ours = !parts[i].empty() && parts[i][0] == '!';
    passThrough.push_back({ours ? "Main" : "Other", parts[i].substr(ours ? 1 : 0)});
    if (ours) expected.push_back(PassThroughPiece(passThrough.back().second));
  }
  const std::string folder = parts.size() > 1 ? parts[1].substr(0, 259) : "C:\\media";
  ArgumentConditions conditions;
  conditions.msi = flags & 1;
  conditions.sourceDir = flags & 2 ? folder.c_str() : nullptr;
  conditions.reinstall = flags & 4;
  conditions.removeShared = flags & 8;
  conditions.quiet = flags & 16;
  conditions.log = flags & 32;
  conditions.speechSuppressed = flags & 64;
  conditions.passThrough = &passThrough;
  conditions.section = "Main";

  // The engine's buffer, or a small one; a guard after it shows a write past its end.
  const size_t capacity = flags & 128 ? 1000 : 64;
  std::vector<char> buffer(capacity + 16, '#');
  const std::string arguments = parts[0].substr(0, capacity - 1);
  memcpy(buffer.data(), arguments.c_str(), arguments.size() + 1);
  Engine engine;
  const bool whole = AddArgumentPieces(buffer.data(), capacity, conditions, engine);
  for (size_t i = capacity; i < buffer.size(); i++)
    if (buffer[i] != '#') __builtin_trap();
  const std::string result = buffer.data();
  if (result.size() >= capacity || result.compare(0, arguments.size(), arguments) != 0) __builtin_trap();
  // Each of this installer's commands is there in order, whole, when everything fit.
  size_t at = arguments.size();
  for (const std::string& piece : expected) {
    const size_t found = result.find(piece, at);
    if (whole && found == std::string::npos) __builtin_trap();
    if (found != std::string::npos) at = found + piece.size();
  }
  if (whole && conditions.msi && conditions.reinstall && result.find("REINSTALLMODE=") == std::string::npos)
    __builtin_trap();
  return 0;
}
