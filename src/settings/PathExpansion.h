// The path variables of the existence rules: "$(WinDrive))" (with two closing parentheses),
// "$(ProgramFiles)", "$(Windows)" and "$(System32)", each recognised only as a whole component
// of a path and without regard to case.
#pragma once
#include <cstddef>

// The four variables, in the order of PathFolders.
inline constexpr const char* kPathVariables[] = {"$(WinDrive))", "$(ProgramFiles)", "$(Windows)", "$(System32)"};

// The values of the four variables.
struct PathFolders {
  const char* winDrive;
  const char* programFiles;
  const char* windows;
  const char* system;
};

// Clears the whole buffer and writes the path with its variables replaced, its components
// joined by single backslashes. Doubled and trailing backslashes vanish; a leading pair (a
// network path) or a leading single backslash (the root of the current drive) stays. The text is
// cut at size - 1 characters and always terminated. A path of backslashes only is copied as
// written, and the result is false; otherwise true. Nothing is written when the buffer is null
// or size is 0; a null path counts as empty.
bool ExpandPathVariables(const char* path, const PathFolders& folders, char* buffer, size_t size);

// The drive part of a path, such as "C:" of "C:\Windows": a letter and a colon at its start,
// else empty. Cut and terminated like every copy.
void DrivePart(const char* path, char* buffer, size_t size);
