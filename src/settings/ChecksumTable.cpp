#include "settings/ChecksumTable.h"

#include <cstring>

#include "settings/Crc32c.h"

namespace {

const uint8_t kMark[4] = {'P', 'X', 'C', '1'};
constexpr size_t kEntryBytes = 12;
constexpr size_t kHeaderBytes = 8;

uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; i++) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// The count of a whole table, or -1.
long WholeCount(const uint8_t* table, size_t tableSize) {
  if (table == nullptr || tableSize < kHeaderBytes + 4 || memcmp(table, kMark, sizeof(kMark)) != 0) return -1;
  const uint32_t count = Get32(table + 4);
  if (count > (tableSize - kHeaderBytes - 4) / kEntryBytes || tableSize != ChecksumTableSize(count)) return -1;
  if (Crc32c(table, tableSize - 4) != Get32(table + tableSize - 4)) return -1;
  return static_cast<long>(count);
}

}  // namespace

size_t ChecksumTableSize(size_t count) { return kHeaderBytes + count * kEntryBytes + 4; }

std::vector<uint8_t> FormatChecksumTable(const std::vector<RecordedChecksum>& entries) {
  std::vector<uint8_t> table(kMark, kMark + sizeof(kMark));
  Put32(table, static_cast<uint32_t>(entries.size()));
  for (const RecordedChecksum& entry : entries) {
    Put32(table, entry.address);
    Put32(table, entry.size);
    Put32(table, entry.crc);
  }
  Put32(table, Crc32c(table.data(), table.size()));
  return table;
}

ChecksumLookup FindRecordedChecksum(const uint8_t* table, size_t tableSize, uint32_t address, uint32_t size,
                                    uint32_t& crc) {
  const long count = WholeCount(table, tableSize);
  if (count < 0) return ChecksumLookup::kTableDamaged;
  for (long i = 0; i < count; i++) {
    const uint8_t* entry = table + kHeaderBytes + static_cast<size_t>(i) * kEntryBytes;
    if (Get32(entry) != address || Get32(entry + 4) != size) continue;
    crc = Get32(entry + 8);
    return ChecksumLookup::kFound;
  }
  return ChecksumLookup::kNotRecorded;
}

bool ReadChecksumTable(const uint8_t* table, size_t tableSize, std::vector<RecordedChecksum>& entries) {
  entries.clear();
  const long count = WholeCount(table, tableSize);
  for (long i = 0; i < count; i++) {
    const uint8_t* entry = table + kHeaderBytes + static_cast<size_t>(i) * kEntryBytes;
    entries.push_back({Get32(entry), Get32(entry + 4), Get32(entry + 8)});
  }
  return count >= 0;
}
