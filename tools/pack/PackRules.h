// Which payload file the engine will extract for an installer section, so that the builder
// embeds exactly what the engine will look for. The resource name, the msiexec test and the
// file-name rule are the engine's own (install/InstallerResource.h, install/MsiSwitch.h,
// install/InstallerFileName.h).
#pragma once
#include <cstddef>

#include "install/InstallerFileName.h"
#include "install/InstallerResource.h"
#include "install/MsiSwitch.h"

constexpr size_t kPayloadNameSize = kInstallerFileNameSize;
