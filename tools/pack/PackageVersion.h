// What a package says it is in its version resource, which Explorer's file properties and the
// inventories of deployment tools read. Without --product-name, --product-version, --company,
// --description or --copyright it is the engine's own; with any of them it is the maker's, with
// the engine's version kept in a string of its own, kEngineVersionString.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "PackOptions.h"

inline constexpr char kEngineVersionString[] = "PendrixVersion";

bool StampsVersion(const PackOptions& options);

// The package's version resource from the options and the engine's; "" or why not.
std::string MakeVersionResource(const PackOptions& options, const std::string& enginePath,
                                std::vector<uint8_t>& bytes);

// For the summary and --list: the package's version resource in one line ("" without one), and
// the engine's version ("1.0.0"), read from the package's own string or, in an engine or a
// package without one, from the fixed part.
std::string VersionLine(HMODULE module);
// True when the version resource is a package maker's, not the engine's own.
bool HasMakerVersion(HMODULE module);
std::string EngineVersion(HMODULE module);
