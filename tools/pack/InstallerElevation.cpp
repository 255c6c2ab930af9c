#include "InstallerElevation.h"

#include <cctype>

#include "PeResources.h"

namespace {

// More than any manifest holds; the headers and the resource directory are read in bounded pieces.
constexpr uint32_t kHeadBytes = 64 * 1024;
constexpr uint32_t kMaxDirectoryBytes = 4 * 1024 * 1024;
constexpr uint32_t kMaxManifestBytes = 1024 * 1024;
constexpr uint16_t kManifestType = 24;
constexpr uint16_t kProgramManifestId = 1;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

// The bytes at an address of the image, as far as its section holds them.
bool ReadAtRva(const ReadFileBytes& read, const pe::Image& image, uint32_t rva, uint32_t size, uint32_t limit,
               std::vector<uint8_t>& bytes) {
  uint32_t offset = 0, available = 0;
  if (!pe::RvaToOffset(image, rva, offset, available) || size > available || size > limit) return false;
  return read(offset, size, bytes) && bytes.size() == size;
}

// Where the value of the level attribute of requestedExecutionLevel lies in a manifest's text
// (lower case), the element perhaps with a namespace prefix and the value in either quotes.
bool FindLevelValue(const std::string& text, size_t& start, size_t& end) {
  size_t element = text.find("requestedexecutionlevel");
  if (element == std::string::npos) return false;
  size_t elementEnd = text.find('>', element);
  size_t attribute = text.find("level", element + 23);
  if (attribute == std::string::npos || attribute > elementEnd) return false;
  size_t quote = text.find_first_of("\"'", attribute);
  if (quote == std::string::npos || quote > elementEnd) return false;
  size_t close = text.find(text[quote], quote + 1);
  if (close == std::string::npos) return false;
  start = quote + 1;
  end = close;
  return true;
}

}  // namespace

ProgramManifest ReadProgramManifest(const ReadFileBytes& read) {
  ProgramManifest program;
  std::vector<uint8_t> head;
  if (!read(0, kHeadBytes, head) || head.empty()) return program;
  pe::Image image;
  if (pe::ParseImage(head.data(), head.size(), image) != nullptr) return program;
  program.isProgram = true;
  program.is64Bit = image.pe32plus;
  std::vector<uint8_t> directory;
  std::vector<pe::ResourceEntry> entries;
  if (image.resourceRva == 0 ||
      !ReadAtRva(read, image, image.resourceRva, image.resourceSize, kMaxDirectoryBytes, directory) ||
      pe::ReadResourceTree(directory.data(), directory.size(), entries) != nullptr)
    return program;
  for (const pe::ResourceEntry& entry : entries) {
    if (!pe::SameId(entry.type, pe::ResourceId::Number(kManifestType)) ||
        !pe::SameId(entry.name, pe::ResourceId::Number(kProgramManifestId)))
      continue;
    program.found = ReadAtRva(read, image, entry.dataRva, entry.size, kMaxManifestBytes, program.bytes);
    break;
  }
  return program;
}

std::string ExecutionLevelName(const std::string& level) {
  for (const char* name : {"asInvoker", "highestAvailable", "requireAdministrator"})
    if (Lower(level) == Lower(name)) return name;
  return "";
}

std::string RequestedExecutionLevel(const std::vector<uint8_t>& manifest) {
  std::string text;
  if (manifest.size() >= 2 && manifest[0] == 0xFF && manifest[1] == 0xFE) {
    for (size_t i = 2; i + 1 < manifest.size(); i += 2)
      text.push_back(manifest[i + 1] == 0 ? static_cast<char>(manifest[i]) : '?');
  } else {
    text.assign(manifest.begin(), manifest.end());
  }
  text = Lower(text);
  size_t start = 0, end = 0;
  return FindLevelValue(text, start, end) ? ExecutionLevelName(text.substr(start, end - start)) : "";
}

bool WithExecutionLevel(const std::vector<uint8_t>& manifest, const std::string& level, std::vector<uint8_t>& out) {
  size_t start = 0, end = 0;
  if (manifest.size() >= 2 && manifest[0] == 0xFF && manifest[1] == 0xFE) return false;
  if (!FindLevelValue(Lower(std::string(manifest.begin(), manifest.end())), start, end)) return false;
  out.assign(manifest.begin(), manifest.begin() + static_cast<std::ptrdiff_t>(start));
  out.insert(out.end(), level.begin(), level.end());
  out.insert(out.end(), manifest.begin() + static_cast<std::ptrdiff_t>(end), manifest.end());
  return true;
}



std::string ElevationReason(const ProgramManifest& program, const std::string& fileName) {
  if (!program.isProgram) return "";
  std::string level = program.found ? RequestedExecutionLevel(program.bytes) : "";
  if (level == "requireAdministrator" || level == "highestAvailable") return "its manifest asks for " + level;
  // Installer detection passes over 64-bit programs and every program that names a level.
  if (!level.empty() || program.is64Bit) return "";
  std::string name = Lower(fileName);
  for (const char* word : {"setup", "install", "update", "patch"})
    if (name.find(word) != std::string::npos)
      return std::string(program.found ? "its manifest asks for no level" : "it has no manifest") +
             ", and Windows' installer detection elevates a program whose name holds \"" + word + "\"";
  return "";
}
