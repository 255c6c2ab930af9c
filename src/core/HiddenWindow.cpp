#include "core/HiddenWindow.h"

namespace {

LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HWND ShowHiddenWindow(HINSTANCE instance, const char* className, const char* title) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = HiddenWindowProc;
  windowClass.lpszClassName = className;
  RegisterClassExA(&windowClass);
  HWND window = CreateWindowExA(0, className, title, WS_MINIMIZE, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  return window;
}

void RemoveHiddenWindow(HWND window, const char* className) {
  if (window != nullptr) DestroyWindow(window);
  UnregisterClassA(className, nullptr);
}
