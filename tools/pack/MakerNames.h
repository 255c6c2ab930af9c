// The package maker's names where the engine's built-in English names its own vendor and
// products: in the error caption, the Help, the refusals, a support text and the window's
// title. Every user of a package meets them, unless the maker ships an English of their own.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "BuiltInLanguage.h"
#include "PackCheck.h"

// The vendor and the products the built-in English names, as it spells them.
inline constexpr char kEngineVendor[] = "Tarrowind";
inline constexpr const char* kEngineProducts[] = {"Lumora", "Vellora"};
// The built-in recordings that speak the vendor's name, or a product's, and when a package plays them.
enum class RecordingPlayed { kOSRefused, kPlatformRefused, kNever };
struct RecordingNaming {
  const char* recording;
  bool vendor;
  bool product;
  RecordingPlayed played;
};
inline constexpr RecordingNaming kRecordingsNamingEngine[] = {
    {"IDR_OS_WAV", true, false, RecordingPlayed::kOSRefused},
    {"IDR_PLATFORM_WAV", true, false, RecordingPlayed::kPlatformRefused},
    {"IDR_XDDM_WAV", true, true, RecordingPlayed::kNever}};

struct MakerNames {
  std::string company;  // in the ANSI code page, as the command line gives it; "" when not given
  std::string product;
  bool Any() const { return !company.empty() || !product.empty(); }
};

// Puts the names given in the places of the engine's in the string table and the texts.
void PutMakerNames(const MakerNames& names, BuiltInLanguage& language);

// Warns where the built-in English still names the engine's vendor or products (a name not
// given), and which recordings that the settings may play (`used`) still speak a name that the
// texts no longer show. Nothing when the package carries an English of the maker's own
// (`ownEnglish`), which users then see instead.
void ReportMakerNames(const MakerNames& names, const BuiltInLanguage& language, bool ownEnglish,
                      const RequirementsUsed& used, PackReport& report);

// The built-in language's DLL again, with the string table of `language` and every other
// resource of the DLL it was read from; "" or why not.
std::string RebuildLanguageDll(const BuiltInLanguage& language, std::vector<uint8_t>& dll);

// Reads the engine's built-in English, reports on the names it shows, and, when the maker gave
// any, builds it again with them into `dll`; empty when the engine's own stays.
void BuildMakerEnglish(const MakerNames& names, const std::string& enginePath, bool ownEnglish,
                       const RequirementsUsed& used, PackReport& report, std::vector<uint8_t>& dll);
