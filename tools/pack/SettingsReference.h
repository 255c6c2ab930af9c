// The key tables of the Settings.ini reference (docs/settings.md), written from the engine's
// settings table so that the reference says what the engine reads, keeps and does.
#pragma once
#include <string>

#include "settings/SettingsKeys.h"

// A Markdown table of the keys of one kind of section: key, value, default, characters kept,
// and what the engine does with it.
std::string SettingsKeyTable(SettingsSectionKind kind);

// A Markdown table of the Reboot keywords and what each does.
std::string RebootModeTable();
