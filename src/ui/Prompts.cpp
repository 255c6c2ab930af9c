// The spoken prompts: message boxes that refuse the install or ask whether a failed component
// shall be reinstalled. Each takes its caption and text from the language module; the reinstall,
// OS and platform prompts also play the recorded version of their message while the box is open.
// None of them shows or says anything in silent mode.
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"

namespace {

// What one box shows and says; empty texts when the language module is not loaded.
struct Prompt {
  char caption[100] = {};
  char text[500] = {};
  char wave[260] = {};
};

// A string of the language module that takes this many strings; empty when the module lacks it.
template <unsigned Id, int Strings>
void LoadModuleString(HMODULE language, char (&buffer)[500]) {
  buffer[0] = '\0';
  if (language != nullptr) LoadMessage<Id, Strings>(language, buffer, sizeof(buffer) - 1);
}

// The caption string formatted with the display name, cut at 99 characters.
template <unsigned Id>
void LoadCaption(const Bootstrapper& bootstrapper, Prompt& prompt) {
  char format[500];
  LoadModuleString<Id, 1>(bootstrapper.m_hLanguageModule, format);
  if (format[0] != '\0') FormatCut(prompt.caption, format, bootstrapper.m_szDisplayName);
}

// A text formatted with its arguments (text, not formats), cut at 499 characters.
template <unsigned Id, typename... Args>
void LoadFormattedText(const Bootstrapper& bootstrapper, Prompt& prompt, Args... args) {
  char format[500];
  LoadModuleString<Id, static_cast<int>(sizeof...(Args))>(bootstrapper.m_hLanguageModule, format);
  if (format[0] != '\0') bounded::Format(prompt.text, sizeof(prompt.text), format, args...);
}

// A text shown as the module holds it: a percent sign in it stays as it is.
template <unsigned Id>
void LoadPlainText(const Bootstrapper& bootstrapper, Prompt& prompt) {
  LoadModuleString<Id, 0>(bootstrapper.m_hLanguageModule, prompt.text);
}

void SetWave(const Bootstrapper& bootstrapper, const char* name, Prompt& prompt) {
  if (bootstrapper.m_hLanguageModule != nullptr) CopyCut(prompt.wave, name, 259);
}

int ShowBox(const Prompt& prompt, UINT style) {
  return SystemUtility::ShowMessageBox(nullptr, prompt.text, prompt.caption, style);
}

const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

bool Bootstrapper::ShowReinstall(const char* component) {
  if (m_bSilent) return true;  // unattended: a failed component is reinstalled without asking
  Prompt prompt;
  LoadCaption<IDS_SETUP_PACKAGE_ERROR_CAPTION>(*this, prompt);
  LoadFormattedText<IDS_REINSTALL>(*this, prompt, OrEmpty(component));
  SetWave(*this, kReinstallWaveName, prompt);
  PlayWave(TRUE, SND_ASYNC, prompt.wave);
  LogMessage(this, "ShowReinstall - Prompting user to reinstall the component.");
  int result = ShowBox(prompt, MB_OKCANCEL | MB_ICONEXCLAMATION);
  PlayWave(FALSE, 0, nullptr);
  LogMessage(this, "ShowReinstall - User decision: %d.", result);
  return result == IDOK;
}

void Bootstrapper::ShowFailure(const char* component) {
  if (m_bSilent) return;
  Prompt prompt;
  LoadCaption<IDS_SETUP_PACKAGE_ERROR_CAPTION>(*this, prompt);
  LoadFormattedText<IDS_COMPONENT_FAILED>(*this, prompt, m_szDisplayName, OrEmpty(component));
  LogMessage(this, "ShowFailure - Notifying user of installation failure.");
  ShowBox(prompt, MB_OK | MB_ICONEXCLAMATION);
}

void Bootstrapper::ShowOSError() {
  if (m_bSilent) return;
  Prompt prompt;
  SetWave(*this, kOsWaveName, prompt);
  LoadCaption<IDS_SETUP_PACKAGE_CAPTION>(*this, prompt);
  LoadPlainText<IDS_OS_REFUSED>(*this, prompt);
  PlayWave(TRUE, SND_ASYNC, prompt.wave);
  LogMessage(this, "ShowOSError - Prompting user that OS is not supported.");
  ShowBox(prompt, MB_OK);
  PlayWave(FALSE, 0, nullptr);
}

void Bootstrapper::ShowPlatformError() {
  if (m_bSilent) return;
  Prompt prompt;
  SetWave(*this, kPlatformWaveName, prompt);
  LoadCaption<IDS_SETUP_PACKAGE_CAPTION>(*this, prompt);
  LoadPlainText<IDS_PLATFORM_REFUSED>(*this, prompt);
  PlayWave(TRUE, SND_ASYNC, prompt.wave);
  LogMessage(this, "ShowPlatformError - Prompting user that Platform is not supported.");
  ShowBox(prompt, MB_OK);
  PlayWave(FALSE, 0, nullptr);
}

void Bootstrapper::ShowPermissionsError(int level) {
  if (m_bSilent) return;
  Prompt prompt;
  LoadCaption<IDS_SETUP_PACKAGE_ERROR_CAPTION>(*this, prompt);
  if (level == kPowerUserLevel)
    LoadPlainText<IDS_POWER_USER_REQUIRED>(*this, prompt);
  else
    LoadPlainText<IDS_ADMINISTRATOR_REQUIRED>(*this, prompt);
  LogMessage(this, "ShowPermissionsError - Notifying user of permissions error.");
  ShowBox(prompt, MB_OK | MB_ICONEXCLAMATION);
}
