// Feeds arbitrary bytes to the program-file reader as headers and as a resource directory. Every
// tree it accepts must lay out again, with a package resource added, into a directory that reads
// back with the same resources.
#include <cstdint>
#include <vector>

#include "../../../tools/pack/PeResources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
