// PendrixPack's checks of a settings file, the way the engine will read it: the snapshot read
// through the profile functions, every warning and refusal of one run printed one line each, and
// the --check mode that builds nothing.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "PackOptions.h"
#include "PackagePlan.h"
#include "SettingsCheck.h"
#include "SettingsFile.h"

// Every finding of one run, printed on stderr as it is found.
class PackReport {
 public:
  // `listAll`: a finding lists every item of its list, as --check does; a build names the first few.
  explicit PackReport(bool strict, bool listAll = false) : m_strict(strict), m_listAll(listAll) {}
  bool listAll() const { return m_listAll; }
  void Warn(const std::string& line);
  void Refuse(DWORD code, const std::string& line);
  // Said, and not counted: something PendrixPack could not check here.
  void Note(const std::string& line);
  // A finding about the settings, on the line it names.
  void Finding(const std::string& shownName, const SettingsLines& lines, const SettingsFinding& finding);
  void Plan(const std::vector<PlanProblem>& problems);

  // With strict, warnings count as refusals.
  size_t warnings() const { return m_strict ? 0 : m_warnings; }
  size_t refusals() const { return m_refusals + (m_strict ? m_warnings : 0); }
  // The code the run ends with: its first refusal's, or ERROR_INVALID_DATA for warnings refused.
  DWORD code() const { return m_code != 0 ? m_code : ERROR_INVALID_DATA; }
  // The closing line when findings refuse the package, or "" when the refusals have said it all.
  std::string RefusalLine() const;

 private:
  static void Print(const char* kind, const std::string& line);

  bool m_strict;
  bool m_listAll;
  size_t m_warnings = 0;
  size_t m_refusals = 0;         // every refusal
  size_t m_findingRefusals = 0;  // of them, the settings findings that the engine would act on
  DWORD m_code = 0;
};

// Where the settings will be read from: carried by the package, or perhaps the file beside it.
enum class SettingsPlace { kEmbedded, kMaybeBeside };

// Reports every finding of the settings file: SettingsCheck's, the names the code page cannot
// spell, an encoding that a package reading the file beside it would misread, and a display name
// the engine's Welcome dialog cuts. `displayNames` gets the names the dialogs show, `used`
// the requirements the setup types set.
void ReportSettingsFindings(const std::string& shownName, const SettingsFile& settings, SettingsPlace place,
                            const std::string& enginePath, PackReport& report,
                            std::vector<std::string>* displayNames = nullptr, RequirementsUsed* used = nullptr);

// The engine named with --engine, or the Pendrix.exe beside PendrixPack.
std::string EnginePath(const PackOptions& options);

// --check: exit code 0 when the settings (and the payload and the languages, when given) are
// clean, 1 when there are warnings only, 2 when something would be refused.
int RunSettingsCheck(const PackOptions& options);
