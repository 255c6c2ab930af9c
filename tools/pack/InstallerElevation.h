// Whether an installer asks Windows for elevation when it starts: what its manifest asks for,
// or, without a requested level, Windows' installer detection by its file name. An installer
// that elevates itself from a working folder that the user's other programs can write loads
// whatever DLL they put beside it, as an administrator. Pure byte and text work, no <windows.h>.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Reads `size` bytes of the file at `offset` into `bytes`; false when it cannot.
using ReadFileBytes = std::function<bool(uint64_t offset, uint32_t size, std::vector<uint8_t>& bytes)>;

struct ProgramManifest {
  bool isProgram = false;  // a Windows program file, with headers that parse
  bool is64Bit = false;
  bool found = false;      // it carries the manifest that Windows reads when it starts it
  std::vector<uint8_t> bytes;
};

// The manifest of a program file (the resource of type 24 and name 1), read through `read`.
ProgramManifest ReadProgramManifest(const ReadFileBytes& read);

// The level that a manifest's requestedExecutionLevel asks for ("requireAdministrator",
// "highestAvailable", "asInvoker"), or "" when it asks for none. UTF-8, or UTF-16 LE with its
// byte-order mark.
std::string RequestedExecutionLevel(const std::vector<uint8_t>& manifest);

// Why a program of this file name asks for elevation when it starts, or "" when it does not:
// its manifest asks for requireAdministrator or highestAvailable, or it is a 32-bit program that
// asks for no level and whose name holds "setup", "install", "update" or "patch", which Windows'
// installer detection elevates.
std::string ElevationReason(const ProgramManifest& program, const std::string& fileName);

// The level as a manifest spells it, given in any letter case; "" for no level of the three.
std::string ExecutionLevelName(const std::string& level);

// The manifest with the level of its requestedExecutionLevel replaced by `level`; false when it
// names none to replace (UTF-8 manifests only, as the engine carries).
bool WithExecutionLevel(const std::vector<uint8_t>& manifest, const std::string& level, std::vector<uint8_t>& out);
