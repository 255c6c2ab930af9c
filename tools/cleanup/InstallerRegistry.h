// Removes one product's Windows Installer registration from the registry, for the machine and
// for every user whose data is reachable, in each registry view of the system, and the copy of
// its package that Windows Installer keeps.
#pragma once
#include <windows.h>

struct RemovalResult {
  unsigned removed = 0;          // keys, values and files removed
  LONG error = ERROR_SUCCESS;    // the first failure; the removal went on after it
  char failedPlace[1024] = {};   // the key or file where that failure happened
};

// productCode is braced and upper case, packedCode its packed registry form. Only keys named
// after the product, values named after it, keys that held nothing else and the product's cached
// package are removed. Each removal is one line on stdout.
RemovalResult RemoveProductRegistration(const char* productCode, const char* packedCode);
