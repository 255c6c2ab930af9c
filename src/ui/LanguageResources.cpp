// The language DLL: carried inside the executable, written to the working folder and loaded
// as the source of every message, dialog and spoken prompt. Of the languages a package carries,
// only the one chosen for the user is written.
//
// The file stays held without write or delete sharing from its writing until the loader has
// mapped it (a mapped image cannot be changed either), so that the code loaded is the code the
// package carries.
#include "core/Bootstrapper.h"

#include <cstring>

#include "core/BoundedString.h"
#include "core/HandleOwner.h"
#include "core/Trace.h"
#include "trust/WorkFolderFiles.h"
#include "ui/LanguageChoice.h"

namespace {

// The languages the package carries besides its built-in one; none for a package without an index.
void ReadLanguageIndex(LanguageIndex& index) {
  HRSRC found = FindResourceA(nullptr, kLanguageIndexResource, kLanguageResourceType);
  HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
  const char* text = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  ParseLanguageIndex(text, text != nullptr ? SizeofResource(nullptr, found) : 0, index);
}

// The user's UI language; Windows before 2000 knows only the user's locale.
LANGID UserUILanguage() {
  using GetLanguage = LANGID(WINAPI*)();
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto get = kernel != nullptr ? reinterpret_cast<GetLanguage>(GetProcAddress(kernel, "GetUserDefaultUILanguage"))
                               : nullptr;
  return get != nullptr ? get() : GetUserDefaultLangID();
}

// "3079 (de-AT)": the user's language as the log names it, its number and its locale name.
void DescribeLanguage(LANGID id, char (&text)[64]) {
  const LCID locale = MAKELCID(id, SORT_DEFAULT);
  char name[LOCALE_NAME_MAX_LENGTH] = {};
  // Locale names come with Vista; before it, the language's and the country's ISO codes.
  if (GetLocaleInfoA(locale, LOCALE_SNAME, name, sizeof(name)) == 0) {
    char language[9] = {}, country[9] = {};
    if (GetLocaleInfoA(locale, LOCALE_SISO639LANGNAME, language, sizeof(language)) != 0 &&
        GetLocaleInfoA(locale, LOCALE_SISO3166CTRYNAME, country, sizeof(country)) != 0)
      bounded::Format(name, sizeof(name), "%s-%s", language, country);
  }
  bounded::Format(text, sizeof(text), name[0] != '\0' ? "%u (%s)" : "%u", id, name);
}

}  // namespace

// Chooses the language and logs why; the resource to extract goes to `resource`.
void Bootstrapper::ChooseLanguageResource(char (&resource)[32]) {
  CopyCut(resource, kLanguageResource);
  LanguageIndex languages;
  ReadLanguageIndex(languages);
  const BootstrapperCommandLine& commandLine = *m_pCommandLine;
  const bool requested = commandLine.Has(kOptUILanguage);
  // A package of its built-in language alone runs as it always has.
  if (languages.empty() && !requested) return;

  const LANGID user = UserUILanguage();
  char userLanguage[64] = {};
  DescribeLanguage(user, userLanguage);
  const UINT codePage = GetACP();
  const char* asked = commandLine.m_szUILanguage;
  const LanguageRequest request = ParseLanguageRequest(asked);
  const bool unreadable = requested && request.Empty();
  LanguageChoice choice = ChooseLanguage(languages, user, codePage, request);
  if (choice.requestUnmet || unreadable)
    LogMessage(this, "LoadResources - /UILanguage %s names no language of this package that can be shown here.", asked);
  for (size_t i = 0; i < choice.unspellableCount; i++) {
    const PackageLanguage& passed = languages[choice.unspellable[i]];
    LogMessage(this, "LoadResources - Language %s (%u) is passed over: code page %u cannot spell its texts.",
               passed.name, passed.id, codePage);
  }

  const bool builtIn = choice.chosen < 0;
  const char* name = builtIn ? kBuiltInLanguageName : languages[choice.chosen].name;
  const unsigned id = builtIn ? kBuiltInLanguageId : languages[choice.chosen].id;
  const char* which = builtIn ? ", the built-in one" : "";
  switch (choice.reason) {
    case LanguageReason::kRequested:
      LogMessage(this, "LoadResources - Language %s (%u)%s: /UILanguage %s asks for it.", name, id, which, asked);
      break;
    case LanguageReason::kRequestedPrimary:
      LogMessage(this, "LoadResources - Language %s (%u)%s: the same language as /UILanguage %s asks for.", name, id,
                 which, asked);
      break;
    case LanguageReason::kUserLanguage:
      LogMessage(this, "LoadResources - Language %s (%u)%s: the user's UI language.", name, id, which);
      break;
    case LanguageReason::kUserPrimary:
      LogMessage(this, "LoadResources - Language %s (%u)%s: the same language as the user's UI language %s.", name, id,
                 which, userLanguage);
      break;
    case LanguageReason::kEnglish:
      LogMessage(this, "LoadResources - Language %s (%u)%s: the package has no language for the user's UI language %s.",
                 name, id, which, userLanguage);
      break;
  }
  if (!builtIn) LanguageResourceName(languages[choice.chosen].id, resource);
}

namespace {

// A language's DLL written to the working folder and loaded; 0 or the error, logged. `extracted`
// tells a DLL that could not be loaded from one that could not be written.
DWORD LoadLanguage(Bootstrapper* bootstrapper, const char* resource, bool& extracted) {
  extracted = false;
  FileHandle held;
  char path[260] = {};
  DWORD result =
      bootstrapper->ExtractToWorkFolder(nullptr, kLanguageResourceType, resource, "PendrixLang.dll", path, held);
  if (result != ERROR_SUCCESS) {
    LogMessage(bootstrapper, "LoadResources - Failed to extract language resource file.");
    return result;
  }
  extracted = true;
  CopyCut(bootstrapper->m_szLanguageDllPath, path);
  LogMessage(bootstrapper, "LoadResources - Language resource file: %s.", bootstrapper->m_szLanguageDllPath);

  bootstrapper->m_hLanguageModule = LoadLibraryA(bootstrapper->m_szLanguageDllPath);
  DWORD error = GetLastError();
  held.reset();  // mapped now, or not loaded at all
  TraceMark("language: load");
  if (bootstrapper->m_hLanguageModule == nullptr) {
    if (error == ERROR_SUCCESS) error = ERROR_MOD_NOT_FOUND;  // a failed load never reads as success
    LogMessage(bootstrapper, "LoadResources - Failed to load the language resource file. Error: %lu", error);
    return error;
  }
  return ERROR_SUCCESS;
}

}  // namespace

DWORD Bootstrapper::LoadResources() {
  char language[32] = {};
  ChooseLanguageResource(language);
  TraceMark("language: choice");
  bool extracted = false;
  DWORD result = LoadLanguage(this, language, extracted);
  if (result == ERROR_CRC) {
    // The user is told in the built-in language, when that one is whole; otherwise in the few
    // words the executable holds. The run ends either way.
    if (strcmp(language, kLanguageResource) != 0) {
      LogMessage(this, "LoadResources - The built-in language tells the user that the package is damaged.");
      LoadLanguage(this, kLanguageResource, extracted);
    }
    ShowError<IDS_PACKAGE_DAMAGED>(this);
    return result;
  }
  if (result == ERROR_SUCCESS) {
    // The window was made before there was a language: it takes the language's title now.
    char title[100] = {};
    if (m_hHiddenWindow != nullptr && LoadMessage<IDS_WINDOW_TITLE>(m_hLanguageModule, title, sizeof(title)) > 0)
      SetWindowTextA(m_hHiddenWindow, title);
  } else if (extracted) {
    ShowError<IDS_LANGUAGE_LOAD_FAILED>(this);
  } else if (IsDiskFull(result)) {
    ShowError<IDS_DISK_FULL>(this, SpaceToFree(m_szTempFolder).c_str());
  } else {
    ShowError<IDS_LANGUAGE_EXTRACT_FAILED>(this);
  }
  return result;
}
