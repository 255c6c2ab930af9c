// Feeds arbitrary bytes to the reading of an installer's manifest: as a whole program file, and
// as the manifest a resource-only DLL carries, which the reader must find whole. The level a
// manifest asks for reads the same in UTF-8 and in UTF-16 LE, and is the one written into it.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "../../../tools/pack/InstallerElevation.h"

namespace {
ReadFileBytes Reader(const std::vector<uint8_t>& file) {
  return [&file](uint64_t offset, uint32_t size, std::vector<uint8_t>& bytes) {
    bytes.assign(file.begin() + std::min<uint64_t>(offset, file.size()),
                 file.begin() + std::min<uint64_t>(offset + size, file.size()));
    return offset <= file.size();
  };
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  ElevationReason(ReadProgramManifest(Reader(bytes)), std::string(bytes.begin(), bytes.end()));
  std::vector<uint8_t> dll, raised, utf16 = {0xFF, 0xFE};
  if (pe::BuildResourceDll({{pe::ResourceId::Number(24), pe::ResourceId::Number(1), 1033, 0}}, {bytes}, dll) == nullptr) {
    ProgramManifest program = ReadProgramManifest(Reader(dll));
    if (!program.isProgram || program.is64Bit || !program.found || program.bytes != bytes) __builtin_trap();
  }
  if (WithExecutionLevel(bytes, "requireAdministrator", raised) && RequestedExecutionLevel(raised) != "requireAdministrator")
    __builtin_trap();
  for (uint8_t c : bytes) utf16.insert(utf16.end(), {c, 0});
  if (std::all_of(bytes.begin(), bytes.end(), [](uint8_t c) { return c < 0x80; }) && (size < 2 || bytes[0] != 0xFF) &&
      RequestedExecutionLevel(utf16) != RequestedExecutionLevel(bytes))
    __builtin_trap();
  return 0;
}
