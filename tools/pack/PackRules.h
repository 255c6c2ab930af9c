// Which payload file the engine will extract for an installer section, so that the builder
// embeds exactly what the engine will look for. The resource name and the msiexec test are the
// engine's own (install/InstallerResource.h, install/MsiSwitch.h).
#pragma once
#include <cstddef>

#include "install/InstallerResource.h"
#include "install/MsiSwitch.h"

constexpr size_t kPayloadNameSize = 260;

// True when name can stand as a file name in a folder: no folder separator, drive colon,
// wildcard, quote, angle bracket, bar or control character.
bool IsPlainFileName(const char* name);

enum class PayloadRule {
  kOk,
  kNoMsiFile,  // an msiexec run whose Arguments name no file after an action switch
  kNotAFileName,  // the engine extracts into the temporary folder by this name: no folder, no wildcard
};

// The name under which the engine extracts an installer: File, or for an msiexec run the word
// after the first action switch in Arguments.
PayloadRule PayloadFileName(const char* file, const char* arguments, char (&out)[kPayloadNameSize]);
