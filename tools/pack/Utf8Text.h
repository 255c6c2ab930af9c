// PendrixPack's texts are UTF-8: its command line, the paths it opens, the translators' words
// and every line it prints, so that a folder or a text in any script reaches Windows and the
// reader whole. Windows is asked through its wide functions. What the settings hold stays in the
// ANSI code page, as the engine reads it, and is converted where it is shown.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const wchar_t* wide, size_t length);
inline std::string WideToUtf8(const std::wstring& wide) { return WideToUtf8(wide.data(), wide.size()); }
// Text of a code page (the ANSI code page unless named), as UTF-8, and back.
std::string AnsiToUtf8(const std::string& text, UINT codePage = CP_ACP);
std::string Utf8ToAnsi(const std::string& utf8, UINT codePage = CP_ACP);
// Whether the code page has every character of the text.
bool SpelledIn(UINT codePage, const std::wstring& text);
// A path that Windows' ANSI functions reach the file by: the path in the ANSI code page, or,
// where that cannot spell it, `copy` with the file's bytes. "" when neither can be had.
class TemporaryFile;
std::string AnsiReadablePath(const std::string& utf8, TemporaryFile& copy);

// The program's arguments, argv[0] included, from its UTF-16 command line.
std::vector<std::string> Utf8Arguments();

// printf to stdout or stderr: a console is written to through WriteConsoleW, which shows every
// script; a file or a pipe gets the UTF-8 bytes.
void PrintTo(FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
