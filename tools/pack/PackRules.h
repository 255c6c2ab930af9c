// The engine's rules for the settings values that decide what goes into a package, written down
// for the builder so that it embeds exactly what the engine will look for.
#pragma once
#include <cstddef>

constexpr size_t kResourceNameSize = 150;
constexpr size_t kPayloadNameSize = 260;

// "INSTALLER_" followed by the installer's Name, cut to 149 characters, every blank an underscore.
void InstallerResourceName(const char* name, char (&out)[kResourceNameSize]);

// File (already lower case) marks a Windows Installer run when it contains "msiexec".
bool IsMsiexecRun(const char* file);

enum class PayloadRule {
  kOk,
  kNoMsiFile,  // an msiexec run whose Arguments name no file after an action switch
  kNotAFileName,  // the engine extracts into the temporary folder by this name: no folder, no wildcard
};

// The name under which the engine extracts an installer: File, or for an msiexec run the word
// after the first action switch in Arguments.
PayloadRule PayloadFileName(const char* file, const char* arguments, char (&out)[kPayloadNameSize]);
