#include "LanguageContext.h"

#include "LanguageTexts.h"
#include "ui/language/resource.h"

namespace {

// What the "%s" of each message that takes some stand for, in order.
struct PlaceholderMeaning {
  unsigned message;
  const char* meaning;
};
constexpr PlaceholderMeaning kPlaceholders[] = {
    {IDS_EXTRACT_SETTINGS_FAILED, "a path"},
    {IDS_REPLACE_SETTINGS_MISSING, "a path"},
    {IDS_SETUP_TYPE_EMPTY, "the name of a setup type, as the settings file writes it"},
    {IDS_KEY_MISSING, "a key of the settings file, then the name of its section"},
    {IDS_SECTION_MISSING, "the name of a section of the settings file"},
    {IDS_INSTALLER_EXTRACT_FAILED, "a component's name (its section in the settings file)"},
    {IDS_OUTPUT_FILE_UNKNOWN, "a component's name (its section in the settings file)"},
    {IDS_SETUP_PACKAGE_CAPTION, "the product's name"},
    {IDS_SETUP_PACKAGE_ERROR_CAPTION, "the product's name"},
    {IDS_COMPONENT_FAILED, "the product's name, then a component's name"},
    {IDS_REINSTALL, "a component's name"},
    {IDS_RESTORE_POINT, "the product's name"},
    {IDS_DISK_FULL, "a folder"},
    {IDS_INSTALLER_CHANGED, "a component's name"},
    {IDS_SETTINGS_EMPTY, "a path"},
    {IDS_SETTINGS_UNREADABLE, "a path"},
    {IDS_SETTINGS_TOO_LARGE, "a path"},
    {IDS_SETTINGS_CHANGEABLE, "a path, then the users or groups that can change the file (as Windows names them)"},
    {IDS_INSTALLER_CHANGEABLE, "a path, then the users or groups that can change the file (as Windows names them)"},
    {IDS_START_AGAIN_AFTER_RESTART, "the setup package's path"},
    {IDS_INSTALLER_DAMAGED, "a component's name (its section in the settings file)"},
};

constexpr bool EveryPlaceholderExplained() {
  for (const MessageArguments& message : kMessageArguments) {
    bool explained = message.strings == 0;
    for (const PlaceholderMeaning& meaning : kPlaceholders) explained = explained || meaning.message == message.id;
    if (!explained) return false;
  }
  return true;
}
static_assert(EveryPlaceholderExplained(), "a message takes a string the translator's template does not explain");

// Where the user meets a message other than in a box of its own.
struct Place {
  unsigned message;
  const char* where;
};
constexpr Place kPlaces[] = {
    {IDS_ERROR_CAPTION, "The title of every error box."},
    {IDS_HELP_CAPTION, "The Help window's title."},
    {IDS_SETUP_PACKAGE_CAPTION, "The title of the boxes that speak, and of the restart boxes."},
    {IDS_SETUP_PACKAGE_ERROR_CAPTION, "The title of the boxes that refuse, or ask to repair a component."},
    {IDS_RESTORE_POINT, "The name of the System Restore point, in Windows' list of them."},
    {IDS_WINDOW_TITLE,
     "The title of the package's window, which the taskbar and Alt+Tab show and a screen reader says."},
};

const char kProductName[] = "the product's name (the package's display name, such as \"Vellora Writer\")";

bool IsHelpText(unsigned message) {
  for (unsigned id : kHelpTextMessages)
    if (id == message) return true;
  return false;
}

}  // namespace

bool NeverShown(const BuiltInText& text) {
  if (text.message) return MessageStrings(text.id) < 0;
  return text.id == IDD_WELCOME || (text.id == IDD_HELP && text.item < 0);
}

bool NeverPlayed(const std::string& recording) {
  for (const PlayedRecording& played : kPlayedRecordings)
    if (recording == played.name) return false;
  return true;
}

std::string TextNote(const BuiltInText& text, const std::string& room) {
  std::vector<std::string> lines;
  if (NeverShown(text)) {
    lines.push_back("Never shown: it may stay in English.");
  } else if (text.message) {
    for (const Place& place : kPlaces)
      if (place.message == text.id) lines.push_back(place.where);
    if (IsHelpText(text.id)) lines.push_back("Part of the Help window's text: keep its line breaks (\\n).");
    for (const PlaceholderMeaning& meaning : kPlaceholders)
      if (meaning.message == text.id) lines.push_back(std::string("%s: ") + meaning.meaning + ".");
    for (const PlayedRecording& played : kPlayedRecordings)
      if (played.message == text.id)
        lines.push_back(std::string("Spoken too: ") + played.name + ".wav says it; record your words there.");
  } else if (!Placeholders(text.text).empty()) {
    lines.push_back(std::string("%s: ") + kProductName + ".");
  }
  if (!room.empty() && !NeverShown(text)) lines.push_back(room);
  std::string note;
  for (const std::string& line : lines) note += (note.empty() ? "" : "\n") + line;
  return note;
}

std::vector<std::string> RecordingNotes(const BuiltInLanguage& language) {
  std::vector<std::string> notes;
  for (const BuiltInRecording& recording : language.recordings) {
    std::string says = "is played by no screen: it may stay in English";
    for (const PlayedRecording& played : kPlayedRecordings)
      if (recording.name == played.name)
        says = played.message == 0 ? "says the Welcome dialog's texts, [Dialog 107] 104 and 105"
                                   : "says [" + std::string(kMessagesSection) + "] " + std::to_string(played.message);
    notes.push_back(recording.name + ".wav " + says);
  }
  return notes;
}
