// Code that a package runs comes from the system folder only: never from the package's own
// folder, the current folder or the temporary folder, where anyone may have put a file of the
// right name. DLLs that are not among Windows' known DLLs are delay-loaded (the list is in
// cmake/DelayLoad.cmake) and resolved here; programs named without a folder start from here.
#pragma once
#include <windows.h>

// The first thing a program does: DLLs are looked for in the system folder only. Where Windows
// cannot restrict the search (before Windows 7 with its update), the current folder at least
// leaves it, and every DLL of ours is loaded by its full system path.
void RestrictDllSearch();

enum class DllSearch { kNotRestricted, kSystemFolderOnly, kUnavailable };
DllSearch GetDllSearch();

// A DLL of Windows, loaded from the system folder (or where the program's manifest redirects
// the name); null with the loader's error when it is not there.
HMODULE LoadSystemLibrary(const char* name);

// A program named without a folder ("msiexec.exe") becomes its path in the system folder; any
// other name is copied as it is. False when the result does not fit.
bool SystemProgramPath(const char* program, char* path, DWORD size);
