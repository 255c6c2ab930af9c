// The recorder behind core/Trace.h, linked into the bench's traced engine alone. A mark costs a
// counter read and a copy into a fixed table; the table is written to the log only when the run
// is over, so that the writing is in no phase.
#include "core/Trace.h"

#include <windows.h>

#include "core/Bootstrapper.h"
#include "core/BoundedString.h"

namespace {

struct Mark {
  char phase[64];
  LONGLONG at;
};
constexpr int kMarks = 400;
Mark g_marks[kMarks];
int g_count = 0;
LONGLONG g_created = 0;  // the process's creation, on the same clock

LONGLONG Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

}  // namespace

void TraceProcessStart() {
  // How long ago the process was created, by the system clock, moved onto the counter's clock.
  using PreciseTimeFn = void(WINAPI*)(FILETIME*);
  auto precise = reinterpret_cast<PreciseTimeFn>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemTimePreciseAsFileTime"));
  FILETIME created, exited, kernel, user, now;
  if (precise != nullptr)
    precise(&now);
  else
    GetSystemTimeAsFileTime(&now);
  LONGLONG counter = Now();
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  auto ticks = [](const FILETIME& time) {
    return static_cast<LONGLONG>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  };
  LONGLONG ago = ticks(now) - ticks(created);  // in 100 ns
  g_created = counter - ago * frequency.QuadPart / 10000000;
  TraceMark("process start (creation to WinMain)");
}

void TraceMark(const char* phase, const char* detail) {
  if (g_count == kMarks) return;
  // A mark sits between a call and the reading of its last error: it must not change it.
  const DWORD lastError = GetLastError();
  Mark& mark = g_marks[g_count++];
  mark.at = Now();
  if (detail != nullptr)
    FormatCut(mark.phase, "%s %s", phase, detail);
  else
    CopyCut(mark.phase, phase);
  SetLastError(lastError);
}

void WriteTrace(Bootstrapper* bootstrapper) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  LONGLONG previous = g_created != 0 ? g_created : (g_count > 0 ? g_marks[0].at : 0);
  for (int i = 0; i < g_count; i++) {
    // In microseconds, written as milliseconds with three decimals (wvnsprintfA has no %f).
    LONGLONG us = (g_marks[i].at - previous) * 1000000 / frequency.QuadPart;
    previous = g_marks[i].at;
    LogMessage(bootstrapper, "Trace - %s: %lu.%03lu ms", g_marks[i].phase, static_cast<unsigned long>(us / 1000),
               static_cast<unsigned long>(us % 1000));
  }
  g_count = 0;
}
