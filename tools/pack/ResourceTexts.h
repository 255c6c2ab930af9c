// The texts inside a language DLL's resources, read and written byte for byte: a block of the
// string table, and a dialog template (DIALOG or DIALOGEX) whose caption and control texts can be
// replaced while everything else stays as it was. Pure byte work, no <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace langres {

constexpr unsigned kStringsPerBlock = 16;

// Block n (from 1) of the string table holds the messages 16 * (n - 1) to 16 * n - 1.
inline unsigned FirstMessageOfBlock(unsigned block) { return (block - 1) * kStringsPerBlock; }
inline unsigned BlockOfMessage(unsigned id) { return id / kStringsPerBlock + 1; }

// Each of the 16 strings, empty where the block has none. Returns nullptr or why it cannot be read.
const char* ReadStringBlock(const uint8_t* data, size_t size, std::vector<std::u16string>& strings);
std::vector<uint8_t> WriteStringBlock(const std::vector<std::u16string>& strings);

// A name or number field of a template: none, a number (0xFFFF and the number), or text.
struct NameOrNumber {
  bool isNumber = false;
  uint16_t number = 0;
  std::u16string text;
};

struct DialogItem {
  std::vector<uint8_t> head;  // the fixed part: style, position, size and number
  NameOrNumber windowClass;
  NameOrNumber title;         // a number names a picture (a bitmap or icon) of the module
  std::vector<uint8_t> extra; // the creation data, with its count
  int32_t id = 0;
  uint32_t style = 0;
  // The control's class: "Static", "Button", "Edit" and so on for the predefined ones.
  std::u16string ClassName() const;
};

struct DialogTemplate {
  bool extended = false;
  std::vector<uint8_t> head;  // the fixed part up to the menu
  NameOrNumber menu;
  NameOrNumber windowClass;
  std::u16string caption;
  bool hasFont = false;
  std::vector<uint8_t> fontHead;  // the point size (and with DIALOGEX, weight, italic and character set)
  std::u16string typeface;
  std::vector<DialogItem> items;
};

const char* ReadDialogTemplate(const uint8_t* data, size_t size, DialogTemplate& dialog);
std::vector<uint8_t> WriteDialogTemplate(const DialogTemplate& dialog);

}  // namespace langres
