// Finds the file or product code that follows a Windows Installer action switch in an
// installer's arguments. Shared by the engine and the package builder.
#pragma once
#include <cstddef>

// The action switches, each with its trailing blank, in the order they are searched for.
extern const char* const kMsiActionSwitches[6];

// Searches the switches in order; the first one that occurs wins. Copies the word after it
// (at most size - 1 characters, one pair of enclosing quotes removed) into word.
// Returns the index of the switch found, or -1 (word is then empty).
int FindMsiSwitchWord(const char* arguments, char* word, size_t size);
