#include "PeResources.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace pe {

namespace {

constexpr uint32_t kHighBit = 0x80000000u;
constexpr size_t kDirectoryHeader = 16;
constexpr size_t kDirectoryEntry = 8;
constexpr size_t kDataEntry = 16;
constexpr size_t kSectionHeader = 40;
// Bounds for a hostile tree whose directories point at each other.
constexpr size_t kMaxLeaves = 65536;
constexpr size_t kMaxVisits = 1 << 20;
// A 32-bit program cannot load an image beyond this.
constexpr uint64_t kMaxImageSize = 0x7FFFFFFFu;
// A page of memory: the added section's file data starts and ends on one, so that a loader can map
// it straight from the file (Wine maps a section whose file offset is page-aligned and reads any
// other into memory, payload and all, at every start).
constexpr uint32_t kPageSize = 0x1000;

bool Read16(const uint8_t* data, size_t size, uint64_t offset, uint16_t& value) {
  if (offset > size || size - offset < 2) return false;
  value = static_cast<uint16_t>(data[offset] | (data[offset + 1] << 8));
  return true;
}

bool Read32(const uint8_t* data, size_t size, uint64_t offset, uint32_t& value) {
  if (offset > size || size - offset < 4) return false;
  value = static_cast<uint32_t>(data[offset]) | (static_cast<uint32_t>(data[offset + 1]) << 8) |
          (static_cast<uint32_t>(data[offset + 2]) << 16) | (static_cast<uint32_t>(data[offset + 3]) << 24);
  return true;
}

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; i++) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool IsPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

uint64_t AlignUp64(uint64_t value, uint32_t alignment) {
  return alignment == 0 ? value : (value + alignment - 1) / alignment * alignment;
}

char16_t FoldAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

// Reads the type or name field of a directory entry.
bool ReadId(const uint8_t* dir, size_t size, uint32_t field, ResourceId& id) {
  if ((field & kHighBit) == 0) {
    id = ResourceId::Number(static_cast<uint16_t>(field & 0xFFFF));
    return true;
  }
  uint64_t offset = field & ~kHighBit;
  uint16_t length = 0;
  if (!Read16(dir, size, offset, length)) return false;
  if (size - offset - 2 < static_cast<uint64_t>(length) * 2) return false;
  std::u16string text;
  text.reserve(length);
  for (uint16_t i = 0; i < length; i++) {
    uint16_t unit = 0;
    Read16(dir, size, offset + 2 + 2u * i, unit);
    text.push_back(static_cast<char16_t>(unit));
  }
  id = ResourceId::Text(text);
  return true;
}

struct DirectoryEntryRaw {
  uint32_t name;
  uint32_t target;
};

bool ReadDirectory(const uint8_t* dir, size_t size, uint64_t offset, std::vector<DirectoryEntryRaw>& out) {
  uint16_t named = 0, numbered = 0;
  if (!Read16(dir, size, offset + 12, named) || !Read16(dir, size, offset + 14, numbered)) return false;
  size_t count = static_cast<size_t>(named) + numbered;
  if (size - offset < kDirectoryHeader + count * kDirectoryEntry) return false;
  out.clear();
  for (size_t i = 0; i < count; i++) {
    DirectoryEntryRaw raw{};
    uint64_t at = offset + kDirectoryHeader + i * kDirectoryEntry;
    Read32(dir, size, at, raw.name);
    Read32(dir, size, at + 4, raw.target);
    out.push_back(raw);
  }
  return true;
}

bool EntryLess(const ResourceEntry& a, const ResourceEntry& b) {
  if (!SameId(a.type, b.type)) return IdLess(a.type, b.type);
  if (!SameId(a.name, b.name)) return IdLess(a.name, b.name);
  return a.language < b.language;
}

// Text ids stored once each, in first-use order, with their offsets.
class StringTable {
 public:
  uint32_t Offset(const std::u16string& text) const { return m_offsets.at(text); }
  void Add(const std::u16string& text) {
    if (m_offsets.count(text)) return;
    m_offsets[text] = 0;
    m_order.push_back(text);
  }
  size_t Layout(size_t start) {
    size_t at = start;
    for (const std::u16string& text : m_order) {
      m_offsets[text] = static_cast<uint32_t>(at);
      at += 2 + 2 * text.size();
    }
    return at;
  }
  void Write(std::vector<uint8_t>& out) const {
    for (const std::u16string& text : m_order) {
      uint8_t* p = &out[m_offsets.at(text)];
      Put16(p, static_cast<uint16_t>(text.size()));
      for (size_t i = 0; i < text.size(); i++) Put16(p + 2 + 2 * i, static_cast<uint16_t>(text[i]));
    }
  }

 private:
  std::map<std::u16string, uint32_t> m_offsets;
  std::vector<std::u16string> m_order;
};

// One directory level while laying out: its entries' ids and what each points at.
struct Node {
  size_t first;  // index of its first leaf in the sorted entries
  size_t count;  // leaves below it
};

}  // namespace

ResourceId ResourceId::Number(uint16_t n) {
  ResourceId id;
  id.isNumber = true;
  id.number = n;
  return id;
}

ResourceId ResourceId::Text(const std::u16string& s) {
  ResourceId id;
  id.text = s;
  return id;
}

ResourceId ResourceId::Text(const char* ascii) {
  std::u16string s;
  for (const char* p = ascii; *p != '\0'; p++) s.push_back(static_cast<char16_t>(static_cast<unsigned char>(*p)));
  return Text(s);
}

bool SameId(const ResourceId& a, const ResourceId& b) {
  if (a.isNumber != b.isNumber) return false;
  if (a.isNumber) return a.number == b.number;
  if (a.text.size() != b.text.size()) return false;
  for (size_t i = 0; i < a.text.size(); i++)
    if (FoldAscii(a.text[i]) != FoldAscii(b.text[i])) return false;
  return true;
}

bool IdLess(const ResourceId& a, const ResourceId& b) {
  if (a.isNumber != b.isNumber) return !a.isNumber;
  if (a.isNumber) return a.number < b.number;
  return a.text < b.text;
}

uint32_t AlignUp(uint32_t value, uint32_t alignment) {
  return static_cast<uint32_t>(AlignUp64(value, alignment));
}

uint32_t MappedAlignment(const Image& image) { return std::max(image.fileAlignment, kPageSize); }

const char* ParseImage(const uint8_t* data, size_t size, Image& image) {
  image = Image();
  uint16_t magic = 0;
  if (!Read16(data, size, 0, magic) || magic != 0x5A4D) return "it is not a Windows program (no MZ header)";
  uint32_t pe = 0, signature = 0;
  if (!Read32(data, size, 0x3C, pe) || !Read32(data, size, pe, signature) || signature != 0x00004550)
    return "it is not a Windows program (no PE header)";
  uint16_t sections = 0, optionalSize = 0;
  if (!Read16(data, size, uint64_t(pe) + 6, sections) || !Read16(data, size, uint64_t(pe) + 20, optionalSize))
    return "its PE header is cut short";
  image.peOffset = pe;
  image.optionalOffset = pe + 24;
  uint64_t opt = image.optionalOffset;
  uint16_t optMagic = 0;
  if (!Read16(data, size, opt, optMagic)) return "its optional header is cut short";
  if (optMagic == 0x10B)
    image.pe32plus = false;
  else if (optMagic == 0x20B)
    image.pe32plus = true;
  else
    return "its optional header is of an unknown kind";
  uint32_t directoriesAt = image.pe32plus ? 112 : 96;
  if (optionalSize < directoriesAt || size - opt < optionalSize) return "its optional header is cut short";
  Read32(data, size, opt + 32, image.sectionAlignment);
  Read32(data, size, opt + 36, image.fileAlignment);
  Read32(data, size, opt + 56, image.sizeOfImage);
  Read32(data, size, opt + 60, image.sizeOfHeaders);
  image.checksumOffset = static_cast<uint32_t>(opt + 64);
  uint32_t declared = 0;
  Read32(data, size, opt + directoriesAt - 4, declared);
  image.dataDirectoryOffset = static_cast<uint32_t>(opt + directoriesAt);
  image.numberOfDirectories = std::min<uint32_t>(declared, (optionalSize - directoriesAt) / 8);
  if (!IsPowerOfTwo(image.fileAlignment) || !IsPowerOfTwo(image.sectionAlignment) ||
      image.sectionAlignment < image.fileAlignment)
    return "its section alignment is invalid";
  if (image.numberOfDirectories > 2) {
    Read32(data, size, image.dataDirectoryOffset + 16, image.resourceRva);
    Read32(data, size, image.dataDirectoryOffset + 20, image.resourceSize);
  }
  if (image.numberOfDirectories > 4) {
    uint32_t securitySize = 0;
    Read32(data, size, image.dataDirectoryOffset + 32, image.securityOffset);
    Read32(data, size, image.dataDirectoryOffset + 36, securitySize);
    if (securitySize == 0) image.securityOffset = 0;
  }
  image.sectionTableOffset = static_cast<uint32_t>(opt + optionalSize);
  if (size - image.sectionTableOffset < uint64_t(sections) * kSectionHeader) return "its section table is cut short";
  for (uint16_t i = 0; i < sections; i++) {
    uint64_t at = image.sectionTableOffset + uint64_t(i) * kSectionHeader;
    Section section;
    memcpy(section.name, data + at, 8);
    Read32(data, size, at + 8, section.virtualSize);
    Read32(data, size, at + 12, section.virtualAddress);
    Read32(data, size, at + 16, section.rawSize);
    Read32(data, size, at + 20, section.rawOffset);
    Read32(data, size, at + 36, section.characteristics);
    image.sections.push_back(section);
  }
  return nullptr;
}

bool RvaToOffset(const Image& image, uint32_t rva, uint32_t& offset, uint32_t& available) {
  for (const Section& section : image.sections) {
    uint32_t extent = std::max(section.virtualSize, section.rawSize);
    if (rva < section.virtualAddress || uint64_t(rva) >= uint64_t(section.virtualAddress) + extent) continue;
    uint32_t into = rva - section.virtualAddress;
    if (into >= section.rawSize) return false;  // in memory only, no bytes in the file
    offset = section.rawOffset + into;
    available = section.rawSize - into;
    return true;
  }
  return false;
}

const char* ReadResourceTree(const uint8_t* dir, size_t size, std::vector<ResourceEntry>& entries) {
  entries.clear();
  size_t visits = 0;
  std::vector<DirectoryEntryRaw> types, names, languages;
  if (!ReadDirectory(dir, size, 0, types)) return "its resource directory is cut short";
  for (const DirectoryEntryRaw& typeEntry : types) {
    ResourceEntry entry;
    if (!ReadId(dir, size, typeEntry.name, entry.type)) return "a resource type name lies outside the directory";
    if ((typeEntry.target & kHighBit) == 0) return "a resource type has no directory of names";
    if (!ReadDirectory(dir, size, typeEntry.target & ~kHighBit, names)) return "a directory of names is cut short";
    for (const DirectoryEntryRaw& nameEntry : names) {
      if (!ReadId(dir, size, nameEntry.name, entry.name)) return "a resource name lies outside the directory";
      if ((nameEntry.target & kHighBit) == 0) return "a resource name has no directory of languages";
      if (!ReadDirectory(dir, size, nameEntry.target & ~kHighBit, languages))
        return "a directory of languages is cut short";
      if (++visits > kMaxVisits) return "the resource directory is too large";
      for (const DirectoryEntryRaw& languageEntry : languages) {
        if (languageEntry.name & kHighBit) return "a resource language is not a number";
        if (languageEntry.target & kHighBit) return "a resource language points at a directory, not data";
        entry.language = static_cast<uint16_t>(languageEntry.name & 0xFFFF);
        uint64_t at = languageEntry.target;
        if (!Read32(dir, size, at, entry.dataRva) || !Read32(dir, size, at + 4, entry.size) ||
            !Read32(dir, size, at + 8, entry.codePage) || size - at < kDataEntry)
          return "a resource data entry lies outside the directory";
        if (entries.size() >= kMaxLeaves) return "the resource directory has too many entries";
        entries.push_back(entry);
      }
    }
  }
  return nullptr;
}

const char* PlanResourceSection(const std::vector<ResourceEntry>& existing, const std::vector<AddedResource>& added,
                                const std::vector<uint32_t>& blobSizes, uint32_t sectionRva, SectionPlan& plan) {
  plan = SectionPlan();
  for (size_t i = 0; i < added.size(); i++) {
    if (added[i].blob >= blobSizes.size()) return "an added resource names no data";
    for (size_t j = 0; j < i; j++)
      if (SameId(added[i].type, added[j].type) && SameId(added[i].name, added[j].name) &&
          added[i].language == added[j].language)
        return "two added resources have the same type, name and language";
  }

  // Directory size first, since the blobs follow it.
  std::vector<ResourceEntry> all;
  for (const ResourceEntry& old : existing) {
    bool replaced = false;
    for (const AddedResource& add : added)
      replaced = replaced || (SameId(old.type, add.type) && SameId(old.name, add.name));
    if (!replaced) all.push_back(old);
  }
  for (const AddedResource& add : added) {
    ResourceEntry entry;
    entry.type = add.type;
    entry.name = add.name;
    entry.language = add.language;
    entry.size = blobSizes[add.blob];
    all.push_back(entry);
  }
  std::stable_sort(all.begin(), all.end(), EntryLess);
  if (all.size() > kMaxLeaves) return "the resource directory would have too many entries";

  // Group into types, names within types, languages within names.
  std::vector<Node> typeNodes, nameNodes;
  std::vector<size_t> namesPerType;
  for (size_t i = 0; i < all.size(); i++) {
    bool newType = i == 0 || !SameId(all[i].type, all[i - 1].type);
    bool newName = newType || !SameId(all[i].name, all[i - 1].name);
    if (newType) {
      typeNodes.push_back({i, 0});
      namesPerType.push_back(0);
    }
    if (newName) {
      nameNodes.push_back({i, 0});
      namesPerType.back()++;
    }
    typeNodes.back().count++;
    nameNodes.back().count++;
  }

  StringTable strings;
  for (const Node& node : typeNodes)
    if (!all[node.first].type.isNumber) strings.Add(all[node.first].type.text);
  for (const Node& node : nameNodes)
    if (!all[node.first].name.isNumber) strings.Add(all[node.first].name.text);

  size_t rootSize = kDirectoryHeader + typeNodes.size() * kDirectoryEntry;
  size_t typesSize = typeNodes.size() * kDirectoryHeader + nameNodes.size() * kDirectoryEntry;
  size_t namesSize = nameNodes.size() * kDirectoryHeader + all.size() * kDirectoryEntry;
  size_t stringsEnd = strings.Layout(rootSize + typesSize + namesSize);
  size_t dataEntries = (stringsEnd + 3) & ~size_t(3);
  size_t directorySize = dataEntries + all.size() * kDataEntry;

  // Blobs follow the directory, each on an 8-byte boundary.
  uint64_t at = AlignUp64(directorySize, 8);
  for (uint32_t blobSize : blobSizes) {
    plan.blobOffsets.push_back(static_cast<uint32_t>(std::min<uint64_t>(at, 0xFFFFFFFFu)));
    at = AlignUp64(at + blobSize, 8);
  }
  if (uint64_t(sectionRva) + at > 0xFFFFFFFFu) return "the package would be too large for a 32-bit program";
  plan.contentSize = static_cast<uint32_t>(at);

  // New entries' data addresses, now that the blobs have places.
  for (ResourceEntry& entry : all) {
    for (const AddedResource& add : added) {
      if (SameId(entry.type, add.type) && SameId(entry.name, add.name) && entry.language == add.language) {
        entry.dataRva = sectionRva + plan.blobOffsets[add.blob];
        entry.codePage = 0;
      }
    }
  }

  std::vector<uint8_t>& out = plan.directory;
  out.assign(directorySize, 0);
  auto writeHeader = [&](size_t offset, const std::vector<ResourceId>& ids) {
    uint16_t named = 0, numbered = 0;
    for (const ResourceId& id : ids) (id.isNumber ? numbered : named)++;
    Put16(&out[offset + 12], named);
    Put16(&out[offset + 14], numbered);
  };
  auto idField = [&](const ResourceId& id) -> uint32_t {
    return id.isNumber ? id.number : (kHighBit | strings.Offset(id.text));
  };

  // Root: one entry per type, pointing at that type's directory of names.
  std::vector<ResourceId> ids;
  for (const Node& node : typeNodes) ids.push_back(all[node.first].type);
  writeHeader(0, ids);
  size_t typeDirectory = rootSize;
  size_t nameDirectory = rootSize + typesSize;
  size_t nameIndex = 0;
  for (size_t t = 0; t < typeNodes.size(); t++) {
    uint8_t* entry = &out[kDirectoryHeader + t * kDirectoryEntry];
    Put32(entry, idField(all[typeNodes[t].first].type));
    Put32(entry + 4, kHighBit | static_cast<uint32_t>(typeDirectory));
    ids.clear();
    for (size_t n = 0; n < namesPerType[t]; n++) ids.push_back(all[nameNodes[nameIndex + n].first].name);
    writeHeader(typeDirectory, ids);
    for (size_t n = 0; n < namesPerType[t]; n++, nameIndex++) {
      const Node& name = nameNodes[nameIndex];
      uint8_t* nameEntry = &out[typeDirectory + kDirectoryHeader + n * kDirectoryEntry];
      Put32(nameEntry, idField(all[name.first].name));
      Put32(nameEntry + 4, kHighBit | static_cast<uint32_t>(nameDirectory));
      Put16(&out[nameDirectory + 14], static_cast<uint16_t>(name.count));
      for (size_t l = 0; l < name.count; l++) {
        size_t leaf = name.first + l;
        uint8_t* languageEntry = &out[nameDirectory + kDirectoryHeader + l * kDirectoryEntry];
        size_t dataEntry = dataEntries + leaf * kDataEntry;
        Put32(languageEntry, all[leaf].language);
        Put32(languageEntry + 4, static_cast<uint32_t>(dataEntry));
        Put32(&out[dataEntry], all[leaf].dataRva);
        Put32(&out[dataEntry + 4], all[leaf].size);
        Put32(&out[dataEntry + 8], all[leaf].codePage);
      }
      nameDirectory += kDirectoryHeader + name.count * kDirectoryEntry;
    }
    typeDirectory += kDirectoryHeader + namesPerType[t] * kDirectoryEntry;
  }
  strings.Write(out);
  plan.entries = all;
  return nullptr;
}

const char* BuildResourceDll(const std::vector<AddedResource>& resources, const std::vector<std::vector<uint8_t>>& blobs,
                             std::vector<uint8_t>& dll) {
  constexpr uint32_t kFileAlignment = 0x200;
  constexpr uint32_t kHeadersSize = 0x200;
  constexpr uint32_t kSectionRva = kPageSize;
  constexpr uint32_t kPeOffset = 0x40;
  constexpr uint32_t kOptionalOffset = kPeOffset + 24;
  constexpr uint16_t kOptionalSize = 224;
  dll.clear();
  std::vector<uint32_t> sizes;
  for (const std::vector<uint8_t>& blob : blobs) {
    if (blob.size() > 0x7FFFFFFFu) return "a resource is too large";
    sizes.push_back(static_cast<uint32_t>(blob.size()));
  }
  SectionPlan plan;
  if (const char* problem = PlanResourceSection({}, resources, sizes, kSectionRva, plan)) return problem;
  const uint32_t rawSize = AlignUp(plan.contentSize, kFileAlignment);
  const uint64_t imageSize = AlignUp64(uint64_t(kSectionRva) + plan.contentSize, kPageSize);
  if (imageSize > 0x7FFFFFFFu) return "the DLL would be too large";

  dll.assign(kHeadersSize + rawSize, 0);
  uint8_t* h = dll.data();
  Put16(h, 0x5A4D);  // MZ
  Put32(h + 0x3C, kPeOffset);
  Put32(h + kPeOffset, 0x00004550);  // PE
  Put16(h + kPeOffset + 4, 0x14C);   // i386
  Put16(h + kPeOffset + 6, 1);       // one section
  Put16(h + kPeOffset + 20, kOptionalSize);
  Put16(h + kPeOffset + 22, 0x230E);  // an executable DLL of 32-bit words, stripped
  uint8_t* o = h + kOptionalOffset;
  Put16(o, 0x10B);  // PE32
  Put32(o + 8, rawSize);  // initialised data
  Put32(o + 28, 0x10000000);  // preferred base
  Put32(o + 32, kPageSize);
  Put32(o + 36, kFileAlignment);
  Put16(o + 40, 4);  // Windows version
  Put16(o + 48, 4);  // subsystem version
  Put32(o + 56, static_cast<uint32_t>(imageSize));
  Put32(o + 60, kHeadersSize);
  Put16(o + 68, 2);       // GUI
  Put16(o + 70, 0x140);   // relocatable without fix-ups, no execution of data
  Put32(o + 72, 0x200000);
  Put32(o + 76, 0x1000);
  Put32(o + 80, 0x100000);
  Put32(o + 84, 0x1000);
  Put32(o + 92, 16);  // data directories
  Put32(o + 96 + 16, kSectionRva);
  Put32(o + 96 + 20, static_cast<uint32_t>(plan.directory.size()));
  uint8_t* section = o + kOptionalSize;
  memcpy(section, ".rsrc", 5);
  Put32(section + 8, plan.contentSize);
  Put32(section + 12, kSectionRva);
  Put32(section + 16, rawSize);
  Put32(section + 20, kHeadersSize);
  Put32(section + 36, 0x40000040u);  // initialised data, readable

  std::copy(plan.directory.begin(), plan.directory.end(), dll.begin() + kHeadersSize);
  for (size_t i = 0; i < blobs.size(); i++)
    std::copy(blobs[i].begin(), blobs[i].end(), dll.begin() + kHeadersSize + plan.blobOffsets[i]);
  Checksum checksum;
  checksum.Add(dll.data(), dll.size());
  Put32(o + 64, checksum.Finish());
  return nullptr;
}

const char* PlaceNewSection(const Image& image, uint64_t fileSize, uint32_t& rva, uint32_t& rawOffset) {
  if (image.securityOffset != 0)
    return "it carries a digital signature, which packing would break; pack an unsigned engine and sign the package";
  if (image.numberOfDirectories <= 2) return "it has no slot for a resource directory";
  uint64_t end = image.sizeOfImage;
  for (const Section& section : image.sections)
    end = std::max<uint64_t>(end, uint64_t(section.virtualAddress) + std::max(section.virtualSize, section.rawSize));
  uint64_t address = AlignUp64(end, image.sectionAlignment);
  uint64_t offset = AlignUp64(fileSize, MappedAlignment(image));
  if (address > kMaxImageSize || offset > 0xFFFFFFFFu) return "it is too large to take more resources";
  rva = static_cast<uint32_t>(address);
  rawOffset = static_cast<uint32_t>(offset);
  return nullptr;
}

const char* AddResourceSection(std::vector<uint8_t>& headers, const Image& image, const char (&name)[8], uint32_t rva,
                               uint32_t rawOffset, uint32_t contentSize, uint32_t directorySize) {
  if (contentSize == 0 || directorySize > contentSize) return "the new section is empty";
  if (headers.size() < uint64_t(image.dataDirectoryOffset) + 24 || headers.size() < uint64_t(image.checksumOffset) + 4)
    return "its headers are cut short";
  uint64_t slot = image.sectionTableOffset + uint64_t(image.sections.size()) * kSectionHeader;
  uint64_t firstData = image.sizeOfHeaders;
  for (const Section& section : image.sections)
    if (section.rawSize != 0) firstData = std::min<uint64_t>(firstData, section.rawOffset);
  if (slot + kSectionHeader > firstData || slot + kSectionHeader > headers.size() || image.sections.size() >= 0xFFFF)
    return "its headers have no room for another section";
  for (size_t i = 0; i < kSectionHeader; i++)
    if (headers[slot + i] != 0) return "its headers have no room for another section";
  uint64_t rawSize = AlignUp64(contentSize, MappedAlignment(image));
  uint64_t imageSize = AlignUp64(uint64_t(rva) + contentSize, image.sectionAlignment);
  if (imageSize > kMaxImageSize || uint64_t(rawOffset) + rawSize > 0xFFFFFFFFu)
    return "the package would be too large for a 32-bit program";

  // Tools that look for the resource directory by section name should find the new one.
  for (size_t i = 0; i < image.sections.size(); i++) {
    uint8_t* other = &headers[image.sectionTableOffset + i * kSectionHeader];
    if (memcmp(other, name, 8) == 0) memcpy(other, ".rsrcold", 8);
  }
  uint8_t* header = &headers[slot];
  memcpy(header, name, 8);
  Put32(header + 8, contentSize);
  Put32(header + 12, rva);
  Put32(header + 16, static_cast<uint32_t>(rawSize));
  Put32(header + 20, rawOffset);
  Put32(header + 36, 0x40000040u);  // initialised data, readable

  Put16(&headers[image.peOffset + 6], static_cast<uint16_t>(image.sections.size() + 1));
  uint32_t initialised = 0;
  Read32(headers.data(), headers.size(), image.optionalOffset + 8, initialised);
  Put32(&headers[image.optionalOffset + 8], initialised + static_cast<uint32_t>(rawSize));
  Put32(&headers[image.optionalOffset + 56], static_cast<uint32_t>(imageSize));
  Put32(&headers[image.checksumOffset], 0);
  Put32(&headers[image.dataDirectoryOffset + 16], rva);
  Put32(&headers[image.dataDirectoryOffset + 20], directorySize);
  return nullptr;
}

void Checksum::Add(const uint8_t* data, size_t size) {
  m_length += size;
  size_t i = 0;
  if (m_hasOdd && size > 0) {
    m_sum += static_cast<uint64_t>(m_odd) | (static_cast<uint64_t>(data[0]) << 8);
    m_hasOdd = false;
    i = 1;
  }
  for (; i + 1 < size; i += 2) m_sum += static_cast<uint64_t>(data[i]) | (static_cast<uint64_t>(data[i + 1]) << 8);
  if (i < size) {
    m_odd = data[i];
    m_hasOdd = true;
  }
}

uint32_t Checksum::Finish() const {
  uint64_t sum = m_sum + (m_hasOdd ? m_odd : 0);
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + m_length);
}

const char* ReadImageHeaders(const ReadFileBytes& read, std::vector<uint8_t>& headers, Image& image) {
  constexpr uint32_t kHeaderBytes = 64 * 1024;
  if (!read(0, kHeaderBytes, headers)) return "its headers cannot be read";
  return ParseImage(headers.data(), headers.size(), image);
}

const char* ReadImageResources(const ReadFileBytes& read, const Image& image, uint32_t limit,
                               std::vector<ResourceEntry>& entries) {
  entries.clear();
  if (image.resourceRva == 0) return nullptr;
  uint32_t offset = 0, available = 0;
  if (!RvaToOffset(image, image.resourceRva, offset, available)) return "its resource directory lies outside its sections";
  const uint32_t size = image.resourceSize != 0 ? std::min(image.resourceSize, available) : available;
  std::vector<uint8_t> directory;
  if (size == 0 || size > limit || !read(offset, size, directory) || directory.size() != size)
    return "its resource directory cannot be read";
  return ReadResourceTree(directory.data(), directory.size(), entries);
}

}  // namespace pe
