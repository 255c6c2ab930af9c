// Helpers for unit tests that work on a real Bootstrapper object (unit_tests.exe only: it is
// linked with the engine).
#pragma once
#include <windows.h>

#include <string>

#include "TestSupport.h"
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"

namespace test {

// Switches the object's log on, into a file of the test's choosing.
inline void LogTo(Bootstrapper& bootstrapper, const std::string& path) {
  bootstrapper.m_pCommandLine->m_dwFlags |= kOptLog;
  bootstrapper.m_LogFile.reset();  // opened at the next line
  CopyCut(bootstrapper.m_szLogFilePath, path.c_str());
}

// The object's working folder, made as a run makes it once it holds the single-instance mutex.
inline std::string OpenedWorkFolder(Bootstrapper& bootstrapper) {
  bootstrapper.OpenWorkFolder();
  return bootstrapper.m_szTempFolder;
}

// Gives the object the built language DLL as its language module, loaded from the bin folder.
// The teardown frees it and deletes the file at the language DLL path, so that path is pointed
// at a file of the test's own (by default none).
inline HMODULE UseBuiltLanguage(Bootstrapper& bootstrapper, const std::string& dllPathForTeardown = "") {
  bootstrapper.m_hLanguageModule = LoadLibraryA(BinFile("PendrixLang.dll").c_str());
  CopyCut(bootstrapper.m_szLanguageDllPath, dllPathForTeardown.c_str());
  return bootstrapper.m_hLanguageModule;
}

}  // namespace test
