// The package's further languages, each built from a translator's folder (texts.ini and WAVE
// files named after the recordings they replace) into a DLL of texts and recordings only: the
// built-in language's string table and dialogs with the folder's words, and its recordings with
// the folder's voice. What a folder leaves out stays as the built-in English has it. Every check
// reports in the same run as the settings' own.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "MakerNames.h"
#include "PackCheck.h"
#include "PackagePlan.h"
#include "ui/LanguageChoice.h"

struct BuiltLanguage {
  PackageLanguage index;  // its number, locale name and the code pages that spell it
  std::string folder;
  std::vector<uint8_t> dll;
  size_t ownTexts = 0;
  size_t ownRecordings = 0;
};

// NAME of "NAME=FOLDER": a locale name ("de-DE", "de_DE", "de") or a language number ("1031"),
// as Windows knows it. "" or why not.
std::string ResolveLanguageName(const std::string& name, PackageLanguage& language);

// Reads, checks and builds each --language NAME=FOLDER against the engine's built-in language,
// with the maker's names in the engine's places. Every text of a dialog is measured on that
// dialog, its "%s" filled with the longest of `displayNames` (ANSI, as the settings hold them);
// so is the built-in English, unless a folder gives en-US. A language with a refusal is not
// built.
void BuildLanguages(const std::vector<std::string>& options, const std::string& enginePath,
                    const std::vector<std::string>& displayNames, PackReport& report, std::vector<BuiltLanguage>& built,
                    const MakerNames& names = MakerNames());

// Adds each language's DLL and the index that lists them.
void AddLanguageResources(const std::vector<BuiltLanguage>& languages, PackagePlan& plan);
