// The Welcome step: the Welcome dialog, or the spoken welcome alone.
#include "core/Bootstrapper.h"

void Bootstrapper::SetWelcomeDlgRes(HINSTANCE hInstance, DWORD dwDlgID, DWORD dwStaticMsg1ID,
                                    DWORD dwStaticMsg2ID, DWORD dwStaticSidePanelID, DWORD dwSidePanelBmpID) {
  WelcomeDlgRes.hInstance = hInstance;
  WelcomeDlgRes.dwDlgID = dwDlgID;
  WelcomeDlgRes.dwStaticMsg1ID = dwStaticMsg1ID;
  WelcomeDlgRes.dwStaticMsg2ID = dwStaticMsg2ID;
  WelcomeDlgRes.dwStaticSidePanelID = dwStaticSidePanelID;
  WelcomeDlgRes.dwSidePanelBmpID = dwSidePanelBmpID;
  LogMessage(this,
             "SetWelcomeDlgRes - hInstance: 0x%lu, dwDlgID: %d, dwStaticMsg1ID: %d, dwStaticMsg2ID: %d, "
             "dwStaticSidePanelID: %d, dwSidePanelBmpID: %d.",
             reinterpret_cast<DWORD>(hInstance), dwDlgID, dwStaticMsg1ID, dwStaticMsg2ID, dwStaticSidePanelID,
             dwSidePanelBmpID);
}

bool Bootstrapper::RunWelcomeStep() { return true; }
bool Bootstrapper::ShowWelcome() { return false; }
INT_PTR CALLBACK WelcomeDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
