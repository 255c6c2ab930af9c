// Where a package carries an installer: the resource of type "INSTALLER" named "INSTALLER_"
// and the installer section's Name. The engine extracts it by this name and PendrixPack embeds
// it by the same, so both take it from here.
#pragma once
#include <cstddef>

inline constexpr char kInstallerResourceType[] = "INSTALLER";
constexpr size_t kResourceNameSize = 150;

// "INSTALLER_" followed by the Name, cut to 149 characters, every blank an underscore.
void InstallerResourceName(const char* name, char (&out)[kResourceNameSize]);
