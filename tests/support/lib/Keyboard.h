// Keys typed as a user types them, through the system's input queue: they reach the foreground
// window and every keyboard hook on the way.
#pragma once
#include <windows.h>

#include <initializer_list>

namespace test {

// Presses the keys in order and releases them in reverse order (a chord such as Insert+B).
void PressKeys(std::initializer_list<WORD> keys);

}  // namespace test
