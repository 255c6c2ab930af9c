#include "BuiltInLanguage.h"

#include "ErrorText.h"
#include "LanguageTexts.h"
#include "TemporaryFile.h"
#include "Utf8Text.h"
#include "core/HandleOwner.h"
#include "ui/language/resource.h"

namespace {

struct Names {
  std::vector<unsigned> numbers;
  std::vector<std::string> texts;
};

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR parameter) {
  auto* names = reinterpret_cast<Names*>(parameter);
  if (IS_INTRESOURCE(name))
    names->numbers.push_back(static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)));
  else
    names->texts.push_back(name);
  return TRUE;
}

Names ResourceNames(HMODULE module, LPCSTR type) {
  Names names;
  EnumResourceNamesA(module, type, CollectName, reinterpret_cast<LONG_PTR>(&names));
  return names;
}

bool ResourceBytes(HMODULE module, LPCSTR type, LPCSTR name, std::vector<uint8_t>& bytes) {
  HRSRC found = FindResourceA(module, name, type);
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const uint8_t* data = loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  if (data == nullptr) return false;
  bytes.assign(data, data + SizeofResource(module, found));
  return true;
}

// A dialog's texts: its caption, and each control's own text (a picture's number is no text).
// A number that several controls share is told apart as "<number>.2", "<number>.3".
void AddDialogTexts(unsigned id, const langres::DialogTemplate& dialog, std::vector<BuiltInText>& texts) {
  const std::string section = DialogSection(id);
  if (!dialog.caption.empty()) texts.push_back({section, kCaptionKey, Utf8(dialog.caption), false, id, -1});
  std::map<int32_t, int> seen;
  for (size_t i = 0; i < dialog.items.size(); i++) {
    const langres::DialogItem& item = dialog.items[i];
    if (item.title.isNumber || item.title.text.empty()) continue;
    int count = ++seen[item.id];
    std::string key = std::to_string(item.id) + (count > 1 ? "." + std::to_string(count) : "");
    texts.push_back({section, key, Utf8(item.title.text), false, id, static_cast<int>(i)});
  }
}

}  // namespace

std::string DialogSection(unsigned dialog) { return kDialogSectionPrefix + std::to_string(dialog); }

std::string Utf8(const std::u16string& text) {
  if (text.empty()) return "";
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.data());
  int n = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(text.size()), &utf8[0], n, nullptr, nullptr);
  return utf8;
}

std::u16string Utf16(const std::string& utf8) {
  if (utf8.empty()) return u"";
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::u16string text(static_cast<size_t>(n > 0 ? n : 0), u'\0');
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), reinterpret_cast<wchar_t*>(&text[0]), n);
  return text;
}

std::string ReadBuiltInLanguage(const std::string& enginePath, BuiltInLanguage& language) {
  language = BuiltInLanguage();
  ModuleHandle engine(LoadLibraryExW(Utf8ToWide(enginePath).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!engine) return "the engine " + Quoted(enginePath) + " cannot be read (" + SystemMessage(GetLastError()) + ")";
  std::vector<uint8_t> dll;
  if (!ResourceBytes(engine.get(), kLanguageResourceType, kLanguageResource, dll))
    return "the engine " + Quoted(enginePath) + " carries no language DLL";
  std::string problem = ReadLanguageDll(dll, language);
  return problem.empty() ? "" : "the engine's language DLL " + problem;
}

std::string ReadLanguageDll(const std::vector<uint8_t>& dll, BuiltInLanguage& language) {
  language = BuiltInLanguage();
  language.dll = dll;
  TemporaryFile copy;
  DWORD result = copy.Write(dll.data(), static_cast<DWORD>(dll.size()));
  if (result != 0) return "cannot be written to the temporary folder (" + SystemMessage(result) + ")";
  ModuleHandle module(LoadLibraryExA(copy.path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) return "cannot be read (" + SystemMessage(GetLastError()) + ")";

  const LPCSTR stringType = reinterpret_cast<LPCSTR>(RT_STRING);
  for (unsigned block : ResourceNames(module.get(), stringType).numbers) {
    std::vector<uint8_t> bytes;
    std::vector<std::u16string> strings;
    if (!ResourceBytes(module.get(), stringType, MAKEINTRESOURCEA(block), bytes) ||
        langres::ReadStringBlock(bytes.data(), bytes.size(), strings) != nullptr)
      return "has a block " + std::to_string(block) + " of its string table that cannot be read";
    language.blocks[block] = strings;
  }
  for (const auto& block : language.blocks)
    for (unsigned i = 0; i < langres::kStringsPerBlock; i++)
      if (!block.second[i].empty()) {
        unsigned id = langres::FirstMessageOfBlock(block.first) + i;
        language.texts.push_back({kMessagesSection, std::to_string(id), Utf8(block.second[i]), true, id, -1});
      }

  const LPCSTR dialogType = reinterpret_cast<LPCSTR>(RT_DIALOG);
  for (unsigned id : ResourceNames(module.get(), dialogType).numbers) {
    std::vector<uint8_t> bytes;
    langres::DialogTemplate dialog;
    const char* problem = ResourceBytes(module.get(), dialogType, MAKEINTRESOURCEA(id), bytes)
                              ? langres::ReadDialogTemplate(bytes.data(), bytes.size(), dialog)
                              : "it cannot be loaded";
    if (problem != nullptr) return "has a dialog " + std::to_string(id) + " that cannot be read: " + problem;
    language.dialogs[id] = dialog;
  }
  for (const auto& dialog : language.dialogs) AddDialogTexts(dialog.first, dialog.second, language.texts);

  for (const std::string& name : ResourceNames(module.get(), kWaveResourceType).texts) {
    BuiltInRecording recording{name, {}};
    if (!ResourceBytes(module.get(), kWaveResourceType, name.c_str(), recording.bytes))
      return "has a recording " + name + " that cannot be read";
    language.recordings.push_back(recording);
  }
  return "";
}
