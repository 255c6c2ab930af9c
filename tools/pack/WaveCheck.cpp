#include "WaveCheck.h"

#include <cstring>

namespace {

constexpr uint16_t kPcm = 1;
constexpr uint16_t kMsAdpcm = 2;
constexpr uint16_t kImaAdpcm = 0x11;
constexpr uint16_t kExtensible = 0xFFFE;
constexpr size_t kFormatBytes = 16;
constexpr size_t kExtensibleBytes = 40;  // the format, its size, and the extensible part

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// "24-bit PCM", "MP3", "16-bit Microsoft ADPCM in the extensible WAVE format".
std::string Describe(const WaveFormat& format) {
  std::string bits = std::to_string(format.bits) + "-bit ";
  std::string name;
  switch (format.tag) {
    case kPcm: name = bits + "PCM"; break;
    case kMsAdpcm: name = bits + "Microsoft ADPCM"; break;
    case kImaAdpcm: name = bits + "IMA ADPCM"; break;
    case 3: name = bits + "floating point"; break;
    case 6: name = "A-law"; break;
    case 7: name = "mu-law"; break;
    case 0x55: name = "MP3"; break;
    default: name = "codec " + std::to_string(format.tag); break;
  }
  return name + (format.extensible ? " in the extensible WAVE format" : "");
}

// What it is, that PlaySound cannot play, and the one thing to do about it.
std::string Unplayable(const std::string& what, const std::string& fix) {
  return what + ", which Windows' PlaySound does not play on every Windows the package runs on: " + fix;
}

const char kSaveAsPcm[] = "save it as 16-bit PCM (sox in.wav -e signed-integer -b 16 out.wav)";

// A file whose chunks do not hold together: cut short or damaged.
std::string Damaged(const std::string& what) {
  return what + ": the file is cut short or damaged; save the recording again as WAV, 16-bit PCM";
}

}  // namespace

std::string WaveProblem(const uint8_t* bytes, size_t size, WaveFormat& format) {
  format = WaveFormat();
  if (size < 12 || memcmp(bytes, "RIFF", 4) != 0 || memcmp(bytes + 8, "WAVE", 4) != 0)
    return Unplayable("it is no RIFF WAVE file", "save the recording as WAV, 16-bit PCM, mono");
  // The RIFF size may overstate what a recorder wrote; the chunks must still lie inside the file.
  bool haveFormat = false, haveData = false;
  for (size_t at = 12; at + 8 <= size;) {
    const uint8_t* chunk = bytes + at;
    uint32_t length = Le32(chunk + 4);
    if (length > size - at - 8)
      return Damaged("its chunk \"" + std::string(reinterpret_cast<const char*>(chunk), 4) +
                     "\" runs past the end of the file");
    if (memcmp(chunk, "fmt ", 4) == 0 && !haveFormat) {
      if (length < kFormatBytes) return Damaged("its format chunk is cut short");
      format.tag = Le16(chunk + 8);
      format.channels = Le16(chunk + 10);
      format.rate = Le32(chunk + 12);
      format.bits = Le16(chunk + 22);
      // The extensible format names its codec in the first two bytes of its sub-format.
      if (format.tag == kExtensible && length >= kExtensibleBytes) {
        format.extensible = true;
        format.tag = Le16(chunk + 8 + 24);
      }
      haveFormat = true;
    } else if (memcmp(chunk, "data", 4) == 0 && !haveData) {
      if (!haveFormat) return Damaged("its sound data comes before its format");
      format.dataBytes = length;
      haveData = true;
    }
    at += 8 + length + (length & 1);  // chunks are padded to an even length
  }
  if (!haveFormat) return Damaged("it has no format chunk");
  if (!haveData || format.dataBytes == 0) return "it holds no sound: record the prompt into it";
  if (format.extensible || (format.tag != kPcm && format.tag != kMsAdpcm && format.tag != kImaAdpcm))
    return Unplayable("it is " + Describe(format), kSaveAsPcm);
  if (format.channels != 1 && format.channels != 2)
    return Unplayable("it has " + std::to_string(format.channels) + " channels",
                      "save it as mono (sox in.wav -c 1 out.wav)");
  if (format.rate < 8000 || format.rate > 48000)
    return Unplayable("it is sampled at " + std::to_string(format.rate) + " Hz",
                      "save it at 8,000 to 48,000 Hz; 22,050 Hz suits speech (sox in.wav -r 22050 out.wav)");
  if (format.tag == kPcm ? format.bits != 8 && format.bits != 16 : format.bits != 4)
    return Unplayable("it is " + Describe(format),
                      format.tag == kPcm ? std::string(kSaveAsPcm) : "save it as 4-bit ADPCM or as 16-bit PCM");
  return "";
}
