// The working folder's access rule on arbitrary text: it reads no byte outside the text, and no
// folder that lets anyone else in passes for the administrators' alone.
#include <cstdint>
#include <string>

#include "trust/WorkFolderRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.c_str();  // the rule works on terminated text
  if (OnlyAdministratorsMayWrite(text.c_str()) && OnlyAdministratorsMayWrite((text + "(A;;FA;;;WD)").c_str()))
    __builtin_trap();
  return 0;
}
