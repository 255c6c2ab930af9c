#include "Package.h"

#include <doctest.h>

#include <algorithm>

namespace test {

std::string Quote(const std::string& path) { return "\"" + path + "\""; }

const std::string& FakeInstaller() {
  static const std::string bytes = ReadFile(BinFile("FakeInstaller.exe"));
  return bytes;
}

Package::Package(const std::string& folderName) : folder(dir / folderName), exe(folder + "\\Setup.exe") {
  CreateDirectoryA(payload.c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  CreateDirectoryA(tools.c_str(), nullptr);
  WriteFile(tools + "\\" + msiexec, FakeInstaller());
}

void Package::Payload(const std::string& name, const std::string& bytes) { WriteFile(payload + "\\" + name, bytes); }

void Package::Build(const std::string& text, bool embed) {
  WriteFile(settings, text);
  ConsoleResult packed = RunPack("--settings " + Quote(settings) + " --payload " + Quote(payload) + " --out " +
                                 Quote(exe) + (embed ? " --embed-settings" : ""));
  INFO(packed.err);
  REQUIRE(packed.exitCode == 0);
  if (!embed) WriteFile(folder + "\\Settings.ini", text);
}

ProcessResult Package::Run(const std::string& arguments, Answerer answer) {
  return RunCommandLine(Quote(exe) + " " + arguments, folder, std::move(answer));
}

ProcessResult Package::RunCommandLine(const std::string& commandLine, const std::string& currentFolder,
                                      Answerer answer) {
  if (!answer) answer = [](const SeenWindow&) { return IDOK; };
  std::vector<std::string> before = ListFiles(TempFolder());
  ProcessResult result = RunProcess(commandLine, currentFolder, answer, 120000, "install");
  CHECK(ListFiles(TempFolder()) == before);
  return result;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

size_t IndexOf(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
}

}  // namespace test
