// The parts of a Windows program file that packing touches: its headers, its section table and
// its resource directory. Packing appends one section holding a new resource directory (the
// engine's own resources plus the package's) and the package's data, so that payloads of any
// size are streamed from disk instead of being held in memory. Pure byte work, no <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Reads up to `size` bytes of a file at `offset` into `bytes`, fewer only at the file's end;
// false when it cannot.
using ReadFileBytes = std::function<bool(uint64_t offset, uint32_t size, std::vector<uint8_t>& bytes)>;

namespace pe {

// A resource type or name: a number, or text as the loader compares it (UTF-16; the loader
// upper-cases the name it is asked for, so stored names are upper case).
struct ResourceId {
  bool isNumber = false;
  uint16_t number = 0;
  std::u16string text;

  static ResourceId Number(uint16_t n);
  static ResourceId Text(const std::u16string& s);
  static ResourceId Text(const char* ascii);
};
// Numbers equal, or texts equal ignoring the case of ASCII letters.
bool SameId(const ResourceId& a, const ResourceId& b);
// The loader's order within a directory: texts first (by code unit), then numbers ascending.
bool IdLess(const ResourceId& a, const ResourceId& b);

struct ResourceEntry {
  ResourceId type;
  ResourceId name;
  uint16_t language = 0;
  uint32_t dataRva = 0;
  uint32_t size = 0;
  uint32_t codePage = 0;
};

struct Section {
  char name[9] = {};
  uint32_t virtualSize = 0;
  uint32_t virtualAddress = 0;
  uint32_t rawSize = 0;
  uint32_t rawOffset = 0;
  uint32_t characteristics = 0;
};

struct Image {
  bool pe32plus = false;
  uint32_t peOffset = 0;
  uint32_t optionalOffset = 0;
  uint32_t sectionTableOffset = 0;
  uint32_t sectionAlignment = 0;
  uint32_t fileAlignment = 0;
  uint32_t sizeOfHeaders = 0;
  uint32_t sizeOfImage = 0;
  uint32_t checksumOffset = 0;
  uint32_t dataDirectoryOffset = 0;
  uint32_t numberOfDirectories = 0;
  uint32_t resourceRva = 0;
  uint32_t resourceSize = 0;
  uint32_t securityOffset = 0;  // file offset of a signature, 0 when unsigned
  std::vector<Section> sections;
};

// Each function below returns nullptr on success, or a short reason (a static text) on failure.

// Parses the headers from the first `size` bytes of the file (they must hold the section table).
const char* ParseImage(const uint8_t* data, size_t size, Image& image);

// File offset of the byte at `rva`, and how many bytes of its section's file data follow it.
bool RvaToOffset(const Image& image, uint32_t rva, uint32_t& offset, uint32_t& available);

// The headers of a program file, read through `read`: its first 64 KB, or all of a smaller file.
const char* ReadImageHeaders(const ReadFileBytes& read, std::vector<uint8_t>& headers, Image& image);

// The resource tree of that file: its directory from its address, as large as recorded (the
// rest of its section when no size is) and no larger than its section's data or `limit`. No
// entries for an image without resources.
const char* ReadImageResources(const ReadFileBytes& read, const Image& image, uint32_t limit,
                               std::vector<ResourceEntry>& entries);

// Reads a resource tree (type, name, language) from the bytes of a resource directory;
// offsets inside the tree count from `directory`.
const char* ReadResourceTree(const uint8_t* directory, size_t size, std::vector<ResourceEntry>& entries);

// A resource to add; its bytes are blob number `blob` of the plan.
struct AddedResource {
  ResourceId type;
  ResourceId name;
  uint16_t language = 0;
  size_t blob = 0;
};

// The new section: the directory bytes, then every blob at its offset (8-byte aligned).
struct SectionPlan {
  std::vector<uint8_t> directory;
  std::vector<uint32_t> blobOffsets;  // from the section's start
  uint32_t contentSize = 0;           // directory and blobs, before file alignment
  std::vector<ResourceEntry> entries; // the complete tree as written, in directory order
};

// Lays out a directory that keeps every existing resource (its data stays where it is) except
// those of a type and name that an added resource replaces, and adds the new ones. Several added
// resources may share one blob.
const char* PlanResourceSection(const std::vector<ResourceEntry>& existing, const std::vector<AddedResource>& added,
                                const std::vector<uint32_t>& blobSizes, uint32_t sectionRva, SectionPlan& plan);

// A resource-only DLL, as the resource compiler and linker make one: headers and one section
// with these resources, no code, no entry point, no imports. Several resources may share a blob.
const char* BuildResourceDll(const std::vector<AddedResource>& resources, const std::vector<std::vector<uint8_t>>& blobs,
                             std::vector<uint8_t>& dll);

// Where a section appended to a file of `fileSize` bytes goes: its address in memory and in the
// file, both on a page boundary.
const char* PlaceNewSection(const Image& image, uint64_t fileSize, uint32_t& rva, uint32_t& rawOffset);

// Adds the section to the header bytes (at least sizeOfHeaders of them), makes it the resource
// directory, updates the image size and clears the checksum for the caller to fill in. A section
// of the same name (the engine's own ".rsrc") is renamed ".rsrcold"; its data stays in use.
const char* AddResourceSection(std::vector<uint8_t>& headers, const Image& image, const char (&name)[8], uint32_t rva,
                               uint32_t rawOffset, uint32_t contentSize, uint32_t directorySize);

uint32_t AlignUp(uint32_t value, uint32_t alignment);

// The alignment of the added section's file offset and file size: the file alignment, and at
// least a page, so that the loader maps the section instead of reading it.
uint32_t MappedAlignment(const Image& image);

// The PE checksum, fed in pieces in file order (the checksum field itself as zero bytes).
class Checksum {
 public:
  void Add(const uint8_t* data, size_t size);
  uint32_t Finish() const;

 private:
  uint64_t m_sum = 0;
  uint64_t m_length = 0;
  bool m_hasOdd = false;
  uint8_t m_odd = 0;
};

}  // namespace pe
