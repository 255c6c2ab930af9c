// The hidden, minimised top-level window that gives a package its taskbar entry while all its
// interaction happens in dialogs and boxes without an owner.
#pragma once
#include <windows.h>

// Registers the class and shows the window; null when Windows made none.
HWND ShowHiddenWindow(HINSTANCE instance, const char* className, const char* title);
// Destroys the window (null: none was made) and removes its class's registration.
void RemoveHiddenWindow(HWND window, const char* className);
