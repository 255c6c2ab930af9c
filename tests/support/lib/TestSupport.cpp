#include "TestSupport.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace test {

std::string Env(const char* name) {
  char value[4096] = {};
  DWORD n = GetEnvironmentVariableA(name, value, sizeof(value));
  return (n > 0 && n < sizeof(value)) ? std::string(value) : std::string();
}

std::string WinPath(const std::string& unixPath) {
  if (unixPath.empty() || unixPath[0] != '/') return unixPath;
  std::string path = "Z:" + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string BinFile(const char* name) { return WinPath(Env("PENDRIX_BIN")) + "\\" + name; }

std::string ScreenshotDir() {
  std::string dir = WinPath(Env("PENDRIX_SCREENSHOTS"));
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

std::string TempFolder() {
  char path[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, path);
  GetLongPathNameA(path, path, MAX_PATH);
  return path;
}

std::vector<std::string> WorkFolders(const std::string& other) {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::vector<std::string> parents = {std::string(windows) + "\\Temp\\", TempFolder()};
  if (!other.empty()) parents.push_back(other.back() == '\\' ? other : other + "\\");
  std::vector<std::string> found;
  for (const std::string& parent : parents) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((parent + "Pendrix-*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      if (strlen(entry.cFileName) == 8 + 32) found.push_back(parent + entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

ScratchDir::ScratchDir(const char* tag) {
  static unsigned counter = 0;
  for (;;) {
    char name[MAX_PATH];
    snprintf(name, sizeof(name), "%spendrix_%s_%lu_%u", TempFolder().c_str(), tag, GetCurrentProcessId(), counter++);
    if (CreateDirectoryA(name, nullptr)) {
      m_path = name;
      return;
    }
  }
}

std::wstring Utf8ToWide(const std::string& utf8) {
  std::wstring wide(utf8.size(), L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0],
                                                      static_cast<int>(wide.size()))));
  return wide;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string UnixPath(const std::string& path) {
  using UnixFileName = char*(CDECL*)(const wchar_t*);
  auto convert = reinterpret_cast<UnixFileName>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  char* unix = convert != nullptr ? convert(wide) : nullptr;
  std::string quoted = "'" + std::string(unix != nullptr ? unix : "") + "'";
  HeapFree(GetProcessHeap(), 0, unix);
  return quoted;
}

// Wine starts a Unix program given by its path on the drive that maps the Unix root; it gives no
// handle of such a process to wait on, nor its exit code.
bool StartUnixShell(const std::string& script) {
  std::string commandLine = WinPath("/bin/sh") + " -c \"" + script + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  for (HANDLE handle : {process.hProcess, process.hThread})
    if (handle != nullptr) CloseHandle(handle);
  return true;
}

// The script's end is told by a file it makes last.
bool RunUnixShell(const std::string& script) {
  static LONG count = 0;
  const std::string done = TempFolder() + "pendrix-shell-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(InterlockedIncrement(&count)) + ".done";
  if (!StartUnixShell("{ " + script + "; } && touch " + UnixPath(done))) return false;
  for (int i = 0; i < 600 && !FileExists(done); i++) Sleep(50);
  return DeleteFileA(done.c_str()) != FALSE;
}

std::string ReadFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string contents;
  char buffer[65536];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) contents.append(buffer, read);
  CloseHandle(file);
  return contents;
}

bool WriteFile(const std::string& path, const std::string& contents) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = ::WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == contents.size();
}

// In Unicode, so that a folder that the ANSI code page cannot spell goes too.
static void RemoveTreeWide(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;  // a link: never through it
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTreeWide(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(path.c_str());
}

void RemoveTree(const std::string& path) {
  if (path.empty()) return;
  wchar_t wide[MAX_PATH] = {};
  if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) > 0) RemoveTreeWide(wide);
}

// A process that has just exited may hold its current folder or an open file for a moment:
// try again briefly so that no scratch folder is left in the temporary folder.
static void RemoveTreeSoon(const std::string& path) {
  for (int attempt = 0; attempt < 40 && FileExists(path); attempt++) {
    if (attempt > 0) Sleep(50);
    RemoveTree(path);
  }
}

ScratchDir::~ScratchDir() { RemoveTreeSoon(m_path); }

std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

bool IsWellFormedLogLine(const std::string& raw) {
  int year, month, day, hour, minute, second, ms, consumed = 0;
  if (sscanf(raw.c_str(), "%d/%d/%d - %d:%d:%d:%d - %n", &year, &month, &day, &hour, &minute, &second, &ms,
             &consumed) != 7 || consumed == 0)
    return false;
  // No leading zeros: each number is written as printed by %d.
  char rebuilt[64];
  snprintf(rebuilt, sizeof(rebuilt), "%d/%d/%d - %d:%d:%d:%d - ", year, month, day, hour, minute, second, ms);
  if (raw.compare(0, strlen(rebuilt), rebuilt) != 0) return false;
  return raw.size() >= 3 && raw.compare(raw.size() - 3, 3, " \r\n") == 0;
}

std::vector<std::string> LogMessages(const std::string& logPath) {
  std::vector<std::string> messages;
  std::string contents = ReadFile(logPath);
  size_t start = 0;
  while (start < contents.size()) {
    size_t end = contents.find("\r\n", start);
    if (end == std::string::npos) end = contents.size();
    std::string line = contents.substr(start, end - start);
    start = end + 2;
    // The message follows the second " - " of the line; the line ends with one blank.
    size_t first = line.find(" - ");
    size_t second = first == std::string::npos ? first : line.find(" - ", first + 3);
    if (second == std::string::npos) {
      messages.push_back(line);
      continue;
    }
    std::string message = line.substr(second + 3);
    if (!message.empty() && message.back() == ' ') message.pop_back();
    messages.push_back(message);
  }
  return messages;
}

std::string SeenWindow::Text(int controlId) const {
  for (const auto& control : controls)
    if (control.first == controlId) return control.second;
  return {};
}

std::string SeenWindow::AllText() const {
  std::string all;
  for (const auto& control : controls) {
    if (control.second.empty()) continue;
    if (!all.empty()) all += '\n';
    all += control.second;
  }
  return all;
}

static std::string WindowText(HWND window) {
  // Another process's controls are asked by message: GetWindowText* does not send it to them.
  DWORD_PTR length = 0;
  SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  LRESULT copied = SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                                       SMTO_ABORTIFHUNG, 2000, nullptr) ? lstrlenA(text.c_str()) : 0;
  text.resize(static_cast<size_t>(copied));
  return text;
}

SeenWindow ReadWindow(HWND window) {
  SeenWindow seen;
  char className[256] = {};
  GetClassNameA(window, className, sizeof(className));
  seen.windowClass = className;
  seen.caption = WindowText(window);
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    seen.controls.emplace_back(GetDlgCtrlID(child), WindowText(child));
  return seen;
}

void PressKey(HWND window, UINT virtualKey) {
  GUITHREADINFO thread = {};
  thread.cbSize = sizeof(thread);
  HWND target = window;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread) && thread.hwndFocus != nullptr)
    target = thread.hwndFocus;
  UINT scan = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
  PostMessageA(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
  PostMessageA(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

std::string SaveScreenshot(HWND window, const std::string& path) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return {};
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return {};
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::string written;
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
    DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + imageSize;
    info.bmiHeader.biSizeImage = imageSize;
    std::string data(reinterpret_cast<const char*>(&header), sizeof(header));
    data.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
    data.append(static_cast<const char*>(bits), imageSize);
    if (WriteFile(path, data)) written = path;
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return written;
}

bool LooksDrawn(const std::string& bitmapPath) {
  std::string bytes = bitmapPath.empty() ? std::string() : ReadFile(bitmapPath);
  const size_t headers = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  if (bytes.size() < headers) return false;
  BITMAPINFOHEADER info;
  memcpy(&info, bytes.data() + sizeof(BITMAPFILEHEADER), sizeof(info));
  if (info.biBitCount != 24 || info.biWidth <= 0 || info.biHeight <= 0) return false;
  const size_t width = static_cast<size_t>(info.biWidth), height = static_cast<size_t>(info.biHeight);
  const size_t stride = (width * 3 + 3) & ~static_cast<size_t>(3);
  if (bytes.size() < headers + stride * height) return false;
  std::vector<uint32_t> colours;
  size_t dark = 0;
  for (size_t y = 0; y < height; y++) {
    const unsigned char* row = reinterpret_cast<const unsigned char*>(bytes.data()) + headers + y * stride;
    for (size_t x = 0; x < width; x++) {
      const unsigned char* p = row + x * 3;
      if (p[0] < 80 && p[1] < 80 && p[2] < 80) dark++;
      uint32_t colour = p[0] | (p[1] << 8) | (p[2] << 16);
      if (colours.size() < 3 && std::find(colours.begin(), colours.end(), colour) == colours.end())
        colours.push_back(colour);
    }
  }
  const size_t pixels = width * height;
  return colours.size() >= 3 && dark * 1000 >= pixels && dark * 2 < pixels;
}

namespace {

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
  char className[64] = {};
  GetClassNameA(window, className, sizeof(className));
  if (strcmp(className, "#32770") == 0) search->found.push_back(window);
  return TRUE;
}

std::string FileNamePart(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (isalnum(static_cast<unsigned char>(c))) out += c;
    else if (!out.empty() && out.back() != '-') out += '-';
    if (out.size() >= 40) break;
  }
  return out;
}

}  // namespace

void DialogSweep::Sweep(DWORD processId, const std::string& shotTag, const Answer& answer,
                        std::vector<SeenWindow>& seen) {
  static unsigned shotCounter = 0;
  // A closed window's handle may be given to a new one.
  m_answered.erase(std::remove_if(m_answered.begin(), m_answered.end(), [](HWND w) { return !IsWindow(w); }),
                   m_answered.end());
  WindowSearch search{processId, {}};
  EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
  for (HWND window : search.found) {
    if (std::find(m_answered.begin(), m_answered.end(), window) != m_answered.end()) continue;
    Sleep(300);  // let the window paint before it is read and photographed
    if (!IsWindow(window)) continue;
    SeenWindow read = ReadWindow(window);
    char name[MAX_PATH];
    snprintf(name, sizeof(name), "%s\\%s-%02u-%s.bmp", ScreenshotDir().c_str(), shotTag.c_str(), shotCounter++,
             FileNamePart(read.caption).c_str());
    read.screenshot = SaveScreenshot(window, name);
    int command = answer ? answer(window, read) : 0;
    seen.push_back(read);
    m_answered.push_back(window);
    if (command != 0) PostMessageA(window, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
  }
}

namespace {

// Answers the windows of a started process until it exits, or kills it after the time-out.
ProcessResult Watch(PROCESS_INFORMATION& process, const Answerer& answer, DWORD timeoutMs, const char* shotTag) {
  ProcessResult result;
  result.started = true;
  CloseHandle(process.hThread);

  DialogSweep sweep;
  auto answerChild = [&](HWND, const SeenWindow& seen) { return answer ? answer(seen) : IDCANCEL; };
  DWORD waited = 0;
  for (;;) {
    if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) {
      result.finished = true;
      break;
    }
    waited += 50;
    if (waited >= timeoutMs) {
      TerminateProcess(process.hProcess, 0xDEAD);
      WaitForSingleObject(process.hProcess, 5000);
      break;
    }
    sweep.Sweep(process.dwProcessId, shotTag, answerChild, result.windows);
  }
  GetExitCodeProcess(process.hProcess, &result.exitCode);
  CloseHandle(process.hProcess);
  return result;
}

std::string g_childDesktop;  // of the UnseenStation in scope, or ""

}  // namespace

UnseenStation::UnseenStation() {
  static const bool made = [] {  // once per process, and kept
    HWINSTA own = GetProcessWindowStation();
    HWINSTA station = CreateWindowStationA("PendrixUnseen", 0, WINSTA_ALL_ACCESS, nullptr);
    // A desktop is made in the window station the process is attached to.
    if (station == nullptr || !SetProcessWindowStation(station)) return false;
    CreateDesktopA("Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    return SetProcessWindowStation(own) != FALSE;
  }();
  if (made) g_childDesktop = "PendrixUnseen\\Default";
}

UnseenStation::~UnseenStation() { g_childDesktop.clear(); }

ProcessResult RunProcess(const std::string& commandLine, const std::string& currentFolder, Answerer answer,
                         DWORD timeoutMs, const char* shotTag, HANDLE token) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  std::string desktop = g_childDesktop;
  if (!desktop.empty()) startup.lpDesktop = &desktop[0];
  PROCESS_INFORMATION process = {};
  std::string mutableLine = commandLine;
  const char* folder = currentFolder.empty() ? nullptr : currentFolder.c_str();
  BOOL started = token != nullptr ? CreateProcessAsUserA(token, nullptr, &mutableLine[0], nullptr, nullptr, FALSE, 0,
                                                         nullptr, folder, &startup, &process)
                                  : CreateProcessA(nullptr, &mutableLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                                   folder, &startup, &process);
  if (!started) return {};
  return Watch(process, answer, timeoutMs, shotTag);
}

ProcessResult RunProcessWide(const std::wstring& commandLine, const std::wstring& currentFolder, Answerer answer,
                             DWORD timeoutMs, const char* shotTag, HANDLE token) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::wstring mutableLine = commandLine;
  const wchar_t* folder = currentFolder.empty() ? nullptr : currentFolder.c_str();
  BOOL started = token != nullptr ? CreateProcessAsUserW(token, nullptr, &mutableLine[0], nullptr, nullptr, FALSE, 0,
                                                         nullptr, folder, &startup, &process)
                                  : CreateProcessW(nullptr, &mutableLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                                   folder, &startup, &process);
  if (!started) return {};
  return Watch(process, answer, timeoutMs, shotTag);
}

}  // namespace test
