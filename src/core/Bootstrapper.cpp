// Start-up and teardown of the Bootstrapper object.
#include "core/Bootstrapper.h"

#include <shlwapi.h>

#include <cstring>

#include "core/BoundedString.h"
#include "core/SetupTypeName.h"

HHOOK g_hKeyboardHook = nullptr;
Bootstrapper* g_pActiveBootstrapper = nullptr;

Bootstrapper::Bootstrapper(const char* commandLine)
    : m_pCommandLine(new BootstrapperCommandLine(commandLine)) {
  InitPaths();
  LogMessage(this, "*** Pendrix - Start. ***");
}

void Bootstrapper::InitPaths() {
  g_hKeyboardHook = SetWindowsHookExA(WH_KEYBOARD, WelcomeKeyboardHookProc, nullptr, GetCurrentThreadId());

  GetTempPathA(259, m_szTempFolder);
  GetLongPathNameA(m_szTempFolder, m_szTempFolder, 259);
  FormatCut(m_szLanguageDllPath, "%sPendrixLang.dll", m_szTempFolder);
  FormatCut(m_szSettingsPath, "%sSettings.ini", m_szTempFolder);

  GetModuleFileNameA(nullptr, m_szSourceDir, 259);
  PathRemoveFileSpecA(m_szSourceDir);

  m_OSVersion = {};
  m_OSVersion.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  GetVersionExA(&m_OSVersion);

  BootstrapperCommandLine& commandLine = *m_pCommandLine;
  commandLine.Parse();

  if (commandLine.Has(kOptLog) && commandLine.m_szLogPath[0] != '\0')
    CopyCut(m_szLogFilePath, commandLine.m_szLogPath, 259);
  else
    FormatCut(m_szLogFilePath, "%s\\%s", m_szSourceDir, "ZR_Setup_Package.log");

  if (commandLine.Has(kOptType)) {
    CopyCut(m_szSetupType, commandLine.m_szTypeName, kSetupTypeChars);
    m_bSilent = IsSilentSetupType(m_szSetupType);
  } else {
    CopyCut(m_szSetupType, "default");
  }

  SetSystemFolders();
}

Bootstrapper::~Bootstrapper() {
  LogMessage(this, "*** Pendrix - Finish. ***");
  ReleaseSettingsFile();
  if (g_hKeyboardHook != nullptr) UnhookWindowsHookEx(g_hKeyboardHook);
  g_hKeyboardHook = nullptr;
  m_pCommandLine.reset();  // nothing can be logged from here on
  if (m_hLanguageModule != nullptr) {
    FreeLibrary(m_hLanguageModule);
    m_hLanguageModule = nullptr;
    DeleteFileA(m_szLanguageDllPath);
  }
  if (m_hSingleInstanceMutex != nullptr) CloseHandle(m_hSingleInstanceMutex);
  m_hSingleInstanceMutex = nullptr;
}
