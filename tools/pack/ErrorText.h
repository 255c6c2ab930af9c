// Wording shared by the builder's error lines.
#pragma once
#include <windows.h>

#include <string>

// The system's text for an error code (UTF-8), without its closing full stop and line break.
std::string SystemMessage(DWORD code);
// The text in double quotes.
std::string Quoted(const std::string& text);
