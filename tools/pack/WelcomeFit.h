// Whether the Welcome dialog shows a display name whole: measured on the dialog that a package
// of this engine shows (its own dialog, or the language DLL's when it has none), created hidden,
// with the font and the size of its title as the user's screen has them.
#pragma once
#include <string>
#include <vector>

#include "SettingsCheck.h"

// Adds a warning for each greeting whose title the dialog cuts. Returns "", or why the dialog
// could not be measured here (then nothing is added).
std::string CheckWelcomeFit(const std::string& enginePath, const std::vector<WelcomeGreeting>& greetings,
                            std::vector<SettingsFinding>& findings);
