// Feeds arbitrary bytes to the reading of an installer's manifest: as a whole program file, and
// as the manifest a resource-only DLL carries, which the reader must find whole. The level a
// manifest asks for reads the same in UTF-8 and in UTF-16 LE, and is the one written into it.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "../../../tools/pack/InstallerElevation.h"
#include "../../../tools/pack/PeResources.h"

namespace {

ReadFileBytes Reader(const std::vector<uint8_t>& file) {
  return [&file](uint64_t offset, uint32_t size, std::vector<uint8_t>& bytes) {
    if (offset > file.size()) return false;
    const size_t count = static_cast<size_t>(std::min<uint64_t>(size, file.size() - offset));
    bytes.assign(file.begin() + static_cast<ptrdiff_t>(offset), file.begin() + static_cast<ptrdiff_t>(offset + count));
    return true;
  };
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  const std::string name(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(std::min<size_t>(size, 12)));
  ProgramManifest program = ReadProgramManifest(Reader(bytes));
  if (!program.isProgram && (program.found || !ElevationReason(program, name).empty())) __builtin_trap();

  std::vector<uint8_t> dll;
  if (pe::BuildResourceDll({{pe::ResourceId::Number(24), pe::ResourceId::Number(1), 1033, 0}}, {bytes}, dll) == nullptr) {
    program = ReadProgramManifest(Reader(dll));
    if (!program.isProgram || program.is64Bit || !program.found || program.bytes != bytes) __builtin_trap();
  }

  std::vector<uint8_t> raised;
  if (WithExecutionLevel(bytes, "requireAdministrator", raised) && RequestedExecutionLevel(raised) != "requireAdministrator")
    __builtin_trap();
  const std::string level = RequestedExecutionLevel(bytes);
  if (!level.empty() && level != "asInvoker" && level != "highestAvailable" && level != "requireAdministrator")
    __builtin_trap();
  if (std::all_of(bytes.begin(), bytes.end(), [](uint8_t c) { return c < 0x80; }) &&
      !(size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)) {
    std::vector<uint8_t> utf16 = {0xFF, 0xFE};
    for (uint8_t c : bytes) utf16.insert(utf16.end(), {c, 0});
    if (RequestedExecutionLevel(utf16) != level) __builtin_trap();
  }
  return 0;
}
