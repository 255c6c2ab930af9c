#include "WaveCheck.h"

#include <cstring>

namespace {

constexpr uint16_t kPcm = 1;
constexpr uint16_t kMsAdpcm = 2;
constexpr uint16_t kImaAdpcm = 0x11;
constexpr size_t kFormatBytes = 16;

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

std::string FormatName(uint16_t tag) {
  switch (tag) {
    case kPcm: return "PCM";
    case kMsAdpcm: return "Microsoft ADPCM";
    case kImaAdpcm: return "IMA ADPCM";
    case 3: return "32-bit floating point";
    case 0x55: return "MP3";
    case 0xFFFE: return "WAVE_FORMAT_EXTENSIBLE";
    default: return "format " + std::to_string(tag);
  }
}

}  // namespace

std::string WaveProblem(const uint8_t* bytes, size_t size, WaveFormat& format) {
  format = WaveFormat();
  if (size < 12 || memcmp(bytes, "RIFF", 4) != 0 || memcmp(bytes + 8, "WAVE", 4) != 0)
    return "it is no RIFF WAVE file";
  // The RIFF size may overstate what a recorder wrote; the chunks must still lie inside the file.
  bool haveFormat = false, haveData = false;
  for (size_t at = 12; at + 8 <= size;) {
    const uint8_t* chunk = bytes + at;
    uint32_t length = Le32(chunk + 4);
    if (length > size - at - 8) return "its chunk \"" + std::string(reinterpret_cast<const char*>(chunk), 4) +
                                       "\" runs past the end of the file";
    if (memcmp(chunk, "fmt ", 4) == 0 && !haveFormat) {
      if (length < kFormatBytes) return "its format chunk is cut short";
      format.tag = Le16(chunk + 8);
      format.channels = Le16(chunk + 10);
      format.rate = Le32(chunk + 12);
      format.bits = Le16(chunk + 22);
      haveFormat = true;
    } else if (memcmp(chunk, "data", 4) == 0 && !haveData) {
      if (!haveFormat) return "its sound data comes before its format";
      format.dataBytes = length;
      haveData = true;
    }
    at += 8 + length + (length & 1);  // chunks are padded to an even length
  }
  if (!haveFormat) return "it has no format chunk";
  if (!haveData || format.dataBytes == 0) return "it holds no sound";
  if (format.tag != kPcm && format.tag != kMsAdpcm && format.tag != kImaAdpcm)
    return "it is " + FormatName(format.tag) + "; save it as PCM, IMA ADPCM or Microsoft ADPCM";
  if (format.channels != 1 && format.channels != 2)
    return "it has " + std::to_string(format.channels) + " channels; save it as mono or stereo";
  if (format.rate < 8000 || format.rate > 48000)
    return "it is sampled at " + std::to_string(format.rate) + " Hz; save it at 8,000 to 48,000 Hz";
  bool pcmBits = format.tag == kPcm && (format.bits == 8 || format.bits == 16);
  if (!pcmBits && !(format.tag != kPcm && format.bits == 4))
    return "it is " + FormatName(format.tag) + " of " + std::to_string(format.bits) + " bits a sample; save it as " +
           (format.tag == kPcm ? "8 or 16 bits" : "4 bits");
  return "";
}
