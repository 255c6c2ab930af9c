// The root of a RegKey rule's key path: "HKLM" or "HKEY_LOCAL_MACHINE" and the other three, in
// any case, each also spelled with 64 ("HKLM64", "HKEY_LOCAL_MACHINE64") for the 64-bit registry
// view. The engine is a 32-bit program, so on 64-bit Windows the plain names read the 32-bit
// view; on 32-bit Windows the names with 64 mean the same as those without. Shared by the
// engine's key test and PendrixPack's check of rules.
#pragma once
#include <cstddef>

// The most characters of a root name that the engine reads before the first backslash.
constexpr size_t kRegistryRootChars = 24;

enum class RegistryRoot { kClassesRoot, kCurrentUser, kLocalMachine, kUsers };

struct RegistryRootName {
  RegistryRoot root;
  bool view64;  // spelled with 64
  bool known;   // false: no root name, and the key is looked up under HKEY_LOCAL_MACHINE
};

RegistryRootName ReadRegistryRoot(const char* name);
