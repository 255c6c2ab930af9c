#include "LanguageBuild.h"

#include <algorithm>
#include <map>

#include "BuiltInLanguage.h"
#include "CodePages.h"
#include "ErrorText.h"
#include "LanguageContext.h"
#include "LanguageFit.h"
#include "LanguageTexts.h"
#include "PeResources.h"
#include "SettingsEncoding.h"
#include "Utf8Text.h"
#include "WaveCheck.h"
#include "core/HandleOwner.h"
#include "core/TextCompare.h"
#include "ui/language/resource.h"

namespace {

// The ANSI code pages of Windows: those a user's texts reach the screen through.
const unsigned kAnsiCodePages[] = {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};
constexpr DWORD kLargestTexts = 4u << 20;
constexpr size_t kListedAtMost = 12;
const char kWaveExtension[] = ".wav";
constexpr unsigned kBuiltInCodePage = 1252;  // the ANSI code page of the built-in en-US

std::string Lower(std::string text) {
  for (char& c : text) c = LowerAsciiChar(c);
  return text;
}

bool ReadWhole(const std::string& path, std::vector<uint8_t>& bytes, DWORD limit) {
  FileHandle file(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size = {};
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > limit) return false;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  return bytes.empty() || (ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                           read == bytes.size());
}

// The ANSI code page of the language's own Windows (1251 for ru-RU), or 0 for a language that
// has none of its own.
UINT OwnAnsiCodePage(uint16_t language) {
  DWORD page = 0;
  GetLocaleInfoA(MAKELCID(language, SORT_DEFAULT), LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                 reinterpret_cast<LPSTR>(&page), sizeof(page));
  return page != CP_ACP && IsValidCodePage(page) ? page : 0;
}

// The first character of the text that the code page cannot spell, as "Ω" (U+03A9); "" when
// it spells them all.
std::string FirstUnspelled(unsigned codePage, const std::wstring& text) {
  for (size_t i = 0; i < text.size(); i++) {
    const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size();
    const std::wstring one = text.substr(i, pair ? 2 : 1);
    if (SpelledIn(codePage, one)) {
      i += pair ? 1 : 0;
      continue;
    }
    const unsigned point = pair ? 0x10000 + ((text[i] - 0xD800) << 10) + (text[i + 1] - 0xDC00) : text[i];
    char code[16] = {};
    snprintf(code, sizeof(code), "U+%04X", point);
    return Quoted(WideToUtf8(one)) + " (" + code + ")";
  }
  return "";
}

// The items, all of them or the first few.
std::string Listed(const std::vector<std::string>& items, bool all) {
  const size_t shown = all ? items.size() : std::min(items.size(), kListedAtMost);
  std::string list;
  for (size_t i = 0; i < shown; i++) list += (i == 0 ? "" : ", ") + items[i];
  if (shown < items.size()) list += " and " + std::to_string(items.size() - shown) + " more (--check lists them all)";
  return list;
}

std::string KeyName(const BuiltInText& text) { return "[" + text.section + "] " + text.key; }

// The display name the dialogs are measured with: the longest (as the engine copies it, at most
// 99 characters of the ANSI code page), in UTF-8.
std::string LongestDisplayName(const std::vector<std::string>& displayNames) {
  std::string longest;
  for (const std::string& name : displayNames)
    if (name.size() > longest.size()) longest = name;
  return AnsiToUtf8(longest.substr(0, 99));
}

// The Welcome dialogs' titles in the built-in English: the settings check measures them with each
// display name, and says how much of a name fits.
bool MeasuredWithEachName(const BuiltInLanguage& builtIn, const BuiltInText& text) {
  if (text.message || text.item < 0) return false;
  const int32_t control = builtIn.dialogs.at(text.id).items[static_cast<size_t>(text.item)].id;
  return (text.id == IDD_PACKAGE_WELCOME && control == IDC_PACKAGE_WELCOME_TITLE) ||
         (text.id == IDD_WELCOME && control == IDC_WELCOME_TITLE);
}

// The texts of one dialog of a language that the user sees cut off: each text's place in
// `builtIn.texts` with how it misfits. `measured` says which of its texts to measure.
std::string DialogMisfits(const BuiltInLanguage& builtIn, unsigned id, const std::vector<uint8_t>& bytes,
                          const std::vector<bool>& measured, const std::string& displayName, unsigned codePage,
                          std::vector<std::pair<size_t, Misfit>>& found) {
  std::vector<int> items;
  for (size_t i = 0; i < builtIn.texts.size(); i++)
    if (!builtIn.texts[i].message && builtIn.texts[i].id == id && builtIn.texts[i].item >= 0 && measured[i])
      items.push_back(builtIn.texts[i].item);
  std::vector<Misfit> misfits;
  std::string problem = FindMisfits(bytes, builtIn.dialogs.at(id).items.size(), items, displayName, codePage, misfits);
  for (const Misfit& misfit : misfits)
    for (size_t i = 0; i < builtIn.texts.size(); i++)
      if (!builtIn.texts[i].message && builtIn.texts[i].id == id && builtIn.texts[i].item == misfit.item)
        found.push_back({i, misfit});
  return problem;
}

std::string MisfitText(const Misfit& misfit, const std::string& displayName) {
  return "\"" + misfit.text + "\" " + misfit.size + ", so the user sees it cut off" +
         (misfit.named ? " (with the display name \"" + displayName + "\")" : "");
}

// One language folder, read and checked against the built-in language, then built.
class LanguageFolder {
 public:
  LanguageFolder(const BuiltInLanguage& builtIn, const PackageLanguage& index, const std::string& folder,
                 PackReport& report)
      : m_builtIn(builtIn),
        m_index(index),
        m_folder(folder),
        m_report(report),
        m_texts(builtIn.texts.size()),
        m_ownCodePage(OwnAnsiCodePage(index.id)) {}

  // False when something refuses the language.
  bool Read() {
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW(Utf8ToWide(m_folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
      Refuse(m_folder, "the language folder cannot be read (" + SystemMessage(GetLastError()) + ")");
      return false;
    }
    m_listed = true;
    std::vector<std::string> names;
    do {
      std::string name = WideToUtf8(found.cFileName, wcslen(found.cFileName));
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        Warn(File(name), "a folder, which a language does not use: it is ignored");
      else
        names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      if (Lower(name) == kTextsFileName)
        ReadTexts(name);
      else if (!ReadRecording(name))
        Warn(File(name), "is neither texts.ini nor a WAVE file named after a built-in recording (such as " +
                             m_builtIn.recordings.front().name + kWaveExtension + "): it is ignored");
    }
    return m_refused == 0;
  }

  // What the user would meet in English: the texts and recordings the folder leaves out, and those
  // it gives as the built-in ones (as the template wrote them) without "; keep"; never those the
  // user never meets. Then the code pages' findings.
  void ReportGaps() {
    if (!m_listed) return;  // its texts were not read: its refusal says why
    std::vector<std::string> missing, same;
    for (size_t i = 0; i < m_builtIn.texts.size(); i++) {
      const BuiltInText& builtIn = m_builtIn.texts[i];
      if (NeverShown(builtIn) || m_texts[i].refused) continue;
      if (!m_texts[i].given)
        missing.push_back(KeyName(builtIn));
      else if (m_texts[i].text == builtIn.text && !m_texts[i].kept)
        same.push_back(KeyName(builtIn));
    }
    for (const BuiltInRecording& recording : m_builtIn.recordings) {
      if (NeverPlayed(recording.name)) continue;
      auto own = m_recordings.find(recording.name);
      const std::string file = recording.name + kWaveExtension;
      if (own != m_recordings.end()) {
        if (own->second == recording.bytes) same.push_back(file);
      } else if (std::find(m_refusedRecordings.begin(), m_refusedRecordings.end(), recording.name) ==
                 m_refusedRecordings.end()) {
        missing.push_back(file);
      }
    }
    const bool all = m_report.listAll();
    if (!missing.empty())
      Warn(m_folder, "leaves out " + std::to_string(missing.size()) + " of its texts and recordings, which stay " +
                         "as the built-in English has them: " + Listed(missing, all));
    if (!same.empty())
      Warn(m_folder, "gives " + std::to_string(same.size()) + " of its texts and recordings as the built-in " +
                         "English has them, so the user meets them in English: " + Listed(same, all) +
                         "; translate them, and mark a text that is right as it stands with a line \"; " + kKeepMark +
                         "\" above it");
    ReportCodePages();
  }

  // Nothing refuses the language.
  bool usable() const { return m_refused == 0; }

  // The language's DLL: the built-in resources with this folder's texts and recordings.
  bool Build(const std::vector<std::string>& displayNames, BuiltLanguage& built) {
    std::vector<pe::AddedResource> resources;
    std::vector<std::vector<uint8_t>> blobs;
    auto add = [&](pe::ResourceId type, pe::ResourceId name, std::vector<uint8_t> bytes) {
      resources.push_back({type, name, m_index.id, blobs.size()});
      blobs.push_back(std::move(bytes));
    };
    std::map<unsigned, std::vector<std::u16string>> blocks = m_builtIn.blocks;
    std::map<unsigned, langres::DialogTemplate> dialogs = m_builtIn.dialogs;
    for (size_t i = 0; i < m_builtIn.texts.size(); i++) {
      if (!m_texts[i].given) continue;
      const BuiltInText& text = m_builtIn.texts[i];
      std::u16string words = Utf16(m_texts[i].text);
      if (text.message) {
        blocks[langres::BlockOfMessage(text.id)][text.id % langres::kStringsPerBlock] = words;
      } else if (text.item < 0) {
        dialogs[text.id].caption = words;
      } else {
        dialogs[text.id].items[static_cast<size_t>(text.item)].title.text = words;
      }
      built.ownTexts++;
    }
    for (const auto& block : blocks)
      add(pe::ResourceId::Number(RT_STRING_NUMBER), pe::ResourceId::Number(static_cast<uint16_t>(block.first)),
          langres::WriteStringBlock(block.second));
    const std::string longest = LongestDisplayName(displayNames);
    for (const auto& dialog : dialogs) {
      std::vector<uint8_t> bytes = langres::WriteDialogTemplate(dialog.second);
      MeasureDialog(dialog.first, bytes, longest);
      add(pe::ResourceId::Number(RT_DIALOG_NUMBER), pe::ResourceId::Number(static_cast<uint16_t>(dialog.first)),
          std::move(bytes));
    }
    for (const BuiltInRecording& recording : m_builtIn.recordings) {
      auto own = m_recordings.find(recording.name);
      built.ownRecordings += own != m_recordings.end() ? 1 : 0;
      add(pe::ResourceId::Text(kWaveResourceType), pe::ResourceId::Text(recording.name.c_str()),
          own != m_recordings.end() ? own->second : recording.bytes);
    }
    if (const char* problem = pe::BuildResourceDll(resources, blobs, built.dll)) {
      Refuse(m_folder, std::string("its DLL cannot be built: ") + problem);
      return false;
    }
    built.index = m_index;
    for (unsigned page : m_codePages)
      if (built.index.codePageCount < kMaxCodePages) built.index.codePages[built.index.codePageCount++] = static_cast<uint16_t>(page);
    built.folder = m_folder;
    return true;
  }

 private:
  static constexpr uint16_t RT_STRING_NUMBER = 6;
  static constexpr uint16_t RT_DIALOG_NUMBER = 5;

  struct Translation {
    bool given = false;
    std::string text;
    bool refused = false;  // written, but refused: not left out
    int line = 0;          // in texts.ini
    bool kept = false;     // as the built-in text on purpose
  };

  std::string File(const std::string& name) const { return m_folder + "\\" + name; }
  void Warn(const std::string& where, const std::string& text) { m_report.Warn(where + ": " + text); }
  void Refuse(const std::string& where, const std::string& text) {
    m_report.Refuse(ERROR_INVALID_DATA, where + ": " + text);
    m_refused++;
  }

  void ReadTexts(const std::string& name) {
    const std::string path = File(name);
    std::vector<uint8_t> bytes;
    std::string utf8;
    if (!ReadWhole(path, bytes, kLargestTexts)) {
      Refuse(path, "cannot be read, or is larger than " + std::to_string(kLargestTexts >> 20) + " MB");
      m_listed = false;
      return;
    }
    size_t line = 0;
    std::string problem = TextsAsUtf8(bytes, WindowsConversions(), m_ownCodePage, utf8, line);
    if (!problem.empty()) {
      Refuse(line != 0 ? path + ":" + std::to_string(line) : path, problem);
      m_listed = false;
      return;
    }
    std::vector<TextsProblem> problems;
    std::vector<LanguageText> texts = ReadLanguageTexts(utf8, problems);
    for (const TextsProblem& each : problems) Warn(path + ":" + std::to_string(each.line), each.text);
    for (const LanguageText& text : texts) {
      const std::string where = path + ":" + std::to_string(text.line) + ": [" + text.section + "] " + text.key;
      size_t i = 0;
      while (i < m_builtIn.texts.size() && !(EqualsIgnoreCase(m_builtIn.texts[i].section.c_str(), text.section.c_str()) &&
                                             EqualsIgnoreCase(m_builtIn.texts[i].key.c_str(), text.key.c_str())))
        i++;
      if (i == m_builtIn.texts.size()) {
        m_report.Warn(where + ": no built-in text has this key: it is ignored");
        continue;
      }
      std::string mismatch = PlaceholderProblem(m_builtIn.texts[i].text, text.text);
      if (!mismatch.empty()) {
        m_report.Refuse(ERROR_INVALID_DATA, where + ": " + mismatch);
        m_refused++;
        m_texts[i].refused = true;
        continue;
      }
      m_texts[i] = {true, text.text, false, text.line, text.kept};
    }
  }

  bool ReadRecording(const std::string& name) {
    const std::string lower = Lower(name);
    const size_t extension = sizeof(kWaveExtension) - 1;
    if (lower.size() <= extension || lower.compare(lower.size() - extension, extension, kWaveExtension) != 0)
      return false;
    const std::string base = name.substr(0, name.size() - extension);
    const BuiltInRecording* builtIn = nullptr;
    for (const BuiltInRecording& recording : m_builtIn.recordings)
      if (EqualsIgnoreCase(recording.name.c_str(), base.c_str())) builtIn = &recording;
    if (builtIn == nullptr) return false;
    std::vector<uint8_t> bytes;
    WaveFormat format;
    if (!ReadWhole(File(name), bytes, 0x7FFFFFFF)) {
      Refuse(File(name), "cannot be read");
      return true;
    }
    std::string problem = WaveProblem(bytes.data(), bytes.size(), format);
    if (!problem.empty()) {
      Refuse(File(name), problem);
      m_refusedRecordings.push_back(builtIn->name);
      return true;
    }
    m_recordings[builtIn->name] = std::move(bytes);
    return true;
  }

  // The code pages that spell every text. A text that the language's own code page cannot spell
  // is refused: on the language's own Windows the engine would pass the whole language over.
  void ReportCodePages() {
    std::vector<std::wstring> texts;
    for (size_t i = 0; i < m_builtIn.texts.size(); i++)
      texts.push_back(Utf8ToWide(m_texts[i].given ? m_texts[i].text : m_builtIn.texts[i].text));
    for (unsigned page : kAnsiCodePages) {
      bool all = IsValidCodePage(page) != FALSE;
      for (size_t i = 0; all && i < texts.size(); i++) all = SpelledIn(page, texts[i]);
      if (all) m_codePages.push_back(page);
    }
    const std::string name = m_index.name;
    if (m_ownCodePage != 0) {
      for (size_t i = 0; i < texts.size(); i++) {
        const std::string character = FirstUnspelled(m_ownCodePage, texts[i]);
        if (character.empty()) continue;
        Refuse(TextPlace(i), character + " is no character of code page " + std::to_string(m_ownCodePage) +
                                 ", the ANSI code page of " + name + ": on a " + name + " Windows the engine would " +
                                 "pass the whole language over and show English; write the text without it");
      }
      return;
    }
    if (m_codePages.empty()) {
      Refuse(m_folder, name + " has no ANSI code page of its own, and no Windows code page spells all of its " +
                           "texts: the engine would never show this language");
      return;
    }
    Warn(m_folder, name + " has no ANSI code page of its own, and texts reach the screen through one; the engine " +
                       "uses this language only where the ANSI code page is one that spells them all: " +
                       Listed(CodePageNames(), true));
  }

  // Where a text is: its line of texts.ini, or, left out, the folder; and its key.
  std::string TextPlace(size_t i) const {
    const std::string key = KeyName(m_builtIn.texts[i]);
    if (m_texts[i].given) return File(kTextsFileName) + ":" + std::to_string(m_texts[i].line) + ": " + key;
    return m_folder + ": " + key;
  }

  std::vector<std::string> CodePageNames() const {
    std::vector<std::string> names;
    for (unsigned page : m_codePages) names.push_back(std::to_string(page));
    return names;
  }

  // Every text of a dialog, measured on the dialog as the user's screen shows it, in the
  // language's character set; a title left in English is the settings check's to measure.
  void MeasureDialog(unsigned id, const std::vector<uint8_t>& bytes, const std::string& displayName) {
    std::vector<bool> measured(m_builtIn.texts.size());
    for (size_t i = 0; i < m_builtIn.texts.size(); i++)
      measured[i] = m_texts[i].given || !MeasuredWithEachName(m_builtIn, m_builtIn.texts[i]);
    std::vector<std::pair<size_t, Misfit>> misfits;
    std::string problem = DialogMisfits(m_builtIn, id, bytes, measured, displayName, m_ownCodePage, misfits);
    if (!problem.empty())
      m_report.Note(m_folder + ": whether the texts of dialog " + std::to_string(id) + " fit is not checked: " + problem);
    for (const auto& misfit : misfits) Warn(TextPlace(misfit.first), MisfitText(misfit.second, displayName));
  }

  const BuiltInLanguage& m_builtIn;
  PackageLanguage m_index;
  std::string m_folder;
  PackReport& m_report;
  std::vector<Translation> m_texts;  // by the built-in text's place
  std::map<std::string, std::vector<uint8_t>> m_recordings;
  std::vector<std::string> m_refusedRecordings;
  std::vector<unsigned> m_codePages;
  size_t m_refused = 0;
  bool m_listed = false;  // the folder, and its texts.ini when there is one, were read
  UINT m_ownCodePage;     // 0 when the language has none
};

// The built-in English measured as a translation is: a package without English words of its
// own shows it to every user whose language it does not carry.
void ReportBuiltInMisfits(const BuiltInLanguage& builtIn, const std::string& enginePath,
                          const std::vector<std::string>& displayNames, PackReport& report) {
  const std::string displayName = LongestDisplayName(displayNames);
  std::vector<bool> measured(builtIn.texts.size());
  for (size_t i = 0; i < builtIn.texts.size(); i++) measured[i] = !MeasuredWithEachName(builtIn, builtIn.texts[i]);
  for (const auto& dialog : builtIn.dialogs) {
    std::vector<std::pair<size_t, Misfit>> misfits;
    std::string problem = DialogMisfits(builtIn, dialog.first, langres::WriteDialogTemplate(dialog.second), measured,
                                        displayName, kBuiltInCodePage, misfits);
    if (!problem.empty()) {
      report.Note("whether the built-in " + std::string(kBuiltInLanguageName) +
                  " texts fit is not checked: " + problem);
      return;
    }
    for (const auto& misfit : misfits)
      report.Warn(enginePath + ": built-in " + kBuiltInLanguageName + " " + KeyName(builtIn.texts[misfit.first]) +
                  ": " + MisfitText(misfit.second, displayName) + "; " +
                  (misfit.second.named ? "a shorter display name fits, or " : "") + "put words of your own in its " +
                  "place with --language " + kBuiltInLanguageName + "=FOLDER");
  }
}

}  // namespace

std::string ResolveLanguageName(const std::string& name, PackageLanguage& language) {
  std::wstring wide(name.begin(), name.end());
  for (wchar_t& c : wide)
    if (c == L'_') c = L'-';
  LCID lcid = 0;
  bool number = !name.empty() && name.size() <= 5 && std::all_of(name.begin(), name.end(), [](char c) {
    return c >= '0' && c <= '9';
  });
  if (number) {
    unsigned long value = 0;
    for (char c : name) value = value * 10 + static_cast<unsigned long>(c - '0');
    if (value == 0 || value > 0xFFFF) return "\"" + name + "\" is no language number";
    lcid = MAKELCID(static_cast<LANGID>(value), SORT_DEFAULT);
  } else {
    lcid = LocaleNameToLCID(wide.c_str(), 0);
  }
  wchar_t canonical[LOCALE_NAME_MAX_LENGTH] = {};
  if (lcid == 0 || lcid == LOCALE_CUSTOM_UNSPECIFIED || lcid == LOCALE_CUSTOM_DEFAULT ||
      LCIDToLocaleName(lcid, canonical, LOCALE_NAME_MAX_LENGTH, 0) == 0)
    return "\"" + name + "\" is no language that Windows knows; write a locale name such as de-DE or a language " +
           "number such as 1031";
  language.id = LANGIDFROMLCID(lcid);
  for (size_t i = 0; i < kLocaleNameSize - 1 && canonical[i] != L'\0'; i++)
    language.name[i] = static_cast<char>(canonical[i] < 128 ? canonical[i] : '?');
  return "";
}

void BuildLanguages(const std::vector<std::string>& options, const std::string& enginePath,
                    const std::vector<std::string>& displayNames, PackReport& report, std::vector<BuiltLanguage>& built,
                    const MakerNames& names) {
  BuiltInLanguage builtIn;
  std::string problem = ReadBuiltInLanguage(enginePath, builtIn);
  // What a language leaves out is the built-in English, as this package shows it.
  PutMakerNames(names, builtIn);
  if (problem.empty() && builtIn.recordings.empty()) problem = "the engine's language DLL carries no recordings";
  if (!problem.empty()) {
    if (!options.empty()) report.Refuse(ERROR_BAD_EXE_FORMAT, "no language can be built: " + problem);
    return;
  }
  // A package with English words of its own shows them in place of the built-in ones.
  bool ownEnglish = false;
  for (const std::string& option : options) {
    PackageLanguage language;
    ownEnglish = ownEnglish || (ResolveLanguageName(option.substr(0, option.find('=')), language).empty() &&
                                language.id == kBuiltInLanguageId);
  }
  if (!ownEnglish) ReportBuiltInMisfits(builtIn, enginePath, displayNames, report);
  std::vector<uint16_t> seen;
  for (const std::string& option : options) {
    size_t equals = option.find('=');
    PackageLanguage index;
    std::string folder = equals == std::string::npos ? "" : FullPath(option.substr(equals + 1));
    std::string name = option.substr(0, equals);
    problem = equals == std::string::npos || folder.empty() ? "write it as NAME=FOLDER" : ResolveLanguageName(name, index);
    if (problem.empty() && std::find(seen.begin(), seen.end(), index.id) != seen.end())
      problem = std::string(index.name) + " (" + std::to_string(index.id) + ") is given twice";
    DWORD attributes = problem.empty() ? GetFileAttributesW(Utf8ToWide(folder).c_str()) : 0;
    if (problem.empty() && (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)))
      problem = "the language folder " + Quoted(folder) + " does not exist";
    if (!problem.empty()) {
      report.Refuse(ERROR_INVALID_PARAMETER, "--language " + option + ": " + problem);
      continue;
    }
    if (seen.size() == kMaxPackageLanguages) problem = "a package carries at most " +
                                                       std::to_string(kMaxPackageLanguages) + " languages";
    if (!problem.empty()) {
      report.Refuse(ERROR_INVALID_PARAMETER, "--language " + option + ": " + problem);
      continue;
    }
    seen.push_back(index.id);
    LanguageFolder language(builtIn, index, folder, report);
    language.Read();
    language.ReportGaps();
    BuiltLanguage result;
    if (language.usable() && language.Build(displayNames, result)) built.push_back(std::move(result));
  }
}

void AddLanguageResources(const std::vector<BuiltLanguage>& languages, PackagePlan& plan) {
  if (languages.empty()) return;
  std::string index;
  for (const BuiltLanguage& language : languages) {
    char name[32] = {};
    LanguageResourceName(language.index.id, name);
    AddResource(kLanguageResourceType, name, language.dll, plan);
    index += FormatLanguageIndexLine(language.index) + "\r\n";
  }
  AddResource(kLanguageResourceType, kLanguageIndexResource, std::vector<uint8_t>(index.begin(), index.end()), plan);
}
