#include "LanguageTemplate.h"

#include <windows.h>

#include <map>
#include <vector>

#include "BuiltInLanguage.h"
#include "ErrorText.h"
#include "LanguageBuild.h"
#include "LanguageContext.h"
#include "LanguageFit.h"
#include "LanguageTexts.h"
#include "PackagePlan.h"
#include "SettingsEncoding.h"
#include "Utf8Text.h"
#include "core/HandleOwner.h"

namespace {

// The file's opening comment: how to translate, and what each recording says. A template names
// the language the folder is named after, when it is one ("fr-FR"), and its code page; a folder
// that --extract writes holds the words of the language it is named after.
std::string Header(const std::string& folderName, const BuiltInLanguage& language, bool extracted) {
  PackageLanguage target;
  const bool named = ResolveLanguageName(folderName, target).empty();
  const std::string name = named ? target.name : "NAME";
  DWORD codePage = 0;
  if (named)
    GetLocaleInfoA(MAKELCID(target.id, SORT_DEFAULT), LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                   reinterpret_cast<LPSTR>(&codePage), sizeof(codePage));
  std::vector<std::string> lines = {
      extracted ? "The words of a Pendrix setup package in " + folderName + ", as PendrixPack --extract wrote them."
                : "The words of a Pendrix setup package, in US English" +
                      (named ? ", to be translated into " + name : "") + ".",
      std::string(extracted ? "Change" : "Translate") + " each text after \"=\" and keep its key. Save this file as " +
          "UTF-8, UTF-16 or ANSI" + (codePage != 0 ? "; ANSI is read in" : "."),
      "  [Messages]    the messages, by number",
      "  [Dialog N]    the texts of dialog N: its Caption, and each control by its number. 107 is the",
      "                Welcome dialog, 110 the progress window and 101 the Help window; 104 is the",
      "                Welcome dialog of a language that has no 107, which no package built by",
      "                PendrixPack shows.",
      "The note above a text says where the user meets it, what each %s stands for and how much",
      "room its control has. \\n is a line break. %s, %d, %lu and the like are filled in by the",
      "setup package: keep each of them, in the same order. \"&\" marks the letter that chooses a",
      "button (&Next: Alt+N).",
      "A text that is right as it stands (\"OK\") is kept with a line \"; " + std::string(kKeepMark) +
          "\" right above it.",
      "PendrixPack reports every text and recording left out, or left as the template has it.",
      "Each recording is a WAVE file named after it: record your words over it (PCM or ADPCM,",
      "mono or stereo, 8,000 to 48,000 Hz). What each says:",
  };
  if (codePage != 0)
    lines.insert(lines.begin() + 2, "code page " + std::to_string(codePage) + ", the ANSI code page of " + name + ".");
  for (const std::string& note : RecordingNotes(language)) lines.push_back("  " + note);
  lines.push_back("Then: PendrixPack --settings Settings.ini --payload DIR --out Setup.exe --language " + name + "=" +
                  folderName);
  if (!named) lines.push_back("where NAME is the language: a locale name such as fr-FR, or a number such as 1036.");
  std::string text;
  for (const std::string& line : lines) text += "; " + line + "\r\n";
  return text;
}

// The room each dialog's control gives its text, in the note above the text; "" or why it is
// not known here.
std::string Rooms(const BuiltInLanguage& language, std::map<size_t, std::string>& rooms) {
  for (const auto& dialog : language.dialogs) {
    std::vector<std::string> dialogRooms;
    std::string problem =
        DescribeRooms(langres::WriteDialogTemplate(dialog.second), dialog.second.items.size(), dialogRooms);
    if (!problem.empty()) return problem;
    for (size_t i = 0; i < language.texts.size(); i++)
      if (!language.texts[i].message && language.texts[i].id == dialog.first && language.texts[i].item >= 0)
        rooms[i] = dialogRooms[static_cast<size_t>(language.texts[i].item)];
  }
  return "";
}

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

struct Output {
  std::string path;
  std::vector<uint8_t> bytes;
};

// texts.ini, a note above each text, and each recording. `unmeasured` says why the notes do not
// give the controls' room, when they cannot.
std::vector<Output> TranslatorFiles(const BuiltInLanguage& language, const std::string& folder, bool extracted,
                                    std::string& unmeasured) {
  std::vector<Output> outputs;
  std::map<size_t, std::string> rooms;
  unmeasured = Rooms(language, rooms);
  std::vector<LanguageText> texts;
  for (size_t i = 0; i < language.texts.size(); i++) {
    const BuiltInText& text = language.texts[i];
    texts.push_back({text.section, text.key, text.text, 0, false, TextNote(text, rooms[i])});
  }
  const std::string name = folder.substr(folder.find_last_of('\\') + 1);
  std::string ini = WriteLanguageTexts(texts, Header(name, language, extracted));
  Output textsFile{folder + "\\" + kTextsFileName, std::vector<uint8_t>(kUtf8Bom, kUtf8Bom + sizeof(kUtf8Bom))};
  textsFile.bytes.insert(textsFile.bytes.end(), ini.begin(), ini.end());
  outputs.push_back(textsFile);
  for (const BuiltInRecording& recording : language.recordings)
    outputs.push_back({folder + "\\" + recording.name + ".wav", recording.bytes});
  return outputs;
}

DWORD WriteFolder(const std::vector<Output>& outputs, const std::string& folder, std::string& error,
                  std::vector<std::string>* written) {
  if (!CreateDirectoryW(Utf8ToWide(folder).c_str(), nullptr)) {
    DWORD code = GetLastError();
    if (code != ERROR_ALREADY_EXISTS) {
      error = "the folder " + Quoted(folder) + " cannot be made (" + SystemMessage(code) + ")";
      return code;
    }
  }
  for (const Output& output : outputs) {
    DWORD result = WriteNew(output.path, output.bytes.data(), output.bytes.size());
    if (result != 0) {
      error = "cannot write " + Quoted(output.path) + " (" + SystemMessage(result) + ")";
      return result;
    }
    if (written != nullptr) written->push_back(output.path.substr(folder.size() + 1));
  }
  return 0;
}

}  // namespace

DWORD WriteTranslatorFolder(const BuiltInLanguage& language, const std::string& folder, std::string& error,
                            std::vector<std::string>* written) {
  std::string unmeasured;
  return WriteFolder(TranslatorFiles(language, folder, true, unmeasured), folder, error, written);
}

int WriteLanguageTemplate(const std::string& folderName, const std::string& enginePath) {
  BuiltInLanguage language;
  std::string problem = ReadBuiltInLanguage(enginePath, language);
  if (!problem.empty()) return Fail(ERROR_BAD_EXE_FORMAT, problem);
  const std::string folder = FullPath(folderName);
  std::string unmeasured;
  const std::vector<Output> outputs = TranslatorFiles(language, folder, false, unmeasured);
  for (const Output& output : outputs)
    if (GetFileAttributesW(Utf8ToWide(output.path).c_str()) != INVALID_FILE_ATTRIBUTES)
      return Fail(ERROR_FILE_EXISTS, Quoted(folder) + " already holds " + Quoted(output.path) +
                                         ": write the template into a new folder, so that no translation is lost");
  DWORD result = WriteFolder(outputs, folder, problem, nullptr);
  if (result != 0) return Fail(result, problem);
  if (!unmeasured.empty())
    PrintTo(stderr, "PendrixPack: note: the notes in %s do not say how much room each control has: %s\n",
            kTextsFileName, unmeasured.c_str());
  PrintTo(stdout, "Wrote the built-in language to %s: %s with %lu texts, and %lu recordings\n", Quoted(folder).c_str(),
          kTextsFileName, static_cast<unsigned long>(language.texts.size()),
          static_cast<unsigned long>(language.recordings.size()));
  fflush(stdout);
  return 0;
}
