// The spoken prompts: message boxes that refuse the install or ask whether a failed component
// shall be reinstalled. Each takes its caption and text from the language module; the reinstall,
// OS and platform prompts also play the recorded version of their message while the box is open.
// None of them shows or says anything in silent mode.
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"

namespace {

// Language-module strings of the prompts.
constexpr UINT kSetupPackageCaption = 55;       // "%s Setup Package"
constexpr UINT kSetupPackageErrorCaption = 59;  // "%s Setup Package Error"
constexpr UINT kFailureText = 60;               // formatted with the display name and the component
constexpr UINT kReinstallText = 61;             // formatted with the component
constexpr UINT kOSText = 20;
constexpr UINT kPlatformText = 22;
constexpr UINT kAdministratorText = 62;
constexpr UINT kPowerUserText = 63;

constexpr int kPowerUserLevel = 2;

// What one box shows and says; empty texts when the language module is not loaded.
struct Prompt {
  char caption[100] = {};
  char text[500] = {};
  char wave[260] = {};
};

// A string of the language module; empty when the module lacks it.
void LoadModuleString(HMODULE language, UINT id, char (&buffer)[500]) {
  buffer[0] = '\0';
  if (language != nullptr) LoadStringA(language, id, buffer, sizeof(buffer) - 1);
}

// The caption string formatted with the display name, cut at 99 characters.
void LoadCaption(const Bootstrapper& bootstrapper, UINT id, Prompt& prompt) {
  char format[500];
  LoadModuleString(bootstrapper.m_hLanguageModule, id, format);
  if (format[0] != '\0') FormatCut(prompt.caption, format, bootstrapper.m_szDisplayName);
}

// A text formatted with its arguments (text, not formats), cut at 499 characters.
template <typename... Args>
void LoadFormattedText(const Bootstrapper& bootstrapper, UINT id, Prompt& prompt, Args... args) {
  char format[500];
  LoadModuleString(bootstrapper.m_hLanguageModule, id, format);
  if (format[0] != '\0') bounded::Format(prompt.text, sizeof(prompt.text), format, args...);
}

// A text shown as the module holds it: a percent sign in it stays as it is.
void LoadPlainText(const Bootstrapper& bootstrapper, UINT id, Prompt& prompt) {
  LoadModuleString(bootstrapper.m_hLanguageModule, id, prompt.text);
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
  LoadCaption(*this, kSetupPackageErrorCaption, prompt);
  LoadFormattedText(*this, kReinstallText, prompt, OrEmpty(component));
  SetWave(*this, "IDR_REINSTALL_WAV", prompt);
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
  LoadCaption(*this, kSetupPackageErrorCaption, prompt);
  LoadFormattedText(*this, kFailureText, prompt, m_szDisplayName, OrEmpty(component));
  LogMessage(this, "ShowFailure - Notifying user of installation failure.");
  ShowBox(prompt, MB_OK | MB_ICONEXCLAMATION);
}

void Bootstrapper::ShowOSError() {
  if (m_bSilent) return;
  Prompt prompt;
  SetWave(*this, "IDR_OS_WAV", prompt);
  LoadCaption(*this, kSetupPackageCaption, prompt);
  LoadPlainText(*this, kOSText, prompt);
  PlayWave(TRUE, SND_ASYNC, prompt.wave);
  LogMessage(this, "ShowOSError - Prompting user that OS is not supported.");
  ShowBox(prompt, MB_OK);
  PlayWave(FALSE, 0, nullptr);
}

void Bootstrapper::ShowPlatformError() {
  if (m_bSilent) return;
  Prompt prompt;
  SetWave(*this, "IDR_PLATFORM_WAV", prompt);
  LoadCaption(*this, kSetupPackageCaption, prompt);
  LoadPlainText(*this, kPlatformText, prompt);
  PlayWave(TRUE, SND_ASYNC, prompt.wave);
  LogMessage(this, "ShowPlatformError - Prompting user that Platform is not supported.");
  ShowBox(prompt, MB_OK);
  PlayWave(FALSE, 0, nullptr);
}

void Bootstrapper::ShowPermissionsError(int level) {
  if (m_bSilent) return;
  Prompt prompt;
  LoadCaption(*this, kSetupPackageErrorCaption, prompt);
  LoadPlainText(*this, level == kPowerUserLevel ? kPowerUserText : kAdministratorText, prompt);
  LogMessage(this, "ShowPermissionsError - Notifying user of permissions error.");
  ShowBox(prompt, MB_OK | MB_ICONEXCLAMATION);
}
