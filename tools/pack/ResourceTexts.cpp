#include "ResourceTexts.h"

namespace langres {

namespace {

constexpr uint32_t kDsSetFont = 0x40;
constexpr uint32_t kDsShellFont = 0x48;
constexpr size_t kExtendedHead = 26;  // dlgVer, signature, helpID, exStyle, style, count, x, y, cx, cy
constexpr size_t kPlainHead = 18;     // style, exStyle, count, x, y, cx, cy
constexpr size_t kExtendedItemHead = 24;
constexpr size_t kPlainItemHead = 18;
constexpr uint16_t kMaxItems = 2000;

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  bool Bytes(size_t count, std::vector<uint8_t>& out) {
    if (m_size - m_at < count) return false;
    out.assign(m_data + m_at, m_data + m_at + count);
    m_at += count;
    return true;
  }
  bool Word(uint16_t& value) {
    if (m_size - m_at < 2) return false;
    value = static_cast<uint16_t>(m_data[m_at] | (m_data[m_at + 1] << 8));
    m_at += 2;
    return true;
  }
  bool Text(std::u16string& text) {
    text.clear();
    for (uint16_t unit = 0;;) {
      if (!Word(unit)) return false;
      if (unit == 0) return true;
      text.push_back(static_cast<char16_t>(unit));
    }
  }
  bool Field(NameOrNumber& field) {
    field = NameOrNumber();
    uint16_t first = 0;
    if (!Word(first)) return false;
    if (first == 0xFFFF) {
      field.isNumber = true;
      return Word(field.number);
    }
    if (first == 0) return true;
    field.text.push_back(static_cast<char16_t>(first));
    std::u16string rest;
    if (!Text(rest)) return false;
    field.text += rest;
    return true;
  }
  // Items begin on a 32-bit boundary from the template's start.
  bool AlignToDword() {
    size_t aligned = (m_at + 3) & ~size_t(3);
    if (aligned > m_size) return false;
    m_at = aligned;
    return true;
  }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_at = 0;
};

void PutWord(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutText(std::vector<uint8_t>& out, const std::u16string& text) {
  for (char16_t unit : text) PutWord(out, static_cast<uint16_t>(unit));
  PutWord(out, 0);
}

void PutField(std::vector<uint8_t>& out, const NameOrNumber& field) {
  if (field.isNumber) {
    PutWord(out, 0xFFFF);
    PutWord(out, field.number);
  } else {
    PutText(out, field.text);
  }
}

uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<uint32_t>(bytes[at]) | (static_cast<uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<uint32_t>(bytes[at + 2]) << 16) | (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

uint16_t Le16(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

}  // namespace

const char* ReadStringBlock(const uint8_t* data, size_t size, std::vector<std::u16string>& strings) {
  strings.assign(kStringsPerBlock, std::u16string());
  Reader reader(data, size);
  for (std::u16string& text : strings) {
    uint16_t length = 0;
    if (!reader.Word(length)) return "a string of the block is cut short";
    for (uint16_t i = 0; i < length; i++) {
      uint16_t unit = 0;
      if (!reader.Word(unit)) return "a string of the block is cut short";
      text.push_back(static_cast<char16_t>(unit));
    }
  }
  return nullptr;
}

std::vector<uint8_t> WriteStringBlock(const std::vector<std::u16string>& strings) {
  std::vector<uint8_t> out;
  for (unsigned i = 0; i < kStringsPerBlock; i++) {
    std::u16string text = i < strings.size() ? strings[i].substr(0, 0xFFFF) : std::u16string();
    PutWord(out, static_cast<uint16_t>(text.size()));
    for (char16_t unit : text) PutWord(out, static_cast<uint16_t>(unit));
  }
  return out;
}

std::u16string DialogItem::ClassName() const {
  if (!windowClass.isNumber) return windowClass.text;
  switch (windowClass.number) {
    case 0x80: return u"Button";
    case 0x81: return u"Edit";
    case 0x82: return u"Static";
    case 0x83: return u"ListBox";
    case 0x84: return u"ScrollBar";
    case 0x85: return u"ComboBox";
    default: return u"";
  }
}

const char* ReadDialogTemplate(const uint8_t* data, size_t size, DialogTemplate& dialog) {
  dialog = DialogTemplate();
  Reader reader(data, size);
  uint16_t version = 0, signature = 0;
  if (size >= 4) {
    version = static_cast<uint16_t>(data[0] | (data[1] << 8));
    signature = static_cast<uint16_t>(data[2] | (data[3] << 8));
  }
  dialog.extended = version == 1 && signature == 0xFFFF;
  if (!reader.Bytes(dialog.extended ? kExtendedHead : kPlainHead, dialog.head)) return "its header is cut short";
  const uint32_t style = Le32(dialog.head, dialog.extended ? 12 : 0);
  const uint16_t count = Le16(dialog.head, dialog.extended ? 16 : 8);
  if (count > kMaxItems) return "it has too many controls";
  if (!reader.Field(dialog.menu) || !reader.Field(dialog.windowClass) || !reader.Text(dialog.caption))
    return "its menu, class or caption is cut short";
  dialog.hasFont = (style & kDsSetFont) != 0 || (style & kDsShellFont) == kDsShellFont;
  if (dialog.hasFont &&
      (!reader.Bytes(dialog.extended ? 6 : 2, dialog.fontHead) || !reader.Text(dialog.typeface)))
    return "its font is cut short";
  for (uint16_t i = 0; i < count; i++) {
    DialogItem item;
    if (!reader.AlignToDword() || !reader.Bytes(dialog.extended ? kExtendedItemHead : kPlainItemHead, item.head))
      return "a control is cut short";
    item.style = Le32(item.head, dialog.extended ? 8 : 0);
    item.id = dialog.extended ? static_cast<int32_t>(Le32(item.head, 20)) : static_cast<int16_t>(Le16(item.head, 16));
    uint16_t extra = 0;
    std::vector<uint8_t> creation;
    if (!reader.Field(item.windowClass) || !reader.Field(item.title) || !reader.Word(extra) ||
        !reader.Bytes(extra, creation))
      return "a control's class, text or creation data is cut short";
    PutWord(item.extra, extra);
    item.extra.insert(item.extra.end(), creation.begin(), creation.end());
    dialog.items.push_back(item);
  }
  return nullptr;
}

std::vector<uint8_t> WriteDialogTemplate(const DialogTemplate& dialog) {
  std::vector<uint8_t> out = dialog.head;
  PutField(out, dialog.menu);
  PutField(out, dialog.windowClass);
  PutText(out, dialog.caption);
  if (dialog.hasFont) {
    out.insert(out.end(), dialog.fontHead.begin(), dialog.fontHead.end());
    PutText(out, dialog.typeface);
  }
  for (const DialogItem& item : dialog.items) {
    while (out.size() % 4 != 0) out.push_back(0);
    out.insert(out.end(), item.head.begin(), item.head.end());
    PutField(out, item.windowClass);
    PutField(out, item.title);
    out.insert(out.end(), item.extra.begin(), item.extra.end());
  }
  return out;
}

}  // namespace langres
