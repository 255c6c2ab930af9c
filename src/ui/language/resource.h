// Identifiers of the resources of the language DLL (PendrixLang.rc) and of the package
// executable (Pendrix.rc), shared by both resource scripts, the engine, PendrixPack and the tests.
//
// A number never changes meaning: a language DLL built for one engine must work with the next.
// A message or resource that is no longer used keeps its number here, and a new one takes a
// number never used before.
//
// Named resources (the waves, the cleanup tool, the language DLL, the settings file, the
// executable's icon) must never be #defined here: the resource compiler would store a #defined
// name as a number. The code refers to those it uses by the string constants further down.
#pragma once

// ---- String table of the language DLL ---------------------------------------------------------
// Not defined: 0, 23 to 49, 56, 57 and 65. A new message takes the next number above the last.
#define IDS_ERROR_CAPTION 1                 // title of every error report
#define IDS_LANGUAGE_EXTRACT_FAILED 2
#define IDS_LANGUAGE_LOAD_FAILED 3
#define IDS_EXTRACT_SETTINGS_NO_PATH 4
#define IDS_EXTRACT_SETTINGS_FAILED 5       // the output path
#define IDS_REPLACE_SETTINGS_NO_PATH 6
#define IDS_REPLACE_SETTINGS_MISSING 7      // the replacement settings path
#define IDS_SETTINGS_EXTRACT_FAILED 8
#define IDS_NO_SETTINGS 9
#define IDS_SETUP_TYPE_EMPTY 10             // the setup type
#define IDS_KEY_MISSING 11                  // the key, then the section
#define IDS_HELP_FAILED 12
#define IDS_WELCOME_FAILED 13
#define IDS_HELP_PASSTHRU 14
#define IDS_SECTION_MISSING 15              // the section
#define IDS_INSTALLER_EXTRACT_FAILED 16     // the installer section
#define IDS_REBOOT_FAILED 17                // stored; not loaded
#define IDS_OUTPUT_FILE_UNKNOWN 18          // the installer section
#define IDS_MORE_HELP_FAILED 19             // stored; not loaded
#define IDS_OS_REFUSED 20
#define IDS_RESTART_PRODUCT 21
#define IDS_PLATFORM_REFUSED 22
#define IDS_HELP_CAPTION 50
#define IDS_HELP_INTRODUCTION 51
#define IDS_HELP_HELP 52                    // stored; the Help dialog leaves it out
#define IDS_HELP_EXTRACT_SETTINGS 53
#define IDS_HELP_REPLACE_SETTINGS 54
#define IDS_SETUP_PACKAGE_CAPTION 55        // the display name
#define IDS_REBOOT 58                       // the reboot box of a language DLL without 73 to 76
#define IDS_SETUP_PACKAGE_ERROR_CAPTION 59  // the display name
#define IDS_COMPONENT_FAILED 60             // the display name, then the installer section
#define IDS_REINSTALL 61                    // the installer section
#define IDS_ADMINISTRATOR_REQUIRED 62
#define IDS_POWER_USER_REQUIRED 63
#define IDS_HELP_LOG 64
#define IDS_HELP_TYPE 66
#define IDS_HELP_MORE_HELP 67
#define IDS_MORE_HELP_CAPTION 68            // stored; not loaded
#define IDS_RESTORE_POINT 69                // the display name
#define IDS_REBOOT_FOR_SPEECH 70            // stored; not loaded
#define IDS_UNINSTALL_COMPLETE 71           // stored; not loaded
#define IDS_DISPLAY_ADAPTER 72              // stored; not loaded
#define IDS_DISK_FULL 80                    // the folder
#define IDS_INSTALLER_CHANGED 81            // the installer section
#define IDS_HELP_QUIET 82
#define IDS_SETTINGS_EMPTY 83               // the settings file
#define IDS_SETTINGS_UNREADABLE 84          // the settings file
#define IDS_SETTINGS_TOO_LARGE 85           // the settings file
#define IDS_HELP_UI_LANGUAGE 86
#define IDS_SETTINGS_CHANGEABLE 87          // the settings file, then who can change it
#define IDS_INSTALLER_CHANGEABLE 88         // the installer file, then who can change it
#define IDS_START_AGAIN_AFTER_RESTART 89    // the package
#define IDS_WINDOW_TITLE 95                 // the package's one window, in the taskbar and Alt+Tab
#define IDS_INSTALLER_DAMAGED 96            // the installer section
#define IDS_PACKAGE_DAMAGED 97              // the settings or the language
// The reboot boxes, each saying what its recording says: OK and Cancel, or OK alone (the
// restart cannot be put off); and whether setup goes on after the restart.
#define IDS_REBOOT_NOW_OR_LATER_RESUME 73
#define IDS_REBOOT_NOW_OR_LATER 74
#define IDS_REBOOT_NOW_RESUME 75
#define IDS_REBOOT_NOW 76

// ---- Dialogs, controls, pictures and the waiting tone of the language DLL ----------------------
#define IDD_HELP 101
#define IDC_HELP_TEXT 102
#define IDR_WAIT_TONE 103  // the executable's waiting tone, a WAVE resource by number
#define IDD_WELCOME 104    // the Welcome dialog of a package that carries none of its own
#define IDB_SIDE_PANEL 105
#define IDC_WELCOME_TITLE 107
#define IDC_WELCOME_TEXT 108
// 109: the dialogs' icon, until the language DLL carried texts and recordings only; the dialogs
// now show the executable's icon (kSetupIconName).
#define IDD_PROGRESS 110
#define IDC_PROGRESS_BAR 1000
#define IDC_PROGRESS_TEXT 1001

// Controls of both Welcome dialogs.
#define IDC_WHITE_AREA 52
#define IDC_SIDE_PANEL 106
#define IDC_SEPARATOR 1300

// ---- The package's Welcome dialog, in the language DLL; its side panel is the executable's -------
#define IDD_PACKAGE_WELCOME 107
#define IDC_PACKAGE_WELCOME_TITLE 104
#define IDC_PACKAGE_WELCOME_TEXT 105
#define IDB_PACKAGE_SIDE_PANEL 108
#define IDC_SILENT_INSTALL 7  // IDNO: ends the dialog as OK does, without speech

#ifndef RC_INVOKED

// ---- Named resources ---------------------------------------------------------------------------
inline constexpr char kWaveResourceType[] = "WAVE";
inline constexpr char kOsWaveName[] = "IDR_OS_WAV";
inline constexpr char kPlatformWaveName[] = "IDR_PLATFORM_WAV";
inline constexpr char kReinstallWaveName[] = "IDR_REINSTALL_WAV";
// The reboot prompts: 1 when more of the package follows the restart, 2 when nothing does.
inline constexpr char kRebootOk1WaveName[] = "IDR_REBOOT_OK1_WAV";
inline constexpr char kRebootOk2WaveName[] = "IDR_REBOOT_OK2_WAV";
inline constexpr char kRebootOkCancel1WaveName[] = "IDR_REBOOT_OKCANCEL1_WAV";
inline constexpr char kRebootOkCancel2WaveName[] = "IDR_REBOOT_OKCANCEL2_WAV";
inline constexpr char kWelcomeWaveName[] = "IDR_WELCOME_WAV";
// The cleanup tool and the icon, carried by the executable for every language.
inline constexpr char kCleanupToolType[] = "TOOL";
inline constexpr char kCleanupToolResource[] = "CLEANUP";
inline constexpr char kSetupIconName[] = "IDI_SETUP";
// The built-in language DLL and the settings file, carried by the executable. The package's other
// languages are DLLs of the same type named by ui/LanguageChoice.h, listed by its index.
inline constexpr char kLanguageResourceType[] = "LANGUAGE";
inline constexpr char kLanguageResource[] = "LANG_BOOTSTRAPPER";
inline constexpr char kSettingsResourceType[] = "TEXT";
inline constexpr char kSettingsResource[] = "SETTINGS_INI";

// ---- The recordings the engine plays ------------------------------------------------------------
// Each says what its screen shows (SpokenPrompts.ini holds the words): a message, or for the
// welcome the Welcome dialog's texts. The language DLL's other recordings no screen plays.
struct PlayedRecording {
  const char* name;
  unsigned message;  // 0: the Welcome dialog, IDD_PACKAGE_WELCOME
};
inline constexpr PlayedRecording kPlayedRecordings[] = {
    {kWelcomeWaveName, 0},
    {kOsWaveName, IDS_OS_REFUSED},
    {kPlatformWaveName, IDS_PLATFORM_REFUSED},
    {kReinstallWaveName, IDS_REINSTALL},
    {kRebootOkCancel1WaveName, IDS_REBOOT_NOW_OR_LATER_RESUME},
    {kRebootOkCancel2WaveName, IDS_REBOOT_NOW_OR_LATER},
    {kRebootOk1WaveName, IDS_REBOOT_NOW_RESUME},
    {kRebootOk2WaveName, IDS_REBOOT_NOW},
};

// Whether the recording says the message: the table above lists it so.
constexpr bool SaysMessage(const char* recording, unsigned message) {
  for (const PlayedRecording& played : kPlayedRecordings)
    if (played.name == recording && played.message == message) return true;
  return false;
}

// ---- What each message takes ---------------------------------------------------------------------
// How many "%s" each message that the engine loads takes from its caller, in the order its
// comment above gives. A message shown as it stands takes none. The helpers that load messages
// accept only the messages listed here, with their count of arguments, and a test holds the
// built language DLL to the same table.
struct MessageArguments {
  unsigned id;
  int strings;
};

inline constexpr MessageArguments kMessageArguments[] = {
    {IDS_ERROR_CAPTION, 0},
    {IDS_LANGUAGE_EXTRACT_FAILED, 0},
    {IDS_LANGUAGE_LOAD_FAILED, 0},
    {IDS_EXTRACT_SETTINGS_NO_PATH, 0},
    {IDS_EXTRACT_SETTINGS_FAILED, 1},
    {IDS_REPLACE_SETTINGS_NO_PATH, 0},
    {IDS_REPLACE_SETTINGS_MISSING, 1},
    {IDS_SETTINGS_EXTRACT_FAILED, 0},
    {IDS_NO_SETTINGS, 0},
    {IDS_SETUP_TYPE_EMPTY, 1},
    {IDS_KEY_MISSING, 2},
    {IDS_HELP_FAILED, 0},
    {IDS_WELCOME_FAILED, 0},
    {IDS_HELP_PASSTHRU, 0},
    {IDS_SECTION_MISSING, 1},
    {IDS_INSTALLER_EXTRACT_FAILED, 1},
    {IDS_OUTPUT_FILE_UNKNOWN, 1},
    {IDS_OS_REFUSED, 0},
    {IDS_RESTART_PRODUCT, 0},
    {IDS_PLATFORM_REFUSED, 0},
    {IDS_HELP_CAPTION, 0},
    {IDS_HELP_INTRODUCTION, 0},
    {IDS_HELP_EXTRACT_SETTINGS, 0},
    {IDS_HELP_REPLACE_SETTINGS, 0},
    {IDS_SETUP_PACKAGE_CAPTION, 1},
    {IDS_REBOOT, 0},
    {IDS_SETUP_PACKAGE_ERROR_CAPTION, 1},
    {IDS_COMPONENT_FAILED, 2},
    {IDS_REINSTALL, 1},
    {IDS_ADMINISTRATOR_REQUIRED, 0},
    {IDS_POWER_USER_REQUIRED, 0},
    {IDS_HELP_LOG, 0},
    {IDS_HELP_TYPE, 0},
    {IDS_HELP_MORE_HELP, 0},
    {IDS_RESTORE_POINT, 1},
    {IDS_DISK_FULL, 1},
    {IDS_INSTALLER_CHANGED, 1},
    {IDS_HELP_QUIET, 0},
    {IDS_SETTINGS_EMPTY, 1},
    {IDS_SETTINGS_UNREADABLE, 1},
    {IDS_SETTINGS_TOO_LARGE, 1},
    {IDS_HELP_UI_LANGUAGE, 0},
    {IDS_SETTINGS_CHANGEABLE, 2},
    {IDS_INSTALLER_CHANGEABLE, 2},
    {IDS_START_AGAIN_AFTER_RESTART, 1},
    {IDS_WINDOW_TITLE, 0},
    {IDS_INSTALLER_DAMAGED, 1},
    {IDS_PACKAGE_DAMAGED, 0},
    {IDS_REBOOT_NOW_OR_LATER_RESUME, 0},
    {IDS_REBOOT_NOW_OR_LATER, 0},
    {IDS_REBOOT_NOW_RESUME, 0},
    {IDS_REBOOT_NOW, 0},
};

// The number of "%s" that message `id` takes, or -1 when the engine does not load it.
constexpr int MessageStrings(unsigned id) {
  for (const MessageArguments& message : kMessageArguments)
    if (message.id == id) return message.strings;
  return -1;
}

// The Help dialog's text, in the order shown: the introduction, then the options.
inline constexpr unsigned kHelpTextMessages[] = {
    IDS_HELP_INTRODUCTION, IDS_HELP_MORE_HELP, IDS_HELP_EXTRACT_SETTINGS, IDS_HELP_REPLACE_SETTINGS,
    IDS_HELP_LOG,          IDS_HELP_TYPE,      IDS_HELP_QUIET,            IDS_HELP_UI_LANGUAGE,
    IDS_HELP_PASSTHRU};

#endif  // RC_INVOKED
