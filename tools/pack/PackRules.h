// Which payload file the engine will extract for an installer section, so that the builder
// embeds exactly what the engine will look for. The resource name, the msiexec test and the
// file-name rule are the engine's own (install/InstallerResource.h, install/MsiSwitch.h,
// trust/InstallerFileName.h).
#pragma once
#include <cstddef>

#include "install/InstallerResource.h"
#include "install/MsiSwitch.h"
#include "trust/InstallerFileName.h"

constexpr size_t kPayloadNameSize = kInstallerFileNameSize;
