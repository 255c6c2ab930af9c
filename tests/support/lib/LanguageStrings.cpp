#include "LanguageStrings.h"

#include "TestSupport.h"

namespace test {

std::string LanguageString(UINT id) {
  HMODULE module = LoadLibraryExA(BinFile("PendrixLang.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  char text[8192] = {};
  if (module != nullptr) {
    LoadStringA(module, id, text, sizeof(text));
    FreeLibrary(module);
  }
  return text;
}

}  // namespace test
