// The texts of the built language DLL, read as the engine reads them, so that a test can
// compare what a dialog shows with what the language module holds.
#pragma once
#include <windows.h>

#include <string>

namespace test {

// String `id` of PendrixLang.dll in the bin folder, or "" when it has none.
std::string LanguageString(UINT id);

}  // namespace test
