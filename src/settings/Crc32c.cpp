#include "settings/Crc32c.h"

#include <array>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define PENDRIX_CRC32_INSTRUCTION 1
#endif

namespace {

// The polynomial with its bits reversed: bit 31 of a checksum is the coefficient of x^0.
constexpr uint32_t kPolynomial = 0x82F63B78u;

// The checksum register times x, modulo the polynomial: one zero bit fed in.
constexpr uint32_t TimesX(uint32_t value) { return (value & 1) != 0 ? (value >> 1) ^ kPolynomial : value >> 1; }

// a times b modulo the polynomial.
constexpr uint32_t Multiply(uint32_t a, uint32_t b) {
  uint32_t product = 0;
  for (uint32_t bit = 1u << 31; bit != 0; bit >>= 1) {
    if ((a & bit) != 0) product ^= b;
    b = TimesX(b);
  }
  return product;
}

// Four bits at a time: a table of 64 bytes, which the engine carries, against 1 KB for a byte at a
// time, for the processors that lack the instruction.
constexpr std::array<uint32_t, 16> NibbleTable() {
  std::array<uint32_t, 16> table = {};
  for (uint32_t nibble = 0; nibble < 16; nibble++) {
    uint32_t value = nibble;
    for (int bit = 0; bit < 4; bit++) value = TimesX(value);
    table[nibble] = value;
  }
  return table;
}
constexpr std::array<uint32_t, 16> kNibbleTable = NibbleTable();

uint32_t UpdateByTable(uint32_t crc, const unsigned char* bytes, size_t size) {
  for (size_t i = 0; i < size; i++) {
    crc ^= bytes[i];
    crc = kNibbleTable[crc & 0xF] ^ (crc >> 4);
    crc = kNibbleTable[crc & 0xF] ^ (crc >> 4);
  }
  return crc;
}

}  // namespace

uint32_t Crc32cByTable(const void* data, size_t size, uint32_t previous) {
  return ~UpdateByTable(~previous, static_cast<const unsigned char*>(data), size);
}

#ifdef PENDRIX_CRC32_INSTRUCTION

namespace {

// The instruction's result depends on the one before it, and it takes three cycles: three
// streams of a block each, side by side, keep it busy every cycle. Their checksums are then
// joined, each moved past the bytes after it by multiplying it by x^(8 * kStream), once a block.
constexpr unsigned kStreamBits = 14;
constexpr size_t kStream = size_t(1) << kStreamBits;

constexpr uint32_t StreamShift() {
  uint32_t power = 1u << 30;  // x^1, squared to x^(2^(kStreamBits + 3)) = x^(8 * kStream)
  for (unsigned i = 0; i < kStreamBits + 3; i++) power = Multiply(power, power);
  return power;
}
constexpr uint32_t kStreamShift = StreamShift();

uint32_t PastStream(uint32_t crc) { return Multiply(crc, kStreamShift); }

uint32_t Word(const unsigned char* bytes) {
  uint32_t word;
  memcpy(&word, bytes, sizeof(word));
  return word;
}

__attribute__((target("sse4.2"))) uint32_t UpdateByInstruction(uint32_t crc, const unsigned char* bytes, size_t size) {
  while (size >= 3 * kStream) {
    uint32_t second = 0, third = 0;
    for (size_t i = 0; i < kStream; i += 4) {
      crc = __builtin_ia32_crc32si(crc, Word(bytes + i));
      second = __builtin_ia32_crc32si(second, Word(bytes + kStream + i));
      third = __builtin_ia32_crc32si(third, Word(bytes + 2 * kStream + i));
    }
    crc = PastStream(PastStream(crc) ^ second) ^ third;
    bytes += 3 * kStream;
    size -= 3 * kStream;
  }
  for (; size >= 4; bytes += 4, size -= 4) crc = __builtin_ia32_crc32si(crc, Word(bytes));
  for (; size > 0; bytes++, size--) crc = __builtin_ia32_crc32qi(crc, *bytes);
  return crc;
}

}  // namespace

bool HasCrc32Instruction() {
  static int known = -1;  // asked once; every thread gets the same answer
  if (known < 0) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    known = __get_cpuid(1, &a, &b, &c, &d) != 0 && (c & bit_SSE4_2) != 0 ? 1 : 0;
  }
  return known == 1;
}

uint32_t Crc32c(const void* data, size_t size, uint32_t previous) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  return HasCrc32Instruction() ? ~UpdateByInstruction(~previous, bytes, size) : ~UpdateByTable(~previous, bytes, size);
}

#else

bool HasCrc32Instruction() { return false; }

uint32_t Crc32c(const void* data, size_t size, uint32_t previous) { return Crc32cByTable(data, size, previous); }

#endif
