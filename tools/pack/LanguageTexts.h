// texts.ini, the translator's file: one key per message of the string table in [Messages], and
// one per text a dialog carries itself in [Dialog <number>] (its Caption, and each control by its
// number). A value is one line: "\n" stands for a line break and "\\" for a backslash before an
// n, another backslash or a line break; a value that begins or ends with a blank or a quote is
// written in quotes. A comment "; keep" above a key says that its text stays as the built-in one on
// purpose. Read as UTF-8, into which the file's own encoding is turned first. Portable.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "SettingsEncoding.h"

inline constexpr char kTextsFileName[] = "texts.ini";
inline constexpr char kMessagesSection[] = "Messages";
inline constexpr char kDialogSectionPrefix[] = "Dialog ";
inline constexpr char kCaptionKey[] = "Caption";
inline constexpr char kKeepMark[] = "keep";  // "; keep": a text kept as the built-in one on purpose

struct LanguageText {
  std::string section;
  std::string key;
  std::string text;  // as shown: line breaks are CR LF
  int line = 0;      // in texts.ini; 0 for a text not read from a file
  // The translator keeps it as the built-in text has it, on purpose: a comment "; keep" stands
  // among the comment lines right above it.
  bool kept = false;
  std::string note;  // written above it as comment lines, one for each line of the note
};

// A line of texts.ini that says nothing a translator meant.
struct TextsProblem {
  int line;
  std::string text;
};

// texts.ini as UTF-8, from any encoding PendrixPack reads: UTF-8 with or without its mark, UTF-16
// LE or BE with its mark, or ANSI in `ansiCodePage` (the language's own). "" or why it cannot be
// read, with the line it is about in `line` (0 for the whole file). A file whose lines are UTF-8
// in part and another encoding in part is refused at the first line that is no UTF-8.
std::string TextsAsUtf8(const std::vector<uint8_t>& bytes, const TextConversions& convert, unsigned ansiCodePage,
                        std::string& utf8, size_t& line);

// Every key in file order. Problems: a line that is no section, key or comment; a key before any
// section; a key written twice in its section (the first counts).
std::vector<LanguageText> ReadLanguageTexts(const std::string& utf8, std::vector<TextsProblem>& problems);

// texts.ini for these texts, each section once in the order first met, after `header` (comment
// lines, each starting with ";").
std::string WriteLanguageTexts(const std::vector<LanguageText>& texts, const std::string& header);

std::string EscapeText(const std::string& text);
std::string UnescapeText(const std::string& value);

// The printf placeholders of a text in order, as the engine's formatting reads them: "%s",
// "%lu", "%d" ... ("%%" is a percent sign). Each is given without its flags and width, which
// change only how it is laid out: "%-5s" is "%s".
std::vector<std::string> Placeholders(const std::string& text);
// Why a translation cannot stand in for the built-in text: "" when its placeholders agree in
// count, order and kind.
std::string PlaceholderProblem(const std::string& builtIn, const std::string& translation);
