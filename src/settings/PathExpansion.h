// The path variables of the existence rules: "$(WinDrive))" (with two closing parentheses),
// "$(ProgramFiles)", "$(Windows)", "$(System32)", and the 64-bit folders "$(ProgramFiles64)" and
// "$(System64)", each recognised only as a whole component of a path and without regard to case.
// The engine is a 32-bit program: on 64-bit Windows its $(ProgramFiles) is the 32-bit Program
// Files folder and its $(System32) is redirected to SysWOW64.
#pragma once
#include <cstddef>

// The variables, in the order of PathFolders.
inline constexpr const char* kPathVariables[] = {"$(WinDrive))", "$(ProgramFiles)",   "$(Windows)",
                                                 "$(System32)",  "$(ProgramFiles64)", "$(System64)"};

// The values of the variables. On 32-bit Windows the 64-bit ones are the same as the others.
struct PathFolders {
  const char* winDrive;
  const char* programFiles;
  const char* windows;
  const char* system;
  const char* programFiles64;
  const char* system64;
};

// True when the text is one of the variables, the case of its letters aside.
bool IsPathVariable(const char* text);

// Clears the whole buffer and writes the path with its variables replaced, its components
// joined by single backslashes. Doubled and trailing backslashes vanish; a leading pair (a
// network path) or a leading single backslash (the root of the current drive) stays, unless the
// first component is a variable, whose folder is a whole path of its own. The text is
// cut at size - 1 characters and always terminated. A path of backslashes only is copied as
// written, and the result is false; otherwise true. Nothing is written when the buffer is null
// or size is 0; a null path counts as empty.
bool ExpandPathVariables(const char* path, const PathFolders& folders, char* buffer, size_t size);

// The drive part of a path, such as "C:" of "C:\Windows": a letter and a colon at its start,
// else empty. Cut and terminated like every copy.
void DrivePart(const char* path, char* buffer, size_t size);
