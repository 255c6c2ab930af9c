// Which reparse points a file that is run, or given to msiexec, may carry. Windows resolves the
// data tags itself (cloud files, deduplication, WOF, HSM, storage sync) and the program still
// starts from the file's own bytes; any other tag can send CreateProcess elsewhere (an app
// execution alias) or is a link. Pure numbers, no <windows.h>.
#pragma once
#include <cstdint>

// True for a tag whose file runs from its own bytes.
bool IsDataReparseTag(uint32_t tag);

// What a tag is, for a log line: "a symbolic link", "an app execution alias", or "a reparse
// point of another kind".
const char* ReparseTagText(uint32_t tag);
