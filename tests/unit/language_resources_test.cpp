// The built language DLL and the executable's own resources, read the way the engine reads them:
// LoadStringA, CreateDialogParamA, FindResourceA with the names and types the engine passes.
// Numbers and names are written out here on purpose: they are what a language DLL made for this
// engine holds, so the names of ui/language/resource.h must keep them.
#include <doctest.h>

#include <windows.h>
#include <commctrl.h>
#include <mmreg.h>
#include <msacm.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "SpokenPrompts.h"
#include "TestSupport.h"
#include "core/HandleOwner.h"

namespace {

constexpr WORD kMsAdpcm = 2;   // WAVE_FORMAT_ADPCM
constexpr int kHelpStringLimit = 4095;   // one string loaded by the Help dialog
constexpr int kHelpTextLimit = 16383;    // the Help dialog's whole text buffer

ModuleHandle LoadLanguageDll() { return ModuleHandle(LoadLibraryA(test::BinFile("PendrixLang.dll").c_str())); }

ModuleHandle LoadExecutableAsData() {
  return ModuleHandle(LoadLibraryExA(test::BinFile("Pendrix.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

std::string LoadText(HMODULE module, UINT id) {
  char buffer[kHelpStringLimit + 1] = {};
  int length = LoadStringA(module, id, buffer, sizeof(buffer));
  return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

// The bytes of a resource, or "" when the module lacks it.
std::string ResourceBytes(HMODULE module, const char* name, const char* type) {
  HRSRC found = FindResourceA(module, name, type);
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  DWORD size = SizeofResource(module, found);
  return bytes != nullptr ? std::string(static_cast<const char*>(bytes), size) : std::string();
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool StartsWith(const std::string& text, const std::string& head) { return text.compare(0, head.size(), head) == 0; }

// Every CR is followed by LF and every LF follows a CR.
bool HasOnlyCrLfBreaks(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

// ---- WAVE files -------------------------------------------------------------------------------

struct Wave {
  bool riff = false;       // "RIFF" ... "WAVE" whose declared size is the resource's size
  WORD format = 0;         // 1 PCM, 2 Microsoft ADPCM
  WORD channels = 0;
  DWORD rate = 0;
  DWORD bytesPerSecond = 0;
  WORD bits = 0;
  std::string fmt;  // the whole format chunk, codec coefficients included
  std::string data;
  double Seconds() const { return bytesPerSecond != 0 ? static_cast<double>(data.size()) / bytesPerSecond : 0.0; }
};

DWORD Le32(const std::string& b, size_t at) {
  return static_cast<DWORD>(static_cast<unsigned char>(b[at])) | static_cast<DWORD>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<DWORD>(static_cast<unsigned char>(b[at + 2])) << 16 | static_cast<DWORD>(static_cast<unsigned char>(b[at + 3])) << 24;
}
WORD Le16(const std::string& b, size_t at) {
  return static_cast<WORD>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

Wave ParseWave(const std::string& bytes) {
  Wave wave;
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return wave;
  wave.riff = Le32(bytes, 4) + 8 == bytes.size();
  for (size_t at = 12; at + 8 <= bytes.size();) {
    std::string id = bytes.substr(at, 4);
    DWORD size = Le32(bytes, at + 4);
    if (size > bytes.size() - at - 8) {
      wave.riff = false;
      break;
    }
    if (id == "fmt " && size >= 16) {
      wave.format = Le16(bytes, at + 8);
      wave.channels = Le16(bytes, at + 10);
      wave.rate = Le32(bytes, at + 12);
      wave.bytesPerSecond = Le32(bytes, at + 16);
      wave.bits = Le16(bytes, at + 22);
      wave.fmt = bytes.substr(at + 8, size);
    } else if (id == "data") {
      wave.data = bytes.substr(at + 8, size);
    }
    at += 8 + size + (size & 1);
  }
  return wave;
}

// Peak of 16-bit PCM samples, as a fraction of full scale.
double PcmPeak(const std::string& data) {
  int peak = 0;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    int sample = static_cast<short>(Le16(data, i));
    peak = sample < 0 ? (-sample > peak ? -sample : peak) : (sample > peak ? sample : peak);
  }
  return peak / 32768.0;
}

// Decodes a compressed wave to 16-bit PCM with the system's audio codec manager, the way the
// sound playback does; "" when no codec takes it. Loaded at run time: only this test needs it.
std::string DecodeWithCodec(const Wave& wave) {
  using Suggest = MMRESULT(WINAPI*)(HACMDRIVER, LPWAVEFORMATEX, LPWAVEFORMATEX, DWORD, DWORD);
  using Open = MMRESULT(WINAPI*)(LPHACMSTREAM, HACMDRIVER, LPWAVEFORMATEX, LPWAVEFORMATEX, LPWAVEFILTER, DWORD_PTR,
                                 DWORD_PTR, DWORD);
  using Size = MMRESULT(WINAPI*)(HACMSTREAM, DWORD, LPDWORD, DWORD);
  using Header = MMRESULT(WINAPI*)(HACMSTREAM, LPACMSTREAMHEADER, DWORD);
  using Close = MMRESULT(WINAPI*)(HACMSTREAM, DWORD);
  ModuleHandle acm(LoadLibraryA("msacm32.dll"));
  if (!acm || wave.fmt.size() < sizeof(WAVEFORMATEX)) return {};
  auto suggest = reinterpret_cast<Suggest>(GetProcAddress(acm.get(), "acmFormatSuggest"));
  auto open = reinterpret_cast<Open>(GetProcAddress(acm.get(), "acmStreamOpen"));
  auto size = reinterpret_cast<Size>(GetProcAddress(acm.get(), "acmStreamSize"));
  auto prepare = reinterpret_cast<Header>(GetProcAddress(acm.get(), "acmStreamPrepareHeader"));
  auto convert = reinterpret_cast<Header>(GetProcAddress(acm.get(), "acmStreamConvert"));
  auto unprepare = reinterpret_cast<Header>(GetProcAddress(acm.get(), "acmStreamUnprepareHeader"));
  auto close = reinterpret_cast<Close>(GetProcAddress(acm.get(), "acmStreamClose"));
  if (!suggest || !open || !size || !prepare || !convert || !unprepare || !close) return {};

  std::string format = wave.fmt;
  auto* source = reinterpret_cast<WAVEFORMATEX*>(&format[0]);
  WAVEFORMATEX pcm = {};
  pcm.wFormatTag = WAVE_FORMAT_PCM;
  if (suggest(nullptr, source, &pcm, sizeof(pcm), ACM_FORMATSUGGESTF_WFORMATTAG) != 0) return {};
  HACMSTREAM stream = nullptr;
  if (open(&stream, nullptr, source, &pcm, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) != 0) return {};
  std::string input = wave.data;
  DWORD outputSize = 0;
  size(stream, static_cast<DWORD>(input.size()), &outputSize, ACM_STREAMSIZEF_SOURCE);
  std::string output(outputSize, '\0');
  ACMSTREAMHEADER header = {};
  header.cbStruct = sizeof(header);
  header.pbSrc = reinterpret_cast<LPBYTE>(&input[0]);
  header.cbSrcLength = static_cast<DWORD>(input.size());
  header.pbDst = reinterpret_cast<LPBYTE>(&output[0]);
  header.cbDstLength = outputSize;
  bool converted = outputSize > 0 && prepare(stream, &header, 0) == 0 &&
                   convert(stream, &header, ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_START |
                                                ACM_STREAMCONVERTF_END) == 0;
  if (header.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) unprepare(stream, &header, 0);
  close(stream, 0);
  output.resize(converted ? header.cbDstLengthUsed : 0);
  return output;
}

// ---- Dialog templates -------------------------------------------------------------------------

struct DialogTemplate {
  bool extended = false;
  DWORD style = 0;
  WORD items = 0;
  short cx = 0, cy = 0;
  std::string caption;
  WORD points = 0;
  WORD weight = 0;
  std::string face;
};

std::string Narrow(const WORD*& at) {
  std::string text;
  while (*at != 0) text += static_cast<char>(*at++);
  ++at;
  return text;
}

void SkipNameOrOrdinal(const WORD*& at) {
  if (*at == 0xFFFF) {
    at += 2;
  } else {
    Narrow(at);
  }
}

// Reads the header of a DLGTEMPLATEEX (the form windres writes for DIALOGEX).
DialogTemplate ReadTemplate(HMODULE module, int id) {
  DialogTemplate result;
  std::string bytes = ResourceBytes(module, MAKEINTRESOURCEA(id), reinterpret_cast<const char*>(RT_DIALOG));
  if (bytes.size() < 26 || Le16(bytes, 0) != 1 || Le16(bytes, 2) != 0xFFFF) return result;
  result.extended = true;
  result.style = Le32(bytes, 12);
  result.items = Le16(bytes, 16);
  result.cx = static_cast<short>(Le16(bytes, 22));
  result.cy = static_cast<short>(Le16(bytes, 24));
  bytes.append(8, '\0');  // the walk below may read one name past the header's end in a broken template
  const WORD* at = reinterpret_cast<const WORD*>(bytes.data() + 26);
  SkipNameOrOrdinal(at);  // menu
  SkipNameOrOrdinal(at);  // window class
  result.caption = Narrow(at);
  if (result.style & DS_SETFONT) {
    result.points = at[0];
    result.weight = at[1];
    at += 3;  // point size, weight, italic and character set
    result.face = Narrow(at);
  }
  return result;
}

// ---- Dialogs created from the templates --------------------------------------------------------

HBRUSH WhiteBrush() {
  static HBRUSH brush = CreateSolidBrush(RGB(255, 255, 255));
  return brush;
}

// Does what the Welcome procedure does for looks: statics on white. lParam 1 asks for that.
INT_PTR CALLBACK PlainDialogProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    return TRUE;
  }
  if (message == WM_CTLCOLORSTATIC && GetWindowLongPtrA(dialog, DWLP_USER) == 1)
    return reinterpret_cast<INT_PTR>(WhiteBrush());
  return FALSE;
}

struct WindowOwner {
  HWND window;
  ~WindowOwner() {
    if (window != nullptr) DestroyWindow(window);
  }
};

HWND CreateTemplateDialog(HMODULE module, int id, bool white) {
  INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
  return CreateDialogParamA(module, MAKEINTRESOURCEA(id), nullptr, PlainDialogProc, white ? 1 : 0);
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

std::string TextOf(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

// A control's rectangle in the dialog's client coordinates.
RECT PlaceOf(HWND dialog, HWND control) {
  RECT place = {};
  GetWindowRect(control, &place);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
  return place;
}

int CountChildren(HWND dialog) {
  int count = 0;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) ++count;
  return count;
}

void Pump() {
  MSG message;
  for (int round = 0; round < 20; ++round) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(10);
  }
}

// Shows a dialog and saves what it looks like into the build tree's screenshots; "" unless the
// picture shows the dialog drawn with its texts.
std::string Screenshot(HWND dialog, const char* name) {
  SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump();
  std::string shot = test::SaveScreenshot(dialog, test::ScreenshotDir() + "\\" + name + ".bmp");
  return test::LooksDrawn(shot) ? shot : "";
}

void SetTextFormatted(HWND window, const char* displayName) {
  std::string format = TextOf(window);
  char text[1000] = {};
  snprintf(text, sizeof(text), format.c_str(), displayName);
  SetWindowTextA(window, text);
}

enum : DWORD { kNoType = 0xFFFFFFFF };

struct ControlRow {
  int line;
  int dialog;
  int id;
  const char* className;
  const char* text;  // nullptr: not compared (a picture control)
  int x, y, cx, cy;  // dialog units
  DWORD typeMask;    // the style's type field and its expected value
  DWORD type;
  DWORD flags;       // style bits that must be set
  DWORD exFlags;     // extended style bits that must be set
};

constexpr DWORD kButtonType = BS_TYPEMASK;
constexpr DWORD kStaticType = SS_TYPEMASK;
constexpr DWORD kEditText = ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER | WS_TABSTOP;
const char kWelcome[] = "Welcome to the %s setup package.";
const char kNextCancel[] =
    "To begin the installation, press ENTER or choose Next. To cancel the installation, press ESC or choose Cancel.";
const char kTalkingSilent[] =
    "To begin the installation, press ENTER or choose Talking Install. To install without speech, choose Silent "
    "Install. To cancel the installation, press ESC.";

const ControlRow kLanguageControls[] = {
    {__LINE__, 101, 102, "Edit", "", 7, 7, 357, 233, 0, 0, kEditText, 0},
    {__LINE__, 101, 2, "Button", "&Close", 159, 247, 50, 14, kButtonType, BS_DEFPUSHBUTTON, WS_TABSTOP, 0},
    {__LINE__, 104, 52, "Static", "", 110, 0, 221, 185, kStaticType, SS_LEFT, 0, WS_EX_TRANSPARENT},
    {__LINE__, 104, 107, "Static", kWelcome, 127, 19, 185, 20, kStaticType, SS_LEFT, 0, 0},
    {__LINE__, 104, 108, "Static", kNextCancel, 127, 50, 185, 122, kStaticType, SS_LEFT, SS_NOPREFIX, 0},
    {__LINE__, 104, 1, "Button", "&Next", 215, 196, 50, 14, kButtonType, BS_DEFPUSHBUTTON, WS_TABSTOP, 0},
    {__LINE__, 104, 2, "Button", "&Cancel", 272, 196, 50, 14, kButtonType, BS_PUSHBUTTON, WS_TABSTOP, 0},
    {__LINE__, 104, 1300, "Static", "", 0, 186, 332, 1, kStaticType, SS_BLACKFRAME, 0, 0},
    {__LINE__, 104, 106, "Static", nullptr, 0, 0, 110, 185, kStaticType, SS_BITMAP, SS_CENTERIMAGE, 0},
    {__LINE__, 110, 1001, "Static", "Please wait while your system is configured for %s.", 7, 7, 173, 25, kStaticType,
     SS_CENTER, 0, 0},
    {__LINE__, 110, 1000, "msctls_progress32", "", 7, 34, 173, 15, 0, 0, 0, 0},
    {__LINE__, 107, 52, "Static", "", 94, 0, 237, 179, kStaticType, SS_LEFT, 0, WS_EX_TRANSPARENT},
    {__LINE__, 107, 104, "Static", kWelcome, 127, 19, 185, 20, kStaticType, SS_LEFT, 0, 0},
    {__LINE__, 107, 105, "Static", kTalkingSilent, 127, 50, 185, 122, kStaticType, SS_LEFT, SS_NOPREFIX, 0},
    {__LINE__, 107, 1, "Button", "&Talking Install", 195, 190, 60, 14, kButtonType, BS_DEFPUSHBUTTON, WS_TABSTOP, 0},
    {__LINE__, 107, 7, "Button", "&Silent Install", 262, 190, 60, 14, kButtonType, BS_PUSHBUTTON, WS_TABSTOP, 0},
    {__LINE__, 107, 1300, "Static", "", 0, 180, 331, 1, kStaticType, SS_BLACKFRAME, 0, 0},
    {__LINE__, 107, 106, "Static", nullptr, 0, 0, 95, 181, kStaticType, SS_BITMAP, SS_CENTERIMAGE, 0},
};

// Creates each dialog of the table's rows once and checks every control of it.
void CheckControls(HMODULE module, const ControlRow* begin, const ControlRow* end) {
  for (const ControlRow* row = begin; row != end; ++row) {
    CAPTURE(row->line);
    WindowOwner dialog{CreateTemplateDialog(module, row->dialog, false)};
    REQUIRE(dialog.window != nullptr);
    int expected = 0;
    for (const ControlRow* other = begin; other != end; ++other) expected += other->dialog == row->dialog;
    CHECK(CountChildren(dialog.window) == expected);

    HWND control = GetDlgItem(dialog.window, row->id);
    REQUIRE(control != nullptr);
    CHECK(ClassOf(control) == row->className);
    if (row->text != nullptr) CHECK(TextOf(control) == row->text);
    DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE));
    // An edit control turns its border into a sunken client edge when it is created.
    if (exStyle & WS_EX_CLIENTEDGE) style |= WS_BORDER;
    CHECK((style & row->typeMask) == row->type);
    CHECK((style & row->flags) == row->flags);
    CHECK((exStyle & row->exFlags) == row->exFlags);
    CHECK((style & WS_VISIBLE) != 0);

    // The dialog maps origin and size separately, so map them the same way here.
    RECT want = {row->x, row->y, row->cx, row->cy};
    MapDialogRect(dialog.window, &want);
    RECT place = PlaceOf(dialog.window, control);
    CHECK(place.left == want.left);
    CHECK(place.top == want.top);
    CHECK(place.right - place.left == want.right);
    CHECK(place.bottom - place.top == want.bottom);
  }
}

struct DialogRow {
  int line;
  bool inExecutable;
  int id;
  const char* caption;
  short cx, cy;
  DWORD styles;     // must be set
  DWORD forbidden;  // must be clear
  const char* face;
  WORD points;
  WORD weight;      // 0: not compared
};

constexpr DWORD kModalPopup = DS_MODALFRAME | DS_SETFOREGROUND | WS_POPUP | WS_CAPTION;

const DialogRow kDialogs[] = {
    {__LINE__, false, 101, "Information", 371, 268, kModalPopup | DS_CENTER | WS_SYSMENU, 0, "Tahoma", 9, 0},
    {__LINE__, false, 104, "%s Setup Package", 332, 218, kModalPopup | WS_SYSMENU, 0, "Tahoma", 9, 0},
    {__LINE__, false, 110, "Please wait", 187, 56, kModalPopup | DS_CENTER, WS_SYSMENU, "Arial", 10, 400},
    {__LINE__, false, 107, "%s Setup Package", 331, 213, kModalPopup | WS_SYSMENU, 0, "Tahoma", 9, 0},
};

}  // namespace

TEST_CASE("every message of the language DLL loads with its exact text") {
  ModuleHandle module = LoadLanguageDll();
  REQUIRE(module);
  struct Row {
    int line;
    UINT id;
    const char* text;
  };
  const Row rows[] = {
    {__LINE__, 1, "Tarrowind Installation Error"},
    {__LINE__, 2, "Failed to extract the language resources."},
    {__LINE__, 3, "Failed to load the language resources."},
    {__LINE__, 4, "An output file was not specified with the ExtractSettings command-line argument."},
    {__LINE__, 5, "Failed to extract the settings file to \"%s\"."},
    {__LINE__, 6, "An initialization file was not specified with the ReplaceSettings command-line argument."},
    {__LINE__, 7, "The file \"%s\" could not be found."},
    {__LINE__, 8, "Failed to extract the settings file from resources."},
    {__LINE__, 9, "There are no settings to run the setup package."},
    {__LINE__, 10, "There is an error in the settings file. The prerequisite installers or a main installer were not "
                   "specified for the %s setup type."},
    {__LINE__, 11, "There is an error in the settings file.  The \"%s\" key was not found under the %s section.  This "
                   "key is required."},
    {__LINE__, 12, "Failed to display the Help dialog."},
    {__LINE__, 13, "Failed to display the Welcome dialog."},
    {__LINE__, 15, "There is an error in the settings file.  The section \"%s\" does not exist."},
    {__LINE__, 16, "Failed to extract the installer for %s."},
    {__LINE__, 17, "There was an error attempting to reboot the system.  The installation process will now exit."},
    {__LINE__, 18, "Could not determine output file name for the %s installer."},
    {__LINE__, 19, "Failed to display the More Help dialog."},
    {__LINE__, 20, "You cannot install this product on this version of Windows.  Please contact Tarrowind for a version "
                   "that will run on your operating system."},
    {__LINE__, 21, "Setup has made changes that require you to restart your Tarrowind product to use the installed "
                   "feature."},
    {__LINE__, 22, "You cannot install this product on this platform.  Please contact Tarrowind for a version that will "
                   "run on your platform."},
    {__LINE__, 50, "Tarrowind Setup Package Help"},
    {__LINE__, 51, "The Tarrowind setup package is a tool used to install or uninstall multiple components, including "
                   "the main product.  The following explains the available, optional command-line options.  These "
                   "commands are not case sensitive.\r\n\r\n"},
    {__LINE__, 55, "%s Setup Package"},
    {__LINE__, 58, "Setup has made changes that require you to restart your computer. Press ENTER to continue."},
    {__LINE__, 59, "%s Setup Package Error"},
    {__LINE__, 60, "The %s setup package could not install the required component %s.  The process will now exit."},
    {__LINE__, 61, "The setup package could not install the required component %s.  Press ENTER to try to correct the "
                   "error and reinstall the component or press ESCAPE to cancel the installation."},
    {__LINE__, 62, "To run this installation, you must have administrator privileges.  Contact your network "
                   "administrator if your account does not have the required level of access."},
    {__LINE__, 63, "To run this installation, you must have power user or administrator privileges.  Contact your "
                   "network administrator if your account does not have the required level of access."},
    {__LINE__, 68, "More Help for the Tarrowind Setup Package"},
    {__LINE__, 69, "%s Restore Point"},
    {__LINE__, 70, "The setup program requires you to restart the system in order to have speech during the "
                   "installation.  After the restart, the setup will automatically continue.  To restart now, press "
                   "Enter.  Press Escape to restart later and continue the rest of the setup process without speech."},
    {__LINE__, 71, "Uninstallation is complete."},
    {__LINE__, 95, "Installing Vellora"},
  };
  for (const Row& row : rows) {
    CAPTURE(row.line);
    CHECK(LoadText(module.get(), row.id) == row.text);
  }
}

TEST_CASE("the help texts start with their option's synopsis and end with a blank line") {
  ModuleHandle module = LoadLanguageDll();
  REQUIRE(module);
  struct Row {
    int line;
    UINT id;
    const char* firstLine;
    std::vector<const char*> mentions;
  };
  const Row rows[] = {
      {__LINE__, 52, "/Help ", {"/help"}},
      {__LINE__, 53, "/ExtractSettings <Path-to-file> ", {"Settings.ini", "overwritten", "\"c:\\ZR setup\\OldSettings.ini\""}},
      {__LINE__, 54, "/ReplaceSettings <Path-to-file> ", {"Settings.ini", "\"c:\\ZR setup\\NewSettings.ini\""}},
      {__LINE__, 64, "/Log [Path-to-file] ", {"ZR_Setup_Package.log", "/Log\r\n", "/Log \""}},
      {__LINE__, 66, "/Type <name>", {"/MoreHelp", "/Type ServerWithSpeech"}},
      {__LINE__, 67, "/MoreHelp ", {"setup types"}},
      {__LINE__, 14, "/Passthru <Installer1 [, Installer2, ..., InstallerN]>@<Command>",
       {"#0", "#1", "#2", "[default]", "PreInstall=AnotherInstaller|AThirdInstaller", "MainInstall=AnInstaller",
        "/passthru AnInstaller,AnotherInstaller@#2l"}},
  };
  for (const Row& row : rows) {
    CAPTURE(row.line);
    std::string text = LoadText(module.get(), row.id);
    CHECK(StartsWith(text, std::string(row.firstLine) + "\r\n"));
    CHECK(EndsWith(text, "\r\n\r\n"));
    CHECK_FALSE(EndsWith(text, "\r\n\r\n\r\n"));
    CHECK(HasOnlyCrLfBreaks(text));
    CHECK(text.find("    ") != std::string::npos);  // the indented example
    CHECK(static_cast<int>(text.size()) < kHelpStringLimit);
    for (const char* mention : row.mentions) {
      CAPTURE(mention);
      CHECK(text.find(mention) != std::string::npos);
    }
  }

  // The pass-through help ends with the worked example's two resulting command lines.
  std::string passthru = LoadText(module.get(), 14);
  size_t msiexec = passthru.find("\"msiexec.exe /i AI.msi /l\"");
  size_t ani = passthru.find("\"Ani.exe /l\"");
  CHECK(msiexec != std::string::npos);
  CHECK(ani != std::string::npos);
  CHECK(passthru.find("/passthru AnInstaller,AnotherInstaller@#2l") < msiexec);
  CHECK(passthru.size() - ani < 120);

  // The message about the video adapter is ours to word; it must say what and where to turn.
  std::string xddm = LoadText(module.get(), 72);
  CHECK(xddm.find("Lumora") != std::string::npos);
  CHECK(xddm.find("Vista") != std::string::npos);
  CHECK(xddm.find("support") != std::string::npos);
}

TEST_CASE("the Help dialog's whole text fits its buffer") {
  ModuleHandle module = LoadLanguageDll();
  REQUIRE(module);
  size_t total = 0;
  for (UINT id : {51u, 67u, 53u, 54u, 64u, 66u, 82u, 86u, 14u}) total += LoadText(module.get(), id).size();
  CHECK(total < static_cast<size_t>(kHelpTextLimit));
}

TEST_CASE("identifiers outside the string table load as empty texts") {
  ModuleHandle module = LoadLanguageDll();
  REQUIRE(module);
  std::vector<UINT> undefined = {0, 56, 57, 65};
  for (UINT id = 23; id <= 49; ++id) undefined.push_back(id);
  for (UINT id = 77; id <= 94; ++id)
    if (id < 80 || id > 89) undefined.push_back(id);  // disk full, changed installer, /quiet, settings files, /UILanguage, who can change
  for (UINT id = 98; id <= 104; ++id) undefined.push_back(id);  // after the window's title and the damaged package
  for (UINT id : undefined) {
    CAPTURE(id);
    char buffer[500];
    memset(buffer, 0, sizeof(buffer));
    CHECK(LoadStringA(module.get(), id, buffer, sizeof(buffer)) == 0);
    CHECK(buffer[0] == '\0');
  }
}

TEST_CASE("the dialog templates have their captions, sizes, styles and fonts") {
  ModuleHandle language = LoadLanguageDll();
  ModuleHandle executable = LoadExecutableAsData();
  REQUIRE(language);
  REQUIRE(executable);
  for (const DialogRow& row : kDialogs) {
    CAPTURE(row.line);
    DialogTemplate dialog = ReadTemplate(row.inExecutable ? executable.get() : language.get(), row.id);
    REQUIRE(dialog.extended);
    CHECK(dialog.caption == row.caption);
    CHECK(dialog.cx == row.cx);
    CHECK(dialog.cy == row.cy);
    CHECK((dialog.style & row.styles) == row.styles);
    CHECK((dialog.style & row.forbidden) == 0);
    CHECK(dialog.face == row.face);
    CHECK(dialog.points == row.points);
    if (row.weight != 0) CHECK(dialog.weight == row.weight);
  }
}

TEST_CASE("the language DLL's dialogs are created with exactly their controls") {
  ModuleHandle module = LoadLanguageDll();
  REQUIRE(module);
  CheckControls(module.get(), std::begin(kLanguageControls), std::end(kLanguageControls));
}

TEST_CASE("the side panels are small palette bitmaps that fill their picture controls") {
  ModuleHandle language = LoadLanguageDll();
  ModuleHandle executable = LoadExecutableAsData();
  REQUIRE(language);
  REQUIRE(executable);
  struct Row {
    int line;
    HMODULE module;  // of the bitmap
    int dialog;      // of the language DLL
    int bitmap;
    bool fromTemplate;  // the template names the bitmap; otherwise the Welcome step sets it
  };
  const Row rows[] = {
      {__LINE__, language.get(), 104, 105, true},
      {__LINE__, executable.get(), 107, 108, false},
  };
  for (const Row& row : rows) {
    CAPTURE(row.line);
    // Stored with a palette of 256 colours at most: a resource as small as the picture allows.
    std::string stored =
        ResourceBytes(row.module, MAKEINTRESOURCEA(row.bitmap), reinterpret_cast<const char*>(RT_BITMAP));
    REQUIRE(stored.size() >= sizeof(BITMAPINFOHEADER));
    CHECK(Le16(stored, 14) <= 8);  // biBitCount
    HBITMAP loaded = LoadBitmapA(row.module, MAKEINTRESOURCEA(row.bitmap));
    REQUIRE(loaded != nullptr);
    BITMAP picture = {};
    CHECK(GetObjectA(loaded, sizeof(picture), &picture) == sizeof(picture));
    DeleteObject(loaded);

    WindowOwner dialog{CreateTemplateDialog(language.get(), row.dialog, false)};
    REQUIRE(dialog.window != nullptr);
    HWND panel = GetDlgItem(dialog.window, 106);
    REQUIRE(panel != nullptr);
    CHECK((SendMessageA(panel, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0) == row.fromTemplate);
    RECT client = {};
    GetClientRect(panel, &client);
    CAPTURE(client.right);
    CAPTURE(client.bottom);
    CAPTURE(picture.bmWidth);
    CAPTURE(picture.bmHeight);
    // Centred, so a slightly larger picture loses only its edges; a smaller one leaves grey.
    CHECK(picture.bmWidth >= client.right);
    CHECK(picture.bmHeight >= client.bottom);
    CHECK(picture.bmWidth <= client.right + client.right / 8);
    CHECK(picture.bmHeight <= client.bottom + client.bottom / 8);
  }
}

TEST_CASE("the icon loads at both sizes the dialogs ask for") {
  ModuleHandle executable = LoadExecutableAsData();
  REQUIRE(executable);
  struct Row {
    int line;
    HMODULE module;
    const char* name;
  };
  const Row rows[] = {
      {__LINE__, executable.get(), "IDI_SETUP"},
  };
  for (const Row& row : rows) {
    CAPTURE(row.line);
    CHECK(LoadIconA(row.module, row.name) != nullptr);
    for (int size : {16, 32, 48}) {
      CAPTURE(size);
      HICON icon = static_cast<HICON>(LoadImageA(row.module, row.name, IMAGE_ICON, size, size, 0));
      REQUIRE(icon != nullptr);
      ICONINFO info = {};
      REQUIRE(GetIconInfo(icon, &info));
      BITMAP mask = {};
      GetObjectA(info.hbmMask, sizeof(mask), &mask);
      CHECK(mask.bmWidth == size);
      if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
      DestroyIcon(icon);
    }
  }
}

TEST_CASE("each recording is a whole WAVE file that the platform's codecs play to its full length") {
  ModuleHandle language = LoadLanguageDll();
  ModuleHandle executable = LoadExecutableAsData();
  REQUIRE(language);
  REQUIRE(executable);
  struct Format {
    const char* name;
    WORD tag;
    DWORD rate;
  };
  // Microsoft ADPCM at 16,000 Hz, the voice's own rate.
  const Format formats[] = {{"ms-adpcm-16k", kMsAdpcm, 16000}};
  struct Row {
    std::string what;
    HMODULE module;
    std::string name;
    const Format* format;
    double minSeconds, maxSeconds;
  };
  std::vector<Row> rows;
  for (const test::SpokenPrompt& prompt : test::SpokenPrompts()) {
    const Format* format = nullptr;
    for (const Format& each : formats)
      if (prompt.format == each.name) format = &each;
    HMODULE module = prompt.module == "Pendrix.exe" ? executable.get() : language.get();
    rows.push_back({prompt.file, module, prompt.resource, format, 1.0, 30.0});
  }
  rows.push_back({"waiting tone", executable.get(), "#103", &formats[0], 0.1, 1.0});
  // Every WAVE resource the engine or a package can play: the language DLL's and the tone.
  REQUIRE(rows.size() == 12);
  for (const Row& row : rows) {
    CAPTURE(row.what);
    REQUIRE(row.format != nullptr);
    Wave wave = ParseWave(ResourceBytes(row.module, row.name.c_str(), "WAVE"));
    CHECK(wave.riff);
    CHECK(wave.format == row.format->tag);
    CHECK(wave.channels == 1);
    CHECK(wave.rate == row.format->rate);
    CHECK(wave.bits == 4);
    CAPTURE(wave.Seconds());
    CHECK(wave.Seconds() > row.minSeconds);
    CHECK(wave.Seconds() < row.maxSeconds);
    // The platform's codec turns it back into audible sound of the whole length.
    std::string decoded = DecodeWithCodec(wave);
    CHECK(decoded.size() / (row.format->rate * 2.0) > wave.Seconds() * 0.95);
    CHECK(PcmPeak(decoded) > 0.2);
  }
  // The waves are found only under the type the engine asks for.
  CHECK(FindResourceA(language.get(), "IDR_OS_WAV", "WAV") == nullptr);
  CHECK(FindResourceA(executable.get(), MAKEINTRESOURCEA(103), "INSTALLER") == nullptr);
}

static BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
  if (!IS_INTRESOURCE(name)) reinterpret_cast<std::vector<std::string>*>(names)->push_back(name);
  return TRUE;
}

TEST_CASE("each recording's message is the text the package shows, and every named wave has one") {
  ModuleHandle language = LoadLanguageDll();
  ModuleHandle executable = LoadExecutableAsData();
  REQUIRE(language);
  REQUIRE(executable);
  std::vector<std::string> listed;
  for (const test::SpokenPrompt& prompt : test::SpokenPrompts()) {
    CAPTURE(prompt.file);
    CHECK_FALSE(prompt.words.empty());
    listed.push_back(prompt.resource);
    unsigned id = 0, first = 0, second = 0;
    if (sscanf(prompt.shown.c_str(), "string %u", &id) == 1) {
      CHECK(LoadText(language.get(), id) == prompt.text);
    } else if (sscanf(prompt.shown.c_str(), "dialog %u %u %u", &id, &first, &second) == 3) {
      WindowOwner dialog{CreateTemplateDialog(language.get(), static_cast<int>(id), false)};
      REQUIRE(dialog.window != nullptr);
      CHECK(TextOf(GetDlgItem(dialog.window, first)) + " " + TextOf(GetDlgItem(dialog.window, second)) == prompt.text);
    } else {
      CHECK(prompt.shown == "none");
    }
  }
  // A recording added to the language DLL comes with its words and message.
  std::vector<std::string> named;
  EnumResourceNamesA(language.get(), "WAVE", CollectName, reinterpret_cast<LONG_PTR>(&named));
  REQUIRE(named.size() == 11);
  for (const std::string& name : named) {
    CAPTURE(name);
    CHECK(std::find(listed.begin(), listed.end(), name) != listed.end());
  }
}

TEST_CASE("the executable carries the cleanup tool once, for every language, and it runs and succeeds") {
  ModuleHandle module = LoadExecutableAsData();
  REQUIRE(module);
  std::string tool = ResourceBytes(module.get(), "CLEANUP", "TOOL");
  REQUIRE(tool.size() > 2);
  CHECK(tool.compare(0, 2, "MZ") == 0);
  test::ScratchDir scratch("cleanup");
  std::string path = scratch / "MsiZap.exe";
  REQUIRE(test::WriteFile(path, tool));
  test::ProcessResult run = test::RunProcess("\"" + path + "\" TW! {00000000-0000-0000-0000-000000000000}", scratch.path());
  CHECK(run.started);
  CHECK(run.finished);
  CHECK(run.exitCode == 0);
  CHECK(run.windows.empty());
}

TEST_CASE("the executable carries the current language DLL and its manifest") {
  ModuleHandle module = LoadExecutableAsData();
  REQUIRE(module);
  std::string carried = ResourceBytes(module.get(), "LANG_BOOTSTRAPPER", "LANGUAGE");
  REQUIRE_FALSE(carried.empty());
  CHECK(carried == test::ReadFile(test::BinFile("PendrixLang.dll")));

  std::string manifest =
      ResourceBytes(module.get(), MAKEINTRESOURCEA(1), reinterpret_cast<const char*>(MAKEINTRESOURCEA(24)));
  REQUIRE_FALSE(manifest.empty());
  CHECK(manifest.find("level=\"highestAvailable\"") != std::string::npos);
  CHECK(manifest.find("uiAccess=\"false\"") != std::string::npos);
  struct Row {
    int line;
    const char* guid;
  };
  const Row systems[] = {
      {__LINE__, "{e2011457-1546-43c5-a5fe-008deee3d3f0}"},  // Vista
      {__LINE__, "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"},  // 7
      {__LINE__, "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"},  // 8
      {__LINE__, "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"},  // 8.1
      {__LINE__, "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"},  // 10 and 11
  };
  for (const Row& row : systems) {
    CAPTURE(row.line);
    CHECK(manifest.find(std::string("<supportedOS Id=\"") + row.guid + "\"/>") != std::string::npos);
  }
}

TEST_CASE("the language DLL holds texts and recordings only, all in US English") {
  std::string dll = test::ReadFile(test::BinFile("PendrixLang.dll"));
  REQUIRE(dll.size() > 0x100);
  DWORD header = Le32(dll, 0x3C);
  REQUIRE(header + 0x78 + 8 < dll.size());
  CHECK(dll.compare(header, 4, std::string("PE\0\0", 4)) == 0);
  CHECK((Le16(dll, header + 22) & IMAGE_FILE_DLL) != 0);
  CHECK(Le32(dll, header + 24 + 16) == 0);  // AddressOfEntryPoint

  ModuleHandle module = LoadLanguageDll();
  REQUIRE(module);
  struct Row {
    int line;
    const char* type;
    const char* name;
  };
  const Row rows[] = {
      {__LINE__, reinterpret_cast<const char*>(RT_STRING), MAKEINTRESOURCEA(1)},  // the block of IDs 0-15
      {__LINE__, reinterpret_cast<const char*>(RT_DIALOG), MAKEINTRESOURCEA(101)},
      {__LINE__, reinterpret_cast<const char*>(RT_DIALOG), MAKEINTRESOURCEA(104)},
      {__LINE__, reinterpret_cast<const char*>(RT_DIALOG), MAKEINTRESOURCEA(107)},
      {__LINE__, reinterpret_cast<const char*>(RT_DIALOG), MAKEINTRESOURCEA(110)},
      {__LINE__, reinterpret_cast<const char*>(RT_BITMAP), MAKEINTRESOURCEA(105)},
      {__LINE__, "WAVE", "IDR_OS_WAV"},
      {__LINE__, "WAVE", "IDR_WELCOME_WAV"},
  };
  for (const Row& row : rows) {
    CAPTURE(row.line);
    CHECK(FindResourceExA(module.get(), row.type, row.name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)) != nullptr);
  }
  // What every language shares lives in the executable, once.
  CHECK(FindResourceA(module.get(), MAKEINTRESOURCEA(103), "WAVE") == nullptr);
  CHECK(FindResourceA(module.get(), "CLEANUP", "TOOL") == nullptr);
}

TEST_CASE("the dialogs are drawn with their texts (screenshots for review)") {
  ModuleHandle language = LoadLanguageDll();
  ModuleHandle executable = LoadExecutableAsData();
  REQUIRE(language);
  REQUIRE(executable);
  const char* displayName = "Talking Reader 12";

  {
    WindowOwner help{CreateTemplateDialog(language.get(), 101, false)};
    REQUIRE(help.window != nullptr);
    SetWindowTextA(help.window, LoadText(language.get(), 50).c_str());
    std::string text;
    for (UINT id : {51u, 67u, 53u, 54u, 64u, 66u, 14u}) text += LoadText(language.get(), id);
    SetDlgItemTextA(help.window, 102, text.c_str());
    CHECK_FALSE(Screenshot(help.window, "language-101-help").empty());
    // The end of the text: the pass-through example.
    SendDlgItemMessageA(help.window, 102, EM_SETSEL, text.size(), text.size());
    SendDlgItemMessageA(help.window, 102, EM_SCROLLCARET, 0, 0);
    CHECK_FALSE(Screenshot(help.window, "language-101-help-end").empty());
  }
  struct Row {
    int line;
    HMODULE module;
    int id;
    int titleControl;
    const char* shot;
  };
  const Row welcomes[] = {
      {__LINE__, language.get(), 104, 107, "language-104-welcome"},
      {__LINE__, language.get(), 107, 104, "package-107-welcome"},
  };
  for (const Row& row : welcomes) {
    CAPTURE(row.line);
    WindowOwner welcome{CreateTemplateDialog(row.module, row.id, true)};
    REQUIRE(welcome.window != nullptr);
    SetTextFormatted(welcome.window, displayName);
    SetTextFormatted(GetDlgItem(welcome.window, row.titleControl), displayName);
    CHECK_FALSE(Screenshot(welcome.window, row.shot).empty());
  }
  {
    WindowOwner progress{CreateTemplateDialog(language.get(), 110, false)};
    REQUIRE(progress.window != nullptr);
    SetTextFormatted(GetDlgItem(progress.window, 1001), displayName);
    SendDlgItemMessageA(progress.window, 1000, PBM_SETRANGE32, 0, 3);
    SendDlgItemMessageA(progress.window, 1000, PBM_SETPOS, 2, 0);
    CHECK_FALSE(Screenshot(progress.window, "language-110-progress").empty());
  }
}
