// PendrixPack --list: what a built package carries, read as the loader reads it: the engine's
// version, the settings (embedded, or the Settings.ini it reads beside itself), each setup type
// with its installers in order and the resource each one is extracted from, and every resource.
#pragma once
#include <string>

// Prints the listing; 0, or the Windows error code of a package that cannot be read.
int ListPackage(const std::string& packagePath);
