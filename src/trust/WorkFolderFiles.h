// Files the engine writes into the run's working folder. Each is created new and, from the
// moment it is written until its user has ended, held open without write or delete sharing, after
// a check that it is still the same file with the same bytes. Another program that got in
// between the writing and the holding (possible where the folder is open to the user) is met
// with a fresh folder of its own for the next attempt, under a name that program cannot foresee.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// A failing call that leaves no error must still fail.
inline DWORD ErrorOr(DWORD error, DWORD fallback) { return error != ERROR_SUCCESS ? error : fallback; }

// Writes all of bytes to the file, a bounded piece at a time; 0 or the Windows error. A short
// write without an error is a failure too. With `crc`, each piece written goes through its
// CRC-32C while it is still in the processor's cache.
DWORD WriteAll(HANDLE file, const BYTE* bytes, DWORD size, uint32_t* crc = nullptr);

// True for the errors of a disk that is full.
inline bool IsDiskFull(DWORD error) { return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL; }

// Called, when set, with each file the engine has just written into the working folder and
// before it holds it: the moment another program could change it. Tests stand in for that program.
using AfterWorkFileWrittenFn = void (*)(const char* path);
extern AfterWorkFileWrittenFn g_AfterWorkFileWritten;

// Where a user frees space for a folder: its drive (the root of its volume, such as "C:\"), or
// the folder that holds it when the volume cannot be told. Never the run's own folder, which is
// gone when the user reads the message.
std::string SpaceToFree(const char* folder);
