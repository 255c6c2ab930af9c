#include "LanguageTemplate.h"

#include <windows.h>

#include <vector>

#include "BuiltInLanguage.h"
#include "ErrorText.h"
#include "LanguageTexts.h"
#include "PackagePlan.h"
#include "SettingsEncoding.h"
#include "Utf8Text.h"
#include "core/HandleOwner.h"

namespace {

const char kHeader[] =
    "; The words of a Pendrix setup package, in US English. Translate each text after \"=\" and keep\r\n"
    "; its key; save this file as UTF-8, UTF-16 or ANSI.\r\n"
    ";   [Messages]    the messages, by number\r\n"
    ";   [Dialog N]    the texts of dialog N: its Caption, and each control by its number\r\n"
    "; \\n is a line break. %s, %d, %lu and the like are filled in by the setup package: keep each\r\n"
    "; of them, in the same order. \"&\" marks the letter that chooses a button (&Next: Alt+N).\r\n"
    "; A text left out stays in English. So does a recording: each WAVE file is named after the\r\n"
    "; recording it replaces; record your words over it (PCM or ADPCM, mono or stereo, 8 to 48 kHz).\r\n"
    "; Then: PendrixPack --settings Settings.ini --payload DIR --out Setup.exe --language de-DE=FOLDER\r\n";

int Fail(DWORD code, const std::string& line) {
  PrintTo(stderr, "PendrixPack: %s\n", line.c_str());
  fflush(stderr);
  return static_cast<int>(code);
}

// Written new: a translator's work is never overwritten.
DWORD WriteNew(const std::string& path, const void* bytes, size_t size) {
  FileHandle file(
      CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes, static_cast<DWORD>(size), &written, nullptr)) return GetLastError();
  return written == size ? 0 : ERROR_WRITE_FAULT;
}

}  // namespace

int WriteLanguageTemplate(const std::string& folderName, const std::string& enginePath) {
  BuiltInLanguage language;
  std::string problem = ReadBuiltInLanguage(enginePath, language);
  if (!problem.empty()) return Fail(ERROR_BAD_EXE_FORMAT, problem);
  const std::string folder = FullPath(folderName);

  struct Output {
    std::string path;
    std::vector<uint8_t> bytes;
  };
  std::vector<Output> outputs;
  std::vector<LanguageText> texts;
  for (const BuiltInText& text : language.texts) texts.push_back({text.section, text.key, text.text, 0});
  std::string ini = WriteLanguageTexts(texts, kHeader);
  Output textsFile{folder + "\\" + kTextsFileName, std::vector<uint8_t>(kUtf8Bom, kUtf8Bom + sizeof(kUtf8Bom))};
  textsFile.bytes.insert(textsFile.bytes.end(), ini.begin(), ini.end());
  outputs.push_back(textsFile);
  for (const BuiltInRecording& recording : language.recordings)
    outputs.push_back({folder + "\\" + recording.name + ".wav", recording.bytes});

  for (const Output& output : outputs)
    if (GetFileAttributesW(Utf8ToWide(output.path).c_str()) != INVALID_FILE_ATTRIBUTES)
      return Fail(ERROR_FILE_EXISTS, Quoted(folder) + " already holds " + Quoted(output.path) +
                                         ": write the template into a new folder, so that no translation is lost");
  if (!CreateDirectoryW(Utf8ToWide(folder).c_str(), nullptr)) {
    DWORD code = GetLastError();
    if (code != ERROR_ALREADY_EXISTS)
      return Fail(code, "the folder " + Quoted(folder) + " cannot be made (" + SystemMessage(code) + ")");
  }
  for (const Output& output : outputs) {
    DWORD result = WriteNew(output.path, output.bytes.data(), output.bytes.size());
    if (result != 0) return Fail(result, "cannot write " + Quoted(output.path) + " (" + SystemMessage(result) + ")");
  }
  PrintTo(stdout, "Wrote the built-in language to %s: %s with %lu texts, and %lu recordings\n", Quoted(folder).c_str(),
          kTextsFileName, static_cast<unsigned long>(language.texts.size()),
          static_cast<unsigned long>(language.recordings.size()));
  fflush(stdout);
  return 0;
}
