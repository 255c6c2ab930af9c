#include <doctest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "settings/ChecksumTable.h"
#include "settings/Crc32c.h"

TEST_CASE("CRC-32C: the published check values, by the instruction and by the table, whole and in pieces") {
  std::vector<uint8_t> increasing(32);
  for (size_t i = 0; i < increasing.size(); i++) increasing[i] = static_cast<uint8_t>(i);
  const struct {
    int line;
    std::string bytes;
    uint32_t crc;
  } cases[] = {
      {__LINE__, "", 0},
      {__LINE__, "123456789", 0xE3069283u},
      {__LINE__, std::string(32, '\0'), 0x8A9136AAu},
      {__LINE__, std::string(32, '\xFF'), 0x62A8AB43u},
      {__LINE__, std::string(increasing.begin(), increasing.end()), 0x46DD794Eu},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    CHECK(Crc32c(c.bytes.data(), c.bytes.size()) == c.crc);
    CHECK(Crc32cByTable(c.bytes.data(), c.bytes.size()) == c.crc);
    for (size_t split = 0; split <= c.bytes.size(); split++)
      CHECK(Crc32c(c.bytes.data() + split, c.bytes.size() - split, Crc32c(c.bytes.data(), split)) == c.crc);
  }
}

TEST_CASE("CRC-32C: the instruction's streams give the table's checksum at every length and alignment") {
  std::mt19937 random(7);
  std::vector<uint8_t> bytes(200001);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
  // Around the three streams of a block (16 KB each), and far beyond them.
  for (size_t size : {size_t(0), size_t(3), size_t(4), size_t(49151), size_t(49152), size_t(49153), size_t(98304 + 7),
                      size_t(200000)})
    for (size_t offset : {size_t(0), size_t(1)}) {
      CAPTURE(size);
      CAPTURE(offset);
      CHECK(Crc32c(bytes.data() + offset, size) == Crc32cByTable(bytes.data() + offset, size));
      const size_t split = size / 3 + offset;
      if (split <= size)
        CHECK(Crc32c(bytes.data() + offset + split, size - split, Crc32c(bytes.data() + offset, split)) ==
              Crc32cByTable(bytes.data() + offset, size));
    }
  const std::string path = HasCrc32Instruction() ? "used" : "absent: only the table was tested";
  MESSAGE("the crc32 instruction is " << path);
}

TEST_CASE("a table of checksums finds each file by its place and size, and tells a damaged table") {
  const std::vector<RecordedChecksum> entries = {{0x5000, 100, 0x11111111u}, {0x9000, 7, 0x22222222u}};
  const std::vector<uint8_t> table = FormatChecksumTable(entries);
  CHECK(table.size() == ChecksumTableSize(entries.size()));
  std::vector<RecordedChecksum> read;
  REQUIRE(ReadChecksumTable(table.data(), table.size(), read));
  REQUIRE(read.size() == 2);
  CHECK(read[1].address == 0x9000);
  CHECK(read[1].crc == 0x22222222u);

  const auto flipped = [&](size_t at) {
    std::vector<uint8_t> copy = table;
    copy[at] ^= 0x01;
    return copy;
  };
  const struct {
    int line;
    std::vector<uint8_t> bytes;
    uint32_t address, size;
    ChecksumLookup lookup;
  } cases[] = {
      {__LINE__, table, 0x9000, 7, ChecksumLookup::kFound},
      {__LINE__, table, 0x9000, 8, ChecksumLookup::kNotRecorded},  // the entry of a resource of another size
      {__LINE__, table, 0x9004, 7, ChecksumLookup::kNotRecorded},
      {__LINE__, FormatChecksumTable({}), 0x9000, 7, ChecksumLookup::kNotRecorded},
      {__LINE__, flipped(0), 0x9000, 7, ChecksumLookup::kTableDamaged},             // its mark
      {__LINE__, flipped(4), 0x9000, 7, ChecksumLookup::kTableDamaged},             // its count
      {__LINE__, flipped(20 + 8), 0x9000, 7, ChecksumLookup::kTableDamaged},        // a recorded checksum
      {__LINE__, flipped(table.size() - 1), 0x9000, 7, ChecksumLookup::kTableDamaged},  // its own
      {__LINE__, std::vector<uint8_t>(table.begin(), table.end() - 1), 0x9000, 7, ChecksumLookup::kTableDamaged},
      {__LINE__, {}, 0x9000, 7, ChecksumLookup::kTableDamaged},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    uint32_t crc = 0;
    CHECK(FindRecordedChecksum(c.bytes.data(), c.bytes.size(), c.address, c.size, crc) == c.lookup);
    if (c.lookup == ChecksumLookup::kFound) CHECK(crc == 0x22222222u);
  }
}
