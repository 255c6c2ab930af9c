// The working folder's rules on arbitrary text. The access rule reads no byte outside the text,
// and no folder that lets anyone else in passes for the administrators' alone. A folder name
// found in the temporary folder is ours only when it is a name we could have made. A SID as text
// gives a descriptor of three entries, which is the administrators' alone only for SYSTEM or them.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "trust/WorkFolderRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.c_str();  // the rule works on terminated text
  if (OnlyAdministratorsMayWrite(text.c_str()) && OnlyAdministratorsMayWrite((text + "(A;;FA;;;WD)").c_str()))
    __builtin_trap();

  // A name of ours formats back to itself, whatever the case of its letters.
  unsigned char random[kWorkFolderRandomBytes] = {};
  memcpy(random, data, std::min(size, sizeof(random)));
  char name[kWorkFolderNameSize];
  for (size_t i = 0; IsWorkFolderName(text.c_str()) && i < kWorkFolderRandomBytes; i++)
    random[i] = static_cast<unsigned char>(std::stoul(text.substr(strlen(kWorkFolderPrefix) + 2 * i, 2), nullptr, 16));
  FormatWorkFolderName(random, name);
  if (IsWorkFolderName(text.c_str()) && strcasecmp(name, text.c_str()) != 0) __builtin_trap();
  if (!IsWorkFolderName(name) || IsWorkFolderName((std::string(name) + text).c_str()) != text.empty()) __builtin_trap();

  char sddl[300];
  if (!WorkFolderSddl(true, "", sddl, sizeof(sddl)) || !OnlyAdministratorsMayWrite(sddl)) __builtin_trap();
  const bool theirs = text == "S-1-5-18" || text == "S-1-5-32-544";
  if (WorkFolderSddl(false, text.c_str(), sddl, sizeof(sddl)) &&
      (std::count(sddl, sddl + strlen(sddl), '(') != 3 || OnlyAdministratorsMayWrite(sddl) != theirs))
    __builtin_trap();
  return 0;
}
