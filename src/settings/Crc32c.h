// CRC-32C (the Castagnoli polynomial), the checksum a package records of every file it carries
// and the engine checks as it writes each one out: it catches a damaged download, and with the
// processor's own crc32 instruction (SSE4.2) it costs a small part of the write. Processors
// without the instruction take a small table, four bits at a time.
#pragma once
#include <cstddef>
#include <cstdint>

// The checksum of `size` bytes; `previous` is the checksum of the bytes before them, so that a
// file may be fed in pieces: Crc32c(b, nb, Crc32c(a, na)) == Crc32c(a followed by b).
uint32_t Crc32c(const void* data, size_t size, uint32_t previous = 0);

// The same, always through the table: what a processor without the instruction computes.
uint32_t Crc32cByTable(const void* data, size_t size, uint32_t previous = 0);

// True when this processor has the crc32 instruction, which Crc32c then uses.
bool HasCrc32Instruction();
