// A program's version resource (VS_VERSIONINFO), which Explorer's file properties, inventory
// tools and GetFileVersionInfo read: its fixed part (the file's and the product's version as
// four numbers) and its strings in one table, US English in UTF-16. PendrixPack writes the
// package maker's and reads a package's for --list. Pure byte work, no <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct VersionInfo {
  uint16_t fileVersion[4] = {};
  uint16_t productVersion[4] = {};
  std::vector<std::pair<std::u16string, std::u16string>> strings;  // name and value, in order
  std::u16string String(const char* name) const;                   // a string's value, or ""
};

// The resource's bytes: the fixed part, one string table under 040904B0 (US English, UTF-16),
// and the translation that names it.
std::vector<uint8_t> WriteVersionResource(const VersionInfo& info);

// Reads the fixed part and every string of the first string table; nullptr, or why not.
const char* ReadVersionResource(const uint8_t* data, size_t size, VersionInfo& info);

// "2.5.1.0" of four numbers; with `shortest`, without the trailing zeros after the first two ("2.5.1").
std::string VersionText(const uint16_t (&parts)[4], bool shortest = false);
