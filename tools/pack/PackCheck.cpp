#include "PackCheck.h"

#include "ErrorText.h"
#include "LanguageBuild.h"
#include "SettingsSnapshot.h"
#include "Utf8Text.h"
#include "WelcomeFit.h"

namespace {

// A profile call that fills a list of strings, asked again with more room until it fits.
template <typename Call>
std::wstring ProfileList(Call call) {
  for (DWORD size = 4096; size <= (1u << 24); size *= 2) {
    std::wstring buffer(size, L'\0');
    DWORD n = call(&buffer[0], size);
    if (n + 2 < size) return buffer.substr(0, n);
  }
  return L"";
}

std::vector<std::u16string> SplitNuls(const std::wstring& list) {
  std::vector<std::u16string> items;
  for (size_t start = 0; start < list.size();) {
    size_t end = list.find(L'\0', start);
    if (end == std::wstring::npos) end = list.size();
    if (end > start) items.emplace_back(list.begin() + start, list.begin() + end);
    start = end + 1;
  }
  return items;
}

std::wstring Wide(UINT codePage, const std::string& text) {
  int n = MultiByteToWideChar(codePage, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, text.c_str(), static_cast<int>(text.size()), &wide[0], n);
  return wide;
}

std::string Narrow(UINT codePage, const std::wstring& text) {
  int n = WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), &narrow[0], n, nullptr, nullptr);
  return narrow;
}

bool IsAscii(const std::wstring& text) {
  for (wchar_t c : text)
    if (c >= 0x80) return false;
  return true;
}

std::wstring WideText(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// The profile functions on the file the engine will read, in the code page of this Windows (the
// profile functions' ANSI calls convert the same way).
class WindowsProfile : public ProfileReader {
 public:
  explicit WindowsProfile(const std::string& path) : m_file(Wide(CP_ACP, path)) {}

  std::vector<std::u16string> SectionNames() override {
    return SplitNuls(ProfileList(
        [&](wchar_t* buffer, DWORD size) { return GetPrivateProfileSectionNamesW(buffer, size, m_file.c_str()); }));
  }
  std::vector<std::u16string> SectionLines(const std::u16string& section) override {
    const std::wstring name = WideText(section);
    return SplitNuls(ProfileList(
        [&](wchar_t* buffer, DWORD size) { return GetPrivateProfileSectionW(name.c_str(), buffer, size, m_file.c_str()); }));
  }
  // The profile functions match names without regard to case.
  std::u16string Folded(const std::u16string& name) override {
    std::u16string upper = name;
    if (!upper.empty()) CharUpperBuffW(reinterpret_cast<wchar_t*>(&upper[0]), static_cast<DWORD>(upper.size()));
    return upper;
  }
  std::string Narrow(const std::u16string& text) override { return ::Narrow(CP_ACP, WideText(text)); }

 private:
  std::wstring m_file;
};

// Names and values that the ANSI code page cannot spell reach the engine as other characters.
void CheckSpelling(const std::vector<WrittenText>& written, std::vector<SettingsFinding>& findings) {
  for (const WrittenText& item : written) {
    const std::wstring text = WideText(item.text);
    std::string read = Narrow(CP_ACP, text);
    if (Wide(CP_ACP, read) == text) continue;
    findings.push_back({FindingLevel::kWarning, item.section, item.key,
                        "holds characters that code page " + std::to_string(GetACP()) +
                            ", the ANSI code page of this Windows, cannot spell: on a Windows that uses it the "
                            "engine reads " + Quoted(read)});
  }
}

// Windows reads a settings file beside a package in the ANSI code page, or as UTF-16 LE when it
// begins with that byte-order mark: a file in UTF-8 or UTF-16 BE is misread there.
void CheckBesideEncoding(const SettingsFile& settings, const std::vector<WrittenText>& written,
                         std::vector<SettingsFinding>& findings) {
  const std::string fix =
      "; pack it with --embed-settings, which carries it as UTF-16 LE, or save it as UTF-16 LE (Notepad: "
      "\"UTF-16 LE\" or \"Unicode\")";
  const std::string beside = "a package that reads Settings.ini from its own folder";
  const TextEncoding encoding = settings.encoding();
  if (written.empty() || (encoding != TextEncoding::kUtf8 && encoding != TextEncoding::kUtf8Bom &&
                          encoding != TextEncoding::kUtf16Be))
    return;
  if (encoding == TextEncoding::kUtf16Be) {
    findings.push_back({FindingLevel::kWarning, written[0].section, "",
                        "the file is saved as UTF-16 BE, which Windows' profile functions do not read: " + beside +
                            " finds no settings in it" + fix});
    return;
  }
  if (settings.markHidesFirstSection()) {
    findings.push_back({FindingLevel::kWarning, written[0].section, "",
                        "the file begins with a UTF-8 byte-order mark on this section's line, which Windows reads as "
                        "part of the line: " + beside + " does not find the section" + fix});
    return;
  }
  for (const WrittenText& item : written) {
    const std::wstring text = WideText(item.text);
    if (IsAscii(text)) continue;
    // The engine takes each byte of the UTF-8 text for a character of the user's code page.
    findings.push_back({FindingLevel::kWarning, item.section, item.key,
                        "the file is saved as UTF-8, which Windows reads in the ANSI code page: " + beside +
                            " reads " + Quoted(Narrow(CP_UTF8, text)) + " where " + Quoted(Narrow(CP_ACP, text)) +
                            " is written" + fix});
    return;
  }
}

}  // namespace

void PackReport::Print(const char* kind, const std::string& line) {
  PrintTo(stderr, "PendrixPack: %s%s\n", kind, line.c_str());
  fflush(stderr);
}

void PackReport::Warn(const std::string& line) {
  Print("warning: ", line);
  m_warnings++;
}

void PackReport::Refuse(DWORD code, const std::string& line) {
  Print("", line);
  if (m_code == 0) m_code = code;
  m_refusals++;
}

void PackReport::Note(const std::string& line) { Print("note: ", line); }

void PackReport::Finding(const std::string& shownName, const SettingsLines& lines, const SettingsFinding& finding) {
  // What the settings hold is in the ANSI code page, as the engine reads it.
  SettingsFinding shown = finding;
  shown.section = AnsiToUtf8(finding.section);
  shown.key = AnsiToUtf8(finding.key);
  shown.text = AnsiToUtf8(finding.text);
  const std::string line = FindingLine(shownName, lines, shown);
  if (finding.level == FindingLevel::kWarning) {
    Warn(line);
    return;
  }
  Print("", line);
  if (m_code == 0) m_code = ERROR_INVALID_DATA;
  m_refusals++;
  m_findingRefusals++;
}

void PackReport::Plan(const std::vector<PlanProblem>& problems) {
  for (const PlanProblem& problem : problems) {
    if (problem.refusal)
      Refuse(problem.code, problem.line);
    else
      Warn(problem.line);
  }
}

std::string PackReport::RefusalLine() const {
  if (m_strict && m_warnings != 0 && m_refusals == m_findingRefusals)
    return "refused with --strict: " + std::to_string(refusals()) + " finding(s) above";
  if (m_findingRefusals != 0)
    return "refused: the engine would not do what the settings above say";
  return "";
}

void ReportSettingsFindings(const std::string& shownName, const SettingsFile& settings, SettingsPlace place,
                            const std::string& enginePath, PackReport& report, std::vector<std::string>* displayNames,
                            RequirementsUsed* used) {
  std::vector<WrittenText> written;
  WindowsProfile profile(settings.readPath());
  SettingsSnapshot snapshot = ReadSettingsSnapshot(profile, written);
  if (used != nullptr) *used = UsedRequirements(snapshot);
  std::vector<SettingsFinding> findings;
  if (place == SettingsPlace::kMaybeBeside) CheckBesideEncoding(settings, written, findings);
  CheckSpelling(written, findings);
  for (const SettingsFinding& finding : CheckSettings(snapshot)) findings.push_back(finding);
  std::vector<WelcomeGreeting> greetings = WelcomeGreetings(snapshot);
  if (displayNames != nullptr) *displayNames = DisplayNames(snapshot);
  std::string unmeasured = enginePath.empty() ? "" : CheckWelcomeFit(enginePath, greetings, findings);
  // In UTF-8, as the findings are printed.
  const SettingsLines lines(AnsiToUtf8(SettingsTextOfNames(settings.readPath())));
  for (const SettingsFinding& finding : findings) report.Finding(shownName, lines, finding);
  if (!unmeasured.empty())
    report.Note("whether the Welcome dialog shows the display name of [" + greetings[0].section + "]" +
                (greetings.size() > 1 ? " and the other setup types" : "") + " whole is not checked: " + unmeasured);
}

std::string EnginePath(const PackOptions& options) {
  if (!options.engine.empty()) return FullPath(options.engine);
  wchar_t module[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::string path = WideToUtf8(module, n < MAX_PATH ? n : 0);
  return path.substr(0, path.find_last_of('\\') + 1) + "Pendrix.exe";
}

int RunSettingsCheck(const PackOptions& options) {
  std::string settingsPath = FullPath(options.settings);
  PackReport report(options.strict, true);
  SettingsFile settings;
  std::string error;
  DWORD attributes = GetFileAttributesW(Utf8ToWide(settingsPath).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    report.Refuse(ERROR_FILE_NOT_FOUND, "the settings file " + Quoted(settingsPath) + " does not exist");
  } else if (settings.Load(settingsPath, options.settings, error) != 0) {
    report.Refuse(ERROR_INVALID_DATA, error);
  } else {
    std::vector<std::string> displayNames;
    ReportSettingsFindings(options.settings, settings, SettingsPlace::kMaybeBeside, EnginePath(options), report,
                           &displayNames);
    std::vector<BuiltLanguage> languages;
    BuildLanguages(options.languages, EnginePath(options), displayNames, report, languages);
    std::string payload = options.payload.empty() ? "" : FullPath(options.payload);
    PackagePlan plan;
    plan.executionLevel = options.executionLevel;
    std::vector<PlanProblem> problems;
    ReadPackagePlan(settings.readPath(), options.settings, payload, plan, problems);
    report.Plan(problems);
  }
  PrintTo(stdout, "Checked %s%s: %lu warning(s), %lu refusal(s)%s\n", Quoted(options.settings).c_str(),
          options.payload.empty() ? "" : (" against " + Quoted(options.payload)).c_str(),
          static_cast<unsigned long>(report.warnings()), static_cast<unsigned long>(report.refusals()),
          options.payload.empty() ? "; the installers were not checked: give --payload with their folder to check "
                                    "that each is there and what it asks of Windows"
                                  : "");
  fflush(stdout);
  if (report.refusals() != 0) return kPackRefused;
  return report.warnings() != 0 ? kPackWarnings : kPackSucceeded;
}
