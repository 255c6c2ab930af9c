// Starts a program with the rest of its own command line, waits for it, prints its whole
// 32-bit exit code and returns it.
#include <windows.h>

#include <cstdio>
#include <cstring>

// The part of this program's command line after its own name.
static char* ArgumentsAfterProgram(char* commandLine) {
  char* p = commandLine;
  if (*p == '"') {
    p = strchr(p + 1, '"');
    p = p ? p + 1 : commandLine + strlen(commandLine);
  } else {
    while (*p != '\0' && *p != ' ' && *p != '\t') p++;
  }
  while (*p == ' ' || *p == '\t') p++;
  return p;
}

int main() {
  char* rest = ArgumentsAfterProgram(GetCommandLineA());
  if (*rest == '\0') {
    fprintf(stderr, "usage: runexit PROGRAM [ARGUMENTS]\n");
    return 87;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, rest, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    DWORD error = GetLastError();
    fprintf(stderr, "runexit: could not start the program: error %lu\n", error);
    return static_cast<int>(error);
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  printf("Exit code: %lu\n", exitCode);
  fflush(stdout);
  return static_cast<int>(exitCode);
}
