#include "MakerNames.h"

#include <windows.h>

#include "PeResources.h"
#include "ResourceTexts.h"

namespace {

constexpr uint16_t kStringType = 6;  // RT_STRING
constexpr size_t kListedAtMost = 12;

template <typename Text>
bool ReplaceAll(Text& text, const Text& from, const Text& to) {
  bool changed = false;
  for (size_t at = text.find(from); at != Text::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
    changed = true;
  }
  return changed;
}

// The names to replace, each with the maker's name that takes its place ("" when not given).
std::vector<std::pair<std::string, std::string>> Replacements(const MakerNames& names) {
  std::vector<std::pair<std::string, std::string>> replacements = {{kEngineVendor, names.company}};
  for (const char* product : kEngineProducts) replacements.push_back({product, names.product});
  return replacements;
}

std::string Listed(const std::vector<std::string>& items) {
  std::string list;
  for (size_t i = 0; i < items.size() && i < kListedAtMost; i++)
    list += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
  if (items.size() > kListedAtMost) list += " and " + std::to_string(items.size() - kListedAtMost) + " more";
  return list;
}

// The texts that hold any of the words: "messages 20 and 21", and a dialog's by its key of texts.ini.
std::string TextsNaming(const BuiltInLanguage& language, const std::vector<std::string>& words) {
  std::vector<std::string> messages, others;
  for (const BuiltInText& text : language.texts)
    for (const std::string& word : words)
      if (text.text.find(word) != std::string::npos) {
        (text.message ? messages : others).push_back(text.message ? text.key : "[" + text.section + "] " + text.key);
        break;
      }
  if (!messages.empty()) others.insert(others.begin(), (messages.size() == 1 ? "message " : "messages ") + Listed(messages));
  return Listed(others);
}

}  // namespace

void PutMakerNames(const MakerNames& names, BuiltInLanguage& language) {
  for (const auto& replacement : Replacements(names)) {
    if (replacement.second.empty()) continue;
    const std::u16string from = Utf16(replacement.first), to = Utf16(replacement.second);
    for (auto& block : language.blocks)
      for (std::u16string& text : block.second) ReplaceAll(text, from, to);
    for (BuiltInText& text : language.texts)
      if (text.message) ReplaceAll(text.text, replacement.first, Utf8(to));
  }
}

void ReportMakerNames(const MakerNames& names, const BuiltInLanguage& language, bool ownEnglish,
                      const RequirementsUsed& used, PackReport& report) {
  if (ownEnglish) return;
  std::vector<std::string> vendor, products;
  for (const auto& replacement : Replacements(names))
    if (replacement.second.empty())
      (replacement.first == kEngineVendor ? vendor : products).push_back(replacement.first);
  std::vector<std::string> parts, options;
  if (!vendor.empty() && !TextsNaming(language, vendor).empty()) {
    parts.push_back("the engine's vendor, " + vendor[0] + ", in " + TextsNaming(language, vendor));
    options.push_back("--company");
  }
  if (!products.empty() && !TextsNaming(language, products).empty()) {
    parts.push_back("its products, " + Listed(products) + ", in " + TextsNaming(language, products));
    options.push_back("--product-name");
  }
  if (!parts.empty())
    report.Warn("the built-in English names " + parts[0] + (parts.size() > 1 ? ", and " + parts[1] : "") + " (the error caption, the Help, the refusals and " +
                "the window's title among them): every user of the package sees another vendor's names. Give " +
                Listed(options) + " to put your own there, or ship an English of your own with --language " +
                "en-US=FOLDER");
  // The recordings say what they were recorded with: those that the package may play, where the
  // texts now show another name.
  const bool vendorChanged = !names.company.empty() && names.company != kEngineVendor;
  bool productChanged = false;
  for (const char* product : kEngineProducts)
    productChanged = productChanged || (!names.product.empty() && names.product != product);
  std::vector<std::string> recordings;
  for (const RecordingNaming& naming : kRecordingsNamingEngine) {
    const bool played = (naming.played == RecordingPlayed::kOSRefused && used.os) ||
                        (naming.played == RecordingPlayed::kPlatformRefused && used.platform);
    for (const BuiltInRecording& recording : language.recordings)
      if (recording.name == naming.recording && played &&
          ((naming.vendor && vendorChanged) || (naming.product && productChanged)))
        recordings.push_back(naming.recording);
  }
  if (!recordings.empty())
    report.Warn("the built-in recordings " + Listed(recordings) + " still speak the engine's vendor or product by " +
                "name, which the texts no longer show: record your own words into WAVE files of those names and ship " +
                "them as your English with --language en-US=FOLDER (PendrixPack --language-template FOLDER writes " +
                "the English to start from)");
}

std::string RebuildLanguageDll(const BuiltInLanguage& language, std::vector<uint8_t>& dll) {
  const std::vector<uint8_t>& original = language.dll;
  pe::Image image;
  const char* problem = pe::ParseImage(original.data(), original.size(), image);
  uint32_t offset = 0, available = 0;
  std::vector<pe::ResourceEntry> entries;
  if (problem == nullptr && !pe::RvaToOffset(image, image.resourceRva, offset, available))
    problem = "its resource directory lies outside its sections";
  if (problem == nullptr) problem = pe::ReadResourceTree(original.data() + offset, available, entries);
  std::vector<pe::AddedResource> resources;
  std::vector<std::vector<uint8_t>> blobs;
  for (const pe::ResourceEntry& entry : entries) {
    if (problem != nullptr) break;
    std::vector<uint8_t> bytes;
    const auto block = language.blocks.find(entry.name.number);
    const bool strings = entry.type.isNumber && entry.type.number == kStringType && entry.name.isNumber;
    if (strings && block != language.blocks.end()) {
      bytes = langres::WriteStringBlock(block->second);
    } else if (!pe::RvaToOffset(image, entry.dataRva, offset, available) || available < entry.size) {
      problem = "a resource lies outside its sections";
      break;
    } else {
      bytes.assign(original.begin() + offset, original.begin() + offset + entry.size);
    }
    resources.push_back({entry.type, entry.name, entry.language, blobs.size()});
    blobs.push_back(std::move(bytes));
  }
  if (problem == nullptr) problem = pe::BuildResourceDll(resources, blobs, dll);
  return problem == nullptr ? "" : std::string("the built-in language's DLL cannot be built again: ") + problem;
}

void BuildMakerEnglish(const MakerNames& names, const std::string& enginePath, bool ownEnglish,
                       const RequirementsUsed& used, PackReport& report, std::vector<uint8_t>& dll) {
  dll.clear();
  BuiltInLanguage english;
  std::string problem = ReadBuiltInLanguage(enginePath, english);
  if (problem.empty()) ReportMakerNames(names, english, ownEnglish, used, report);
  if (!names.Any()) return;
  PutMakerNames(names, english);
  if (problem.empty()) problem = RebuildLanguageDll(english, dll);
  if (!problem.empty()) report.Refuse(ERROR_BAD_EXE_FORMAT, "the maker's names cannot be put in: " + problem);
}
