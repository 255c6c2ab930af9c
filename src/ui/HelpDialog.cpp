#include "core/Bootstrapper.h"

DWORD Bootstrapper::ShowHelp() { return m_hLanguageModule ? 0 : 6; }
DWORD Bootstrapper::ShowMoreHelp() { return m_hLanguageModule ? 0 : 6; }
INT_PTR CALLBACK HelpDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
