// PendrixPack --extract PACKAGE FOLDER: what a package carries, written out for an administrator
// to inspect, scan or package again: each installer under the name the engine extracts it as,
// the settings, each language as a translator's folder, and a listing with every file's SHA-256.
// Each file is checked against the checksum the package recorded of it, and a damaged one is
// not written.
#pragma once
#include <string>

inline constexpr char kListingFileName[] = "Listing.txt";

// Writes into a new or empty folder; 0, or a Windows error code with the reason on stderr.
int ExtractPackage(const std::string& package, const std::string& folder);
