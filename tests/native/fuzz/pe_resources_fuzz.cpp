// Feeds arbitrary bytes to the program-file reader as headers, as a whole file (as --engine and
// an installer's manifest read one) and as a resource directory. A file is read in no larger
// pieces than its headers and the limit of its directory. Every tree it accepts must lay out
// again, with a package resource added, into a directory that reads back with the same resources.
// The same bytes as an installer's manifest: a resource-only DLL that carries it gives it back
// whole, and the level it asks for reads the same in UTF-8 and UTF-16 LE, and is the one written.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "../../../tools/pack/InstallerElevation.h"

// The reader is compiled into this target itself, so that the fuzzer's coverage reaches inside
// it (the portable library is built without coverage instrumentation).
#include "../../../tools/pack/PeResources.cpp"

namespace {

// A valid image's headers, which the fuzzer's bytes change by exclusive or: all zeros is the
// valid image, so that the fuzzer starts deep in the header rules instead of searching for them.
std::vector<uint8_t> ValidHeaders() {
  std::vector<uint8_t> h(0x400, 0);
  auto put16 = [&](size_t at, uint32_t v) { h[at] = uint8_t(v); h[at + 1] = uint8_t(v >> 8); };
  auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; i++) h[at + i] = uint8_t(v >> (8 * i)); };
  put16(0, 0x5A4D);
  put32(0x3C, 0x40);
  put32(0x40, 0x4550);
  put16(0x46, 2);             // sections
  put16(0x54, 224);           // optional header size
  put16(0x58, 0x10B);
  put32(0x58 + 32, 0x1000);   // section alignment
  put32(0x58 + 36, 0x200);    // file alignment
  put32(0x58 + 56, 0x3000);   // image size
  put32(0x58 + 60, 0x400);    // header size
  put32(0x58 + 92, 16);       // data directories
  put32(0x58 + 96 + 16, 0x2000);
  put32(0x58 + 96 + 20, 0x100);
  for (uint32_t i = 0; i < 2; i++) {
    size_t at = 0x58 + 224 + 40 * i;
    h[at] = '.';
    put32(at + 8, 0x200);
    put32(at + 12, 0x1000 * (i + 1));
    put32(at + 16, 0x200);
    put32(at + 20, 0x400 + 0x200 * i);
  }
  return h;
}

ReadFileBytes Reader(const uint8_t* data, size_t size) {
  return [=](uint64_t offset, uint32_t count, std::vector<uint8_t>& bytes) {
    if (count > 4 * 1024 * 1024) __builtin_trap();
    offset = std::min<uint64_t>(offset, size);  // past the end: nothing
    bytes.assign(data + offset, data + offset + std::min<uint64_t>(count, size - offset));
    return true;
  };
}

void CheckFile(const uint8_t* data, size_t size) {
  std::vector<uint8_t> headers;
  pe::Image image;
  std::vector<pe::ResourceEntry> entries;
  if (pe::ReadImageHeaders(Reader(data, size), headers, image) == nullptr)
    pe::ReadImageResources(Reader(data, size), image, 4096, entries);
  ElevationReason(ReadProgramManifest(Reader(data, size)), "setup.exe");
}

void CheckManifest(const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> dll, raised, utf16 = {0xFF, 0xFE};
  if (pe::BuildResourceDll({{pe::ResourceId::Number(24), pe::ResourceId::Number(1), 1033, 0}}, {bytes}, dll) == nullptr) {
    ProgramManifest program = ReadProgramManifest(Reader(dll.data(), dll.size()));
    if (!program.isProgram || program.is64Bit || !program.found || program.bytes != bytes) __builtin_trap();
  }
  if (WithExecutionLevel(bytes, "requireAdministrator", raised) && RequestedExecutionLevel(raised) != "requireAdministrator")
    __builtin_trap();
  for (uint8_t c : bytes) utf16.insert(utf16.end(), {c, 0});
  if (std::all_of(bytes.begin(), bytes.end(), [](uint8_t c) { return c < 0x80; }) &&
      (bytes.size() < 2 || bytes[0] != 0xFF) && RequestedExecutionLevel(utf16) != RequestedExecutionLevel(bytes))
    __builtin_trap();
}

void CheckImage(const uint8_t* data, size_t size) {
  CheckFile(data, size);
  pe::Image image;
  if (pe::ParseImage(data, size, image) == nullptr) {
    uint32_t rva = 0, raw = 0, offset = 0, available = 0;
    pe::RvaToOffset(image, image.resourceRva, offset, available);
    if (pe::PlaceNewSection(image, size, rva, raw) == nullptr && image.sizeOfHeaders <= size) {
      std::vector<uint8_t> headers(data, data + size);
      const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
      if (pe::AddResourceSection(headers, image, name, rva, raw, 64, 32) == nullptr) {
        pe::Image patched;
        if (pe::ParseImage(headers.data(), headers.size(), patched) != nullptr) __builtin_trap();
        if (patched.sections.size() != image.sections.size() + 1 || patched.resourceRva != rva) __builtin_trap();
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckImage(data, size);
  CheckManifest(std::vector<uint8_t>(data, data + size));
  static const std::vector<uint8_t> valid = ValidHeaders();
  std::vector<uint8_t> image = valid;
  for (size_t i = 0; i < size; i++) {
    if (i < image.size()) image[i] ^= data[i];
    else image.push_back(data[i]);
  }
  CheckImage(image.data(), image.size());

  std::vector<pe::ResourceEntry> entries;
  if (pe::ReadResourceTree(data, size, entries) != nullptr) return 0;
  pe::AddedResource added;
  added.type = pe::ResourceId::Text("INSTALLER");
  added.name = pe::ResourceId::Text("INSTALLER_FUZZ");
  pe::SectionPlan plan;
  if (pe::PlanResourceSection(entries, {added}, {3}, 0x1000, plan) != nullptr) return 0;
  std::vector<pe::ResourceEntry> reread;
  if (pe::ReadResourceTree(plan.directory.data(), plan.directory.size(), reread) != nullptr) __builtin_trap();
  if (reread.size() != plan.entries.size()) __builtin_trap();
  for (size_t i = 0; i < reread.size(); i++)
    if (!pe::SameId(reread[i].type, plan.entries[i].type) || !pe::SameId(reread[i].name, plan.entries[i].name) ||
        reread[i].dataRva != plan.entries[i].dataRva || reread[i].size != plan.entries[i].size)
      __builtin_trap();
  return 0;
}
