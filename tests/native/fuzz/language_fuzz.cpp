// Feeds arbitrary bytes to the readers of a language: the package's index and /UILanguage as the
// engine reads them, texts.ini, a string block, a dialog template and a recording as PendrixPack
// reads them. A template that reads must write back into bytes that read the same.
#include <cstdint>
#include <string>
#include <vector>

#include "../../../tools/pack/LanguageTexts.h"
#include "../../../tools/pack/ResourceTexts.h"
#include "../../../tools/pack/WaveCheck.h"
#include "ui/LanguageChoice.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  static LanguageIndex languages;
  ParseLanguageIndex(text.data(), text.size(), languages);
  LanguageChoice choice = ChooseLanguage(languages, size >= 2 ? static_cast<uint16_t>(data[0] | data[1] << 8) : 0, 1252,
                                         ParseLanguageRequest(text.c_str()));
  if (choice.chosen >= static_cast<int>(languages.size())) __builtin_trap();

  // A text keeps itself through texts.ini, unless a lone CR stands in it: that becomes a line break.
  std::vector<TextsProblem> problems;
  for (const LanguageText& each : ReadLanguageTexts(text, problems)) {
    bool lone = false;
    for (size_t i = 0; i < each.text.size(); i++)
      lone = lone || (each.text[i] == '\r' && (i + 1 == each.text.size() || each.text[i + 1] != '\n'));
    if (!lone && UnescapeText(EscapeText(each.text)) != each.text) __builtin_trap();
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
