// Windows' code-page conversions as the portable readers take them.
#pragma once
#include "SettingsEncoding.h"

const TextConversions& WindowsConversions();
