#include "PackageWriter.h"

#include <algorithm>
#include <memory>

#include "ErrorText.h"
#include "OutputGuard.h"
#include "PeResources.h"
#include "Utf8Text.h"
#include "core/HandleOwner.h"
#include "install/InstallerResource.h"
#include "settings/ChecksumTable.h"
#include "settings/Crc32c.h"
#include "ui/LanguageChoice.h"
#include "ui/language/resource.h"

volatile LONG g_packCancelled = 0;

namespace {

constexpr DWORD kChunk = 1 << 20;
// The largest package, from its first byte in memory to its last, that starts as a 32-bit program.
// The loader maps it whole, in one range of addresses from the program's base (4 MB) up to the
// first system DLL. Under Wine 8 that DLL lies at 1968 MB, and a package of 1960 MB still installs
// with a progress window, a waiting tone and msiexec, while one of 1963 MB no longer starts. On
// Windows a 32-bit program's system DLLs usually lie a little lower, from about 1.85 GB up; the
// limit stays below both.
constexpr uint64_t kMaxPackageImage = 1800ull << 20;
const char kSectionName[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};

// A resource name or type as the loader stores it: UTF-16 in the ANSI code page, upper case.
pe::ResourceId LoaderId(const std::string& text) {
  int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &wide[0], n);
  if (n > 0) CharUpperBuffW(&wide[0], static_cast<DWORD>(n));
  return pe::ResourceId::Text(std::u16string(wide.begin(), wide.end()));
}

bool ReadAt(HANDLE file, uint64_t offset, void* buffer, DWORD size) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return false;
  DWORD done = 0;
  return ReadFile(file, buffer, size, &done, nullptr) && done == size;
}

// The output stream: every byte goes through the checksum, in file order.
class PackageStream {
 public:
  explicit PackageStream(HANDLE file) : m_file(file), m_buffer(new uint8_t[kChunk]) {}

  DWORD Write(const void* data, size_t size) {
    m_checksum.Add(static_cast<const uint8_t*>(data), size);
    DWORD done = 0;
    if (!WriteFile(m_file, data, static_cast<DWORD>(size), &done, nullptr)) return GetLastError();
    if (done != size) return ERROR_WRITE_FAULT;
    m_position += size;
    return 0;
  }

  DWORD PadTo(uint64_t position) {
    std::fill(m_buffer.get(), m_buffer.get() + kChunk, 0);
    while (m_position < position) {
      DWORD result = Write(m_buffer.get(), static_cast<size_t>(std::min<uint64_t>(kChunk, position - m_position)));
      if (result != 0) return result;
    }
    return 0;
  }

  // Copies exactly `size` bytes of `source` from `offset` on; with `crc`, their CRC-32C.
  DWORD Copy(HANDLE source, uint64_t offset, uint64_t size, uint32_t* crc = nullptr) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(source, at, nullptr, FILE_BEGIN)) return GetLastError();
    while (size > 0) {
      if (g_packCancelled) return ERROR_CANCELLED;
      DWORD want = static_cast<DWORD>(std::min<uint64_t>(kChunk, size));
      DWORD got = 0;
      if (!ReadFile(source, m_buffer.get(), want, &got, nullptr)) return GetLastError();
      if (got == 0) return ERROR_HANDLE_EOF;  // the file shrank after it was measured
      if (crc != nullptr) *crc = Crc32c(m_buffer.get(), got, *crc);
      DWORD result = Write(m_buffer.get(), got);
      if (result != 0) return result;
      size -= got;
    }
    return 0;
  }

  uint64_t Position() const { return m_position; }
  uint32_t Checksum() const { return m_checksum.Finish(); }

 private:
  HANDLE m_file;
  std::unique_ptr<uint8_t[]> m_buffer;
  pe::Checksum m_checksum;
  uint64_t m_position = 0;
};

// Removes the partial file on every way out unless it was handed over.
class PartialFile {
 public:
  ~PartialFile() {
    m_handle.reset();
    if (!m_path.empty()) DeleteFileW(Utf8ToWide(m_path).c_str());
  }
  std::string m_path;
  FileHandle m_handle;
};

struct EngineImage {
  FileHandle file;
  uint64_t size = 0;
  std::vector<uint8_t> headers;
  pe::Image image;
  std::vector<pe::ResourceEntry> resources;
};

// The headers and the resource directory of the file that `engine.file` holds; nullptr or why not.
const char* ReadImage(EngineImage& engine) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(engine.file.get(), &size)) return "it cannot be measured";
  engine.size = static_cast<uint64_t>(size.QuadPart);
  const ReadFileBytes read = [&engine](uint64_t offset, uint32_t count, std::vector<uint8_t>& bytes) {
    bytes.resize(static_cast<size_t>(std::min<uint64_t>(count, engine.size - std::min(offset, engine.size))));
    return bytes.empty() || ReadAt(engine.file.get(), offset, bytes.data(), static_cast<DWORD>(bytes.size()));
  };
  const char* problem = pe::ReadImageHeaders(read, engine.headers, engine.image);
  if (problem == nullptr && engine.image.sizeOfHeaders > engine.headers.size()) problem = "its headers are too large";
  // The directory is held in memory while the package is laid out.
  if (problem == nullptr) problem = pe::ReadImageResources(read, engine.image, 64u << 20, engine.resources);
  return problem;
}

DWORD ReadEngine(const std::string& path, EngineImage& engine, std::string& error) {
  engine.file.reset(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!engine.file) {
    DWORD code = GetLastError();
    error = "the engine " + Quoted(path) + " cannot be read (" + SystemMessage(code) + ")";
    return code;
  }
  if (const char* problem = ReadImage(engine)) {
    error = "the engine " + Quoted(path) + " cannot take resources: " + problem;
    return ERROR_BAD_EXE_FORMAT;
  }
  return 0;
}

std::string Shown(const pe::ResourceId& id) {
  if (id.isNumber) return "#" + std::to_string(id.number);
  std::string shown;
  for (char16_t c : id.text) shown += c < 128 ? static_cast<char>(c) : '?';
  return shown;
}

// The resources that make an engine a package: its installers, the hashes of those beside it, its
// embedded settings and its further languages. Packed again, the old ones would stay live beside
// the new ones.
std::string PackageResources(const std::vector<pe::ResourceEntry>& entries) {
  static const pe::ResourceId kInstaller = pe::ResourceId::Text(kInstallerResourceType);
  static const pe::ResourceId kHash = pe::ResourceId::Text(kInstallerHashResourceType);
  static const pe::ResourceId kText = pe::ResourceId::Text(kSettingsResourceType);
  static const pe::ResourceId kSettings = pe::ResourceId::Text(kSettingsResource);
  static const pe::ResourceId kLanguage = pe::ResourceId::Text(kLanguageResourceType);
  static const pe::ResourceId kBuiltIn = pe::ResourceId::Text(kLanguageResource);
  static const pe::ResourceId kChecksums = pe::ResourceId::Text(kChecksumResourceType);
  std::string names;
  const pe::ResourceId* last = nullptr;
  for (const pe::ResourceEntry& entry : entries) {
    bool carried = pe::SameId(entry.type, kInstaller) || pe::SameId(entry.type, kHash) ||
                   pe::SameId(entry.type, kChecksums) ||
                   (pe::SameId(entry.type, kText) && pe::SameId(entry.name, kSettings)) ||
                   (pe::SameId(entry.type, kLanguage) && !pe::SameId(entry.name, kBuiltIn));
    if (!carried || (last != nullptr && pe::SameId(*last, entry.name))) continue;  // one name, several languages
    names += (names.empty() ? "" : ", ") + Shown(entry.name);
    last = &entry.name;
  }
  return names;
}

// The resources the engine writes out to files, whose checksums the package records: the
// installers, the settings, the languages' DLLs and the cleanup tool.
bool IsExtracted(const pe::ResourceId& type, const pe::ResourceId& name) {
  static const pe::ResourceId kInstaller = pe::ResourceId::Text(kInstallerResourceType);
  static const pe::ResourceId kText = pe::ResourceId::Text(kSettingsResourceType);
  static const pe::ResourceId kSettings = pe::ResourceId::Text(kSettingsResource);
  static const pe::ResourceId kLanguage = pe::ResourceId::Text(kLanguageResourceType);
  static const pe::ResourceId kIndex = pe::ResourceId::Text(kLanguageIndexResource);
  static const pe::ResourceId kTool = pe::ResourceId::Text(kCleanupToolType);
  return pe::SameId(type, kInstaller) || pe::SameId(type, kTool) ||
         (pe::SameId(type, kText) && pe::SameId(name, kSettings)) ||
         (pe::SameId(type, kLanguage) && !pe::SameId(name, kIndex));
}

// The checksum of an engine's own resource, read from the engine file.
DWORD EngineResourceCrc(const EngineImage& engine, const pe::ResourceEntry& entry, uint32_t& crc) {
  uint32_t offset = 0, available = 0;
  if (!pe::RvaToOffset(engine.image, entry.dataRva, offset, available) || available < entry.size)
    return ERROR_BAD_EXE_FORMAT;
  std::vector<uint8_t> bytes(entry.size);
  if (!bytes.empty() && !ReadAt(engine.file.get(), offset, bytes.data(), entry.size)) return ERROR_READ_FAULT;
  crc = Crc32c(bytes.data(), bytes.size());
  return 0;
}

LPCWSTR LoaderName(const pe::ResourceId& id, std::wstring& storage) {
  if (id.isNumber) return MAKEINTRESOURCEW(id.number);
  storage.assign(id.text.begin(), id.text.end());
  return storage.c_str();
}

// Asks the loader for every resource of the finished file, the engine's own and the added ones.
DWORD VerifyPackage(const std::string& path, const std::vector<pe::ResourceEntry>& entries, std::string& error) {
  ModuleHandle module(LoadLibraryExW(Utf8ToWide(path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) {
    DWORD code = GetLastError();
    error = "the package just written cannot be opened for checking (" + SystemMessage(code) + ")";
    return code != 0 ? code : ERROR_BAD_EXE_FORMAT;
  }
  for (const pe::ResourceEntry& entry : entries) {
    std::wstring type, name;
    HRSRC found = FindResourceExW(module.get(), LoaderName(entry.type, type), LoaderName(entry.name, name),
                                  entry.language);
    if (found == nullptr || SizeofResource(module.get(), found) != entry.size) {
      error = "the package just written does not give back its resource " + Shown(entry.name);
      return ERROR_RESOURCE_NAME_NOT_FOUND;
    }
  }
  return 0;
}

}  // namespace

std::string ReadProgramResources(const std::string& path, std::vector<pe::ResourceEntry>& entries) {
  EngineImage image;
  image.file.reset(
      CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!image.file) return "it cannot be read (" + SystemMessage(GetLastError()) + ")";
  if (const char* problem = ReadImage(image)) return problem;
  entries = std::move(image.resources);
  return "";
}

DWORD WritePackage(const std::string& enginePath, const std::string& outPath, const PackagePlan& plan,
                   std::string& error, uint64_t& outSize) {
  EngineImage engine;
  DWORD result = ReadEngine(enginePath, engine, error);
  if (result != 0) return result;
  std::string carried = PackageResources(engine.resources);
  if (!carried.empty()) {
    error = "the engine " + Quoted(enginePath) + " is already a package: it carries " + carried +
            "; pack the bare engine";
    return ERROR_BAD_EXE_FORMAT;
  }

  std::vector<pe::AddedResource> added;
  for (const PlannedResource& resource : plan.resources) {
    pe::AddedResource add;
    add.type = resource.typeNumber != 0 ? pe::ResourceId::Number(resource.typeNumber) : LoaderId(resource.type);
    add.name = resource.nameNumber != 0 ? pe::ResourceId::Number(resource.nameNumber) : LoaderId(resource.name);
    add.language = resource.language;
    add.blob = resource.blob;
    added.push_back(add);
  }
  std::vector<uint32_t> blobSizes;
  for (const PlannedBlob& blob : plan.blobs) blobSizes.push_back(blob.size);
  // The checksums of every file the engine writes out, a table written after them as the last blob.
  size_t checked = 0;
  for (const pe::AddedResource& add : added) checked += IsExtracted(add.type, add.name) ? 1 : 0;
  for (const pe::ResourceEntry& entry : engine.resources) {
    bool replaced = false;
    for (const pe::AddedResource& add : added)
      replaced = replaced || (pe::SameId(entry.type, add.type) && pe::SameId(entry.name, add.name));
    checked += IsExtracted(entry.type, entry.name) && !replaced ? 1 : 0;
  }
  const size_t tableBlob = blobSizes.size();
  blobSizes.push_back(static_cast<uint32_t>(ChecksumTableSize(checked)));
  added.push_back({LoaderId(kChecksumResourceType), LoaderId(kChecksumResource), 0, tableBlob});

  uint32_t rva = 0, rawOffset = 0;
  pe::SectionPlan section;
  const char* problem = pe::PlaceNewSection(engine.image, engine.size, rva, rawOffset);
  if (problem == nullptr) problem = pe::PlanResourceSection(engine.resources, added, blobSizes, rva, section);
  uint64_t imageSize = uint64_t(rva) + section.contentSize;
  if (problem == nullptr && imageSize > kMaxPackageImage) {
    error = "the package would be " + std::to_string(imageSize >> 20) + " MB, and a package larger than " +
            std::to_string(kMaxPackageImage >> 20) + " MB cannot start: Windows maps the whole package into the " +
            "address space of a 32-bit program before it runs; leave the largest installers beside the package " +
            "(DoNotExtract)";
    return ERROR_FILE_TOO_LARGE;
  }
  if (problem == nullptr)
    problem = pe::AddResourceSection(engine.headers, engine.image, kSectionName, rva, rawOffset, section.contentSize,
                                     static_cast<uint32_t>(section.directory.size()));
  if (problem != nullptr) {
    error = "the engine " + Quoted(enginePath) + " cannot take the package: " + problem;
    return ERROR_BAD_EXE_FORMAT;
  }
  uint64_t end = rawOffset + uint64_t(pe::AlignUp(section.contentSize, pe::MappedAlignment(engine.image)));

  // The partial file lies beside the output, so that the final move is a rename. Held without
  // sharing while it is written, it tells a second run for the same output that this one is busy.
  std::string partial = PartialPackagePath(outPath);
  const char* temporary = partial.c_str();
  PartialFile output;
  output.m_handle.reset(CreateFileW(Utf8ToWide(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!output.m_handle) {
    DWORD code = GetLastError();
    error = "cannot write " + Quoted(temporary) + " (" + SystemMessage(code) + ")";
    return code;
  }
  output.m_path = temporary;

  PackageStream stream(output.m_handle.get());
  std::string failedOn = Quoted(temporary);
  result = stream.Write(engine.headers.data(), engine.headers.size());
  if (result == 0) result = stream.Copy(engine.file.get(), engine.headers.size(), engine.size - engine.headers.size());
  if (result == 0) result = stream.PadTo(rawOffset);
  if (result == 0) result = stream.Write(section.directory.data(), section.directory.size());
  std::vector<uint32_t> blobCrcs(plan.blobs.size(), 0);
  for (size_t i = 0; result == 0 && i < plan.blobs.size(); i++) {
    result = stream.PadTo(rawOffset + uint64_t(section.blobOffsets[i]));
    if (result != 0) break;
    if (plan.blobs[i].path.empty()) {
      blobCrcs[i] = Crc32c(plan.blobs[i].bytes.data(), plan.blobs[i].bytes.size());
      result = stream.Write(plan.blobs[i].bytes.data(), plan.blobs[i].bytes.size());
      continue;
    }
    FileHandle source(CreateFileW(Utf8ToWide(plan.blobs[i].path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) {
      result = GetLastError();
      failedOn = Quoted(plan.blobs[i].path);
      break;
    }
    result = stream.Copy(source.get(), 0, plan.blobs[i].size, &blobCrcs[i]);
    if (result != 0) failedOn = Quoted(plan.blobs[i].path);
  }
  if (result == 0) {
    std::vector<RecordedChecksum> checksums;
    for (const pe::ResourceEntry& entry : section.entries) {
      if (!IsExtracted(entry.type, entry.name)) continue;
      uint32_t crc = 0;
      bool ours = false;
      for (size_t i = 0; i < plan.blobs.size() && !ours; i++)
        if (entry.dataRva == rva + section.blobOffsets[i]) {
          crc = blobCrcs[i];
          ours = true;
        }
      if (!ours && (result = EngineResourceCrc(engine, entry, crc)) != 0) {
        failedOn = Quoted(enginePath);
        break;
      }
      checksums.push_back({entry.dataRva, entry.size, crc});
    }
    const std::vector<uint8_t> table = FormatChecksumTable(checksums);
    if (result == 0 && table.size() != blobSizes[tableBlob]) result = ERROR_INVALID_DATA;
    if (result == 0) result = stream.PadTo(rawOffset + uint64_t(section.blobOffsets[tableBlob]));
    if (result == 0) result = stream.Write(table.data(), table.size());
  }
  if (result == 0) result = stream.PadTo(end);
  if (result == 0) {
    uint32_t checksum = stream.Checksum();
    LARGE_INTEGER at;
    at.QuadPart = engine.image.checksumOffset;
    DWORD done = 0;
    if (!SetFilePointerEx(output.m_handle.get(), at, nullptr, FILE_BEGIN) ||
        !WriteFile(output.m_handle.get(), &checksum, sizeof(checksum), &done, nullptr) ||
        !FlushFileBuffers(output.m_handle.get()))
      result = GetLastError();
  }
  if (result != 0) {
    error = result == ERROR_CANCELLED ? "packing was cancelled"
                                      : "writing the package failed on " + failedOn + " (" + SystemMessage(result) + ")";
    return result;
  }
  output.m_handle.reset();
  engine.file.reset();

  result = VerifyPackage(temporary, section.entries, error);
  if (result != 0) return result;
  if (!MoveFileExW(Utf8ToWide(temporary).c_str(), Utf8ToWide(outPath).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DWORD code = GetLastError();
    error = "cannot replace " + Quoted(outPath) + " (" + SystemMessage(code) + ")";
    return code;
  }
  output.m_path.clear();  // it is the package now
  outSize = end;
  return 0;
}
