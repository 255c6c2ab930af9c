// Writes a package: a copy of the engine with one more section that holds the resource
// directory and the embedded files. The payloads are streamed from disk, so the builder's memory
// does not grow with them. The package is built in a partial file beside the output and moved over
// it only when it is complete and the loader finds every resource in it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "PackagePlan.h"
#include "PeResources.h"

// Set from the console's Ctrl+C handler; the copy stops and the partial file is removed.
extern volatile LONG g_packCancelled;

// Returns 0, or a Windows error code with `error` set to one line. `outSize` is the package's size.
DWORD WritePackage(const std::string& enginePath, const std::string& outPath, const PackagePlan& plan,
                   std::string& error, uint64_t& outSize);

// The resources of a program file as its directory lists them (type, name, language, address and
// size), read from its headers; "" or why not.
std::string ReadProgramResources(const std::string& path, std::vector<pe::ResourceEntry>& entries);
