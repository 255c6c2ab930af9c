// Feeds arbitrary bytes to the readers of a language: the package's index and /UILanguage as the
// engine reads them, texts.ini (through PendrixPack's decoding of its encodings), a string block,
// a dialog template and a recording as PendrixPack reads them. What reads must write back into
// bytes that read the same: the texts of texts.ini, and a dialog template.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "../../../tools/pack/LanguageTexts.h"
#include "../../../tools/pack/ResourceTexts.h"
#include "../../../tools/pack/WaveCheck.h"
#include "WindowsStandIns.h"
#include "ui/LanguageChoice.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  static LanguageIndex languages;
  ParseLanguageIndex(text.data(), text.size(), languages);
  LanguageChoice choice = ChooseLanguage(languages, size >= 2 ? static_cast<uint16_t>(data[0] | data[1] << 8) : 0, 1252,
                                         ParseLanguageRequest(text.c_str()));
  if (choice.chosen >= static_cast<int>(languages.size())) __builtin_trap();

  // The texts keep themselves through a template of them, unless a lone CR stands in one: that
  // becomes a line break.
  std::string utf8;
  std::vector<TextsProblem> problems;
  size_t line = 0;
  if (TextsAsUtf8(std::vector<uint8_t>(data, data + size), standin::Conversions(), kAnsiCodePage, utf8, line).empty()) {
    std::vector<LanguageText> texts = ReadLanguageTexts(utf8, problems);
    const size_t found = problems.size();  // the template adds none
    std::vector<LanguageText> again = ReadLanguageTexts(WriteLanguageTexts(texts, "; template\r\n"), problems);
    // The template groups each section's texts: the same texts, perhaps in another order.
    std::multiset<std::string> written, read;
    for (size_t i = 0; i < texts.size() && i < again.size(); i++) {
      for (size_t at = texts[i].text.find('\r'); at != std::string::npos; at = texts[i].text.find('\r', at + 1))
        if (texts[i].text[at + 1] != '\n') texts[i].text.insert(at + 1, "\n");
      written.insert(texts[i].section + '\n' + texts[i].key + '\n' + texts[i].text);
      read.insert(again[i].section + '\n' + again[i].key + '\n' + again[i].text);
    }
    if (problems.size() != found || again.size() != texts.size() || written != read) __builtin_trap();
  }
  PlaceholderProblem(text, text.substr(size / 2));

  std::vector<std::u16string> strings;
  langres::ReadStringBlock(data, size, strings);
  langres::DialogTemplate dialog;
  if (langres::ReadDialogTemplate(data, size, dialog) == nullptr) {
    std::vector<uint8_t> written = langres::WriteDialogTemplate(dialog);
    langres::DialogTemplate again;
    if (langres::ReadDialogTemplate(written.data(), written.size(), again) != nullptr ||
        again.items.size() != dialog.items.size() || langres::WriteDialogTemplate(again) != written)
      __builtin_trap();
  }
  WaveFormat format;
  WaveProblem(data, size, format);
  return 0;
}
