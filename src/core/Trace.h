// Timing marks for the breakdown of a run that `make bench` prints. Only the bench's own build of
// the engine (PendrixTrace.exe, compiled with PENDRIX_TRACE) records them, and writes them to its
// log at teardown; in Pendrix.exe a mark is nothing at all, so the shipped engine neither pays for
// them nor reads anything that could turn them on.
#pragma once

class Bootstrapper;

#ifdef PENDRIX_TRACE
// The phase that ends now, with an optional detail (a file's name), kept in a bounded table.
void TraceMark(const char* phase, const char* detail = nullptr);
// The moment the process was created, as the phase before the first mark.
void TraceProcessStart();
// One log line per mark: "Trace - <phase>: <milliseconds> ms", in the order of the marks.
void WriteTrace(Bootstrapper* bootstrapper);
#else
inline void TraceMark(const char*, const char* = nullptr) {}
inline void TraceProcessStart() {}
inline void WriteTrace(Bootstrapper*) {}
#endif
