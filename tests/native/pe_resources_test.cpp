#include <doctest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../../tools/pack/PeResources.h"

namespace {

using pe::ResourceEntry;
using pe::ResourceId;

// Little-endian byte building for hand-made images and trees.
struct Bytes {
  std::vector<uint8_t> data;
  explicit Bytes(size_t size = 0) : data(size, 0) {}
  void Put16(size_t at, uint32_t v) {
    Grow(at + 2);
    data[at] = uint8_t(v);
    data[at + 1] = uint8_t(v >> 8);
  }
  void Put32(size_t at, uint32_t v) {
    Grow(at + 4);
    for (int i = 0; i < 4; i++) data[at + i] = uint8_t(v >> (8 * i));
  }
  uint32_t Get32(size_t at) const {
    return uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16 | uint32_t(data[at + 3]) << 24;
  }
  uint16_t Get16(size_t at) const { return uint16_t(data[at] | data[at + 1] << 8); }
  void Grow(size_t size) {
    if (data.size() < size) data.resize(size, 0);
  }
};

constexpr uint32_t kPe = 0x40;
constexpr uint32_t kOpt = kPe + 24;
constexpr uint32_t kDirs = kOpt + 96;
constexpr uint32_t kSectionTable = kOpt + 224;

// A PE32 image: .text at 0x1000 (file 0x400), .rsrc at 0x2000 (file 0x600, 0x400 bytes).
Bytes MakeImage(uint16_t sections = 2) {
  Bytes b(0xA00);
  b.Put16(0, 0x5A4D);
  b.Put32(0x3C, kPe);
  b.Put32(kPe, 0x00004550);
  b.Put16(kPe + 4, 0x14C);
  b.Put16(kPe + 6, sections);
  b.Put16(kPe + 20, 224);
  b.Put16(kOpt, 0x10B);
  b.Put32(kOpt + 8, 0x400);     // initialised data
  b.Put32(kOpt + 32, 0x1000);   // section alignment
  b.Put32(kOpt + 36, 0x200);    // file alignment
  b.Put32(kOpt + 56, 0x3000);   // image size
  b.Put32(kOpt + 60, 0x400);    // header size
  b.Put32(kOpt + 64, 0x1234);   // checksum
  b.Put32(kOpt + 92, 16);       // data directories
  b.Put32(kDirs + 16, 0x2000);  // resources
  b.Put32(kDirs + 20, 0x400);
  const char* names[] = {".text", ".rsrc"};
  for (uint16_t i = 0; i < sections && i < 2; i++) {
    size_t at = kSectionTable + i * 40u;
    memcpy(&b.data[at], names[i], strlen(names[i]));
    b.Put32(at + 8, 0x200);
    b.Put32(at + 12, 0x1000u * (i + 1));
    b.Put32(at + 16, i == 0 ? 0x200 : 0x400);
    b.Put32(at + 20, i == 0 ? 0x400 : 0x600);
  }
  return b;
}

// A tree as a resource compiler lays it out: type "WAVE" / name "IDR_X" / 0x409 and
// type 3 / names 2 and 1 / 0x409, data at RVAs 0x2100 and 0x2200.
Bytes MakeTree() {
  Bytes t(0x100);
  // root: 1 named, 1 id
  t.Put16(12, 1);
  t.Put16(14, 1);
  t.Put32(16, 0x80000000u | 0xC0);  // "WAVE"
  t.Put32(20, 0x80000000u | 0x20);
  t.Put32(24, 3);
  t.Put32(28, 0x80000000u | 0x38);
  // WAVE names: 1 named
  t.Put16(0x20 + 12, 1);
  t.Put32(0x20 + 16, 0x80000000u | 0xCA);  // "IDR_X"
  t.Put32(0x20 + 20, 0x80000000u | 0x58);
  // type 3 names: ids 1 and 2
  t.Put16(0x38 + 14, 2);
  t.Put32(0x38 + 16, 1);
  t.Put32(0x38 + 20, 0x80000000u | 0x70);
  t.Put32(0x38 + 24, 2);
  t.Put32(0x38 + 28, 0x80000000u | 0x88);
  // language directories
  const uint32_t languages[] = {0x58, 0x70, 0x88};
  const uint32_t leaves[] = {0xA0, 0xB0, 0xB0};
  for (int i = 0; i < 3; i++) {
    t.Put16(languages[i] + 14, 1);
    t.Put32(languages[i] + 16, 0x409);
    t.Put32(languages[i] + 20, leaves[i]);
  }
  t.Put32(0xA0, 0x2100);
  t.Put32(0xA4, 0x40);
  t.Put32(0xB0, 0x2200);
  t.Put32(0xB4, 0x10);
  t.Put32(0xB8, 1252);
  const char* strings[] = {"WAVE", "IDR_X"};
  size_t at = 0xC0;
  for (const char* s : strings) {
    t.Put16(at, uint32_t(strlen(s)));
    for (size_t i = 0; s[i] != '\0'; i++) t.Put16(at + 2 + 2 * i, uint8_t(s[i]));
    at += 2 + 2 * strlen(s);
  }
  return t;
}

std::string Show(const ResourceId& id) {
  if (id.isNumber) return "#" + std::to_string(id.number);
  std::string s;
  for (char16_t c : id.text) s += char(c);
  return s;
}

std::string Show(const ResourceEntry& e) {
  return Show(e.type) + "/" + Show(e.name) + "/" + std::to_string(e.language) + "@" + std::to_string(e.dataRva) + ":" +
         std::to_string(e.size);
}

std::vector<std::string> Shown(const std::vector<ResourceEntry>& entries) {
  std::vector<std::string> out;
  for (const ResourceEntry& e : entries) out.push_back(Show(e));
  return out;
}

// The loader's search in one directory level: names by binary search with an ordinal compare
// of the (upper-case) name asked for, numbers by binary search.
bool LoaderFinds(const std::vector<uint8_t>& dir, uint32_t offset, const ResourceId& id, uint32_t& target) {
  auto get16 = [&](size_t at) { return uint16_t(dir[at] | dir[at + 1] << 8); };
  auto get32 = [&](size_t at) {
    return uint32_t(dir[at]) | uint32_t(dir[at + 1]) << 8 | uint32_t(dir[at + 2]) << 16 | uint32_t(dir[at + 3]) << 24;
  };
  int named = get16(offset + 12), numbered = get16(offset + 14);
  int min = id.isNumber ? named : 0, max = id.isNumber ? named + numbered - 1 : named - 1;
  while (min <= max) {
    int pos = (min + max) / 2;
    uint32_t field = get32(offset + 16 + 8u * pos);
    int compare;
    if (id.isNumber) {
      compare = int(id.number) - int(field & 0xFFFF);
    } else {
      uint32_t at = field & 0x7FFFFFFF;
      std::u16string stored;
      for (uint16_t i = 0, n = get16(at); i < n; i++) stored.push_back(char16_t(get16(at + 2 + 2u * i)));
      compare = id.text.compare(0, stored.size(), stored);
      if (compare == 0 && id.text.size() != stored.size()) compare = 1;
    }
    if (compare == 0) {
      target = get32(offset + 16 + 8u * pos + 4);
      return true;
    }
    if (compare < 0) max = pos - 1;
    else min = pos + 1;
  }
  return false;
}

pe::AddedResource Added(const char* type, const char* name, size_t blob, uint16_t language = 0) {
  pe::AddedResource a;
  a.type = ResourceId::Text(type);
  a.name = ResourceId::Text(name);
  a.blob = blob;
  a.language = language;
  return a;
}

}  // namespace

TEST_CASE("ParseImage reads the headers and refuses what is not a usable program") {
  pe::Image image;
  Bytes good = MakeImage();
  REQUIRE(pe::ParseImage(good.data.data(), good.data.size(), image) == nullptr);
  CHECK_FALSE(image.pe32plus);
  CHECK(image.sectionAlignment == 0x1000);
  CHECK(image.fileAlignment == 0x200);
  CHECK(image.sizeOfHeaders == 0x400);
  CHECK(image.sizeOfImage == 0x3000);
  CHECK(image.checksumOffset == kOpt + 64);
  CHECK(image.resourceRva == 0x2000);
  CHECK(image.resourceSize == 0x400);
  CHECK(image.securityOffset == 0);
  REQUIRE(image.sections.size() == 2);
  CHECK(std::string(image.sections[1].name) == ".rsrc");
  CHECK(image.sections[1].rawOffset == 0x600);

  struct Case {
    int line;
    size_t at;
    uint32_t value;
    int width;
    size_t cut;  // 0: keep the whole image
  };
  const Case cases[] = {
      {__LINE__, 0, 0x5A4E, 16, 0},           // no MZ
      {__LINE__, 0x3C, 0x7FFFFFF0, 32, 0},    // PE header far outside
      {__LINE__, 0x3C, 0xFFFFFFFE, 32, 0},    // PE offset that wraps
      {__LINE__, kPe, 0x00004551, 32, 0},     // no PE signature
      {__LINE__, kOpt, 0x107, 16, 0},         // ROM image
      {__LINE__, kPe + 20, 90, 16, 0},        // optional header too small for its directories
      {__LINE__, kOpt + 36, 0x300, 32, 0},    // file alignment not a power of two
      {__LINE__, kOpt + 32, 0x100, 32, 0},    // section alignment below file alignment
      {__LINE__, kPe + 6, 0xFFFF, 16, 0},     // section table beyond the bytes given
      {__LINE__, 0, 0x5A4D, 16, 0x30},        // cut before e_lfanew
      {__LINE__, 0, 0x5A4D, 16, kOpt + 100},  // cut inside the optional header
      {__LINE__, 0, 0x5A4D, 16, kSectionTable + 50},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    Bytes b = MakeImage();
    if (c.width == 16) b.Put16(c.at, c.value);
    else b.Put32(c.at, c.value);
    size_t size = c.cut != 0 ? c.cut : b.data.size();
    CHECK(pe::ParseImage(b.data.data(), size, image) != nullptr);
  }
}

TEST_CASE("ParseImage reads a PE32+ image and a signature") {
  Bytes b = MakeImage();
  std::vector<uint8_t> table(b.data.begin() + kSectionTable, b.data.begin() + kSectionTable + 80);
  b.Put16(kOpt, 0x20B);
  b.Put16(kPe + 20, 240);
  b.Put32(kOpt + 108, 16);
  // Move the directories 16 bytes on, as PE32+ has them.
  for (int i = 15; i >= 0; i--) {
    b.Put32(kOpt + 112 + 8u * i, b.Get32(kDirs + 8u * i));
    b.Put32(kOpt + 116 + 8u * i, b.Get32(kDirs + 4 + 8u * i));
  }
  b.Put32(kOpt + 112 + 32, 0x900);  // security: file offset and size
  b.Put32(kOpt + 112 + 36, 0x40);
  // The section table follows the larger optional header.
  std::fill(b.data.begin() + kSectionTable, b.data.begin() + kSectionTable + 80, 0);
  std::copy(table.begin(), table.end(), b.data.begin() + kSectionTable + 16);
  pe::Image image;
  REQUIRE(pe::ParseImage(b.data.data(), b.data.size(), image) == nullptr);
  CHECK(image.pe32plus);
  CHECK(image.resourceRva == 0x2000);
  CHECK(image.securityOffset == 0x900);
  REQUIRE(image.sections.size() == 2);
  CHECK(image.sections[1].virtualAddress == 0x2000);
  uint32_t rva = 0, raw = 0;
  CHECK(pe::PlaceNewSection(image, b.data.size(), rva, raw) != nullptr);  // signed: packing would break it
}

TEST_CASE("RvaToOffset finds file bytes only where the section has them") {
  Bytes b = MakeImage();
  b.Put32(kSectionTable + 8, 0x800);  // .text is larger in memory than in the file
  pe::Image image;
  REQUIRE(pe::ParseImage(b.data.data(), b.data.size(), image) == nullptr);
  struct Case {
    int line;
    uint32_t rva;
    bool found;
    uint32_t offset, available;
  };
  const Case cases[] = {
      {__LINE__, 0x1000, true, 0x400, 0x200}, {__LINE__, 0x11FF, true, 0x5FF, 1},
      {__LINE__, 0x1200, false, 0, 0},        {__LINE__, 0x2010, true, 0x610, 0x3F0},
      {__LINE__, 0x0FFF, false, 0, 0},        {__LINE__, 0x9000, false, 0, 0},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    uint32_t offset = 0, available = 0;
    REQUIRE(pe::RvaToOffset(image, c.rva, offset, available) == c.found);
    if (!c.found) continue;
    CHECK(offset == c.offset);
    CHECK(available == c.available);
  }
}

TEST_CASE("ReadResourceTree reads a compiler's tree") {
  Bytes t = MakeTree();
  std::vector<ResourceEntry> entries;
  REQUIRE(pe::ReadResourceTree(t.data.data(), t.data.size(), entries) == nullptr);
  CHECK(Shown(entries) == std::vector<std::string>{"WAVE/IDR_X/1033@8448:64", "#3/#1/1033@8704:16", "#3/#2/1033@8704:16"});
  CHECK(entries[1].codePage == 1252);
}

TEST_CASE("ReadResourceTree refuses a tree that points outside itself") {
  struct Case {
    int line;
    size_t at;
    uint32_t value;
    size_t cut;
  };
  const Case cases[] = {
      {__LINE__, 16, 0x80000000u | 0xFF, 0},   // type name starts at the last byte
      {__LINE__, 0xC0, 500, 0},                // type name longer than the directory
      {__LINE__, 20, 0x58, 0},                 // a type pointing at data, not a directory
      {__LINE__, 0x20 + 20, 0xA0, 0},          // a name pointing at data
      {__LINE__, 0x58 + 20, 0x80000000u | 0x58, 0},  // a language pointing at a directory
      {__LINE__, 0x58 + 16, 0x80000000u | 0xC0, 0},  // a language given by name
      {__LINE__, 0x58 + 20, 0xFC, 0},          // data entry cut by the end
      {__LINE__, 28, 0x80000000u | 0x7FFFFFF0, 0},   // subdirectory far away
      {__LINE__, 14, 0xFFFF, 0},               // more entries than bytes
      {__LINE__, 0, 0, 10},                    // cut inside the root
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    Bytes t = MakeTree();
    if (c.at == 14) t.Put16(c.at, c.value);
    else t.Put32(c.at, c.value);
    std::vector<ResourceEntry> entries;
    CHECK(pe::ReadResourceTree(t.data.data(), c.cut != 0 ? c.cut : t.data.size(), entries) != nullptr);
  }
}

TEST_CASE("ReadResourceTree stops on a directory that refers to itself") {
  Bytes t(0x40);
  t.Put16(14, 1);
  t.Put32(16, 1);
  t.Put32(20, 0x80000000u);  // type 1's names are the root again
  std::vector<ResourceEntry> entries;
  CHECK(pe::ReadResourceTree(t.data.data(), t.data.size(), entries) != nullptr);
}

TEST_CASE("PlanResourceSection keeps the engine's resources and adds the package's") {
  Bytes tree = MakeTree();
  std::vector<ResourceEntry> existing;
  REQUIRE(pe::ReadResourceTree(tree.data.data(), tree.data.size(), existing) == nullptr);
  const uint32_t sectionRva = 0x5000;
  std::vector<pe::AddedResource> added = {Added("INSTALLER", "INSTALLER_B", 0), Added("INSTALLER", "INSTALLER_A", 1),
                                          Added("INSTALLER", "INSTALLER_AB", 0), Added("TEXT", "SETTINGS_INI", 2)};
  std::vector<uint32_t> blobs = {1001, 7, 300};
  pe::SectionPlan plan;
  REQUIRE(pe::PlanResourceSection(existing, added, blobs, sectionRva, plan) == nullptr);

  // Blobs follow the directory on 8-byte boundaries, without overlapping.
  REQUIRE(plan.blobOffsets.size() == 3);
  CHECK(plan.blobOffsets[0] >= plan.directory.size());
  for (size_t i = 0; i < 3; i++) {
    CAPTURE(i);
    CHECK(plan.blobOffsets[i] % 8 == 0);
    if (i > 0) CHECK(plan.blobOffsets[i] >= plan.blobOffsets[i - 1] + blobs[i - 1]);
  }
  CHECK(plan.contentSize >= plan.blobOffsets[2] + 300);
  CHECK(plan.contentSize % 8 == 0);

  std::vector<ResourceEntry> reread;
  REQUIRE(pe::ReadResourceTree(plan.directory.data(), plan.directory.size(), reread) == nullptr);
  auto at = [&](size_t blob) { return std::to_string(sectionRva + plan.blobOffsets[blob]); };
  CHECK(Shown(reread) == std::vector<std::string>{
                             "INSTALLER/INSTALLER_A/0@" + at(1) + ":7",
                             "INSTALLER/INSTALLER_AB/0@" + at(0) + ":1001",
                             "INSTALLER/INSTALLER_B/0@" + at(0) + ":1001",
                             "TEXT/SETTINGS_INI/0@" + at(2) + ":300",
                             "WAVE/IDR_X/1033@8448:64",
                             "#3/#1/1033@8704:16",
                             "#3/#2/1033@8704:16",
                         });
  CHECK(Shown(plan.entries) == Shown(reread));
  CHECK(reread[5].codePage == 1252);
}

TEST_CASE("the loader's binary search finds every resource of a planned directory") {
  // Names that sort differently by length, by case-sensitive order and by position.
  const char* names[] = {"INSTALLER_Z", "INSTALLER_A", "INSTALLER_AA", "INSTALLER_", "INSTALLER_A_B", "INSTALLER_0",
                         "INSTALLER_~", "INSTALLER_AAA", "INSTALLER_B"};
  std::vector<pe::AddedResource> added;
  std::vector<uint32_t> blobs;
  for (const char* name : names) {
    added.push_back(Added("INSTALLER", name, blobs.size()));
    blobs.push_back(uint32_t(10 + blobs.size()));
  }
  added.push_back(Added("TEXT", "SETTINGS_INI", 0));
  pe::AddedResource numbered;
  numbered.type = ResourceId::Number(10);
  numbered.name = ResourceId::Number(7);
  numbered.blob = 1;
  added.push_back(numbered);
  numbered.name = ResourceId::Number(3);
  added.push_back(numbered);

  pe::SectionPlan plan;
  REQUIRE(pe::PlanResourceSection({}, added, blobs, 0x10000, plan) == nullptr);
  for (const pe::AddedResource& a : added) {
    CAPTURE(Show(a.name));
    uint32_t names = 0, languages = 0, leaf = 0;
    REQUIRE(LoaderFinds(plan.directory, 0, a.type, names));
    REQUIRE(LoaderFinds(plan.directory, names & 0x7FFFFFFF, a.name, languages));
    REQUIRE(LoaderFinds(plan.directory, languages & 0x7FFFFFFF, ResourceId::Number(0), leaf));
    Bytes d;
    d.data = plan.directory;
    CHECK(d.Get32(leaf) == 0x10000 + plan.blobOffsets[a.blob]);
    CHECK(d.Get32(leaf + 4) == blobs[a.blob]);
  }
  uint32_t ignored = 0;
  CHECK_FALSE(LoaderFinds(plan.directory, 0, ResourceId::Text("INSTALLE"), ignored));
}

TEST_CASE("an added resource replaces the engine's resource of the same type and name in every language") {
  Bytes tree = MakeTree();
  std::vector<ResourceEntry> existing;
  REQUIRE(pe::ReadResourceTree(tree.data.data(), tree.data.size(), existing) == nullptr);
  ResourceEntry german = existing[0];
  german.language = 0x407;
  existing.push_back(german);
  pe::SectionPlan plan;
  REQUIRE(pe::PlanResourceSection(existing, {Added("wave", "idr_x", 0)}, {5}, 0x8000, plan) == nullptr);
  std::vector<ResourceEntry> reread;
  REQUIRE(pe::ReadResourceTree(plan.directory.data(), plan.directory.size(), reread) == nullptr);
  CHECK(Shown(reread) == std::vector<std::string>{"wave/idr_x/0@" + std::to_string(0x8000 + plan.blobOffsets[0]) + ":5",
                                                  "#3/#1/1033@8704:16", "#3/#2/1033@8704:16"});
}

TEST_CASE("PlanResourceSection refuses what cannot be laid out") {
  struct Case {
    int line;
    std::vector<pe::AddedResource> added;
    std::vector<uint32_t> blobs;
    uint32_t rva;
  };
  const Case cases[] = {
      {__LINE__, {Added("INSTALLER", "INSTALLER_A", 1)}, {5}, 0x1000},
      {__LINE__, {Added("INSTALLER", "INSTALLER_A", 0), Added("installer", "installer_a", 0)}, {5}, 0x1000},
      // Offsets in the section would no longer fit in 32 bits.
      {__LINE__, {Added("INSTALLER", "INSTALLER_A", 0), Added("INSTALLER", "INSTALLER_B", 1)}, {0xF0000000, 0x10000000}, 0x1000},
      {__LINE__, {Added("INSTALLER", "INSTALLER_A", 0)}, {0xFFFF0000}, 0x10000},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    pe::SectionPlan plan;
    CHECK(pe::PlanResourceSection({}, c.added, c.blobs, c.rva, plan) != nullptr);
  }
  // Two languages of one name are two resources, not a clash.
  pe::SectionPlan plan;
  CHECK(pe::PlanResourceSection({}, {Added("T", "N", 0, 0), Added("T", "N", 0, 0x409)}, {5}, 0x1000, plan) == nullptr);
}

TEST_CASE("AddResourceSection appends the section and makes it the resource directory") {
  Bytes b = MakeImage();
  pe::Image image;
  REQUIRE(pe::ParseImage(b.data.data(), b.data.size(), image) == nullptr);
  uint32_t rva = 0, raw = 0;
  REQUIRE(pe::PlaceNewSection(image, 0x9FF, rva, raw) == nullptr);
  CHECK(rva == 0x3000);
  CHECK(raw == 0x1000);  // on a page, so that the loader can map the section from the file
  const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
  std::vector<uint8_t> headers(b.data.begin(), b.data.begin() + 0x400);
  REQUIRE(pe::AddResourceSection(headers, image, name, rva, raw, 0x1234, 0x100) == nullptr);
  Bytes h;
  h.data = headers;
  CHECK(h.Get16(kPe + 6) == 3);
  CHECK(h.Get32(kOpt + 8) == 0x400 + 0x2000);
  CHECK(h.Get32(kOpt + 56) == 0x5000);
  CHECK(h.Get32(kOpt + 64) == 0);
  CHECK(h.Get32(kDirs + 16) == 0x3000);
  CHECK(h.Get32(kDirs + 20) == 0x100);
  size_t added = kSectionTable + 80;
  CHECK(memcmp(&headers[added], name, 8) == 0);
  CHECK(h.Get32(added + 8) == 0x1234);
  CHECK(h.Get32(added + 12) == 0x3000);
  CHECK(h.Get32(added + 16) == 0x2000);
  CHECK(h.Get32(added + 20) == 0x1000);
  CHECK(h.Get32(added + 36) == 0x40000040u);
  CHECK(memcmp(&headers[kSectionTable + 40], ".rsrcold", 8) == 0);  // its data stays in use
  CHECK(memcmp(&headers[kSectionTable], ".text\0\0\0", 8) == 0);

  pe::Image patched;
  REQUIRE(pe::ParseImage(headers.data(), headers.size(), patched) == nullptr);
  CHECK(patched.sections.size() == 3);
  uint32_t offset = 0, available = 0;
  CHECK(pe::RvaToOffset(patched, 0x3010, offset, available));
  CHECK(offset == 0x1010);
}

TEST_CASE("the added section's file data starts on a page, so that the loader maps it instead of reading it") {
  struct Case {
    int line;
    uint32_t fileAlignment;
    uint32_t sectionAlignment;
    uint64_t fileSize;
    uint32_t raw;
  };
  const Case cases[] = {
      {__LINE__, 0x200, 0x1000, 0x9FF, 0x1000},   {__LINE__, 0x200, 0x1000, 0x1000, 0x1000},
      {__LINE__, 0x200, 0x1000, 0x1001, 0x2000},  {__LINE__, 0x1000, 0x1000, 0x1001, 0x2000},
      {__LINE__, 0x2000, 0x4000, 0x2001, 0x4000},  // a file alignment beyond a page still holds
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    Bytes b = MakeImage();
    b.Put32(kOpt + 32, c.sectionAlignment);
    b.Put32(kOpt + 36, c.fileAlignment);
    pe::Image image;
    REQUIRE(pe::ParseImage(b.data.data(), b.data.size(), image) == nullptr);
    uint32_t rva = 0, raw = 0;
    REQUIRE(pe::PlaceNewSection(image, c.fileSize, rva, raw) == nullptr);
    CHECK(raw == c.raw);
  }
}

TEST_CASE("AddResourceSection refuses headers without room and images too large") {
  const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
  struct Case {
    int line;
    uint32_t sizeOfHeaders;
    uint32_t firstRaw;
    bool slotUsed;
    uint32_t content;
  };
  const Case cases[] = {
      {__LINE__, kSectionTable + 100, 0x400, false, 0x100},  // the header ends inside the new slot
      {__LINE__, 0x400, kSectionTable + 100, false, 0x100},  // section data starts inside the new slot
      {__LINE__, 0x400, 0x400, true, 0x100},                 // something else lives in the slot
      {__LINE__, 0x400, 0x400, false, 0},                    // nothing to add
      {__LINE__, 0x400, 0x400, false, 0x7FFFE000},           // more than a 32-bit program can load
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    Bytes b = MakeImage();
    b.Put32(kOpt + 60, c.sizeOfHeaders);
    b.Put32(kSectionTable + 20, c.firstRaw);
    if (c.slotUsed) b.Put32(kSectionTable + 80 + 12, 1);
    pe::Image image;
    REQUIRE(pe::ParseImage(b.data.data(), b.data.size(), image) == nullptr);
    std::vector<uint8_t> headers(b.data.begin(), b.data.begin() + 0x400);
    CHECK(pe::AddResourceSection(headers, image, name, 0x3000, 0xA00, c.content, 0) != nullptr);
  }
}

TEST_CASE("PE checksum: sum of 16-bit words with end-around carry, plus the length") {
  struct Case {
    int line;
    std::vector<uint8_t> bytes;
    uint32_t sum;
  };
  const Case cases[] = {
      {__LINE__, {}, 0},
      {__LINE__, {0x01}, 0x0001 + 1},
      {__LINE__, {0x01, 0x02, 0x03}, 0x0204 + 3},
      {__LINE__, {0xFF, 0xFF, 0x02, 0x00}, 0x0002 + 4},  // 0xFFFF + 2 carries round
      {__LINE__, {0xFF, 0xFF, 0x01, 0x00}, 0x0001 + 4},
      {__LINE__, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0xFFFF + 0xFF - 0xFFFF + 5},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    pe::Checksum whole;
    whole.Add(c.bytes.data(), c.bytes.size());
    CHECK(whole.Finish() == c.sum);
  }
  // Pieces of every size, odd ones included, give the sum of the whole.
  std::vector<uint8_t> data(1000);
  for (size_t i = 0; i < data.size(); i++) data[i] = uint8_t(i * 37 + 11);
  pe::Checksum whole;
  whole.Add(data.data(), data.size());
  for (size_t piece = 1; piece < 12; piece++) {
    CAPTURE(piece);
    pe::Checksum pieces;
    for (size_t at = 0; at < data.size(); at += piece) pieces.Add(&data[at], std::min(piece, data.size() - at));
    CHECK(pieces.Finish() == whole.Finish());
  }
}
