// PendrixPack --language-template FOLDER: the translator's starting point, the engine's built-in
// English as a language folder: texts.ini with every text and a WAVE file of every recording.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct BuiltInLanguage;

// Writes the folder (made when it does not exist; a folder that already holds a language is
// left as it is). 0, or the Windows error code with one line on stderr.
int WriteLanguageTemplate(const std::string& folder, const std::string& enginePath);

// A language as a translator's folder, made when it does not exist: texts.ini and a WAVE file of
// each recording, every file new; `written` gets their names. 0, or the Windows error code with
// `error` set to one line.
DWORD WriteTranslatorFolder(const BuiltInLanguage& language, const std::string& folder, std::string& error,
                            std::vector<std::string>* written = nullptr);
