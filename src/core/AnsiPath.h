// Paths for the ANSI ("A") functions that the engine uses. A folder whose name the ANSI code
// page cannot spell (a user name in another script) comes out of the ANSI functions with "?"
// in it and names nothing; its short form, where the volume keeps one, names the same folder
// in plain characters.
#pragma once
#include <windows.h>

enum class AnsiPathForm {
  kAsIs,         // the code page spells the path
  kShortForm,    // its short form was used
  kUnspellable,  // neither form can be spelled; the lossy conversion was used
};

// The ANSI form of a path, cut to the buffer.
AnsiPathForm ToAnsiPath(const wchar_t* path, char* buffer, DWORD size);
