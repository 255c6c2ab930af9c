// Numeric identifiers of the language DLL's dialogs, controls, bitmap and icon. Named resources
// (the waves, the cleanup tool) must stay undefined here: a #defined name becomes a number.
#pragma once

#define IDD_HELP 101
#define IDC_HELP_TEXT 102
#define IDD_WELCOME 104
#define IDB_SIDE_PANEL 105
#define IDC_SIDE_PANEL 106
#define IDC_WELCOME_TITLE 107
#define IDC_WELCOME_TEXT 108
#define IDI_LANGUAGE 109
#define IDD_PROGRESS 110
#define IDC_WHITE_AREA 52
#define IDC_SEPARATOR 1300
#define IDC_PROGRESS_BAR 1000
#define IDC_PROGRESS_TEXT 1001
#define IDR_WAIT_TONE 103
