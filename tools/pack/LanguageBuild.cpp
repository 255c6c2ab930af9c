#include "LanguageBuild.h"

#include <algorithm>
#include <map>

#include "BuiltInLanguage.h"
#include "ErrorText.h"
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

// texts.ini as UTF-8, from any encoding PendrixPack reads; "" or why it cannot be read.
std::string TextsAsUtf8(const std::vector<uint8_t>& bytes, std::string& utf8) {
  const TextEncoding encoding = DetectTextEncoding(bytes.data(), bytes.size());
  const char* text = reinterpret_cast<const char*>(bytes.data());
  std::u16string wide;
  switch (encoding) {
    case TextEncoding::kAscii:
    case TextEncoding::kUtf8:
      utf8.assign(text, bytes.size());
      return "";
    case TextEncoding::kUtf8Bom:
      if (Utf8ErrorOffset(bytes.data() + 3, bytes.size() - 3) != bytes.size() - 3)
        return "it begins with a UTF-8 byte-order mark, but is no UTF-8: save it again as UTF-8";
      utf8.assign(text + 3, bytes.size() - 3);
      return "";
    case TextEncoding::kUtf16Le:
    case TextEncoding::kUtf16Be:
      for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        wide += static_cast<char16_t>(encoding == TextEncoding::kUtf16Le ? bytes[i] | (bytes[i + 1] << 8)
                                                                         : (bytes[i] << 8) | bytes[i + 1]);
      utf8 = Utf8(wide);
      return "";
    case TextEncoding::kAnsi: {
      int n = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(bytes.size()), nullptr, 0);
      wide.resize(static_cast<size_t>(n > 0 ? n : 0));
      if (n > 0) MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(bytes.size()), reinterpret_cast<wchar_t*>(&wide[0]), n);
      utf8 = Utf8(wide);
      return "";
    }
    case TextEncoding::kNotText:
      break;
  }
  return "it holds NUL bytes and no UTF-16 byte-order mark: save it as UTF-8, UTF-16 LE or ANSI";
}

bool Spells(unsigned codePage, const std::u16string& text) {
  if (text.empty()) return true;
  BOOL usedDefault = FALSE;
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.data());
  int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, static_cast<int>(text.size()), nullptr, 0, nullptr,
                              &usedDefault);
  return n > 0 && !usedDefault;
}

std::string Listed(const std::vector<std::string>& items) {
  std::string list;
  for (size_t i = 0; i < items.size() && i < kListedAtMost; i++) list += (i == 0 ? "" : ", ") + items[i];
  if (items.size() > kListedAtMost) list += " and " + std::to_string(items.size() - kListedAtMost) + " more";
  return list;
}

std::string KeyName(const BuiltInText& text) { return "[" + text.section + "] " + text.key; }

// One language folder, read and checked against the built-in language, then built.
class LanguageFolder {
 public:
  LanguageFolder(const BuiltInLanguage& builtIn, const PackageLanguage& index, const std::string& folder,
                 PackReport& report)
      : m_builtIn(builtIn), m_index(index), m_folder(folder), m_report(report), m_texts(builtIn.texts.size()) {}

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

  // What the folder leaves out, which the built-in English fills in; the code pages' findings.
  void ReportGaps() {
    if (!m_listed) return;  // nothing of it was read: its refusal says why
    std::vector<std::string> missing;
    for (size_t i = 0; i < m_builtIn.texts.size(); i++)
      if (!m_texts[i].given && !m_texts[i].refused) missing.push_back(KeyName(m_builtIn.texts[i]));
    for (const BuiltInRecording& recording : m_builtIn.recordings)
      if (m_recordings.count(recording.name) == 0 &&
          std::find(m_refusedRecordings.begin(), m_refusedRecordings.end(), recording.name) == m_refusedRecordings.end())
        missing.push_back(recording.name + kWaveExtension);
    if (!missing.empty())
      Warn(m_folder, "leaves out " + std::to_string(missing.size()) + " of its texts and recordings, which stay " +
                         "as the built-in English has them: " + Listed(missing));
    ReportCodePages();
  }

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
    std::map<unsigned, std::vector<int>> translatedItems;
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
        translatedItems[text.id].push_back(text.item);
      }
      built.ownTexts++;
    }
    for (const auto& block : blocks)
      add(pe::ResourceId::Number(RT_STRING_NUMBER), pe::ResourceId::Number(static_cast<uint16_t>(block.first)),
          langres::WriteStringBlock(block.second));
    std::string longest;
    for (const std::string& name : displayNames)
      if (name.size() > longest.size()) longest = name;
    for (const auto& dialog : dialogs) {
      std::vector<uint8_t> bytes = langres::WriteDialogTemplate(dialog.second);
      MeasureDialog(dialog.first, bytes, translatedItems[dialog.first], longest.substr(0, 99));
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
      return;
    }
    std::string problem = TextsAsUtf8(bytes, utf8);
    if (!problem.empty()) {
      Refuse(path, problem);
      return;
    }
    std::vector<TextsProblem> problems;
    std::vector<LanguageText> texts = ReadLanguageTexts(utf8, problems);
    for (const TextsProblem& each : problems) Warn(path + ", line " + std::to_string(each.line), each.text);
    for (const LanguageText& text : texts) {
      const std::string where = path + ": [" + text.section + "] " + text.key;
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
      m_texts[i] = {true, text.text};
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

  // The code pages that spell every text; the texts that the language's own code page cannot.
  void ReportCodePages() {
    std::vector<std::u16string> texts;
    std::vector<std::string> keys;
    for (size_t i = 0; i < m_builtIn.texts.size(); i++) {
      texts.push_back(Utf16(m_texts[i].given ? m_texts[i].text : m_builtIn.texts[i].text));
      keys.push_back(KeyName(m_builtIn.texts[i]));
    }
    for (unsigned page : kAnsiCodePages) {
      bool all = IsValidCodePage(page) != FALSE;
      for (size_t i = 0; all && i < texts.size(); i++) all = Spells(page, texts[i]);
      if (all) m_codePages.push_back(page);
    }
    DWORD own = 0;
    GetLocaleInfoA(MAKELCID(m_index.id, SORT_DEFAULT), LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                   reinterpret_cast<LPSTR>(&own), sizeof(own));
    const std::string name = m_index.name;
    std::string shownOn = m_codePages.empty() ? "no Windows code page spells them all, so the engine never uses this "
                                                "language and shows English instead"
                                              : "the engine uses this language only where the ANSI code page is one "
                                                "that spells them all: " + Listed(CodePageNames());
    std::vector<std::string> unspelled;
    for (size_t i = 0; i < texts.size(); i++)
      if (own == 0 || !Spells(own, texts[i])) unspelled.push_back(keys[i]);
    if (unspelled.empty() && !m_codePages.empty()) return;
    std::string whose = own == 0 ? name + " has no ANSI code page of its own, and texts reach the screen "
                                                  "through one"
                                 : "code page " + std::to_string(own) + ", the ANSI code page of " + name +
                                       ", cannot spell " + Listed(unspelled);
    Warn(m_folder, whose + "; " + shownOn);
  }

  std::vector<std::string> CodePageNames() const {
    std::vector<std::string> names;
    for (unsigned page : m_codePages) names.push_back(std::to_string(page));
    return names;
  }

  // The translated texts of a dialog, measured on the dialog as the user's screen shows it.
  void MeasureDialog(unsigned id, const std::vector<uint8_t>& bytes, const std::vector<int>& items,
                     const std::string& displayName) {
    std::vector<Misfit> misfits;
    std::string problem = FindMisfits(bytes, m_builtIn.dialogs.at(id).items.size(), items, displayName, misfits);
    if (!problem.empty())
      m_report.Note(m_folder + ": whether the texts of dialog " + std::to_string(id) + " fit is not checked: " + problem);
    for (const Misfit& misfit : misfits) {
      std::string key;
      for (const BuiltInText& builtIn : m_builtIn.texts)
        if (!builtIn.message && builtIn.id == id && builtIn.item == misfit.item) key = KeyName(builtIn);
      Warn(File(kTextsFileName), key + ": \"" + misfit.text + "\" " + misfit.size + ", so the user sees it cut off" +
                                     (misfit.named ? " (with the display name \"" + displayName + "\")" : ""));
    }
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
  bool m_listed = false;
};

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
                    const std::vector<std::string>& displayNames, PackReport& report, std::vector<BuiltLanguage>& built) {
  if (options.empty()) return;
  BuiltInLanguage builtIn;
  std::string problem = ReadBuiltInLanguage(enginePath, builtIn);
  if (problem.empty() && builtIn.recordings.empty()) problem = "the engine's language DLL carries no recordings";
  if (!problem.empty()) {
    report.Refuse(ERROR_BAD_EXE_FORMAT, "no language can be built: " + problem);
    return;
  }
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
    bool usable = language.Read();
    language.ReportGaps();
    BuiltLanguage result;
    if (usable && language.Build(displayNames, result)) built.push_back(std::move(result));
  }
}

void AddLanguageResources(const std::vector<BuiltLanguage>& languages, PackagePlan& plan) {
  if (languages.empty()) return;
  std::string index;
  for (const BuiltLanguage& language : languages) {
    char name[32] = {};
    LanguageResourceName(language.index.id, name);
    plan.resources.push_back({kLanguageResourceType, name, "", plan.blobs.size()});
    PlannedBlob blob;
    blob.bytes = language.dll;
    blob.size = static_cast<uint32_t>(blob.bytes.size());
    plan.blobs.push_back(std::move(blob));
    index += FormatLanguageIndexLine(language.index) + "\r\n";
  }
  plan.resources.push_back({kLanguageResourceType, kLanguageIndexResource, "", plan.blobs.size()});
  PlannedBlob blob;
  blob.bytes.assign(index.begin(), index.end());
  blob.size = static_cast<uint32_t>(blob.bytes.size());
  plan.blobs.push_back(std::move(blob));
}
