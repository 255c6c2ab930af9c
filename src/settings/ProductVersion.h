// The version comparison of installed-product detection: a package's ProductVersion against the
// VersionString of the installed product, field by field.
#pragma once

// Results of IsMsiProductInstalled: how the package's product stands on the machine. The last
// three are also the results of the comparison.
enum InstalledProductResult : int {
  kProductUndetermined = -2,  // not a Windows Installer package, not installed, or unknown
  kProductOlderInstalled = -1,
  kProductSameInstalled = 0,
  kProductNewerInstalled = 1,
};

// kProductOlderInstalled when the package is newer than the installed product,
// kProductSameInstalled when both are the same, kProductNewerInstalled when the installed product
// is newer. Fields are the "." items of the list rule, each read as an unsigned 32-bit number;
// only as many fields as the shorter version has are compared, so 1.2 and 1.2.1 are the same. An
// empty side is older than any other; a side that is not empty but has no field ("..") is newer
// on the package side and older on the installed side. Null reads as empty.
int CompareProductVersions(const char* packageVersion, const char* installedVersion);
