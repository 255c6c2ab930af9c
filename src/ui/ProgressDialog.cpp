#include "core/Bootstrapper.h"

void Bootstrapper::ShowProgressDialog() {}
INT_PTR CALLBACK ProgressDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
void __cdecl ProgressThreadProc(void*) {}
