// PendrixPack: turns an engine, a Settings.ini and a folder of installer files into one setup
// package, and refuses a package that could not work. Its exit codes are those of PackOptions.h,
// the same for every mode; every refusal is one line on stderr.
#include <windows.h>
#include <psapi.h>

#include <string>

#include "ErrorText.h"
#include "LanguageBuild.h"
#include "LanguageTemplate.h"
#include "MakerNames.h"
#include "OutputGuard.h"
#include "PackCheck.h"
#include "PackList.h"
#include "PackOptions.h"
#include "PackageExtract.h"
#include "PackagePlan.h"
#include "PackageVersion.h"
#include "PackageWriter.h"
#include "SettingsFile.h"
#include "Utf8Text.h"
#include "core/HandleOwner.h"
#include "core/SystemFolder.h"
#include "ui/LanguageChoice.h"
#include "ui/language/resource.h"

namespace {

int Refuse(const std::string& line) {
  PrintTo(stderr, "PendrixPack: %s\n", line.c_str());
  fflush(stdout);
  fflush(stderr);
  return kPackRefused;
}

// A mode that ends with 0 or a Windows error code, in PendrixPack's exit codes.
int Outcome(int code) { return code == 0 ? kPackSucceeded : kPackRefused; }

// A file that must exist and open for reading; returns 0 or the error with its line.
DWORD CheckReadableFile(const char* what, const std::string& path, std::string& error) {
  DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD code = GetLastError();
    error = std::string("the ") + what + " " + Quoted(path) + " does not exist (" + SystemMessage(code) + ")";
    return code == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : (code != 0 ? code : ERROR_FILE_NOT_FOUND);
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    error = std::string("the ") + what + " " + Quoted(path) + " is a folder, not a file";
    return ERROR_FILE_NOT_FOUND;
  }
  HANDLE file = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    error = std::string("the ") + what + " " + Quoted(path) + " cannot be read (" + SystemMessage(code) + ")";
    return code;
  }
  CloseHandle(file);
  return 0;
}

BOOL WINAPI OnConsoleBreak(DWORD) {
  InterlockedExchange(&g_packCancelled, 1);
  return TRUE;
}

void PrintSummary(const PackagePlan& plan, const SettingsFile& settings, const std::vector<BuiltLanguage>& languages,
                  const MakerNames& names) {
  for (const PlannedSetupType& type : plan.setupTypes) {
    PrintTo(stdout, "Setup type [%s]\n", AnsiToUtf8(type.section).c_str());
    for (const PlannedInstaller& installer : type.installers) {
      const char* role = installer.main ? "main" : "prerequisite";
      const std::string section = AnsiToUtf8(installer.section);
      if (installer.doNotExtract) {
        const std::vector<uint8_t>* digest =
            installer.hashed ? &plan.blobs[plan.resources[installer.resource].blob].bytes : nullptr;
        PrintTo(stdout, "  %s [%s]: %s\n", role, section.c_str(),
                AnsiToUtf8(BesideLine(installer, digest != nullptr ? digest->data() : nullptr)).c_str());
        continue;
      }
      const PlannedResource& resource = plan.resources[installer.resource];
      PrintTo(stdout, "  %s [%s]: resource %s, %lu bytes, from \"%s\"\n", role, section.c_str(),
              AnsiToUtf8(resource.name).c_str(), static_cast<unsigned long>(plan.blobs[resource.blob].size),
              AnsiToUtf8(installer.payloadName).c_str());
    }
  }
  bool embedded = false;
  for (const PlannedResource& resource : plan.resources)
    if (resource.type == kSettingsResourceType) {
      embedded = true;
      PrintTo(stdout, "Settings: resource %s of type %s, %lu bytes%s\n", resource.name.c_str(), resource.type.c_str(),
              static_cast<unsigned long>(plan.blobs[resource.blob].size),
              settings.converted() ? (std::string(", UTF-16 LE from ") + TextEncodingName(settings.encoding())).c_str()
                                   : "");
    }
  if (!embedded)
    PrintTo(stdout,
            "Settings: not embedded; the package reads Settings.ini from its own folder, so ship it beside "
            "the package\n");
  if (!plan.executionLevel.empty()) PrintTo(stdout, "Execution level: %s\n", plan.executionLevel.c_str());
  if (names.Any())
    PrintTo(stdout, "Language %s (%u): built in, with %s\n", kBuiltInLanguageName, kBuiltInLanguageId,
            (names.company.empty()   ? "the product's name " + Quoted(names.product)
             : names.product.empty() ? "the company's name " + Quoted(names.company)
                                     : "the names " + Quoted(names.company) + " and " + Quoted(names.product))
                .c_str());
  for (const BuiltLanguage& language : languages)
    PrintTo(stdout, "Language %s (%u): %lu texts and %lu recordings of its own from \"%s\", %lu bytes\n",
            language.index.name, language.index.id, static_cast<unsigned long>(language.ownTexts),
            static_cast<unsigned long>(language.ownRecordings), language.folder.c_str(),
            static_cast<unsigned long>(language.dll.size()));
}

// Asked for by the benchmark: the builder's own time and peak memory.
void PrintStatistics(DWORD startTicks) {
  if (GetEnvironmentVariableA("PENDRIX_PACK_STATS", nullptr, 0) == 0) return;
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  PrintTo(stderr, "PendrixPack statistics: %lu ms, peak working set %lu KB, peak private bytes %lu KB\n",
          GetTickCount() - startTicks, static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024),
          static_cast<unsigned long>(counters.PeakPagefileUsage / 1024));
}

}  // namespace

int main() {
  RestrictDllSearch();  // before anything can load a DLL
  DWORD startTicks = GetTickCount();
  // Names in any script: the arguments as Windows holds them, not in the ANSI code page.
  std::vector<std::string> arguments = Utf8Arguments();
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  PackOptions options;
  std::string problem = ParsePackOptions(static_cast<int>(argv.size()), argv.data(), options);
  if (!problem.empty()) {
    PrintTo(stderr, "PendrixPack: %s\n%s", problem.c_str(), kPackUsage);
    return kPackBadCommandLine;
  }
  if (options.help) {
    PrintTo(stdout, "%s", kPackUsage);
    return kPackSucceeded;
  }
  if (!options.list.empty()) return Outcome(ListPackage(options.list));
  if (!options.extract.empty()) return Outcome(ExtractPackage(options.extract, options.extractTo));
  if (!options.languageTemplate.empty())
    return Outcome(WriteLanguageTemplate(options.languageTemplate, EnginePath(options)));
  if (options.check) return RunSettingsCheck(options);
  SetConsoleCtrlHandler(OnConsoleBreak, TRUE);

  std::string settingsPath = FullPath(options.settings);
  std::string payload = FullPath(options.payload);
  std::string out = FullPath(options.out);
  std::string engine = EnginePath(options);

  // Without its settings there is nothing to check; every other refusal and warning is reported
  // in the same run.
  std::string error;
  DWORD result = CheckReadableFile("settings file", settingsPath, error);
  SettingsFile settings;
  if (result == 0) result = settings.Load(settingsPath, options.settings, error);
  if (result != 0) return Refuse(error);
  PackReport report(options.strict);
  DWORD attributes = GetFileAttributesW(Utf8ToWide(payload).c_str());
  bool payloadFound = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (attributes == INVALID_FILE_ATTRIBUTES)
    report.Refuse(ERROR_PATH_NOT_FOUND, "the payload folder " + Quoted(payload) + " does not exist");
  else if (!payloadFound)
    report.Refuse(ERROR_PATH_NOT_FOUND, "the payload folder " + Quoted(payload) + " is a file, not a folder");
  result = CheckReadableFile("engine", engine, error);
  bool engineFound = result == 0;
  if (!engineFound) report.Refuse(result, error);
  attributes = GetFileAttributesW(Utf8ToWide(out).c_str());
  std::string outFolder = out.substr(0, out.find_last_of('\\') + 1);
  DWORD folderAttributes = GetFileAttributesW(Utf8ToWide(outFolder).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    report.Refuse(ERROR_DIRECTORY, "the output " + Quoted(out) + " is a folder; name the package file to write");
  else if (folderAttributes == INVALID_FILE_ATTRIBUTES || !(folderAttributes & FILE_ATTRIBUTE_DIRECTORY))
    report.Refuse(ERROR_PATH_NOT_FOUND, "the output folder " + Quoted(outFolder) + " does not exist");

  std::vector<std::string> displayNames;
  RequirementsUsed used;
  ReportSettingsFindings(options.settings, settings,
                         options.embedSettings ? SettingsPlace::kEmbedded : SettingsPlace::kMaybeBeside,
                         engineFound ? engine : "", report, &displayNames, &used);
  const MakerNames names{options.company, options.productName};
  std::vector<BuiltLanguage> languages;
  std::vector<uint8_t> english, version;
  if (engineFound) {
    BuildLanguages(options.languages, engine, displayNames, report, languages, names);
    bool ownEnglish = false;
    for (const BuiltLanguage& language : languages) ownEnglish = ownEnglish || language.index.id == kBuiltInLanguageId;
    BuildMakerEnglish(names, engine, ownEnglish, used, report, english);
    std::string problem = StampsVersion(options) ? MakeVersionResource(options, engine, version) : "";
    if (!problem.empty()) report.Refuse(ERROR_INVALID_DATA, problem);
  }
  PackagePlan plan;
  plan.executionLevel = options.executionLevel;
  if (payloadFound) {
    std::vector<PlanProblem> problems;
    ReadPackagePlan(settings.readPath(), options.settings, payload, plan, problems);
    report.Plan(problems);
  }
  if (report.refusals() != 0) {
    std::string closing = report.RefusalLine();
    if (!closing.empty()) PrintTo(stderr, "PendrixPack: %s\n", closing.c_str());
    fflush(stderr);
    return kPackRefused;
  }

  if (options.embedSettings) result = AddSettingsResource(settings, plan, error);
  if (result == 0 && !options.executionLevel.empty())
    result = AddManifestResource(engine, options.executionLevel, plan, error);
  AddLanguageResources(languages, plan);
  if (!english.empty()) AddResource(kLanguageResourceType, kLanguageResource, english, plan);
  if (!version.empty()) AddNumberedResource(16, 1, version, plan);  // RT_VERSION
  if (result == 0) result = RefuseOutputOverInput(out, engine, settingsPath, plan, error);
  if (result == 0) result = RemovePartialPackage(out, error);
  if (result != 0) return Refuse(error);

  uint64_t size = 0;
  result = WritePackage(engine, out, plan, error, size);
  if (result != 0) return Refuse(error);
  PrintSummary(plan, settings, languages, names);
  if (!version.empty()) {
    ModuleHandle written(LoadLibraryExW(Utf8ToWide(out).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (written) PrintTo(stdout, "Version: %s\n", VersionLine(written.get()).c_str());
  }
  PrintTo(stdout, "Wrote \"%s\", %llu bytes\n", out.c_str(), static_cast<unsigned long long>(size));
  PrintStatistics(startTicks);
  fflush(stdout);
  return kPackSucceeded;
}
