// Keys typed as a user types them, through the system's input queue: they reach the foreground
// window and every keyboard hook on the way.
#pragma once
#include <windows.h>

#include <vector>

namespace test {

// Presses the keys in order and releases them in reverse order (a chord such as Insert+B).
void PressKeys(const std::vector<WORD>& keys);

}  // namespace test
