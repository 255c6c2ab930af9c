// Measurements for `make bench` that have to be taken inside Windows: a plain file copy, the
// wall time of a program run (once or several times in a row), and the size of a resource.
// Each prints one line "<what> <number>" for scripts/bench.sh.
//   PendrixBench copy SOURCE TARGET            -> "copy_ms <ms>"
//   PendrixBench run COUNT PROGRAM [ARGUMENTS] -> "run_ms <total ms>", "exit_code <last code>" and
//                                                 "peak_kb <largest peak working set of a run>"
//   PendrixBench resource FILE TYPE NAME       -> "resource_bytes <size>"
//   PendrixBench desktop                       -> "desktop_up 1", then holds a window until killed
//   PendrixBench checksum FILE                 -> "checksum_ms <ms>" of the engine's check of the
//                                                 file's bytes in memory, "checksum_table_ms <ms>"
//                                                 of a processor without the crc32 instruction,
//                                                 and "checksum_instruction 1" or 0
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/Crc32c.h"

namespace {

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The command line after the first `skip` arguments, as typed.
const char* CommandLineAfter(int skip) {
  const char* p = GetCommandLineA();
  for (int i = 0; i <= skip; i++) {
    while (*p == ' ' || *p == '\t') p++;
    bool quoted = false;
    while (*p != '\0' && (quoted || (*p != ' ' && *p != '\t'))) {
      if (*p == '"') quoted = !quoted;
      p++;
    }
  }
  while (*p == ' ' || *p == '\t') p++;
  return p;
}

int Copy(const char* source, const char* target) {
  DeleteFileA(target);
  double start = NowMs();
  if (!CopyFileA(source, target, FALSE)) {
    DWORD error = GetLastError();
    fprintf(stderr, "PendrixBench: copy failed: error %lu\n", error);
    return static_cast<int>(error);
  }
  printf("copy_ms %.1f\n", NowMs() - start);
  DeleteFileA(target);
  return 0;
}

// The child's peak working set so far. Under Wine each Windows process is one host process and
// this is its high-water mark of resident memory, mapped files included; it can be read only while
// the process lives, so the caller samples it until the process ends.
SIZE_T PeakWorkingSet(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  return GetProcessMemoryInfo(process, &counters, sizeof(counters)) ? counters.PeakWorkingSetSize : 0;
}

int Run(int count, const char* commandLine) {
  DWORD exitCode = 0;
  SIZE_T peak = 0;
  double start = NowMs();
  for (int i = 0; i < count; i++) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
      DWORD error = GetLastError();
      fprintf(stderr, "PendrixBench: cannot start %s: error %lu\n", commandLine, error);
      return static_cast<int>(error);
    }
    while (WaitForSingleObject(process.hProcess, 1) == WAIT_TIMEOUT) {
      SIZE_T now = PeakWorkingSet(process.hProcess);
      if (now > peak) peak = now;
    }
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  printf("run_ms %.1f\nexit_code %lu\npeak_kb %lu\n", NowMs() - start, exitCode,
         static_cast<unsigned long>(peak / 1024));
  return 0;
}

int Resource(const char* file, const char* type, const char* name) {
  HMODULE module = LoadLibraryExA(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC found = module ? FindResourceA(module, name, type) : nullptr;
  if (found == nullptr) {
    fprintf(stderr, "PendrixBench: no resource %s of type %s in %s\n", name, type, file);
    return 1;
  }
  printf("resource_bytes %lu\n", SizeofResource(module, found));
  FreeLibrary(module);
  return 0;
}

// Windows' desktop is always there. Wine starts its desktop process for the first window of a
// session and ends it about a second after the last window-owning process ends, so runs of a GUI
// program would pay that start or not depending on the pause before them. A hidden window held
// for the whole bench keeps the desktop up, as on Windows.
int HoldDesktop() {
  HWND window = CreateWindowExA(0, "STATIC", "PendrixBench desktop", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                nullptr, nullptr);
  if (window == nullptr) {
    fprintf(stderr, "PendrixBench: cannot create a window: error %lu\n", GetLastError());
    return 1;
  }
  printf("desktop_up 1\n");
  fflush(stdout);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}

// The engine checks each file on a second processor while the first writes it; what it waits for
// after the write shows in the traced engine's phases. Timed here is the checksum alone, on the
// file mapped as the engine's image is, after a first pass has brought its pages in.
int Checksum(const char* file) {
  HANDLE handle = CreateFileA(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE mapping = handle != INVALID_HANDLE_VALUE ? CreateFileMappingA(handle, nullptr, PAGE_READONLY, 0, 0, nullptr)
                                                  : nullptr;
  const void* view = mapping != nullptr ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
  const BYTE* bytes = static_cast<const BYTE*>(view);
  if (bytes == nullptr) {
    fprintf(stderr, "PendrixBench: cannot map %s: error %lu\n", file, GetLastError());
    return 1;
  }
  const DWORD size = GetFileSize(handle, nullptr);
  volatile BYTE touched = 0;
  for (DWORD i = 0; i < size; i += 4096) touched = touched + bytes[i];
  double best = 1e9;
  volatile uint32_t sink = 0;
  for (int round = 0; round < 5; round++) {
    const double start = NowMs();
    sink = sink + Crc32c(bytes, size);
    if (NowMs() - start < best) best = NowMs() - start;
  }
  const double start = NowMs();
  sink = sink + Crc32cByTable(bytes, size);
  printf("checksum_ms %.1f\nchecksum_table_ms %.1f\nchecksum_instruction %d\n", best, NowMs() - start,
         HasCrc32Instruction() ? 1 : 0);
  UnmapViewOfFile(bytes);
  CloseHandle(mapping);
  CloseHandle(handle);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int result = 87;
  if (argc == 4 && strcmp(argv[1], "copy") == 0)
    result = Copy(argv[2], argv[3]);
  else if (argc >= 4 && strcmp(argv[1], "run") == 0)
    result = Run(atoi(argv[2]), CommandLineAfter(2));
  else if (argc == 5 && strcmp(argv[1], "resource") == 0)
    result = Resource(argv[2], argv[3], argv[4]);
  else if (argc == 2 && strcmp(argv[1], "desktop") == 0)
    result = HoldDesktop();
  else if (argc == 3 && strcmp(argv[1], "checksum") == 0)
    result = Checksum(argv[2]);
  else
    fprintf(stderr,
            "usage: PendrixBench copy SOURCE TARGET | run COUNT PROGRAM [ARGUMENTS] | resource FILE TYPE NAME"
            " | desktop | checksum FILE\n");
  fflush(stdout);
  return result;
}
