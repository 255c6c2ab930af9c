// The engine's built-in language, read from the language DLL it carries: every message of the
// string table, every text a dialog carries itself, and every recording. What a translator
// translates and what PendrixPack checks a translation against both come from here, so a message
// or recording added to the engine is covered without a list kept by hand.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ResourceTexts.h"

// One text, under its key of texts.ini.
struct BuiltInText {
  std::string section;
  std::string key;
  std::string text;  // UTF-8, line breaks CR LF
  // Where it lives: a message of the string table, or a dialog's caption (item -1) or control.
  bool message = false;
  unsigned id = 0;  // the message, or the dialog
  int item = -1;
};

struct BuiltInRecording {
  std::string name;  // the WAVE resource's name, "IDR_OS_WAV"; its file is name + ".wav"
  std::vector<uint8_t> bytes;
};

struct BuiltInLanguage {
  std::vector<BuiltInText> texts;  // [Messages] by number, then each dialog by number
  std::map<unsigned, std::vector<std::u16string>> blocks;  // the string table, by block
  std::map<unsigned, langres::DialogTemplate> dialogs;
  std::vector<BuiltInRecording> recordings;
  std::vector<uint8_t> dll;  // the DLL it was read from
};

// "" when read, otherwise why the engine's language cannot be read.
std::string ReadBuiltInLanguage(const std::string& enginePath, BuiltInLanguage& language);
// The same from the bytes of a language DLL, the built-in one or a package's other; "" or, to
// follow "the language DLL", why not.
std::string ReadLanguageDll(const std::vector<uint8_t>& dll, BuiltInLanguage& language);

// The key of a dialog's section in texts.ini: "Dialog 107".
std::string DialogSection(unsigned dialog);

// UTF-16 and UTF-8, as the resources and texts.ini hold them.
std::string Utf8(const std::u16string& text);
std::u16string Utf16(const std::string& utf8);
