// Tables of checksums from arbitrary bytes, as a damaged download gives them: a lookup never
// reads past the table, a table that reads as whole lists what it finds, and the instruction and
// the table agree on the checksum of the bytes themselves.
#include <cstdint>
#include <vector>

#include "settings/ChecksumTable.h"
#include "settings/Crc32c.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (Crc32c(data, size) != Crc32cByTable(data, size)) __builtin_trap();
  const std::vector<uint8_t> table(data, data + size);  // exactly the bytes given, for the sanitizer
  std::vector<RecordedChecksum> entries;
  const bool whole = ReadChecksumTable(table.data(), table.size(), entries);
  for (const RecordedChecksum& entry : entries) {
    uint32_t crc = 0;
    if (FindRecordedChecksum(table.data(), table.size(), entry.address, entry.size, crc) != ChecksumLookup::kFound)
      __builtin_trap();
  }
  uint32_t crc = 0;
  const ChecksumLookup lookup = FindRecordedChecksum(table.data(), table.size(), 0x1000, 16, crc);
  if ((lookup == ChecksumLookup::kTableDamaged) == whole) __builtin_trap();
  if (whole && FormatChecksumTable(entries) != table) __builtin_trap();
  return 0;
}
