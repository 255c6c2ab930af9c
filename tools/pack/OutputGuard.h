// PendrixPack never destroys what it reads: the output may not be the engine, the settings file or
// a payload file under any of its names, and a package is built in a partial file beside the
// output that a killed run leaves behind and the next run removes.
#pragma once
#include <windows.h>

#include <string>

#include "PackagePlan.h"

// The file a package is written to before it replaces the output: "<output>.pendrixpack-partial".
std::string PartialPackagePath(const std::string& outPath);

// Removes the partial file that an earlier run, killed while writing, left beside the output.
// Returns 0, or a Windows error code with `error` set to one line (another run is writing it now).
DWORD RemovePartialPackage(const std::string& outPath, std::string& error);

// Refuses an output that is one of the inputs: by full path as Windows compares names, or as the
// same file on the same volume (a short 8.3 name, a link, another spelling of the path).
DWORD RefuseOutputOverInput(const std::string& outPath, const std::string& enginePath, const std::string& settingsPath,
                            const PackagePlan& plan, std::string& error);
