// Where a package carries an installer: the resource of type "INSTALLER" named "INSTALLER_"
// and the installer section's Name. The engine extracts it by this name and PendrixPack embeds
// it by the same, so both take it from here.
#pragma once
#include <cstddef>

inline constexpr char kInstallerResourceType[] = "INSTALLER";
constexpr size_t kResourceNameSize = 150;

// "INSTALLER_" followed by the Name, cut to 149 characters, every blank an underscore.
void InstallerResourceName(const char* name, char (&out)[kResourceNameSize]);

// The SHA-256 of an installer file that runs beside the package (DoNotExtract), as PendrixPack
// read it from the payload folder: 32 bytes, under the installer's resource name.
inline constexpr char kInstallerHashResourceType[] = "SHA256";
constexpr size_t kInstallerHashSize = 32;
