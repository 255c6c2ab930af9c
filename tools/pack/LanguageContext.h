// What a translator needs to know of the built-in language's texts and recordings, which the
// template writes above each and the checks go by: where the user meets a text, what its "%s"
// stand for, which recording says it; and the texts and recordings the user never meets, which
// may stay in English.
#pragma once
#include <string>
#include <vector>

#include "BuiltInLanguage.h"

// The user never sees the text: a message the engine does not load, the Help window's caption
// (message 50 is shown in its place), and the default Welcome dialog 104, which the languages of
// this engine's packages never need (each carries dialog 107).
bool NeverShown(const BuiltInText& text);
// No screen plays the recording.
bool NeverPlayed(const std::string& recording);

// The template's note above a text, its lines separated by "\n"; `room` is what its control
// gives it ("" when unknown).
std::string TextNote(const BuiltInText& text, const std::string& room);
// One line for each recording: the text it says, or that no screen plays it.
std::vector<std::string> RecordingNotes(const BuiltInLanguage& language);
