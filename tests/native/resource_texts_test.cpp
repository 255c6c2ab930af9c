#include <doctest.h>

#include <string>
#include <vector>

#include "../../tools/pack/PeResources.h"
#include "../../tools/pack/ResourceTexts.h"

using namespace langres;

TEST_CASE("a string block reads back as written; one cut short is refused") {
  std::vector<std::u16string> strings(kStringsPerBlock);
  strings[1] = u"Fehler";
  strings[15] = u"%s Setup-Paket";
  std::vector<uint8_t> block = WriteStringBlock(strings);
  std::vector<std::u16string> read;
  REQUIRE(ReadStringBlock(block.data(), block.size(), read) == nullptr);
  CHECK(read == strings);
  CHECK(ReadStringBlock(block.data(), block.size() - 1, read) != nullptr);
  CHECK(BlockOfMessage(17) == 2);
  CHECK(FirstMessageOfBlock(2) == 16);
}

namespace {

DialogItem Item(int32_t id, bool extended, const std::u16string& title, uint16_t picture = 0) {
  DialogItem item;
  item.head.assign(extended ? 24 : 18, 0);
  item.head[extended ? 20 : 16] = static_cast<uint8_t>(id);
  item.windowClass.isNumber = true;
  item.windowClass.number = 0x82;
  item.title.text = title;
  item.title.isNumber = picture != 0;
  item.title.number = picture;
  item.extra = {2, 0, 0xAB, 0xCD};
  return item;
}

}  // namespace

TEST_CASE("a dialog template's texts change and everything else stays, for DIALOG and DIALOGEX") {
  for (bool extended : {true, false}) {
    CAPTURE(extended);
    DialogTemplate dialog;
    dialog.extended = extended;
    dialog.head.assign(extended ? 26 : 18, 0);
    if (extended) dialog.head[0] = 1, dialog.head[2] = 0xFF, dialog.head[3] = 0xFF;
    dialog.head[extended ? 12 : 0] = 0x40;  // DS_SETFONT
    dialog.head[extended ? 16 : 8] = 3;     // controls
    dialog.caption = u"%s Setup Package";
    dialog.hasFont = true;
    dialog.fontHead.assign(extended ? 6 : 2, 9);
    dialog.typeface = u"Tahoma";
    dialog.items = {Item(104, extended, u"Welcome"), Item(106, extended, u"", 108), Item(1, extended, u"&Next")};
    std::vector<uint8_t> bytes = WriteDialogTemplate(dialog);

    DialogTemplate read;
    REQUIRE(ReadDialogTemplate(bytes.data(), bytes.size(), read) == nullptr);
    CHECK(read.extended == extended);
    CHECK(read.caption == dialog.caption);
    CHECK(read.typeface == u"Tahoma");
    REQUIRE(read.items.size() == 3);
    CHECK(read.items[0].id == 104);
    CHECK(read.items[0].ClassName() == u"Static");
    CHECK(read.items[1].title.isNumber);
    CHECK(read.items[1].title.number == 108);
    CHECK(read.items[2].extra == dialog.items[2].extra);

    // A longer text moves the controls after it to their next 32-bit boundary.
    read.items[0].title.text = u"Willkommen beim Setup-Paket %s.";
    read.caption = u"Setup-Paket %s";
    std::vector<uint8_t> translated = WriteDialogTemplate(read);
    DialogTemplate again;
    REQUIRE(ReadDialogTemplate(translated.data(), translated.size(), again) == nullptr);
    CHECK(again.items[0].title.text == u"Willkommen beim Setup-Paket %s.");
    CHECK(again.items[2].title.text == u"&Next");
    CHECK(again.items[2].extra == dialog.items[2].extra);
    CHECK(WriteDialogTemplate(again) == translated);
    CHECK(ReadDialogTemplate(translated.data(), translated.size() - 3, again) != nullptr);
  }
}

TEST_CASE("a resource-only DLL holds its resources in one section, in their language, with no entry point") {
  std::vector<pe::AddedResource> resources = {
      {pe::ResourceId::Number(6), pe::ResourceId::Number(1), 1031, 0},
      {pe::ResourceId::Text("WAVE"), pe::ResourceId::Text("IDR_OS_WAV"), 1031, 1},
  };
  std::vector<std::vector<uint8_t>> blobs = {std::vector<uint8_t>(40, 7), std::vector<uint8_t>(5000, 9)};
  std::vector<uint8_t> dll;
  REQUIRE(pe::BuildResourceDll(resources, blobs, dll) == nullptr);
  pe::Image image;
  REQUIRE(pe::ParseImage(dll.data(), dll.size(), image) == nullptr);
  REQUIRE(image.sections.size() == 1);
  CHECK(image.sizeOfImage >= image.sections[0].virtualAddress + image.sections[0].virtualSize);
  CHECK(dll[image.optionalOffset + 16] == 0);  // AddressOfEntryPoint
  uint32_t offset = 0, available = 0;
  REQUIRE(pe::RvaToOffset(image, image.resourceRva, offset, available));
  std::vector<pe::ResourceEntry> entries;
  REQUIRE(pe::ReadResourceTree(dll.data() + offset, available, entries) == nullptr);
  REQUIRE(entries.size() == 2);
  for (const pe::ResourceEntry& entry : entries) {
    CHECK(entry.language == 1031);
    uint32_t at = 0, room = 0;
    REQUIRE(pe::RvaToOffset(image, entry.dataRva, at, room));
    const std::vector<uint8_t>& blob = blobs[entry.type.isNumber ? 0 : 1];
    REQUIRE(entry.size == blob.size());
    CHECK(std::vector<uint8_t>(dll.begin() + at, dll.begin() + at + entry.size) == blob);
  }
  pe::Checksum checksum;
  std::vector<uint8_t> zeroed = dll;
  for (int i = 0; i < 4; i++) zeroed[image.checksumOffset + i] = 0;
  checksum.Add(zeroed.data(), zeroed.size());
  CHECK(checksum.Finish() == (dll[image.checksumOffset] | dll[image.checksumOffset + 1] << 8 |
                              dll[image.checksumOffset + 2] << 16 | static_cast<uint32_t>(dll[image.checksumOffset + 3]) << 24));
}
