// The checksums a package records of the files it carries (its installers, its settings, its
// languages and the cleanup tool), written by PendrixPack as one resource of the executable and
// read by the engine as it extracts each file. A file is known by where its bytes lie in the
// image, the address and size its resource entry gives, so that the table needs no names and
// a damaged resource directory cannot pass a file off as another.
//
// Layout, every number 32-bit little-endian: the mark "PXC1", the count of entries, each entry
// (address relative to the image, size, CRC-32C of the bytes), and last the CRC-32C of all that
// comes before it, so that a damaged table is told from a damaged file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr char kChecksumResourceType[] = "CHECKSUMS";
inline constexpr char kChecksumResource[] = "CRC32C";

struct RecordedChecksum {
  uint32_t address = 0;
  uint32_t size = 0;
  uint32_t crc = 0;
};

// The table's bytes for these entries.
std::vector<uint8_t> FormatChecksumTable(const std::vector<RecordedChecksum>& entries);
// Its size for `count` entries, known before the checksums are.
size_t ChecksumTableSize(size_t count);

enum class ChecksumLookup {
  kFound,          // `crc` is the recorded checksum of the bytes at this address and of this size
  kNotRecorded,    // the table is whole, and records no bytes at this address of this size
  kTableDamaged,   // the table is no table, cut short, or its own checksum differs
};
ChecksumLookup FindRecordedChecksum(const uint8_t* table, size_t tableSize, uint32_t address, uint32_t size,
                                    uint32_t& crc);

// Every entry of a whole table, in its order; false for a damaged one.
bool ReadChecksumTable(const uint8_t* table, size_t tableSize, std::vector<RecordedChecksum>& entries);
