// What the package plays, recorded from the test run's PulseAudio null sink (started by
// scripts/sound-sink.sh around the test run) with parec, and measured: length, peak, and the
// stretches in which something was audible. The capture stays in build/captures/NAME.wav for a
// listener or another tool.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace test {

struct AudibleSpan {
  double start = 0, end = 0;  // seconds from the start of the capture
  double Seconds() const { return end - start; }
};

class SoundCapture {
 public:
  // Starts recording and returns once the recording runs (Live() false when it did not start).
  explicit SoundCapture(const std::string& name);
  ~SoundCapture();
  SoundCapture(const SoundCapture&) = delete;
  SoundCapture& operator=(const SoundCapture&) = delete;

  bool Live() const { return m_live; }
  // Seconds since the recording began: a moment of the test on the capture's time line.
  double Now() const;
  // Ends the recording and reads it; false when no capture came back.
  bool Stop();

  double Seconds() const;
  // Peak of the samples, as a fraction of full scale, over the whole capture or a stretch.
  double Peak(double from = 0, double to = 1e9) const;
  // The stretches louder than `threshold`, pauses shorter than `gap` seconds bridged.
  std::vector<AudibleSpan> Audible(double threshold = 0.02, double gap = 0.7) const;
  const std::string& path() const { return m_path; }  // the WAVE file, Windows form

 private:
  std::string m_path;
  std::vector<short> m_samples;
  bool m_live = false;
  bool m_stopped = false;
  DWORD m_startTick = 0;
};

// Every span as "start-end" seconds, for a failure message.
std::string Describe(const std::vector<AudibleSpan>& spans);

// The playing time of a whole RIFF WAVE file (its data at the format's byte rate); 0 when it is
// not one.
double WaveSeconds(const std::string& riff);

}  // namespace test
