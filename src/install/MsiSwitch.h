// Windows Installer runs: the test that marks one, and the file or product code that follows an
// action switch in an installer's arguments. Shared by the engine and the package builder.
#pragma once
#include <cstddef>

// The action switches, each with its trailing blank, in the order they are searched for.
extern const char* const kMsiActionSwitches[6];

// An installer is run through the Windows Installer program when its File (already lower case)
// contains "msiexec"; the test is case-sensitive.
bool IsMsiexecRun(const char* file);

// Searches the switches in order, in any letter case as msiexec itself reads them ("/I" is
// "/i"); the first one that occurs wins. The word after it is the one msiexec takes: a quoted
// word runs to its closing quote, blanks included, and any other word to the next blank. Copies
// it into word (at most size - 1 characters, one pair of enclosing quotes removed).
// Returns the index of the switch found, or -1 (word is then empty).
int FindMsiSwitchWord(const char* arguments, char* word, size_t size);

// The arguments with the word that FindMsiSwitchWord finds replaced by `word` in quotes, into out.
// False, with out empty, when there is no such word or the result does not fit in size - 1.
bool ReplaceMsiSwitchWord(const char* arguments, const char* word, char* out, size_t size);
