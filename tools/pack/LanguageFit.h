// Whether a language's dialog texts fit their controls: the dialog created hidden, as the engine
// shows it, and each control's text measured in the control's own font and size, in the
// character set of the language's code page, a "%s" filled as the engine fills it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A control whose text the user sees cut off.
struct Misfit {
  int item;          // its place in the template
  std::string text;  // as shown, UTF-8
  std::string size;  // how much room it takes, against the room it has
  bool named;        // its "%s" holds the display name
};

// The misfits among `items` of the template, which has `itemCount` controls, for a language of
// ANSI code page `codePage` and a display name in UTF-8; "" or why the dialog cannot be measured
// here.
std::string FindMisfits(const std::vector<uint8_t>& dialogTemplate, size_t itemCount, const std::vector<int>& items,
                        const std::string& displayName, unsigned codePage, std::vector<Misfit>& misfits);

// What each control of the template gives its text, by the control's place in the template
// ("" for one that shows no text): "A button: its text may take 97 pixels." "" or why the dialog
// cannot be measured here.
std::string DescribeRooms(const std::vector<uint8_t>& dialogTemplate, size_t itemCount,
                          std::vector<std::string>& rooms);
