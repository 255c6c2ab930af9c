// The first code of the process: Pendrix.exe starts here instead of in the C runtime's start-up.
// The runtime DLL sets itself up when it loads; the engine wants nothing more of a start-up than
// its command line, its static constructors and an exit that flushes the runtime. It has no use
// for the argument vector, wildcards, thread-local callbacks or the math-error and fault hooks,
// whose code was some 6 KB of the engine.
#include <windows.h>

#include <cstdlib>

#include "core/CommandLine.h"

extern "C" {
void _pei386_runtime_relocator();
void __main();
}

// The loader calls the entry with the stack aligned to 4 bytes; the compiler's code expects 16.
extern "C" __attribute__((force_align_arg_pointer, used, externally_visible)) void PendrixStart() {
  // A heap found corrupt ends the process, before any code could use what was overwritten.
  HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
  _pei386_runtime_relocator();  // fixes references to data in DLLs, where the linker left any
  __main();                     // runs static constructors, and has their destructors run at exit
  // The window's show state is the hidden window's own, never the caller's: WinMain ignores it.
  char* arguments = const_cast<char*>(ArgumentsAfterProgramName(GetCommandLineA()));
  exit(WinMain(GetModuleHandleA(nullptr), nullptr, arguments, SW_SHOWDEFAULT));
}
