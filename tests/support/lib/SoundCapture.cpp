#include "SoundCapture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "TestSupport.h"

namespace test {

namespace {

constexpr double kRate = 16000;  // what record-sink.sh asks parec for

bool WaitFor(const std::string& path, DWORD minimumBytes, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) && data.nFileSizeLow >= minimumBytes)
      return true;
    Sleep(20);
  }
  return false;
}

// The 16-bit samples of the "data" chunk of a WAVE file.
std::vector<short> ReadSamples(const std::string& bytes) {
  std::vector<short> samples;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    DWORD size = *reinterpret_cast<const DWORD*>(bytes.data() + at + 4);
    if (bytes.compare(at, 4, "data") == 0) {
      size_t available = std::min<size_t>(size, bytes.size() - at - 8);
      samples.resize(available / 2);
      memcpy(samples.data(), bytes.data() + at + 8, samples.size() * 2);
      break;
    }
    at += 8 + size + (size & 1);
  }
  return samples;
}

}  // namespace

SoundCapture::SoundCapture(const std::string& name) {
  std::string build = Env("PENDRIX_BUILD");
  std::string source = Env("PENDRIX_SOURCE");
  if (build.empty() || source.empty() || Env("PULSE_SERVER").empty()) return;
  std::string unixPath = build + "/captures/" + name + ".wav";
  CreateDirectoryA(WinPath(build + "/captures").c_str(), nullptr);
  m_path = WinPath(unixPath);
  DeleteFileA(m_path.c_str());
  // A Unix program started from Wine gives no handle to wait on: the recorder is told to stop,
  // and found finished, by files.
  std::string commandLine = "Z:\\bin\\sh \"" + source + "/tests/support/record-sink.sh\" \"" + unixPath + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return;
  if (process.hProcess != nullptr) CloseHandle(process.hProcess);
  if (process.hThread != nullptr) CloseHandle(process.hThread);
  // The sink's monitor delivers its first samples a second or two after the recorder connects.
  m_live = WaitFor(m_path + ".part", 44 + 1600, 15000);
  m_startTick = GetTickCount();
}

SoundCapture::~SoundCapture() { Stop(); }

double SoundCapture::Now() const { return (GetTickCount() - m_startTick) / 1000.0; }

bool SoundCapture::Stop() {
  if (m_path.empty() || m_stopped) return !m_samples.empty();
  m_stopped = true;
  WriteFile(m_path + ".stop", "");
  if (!WaitFor(m_path, 44, 15000)) return false;
  m_samples = ReadSamples(ReadFile(m_path));
  return !m_samples.empty();
}

double SoundCapture::Seconds() const { return m_samples.size() / kRate; }

double SoundCapture::Peak(double from, double to) const {
  int peak = 0;
  size_t first = from <= 0 ? 0 : static_cast<size_t>(from * kRate);
  size_t last = static_cast<size_t>(std::min<double>(static_cast<double>(m_samples.size()), to * kRate));
  for (size_t i = first; i < last; ++i) peak = std::max(peak, std::abs(static_cast<int>(m_samples[i])));
  return peak / 32768.0;
}

std::vector<AudibleSpan> SoundCapture::Audible(double threshold, double gap) const {
  std::vector<AudibleSpan> spans;
  const size_t window = static_cast<size_t>(kRate / 50);  // 20 ms
  for (size_t at = 0; at < m_samples.size(); at += window) {
    double from = at / kRate, to = std::min(m_samples.size(), at + window) / kRate;
    if (Peak(from, to) < threshold) continue;
    if (!spans.empty() && from - spans.back().end < gap)
      spans.back().end = to;
    else
      spans.push_back({from, to});
  }
  return spans;
}

std::string Describe(const std::vector<AudibleSpan>& spans) {
  std::string text;
  for (const AudibleSpan& span : spans) {
    char piece[64];
    snprintf(piece, sizeof(piece), "%s%.2f-%.2f s", text.empty() ? "" : ", ", span.start, span.end);
    text += piece;
  }
  return text.empty() ? "silence" : text;
}

double WaveSeconds(const std::string& riff) {
  DWORD bytesPerSecond = 0, dataBytes = 0;
  if (riff.size() < 12 || riff.compare(0, 4, "RIFF") != 0) return 0;
  for (size_t at = 12; at + 8 <= riff.size();) {
    DWORD size = *reinterpret_cast<const DWORD*>(riff.data() + at + 4);
    if (riff.compare(at, 4, "fmt ") == 0 && at + 20 <= riff.size())
      bytesPerSecond = *reinterpret_cast<const DWORD*>(riff.data() + at + 16);
    if (riff.compare(at, 4, "data") == 0) dataBytes = size;
    at += 8 + size + (size & 1);
  }
  return bytesPerSecond != 0 ? static_cast<double>(dataBytes) / bytesPerSecond : 0;
}

}  // namespace test
