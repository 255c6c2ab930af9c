// Whether Windows' PlaySound plays a recording on every Windows the engine runs on: a RIFF WAVE
// file of PCM (8 or 16 bits), IMA ADPCM or Microsoft ADPCM (4 bits), mono or stereo, at 8,000 to
// 48,000 Hz, whose chunks lie whole inside it. Portable.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct WaveFormat {
  uint16_t tag = 0;  // 1 PCM, 2 Microsoft ADPCM, 0x11 IMA ADPCM; of an extensible format, its codec
  bool extensible = false;  // WAVE_FORMAT_EXTENSIBLE
  uint16_t channels = 0;
  uint32_t rate = 0;
  uint16_t bits = 0;
  uint32_t dataBytes = 0;
};

// "" when it plays, otherwise what it is that does not play, and how to save it so that it does;
// `format` holds what was read.
std::string WaveProblem(const uint8_t* bytes, size_t size, WaveFormat& format);
