#include "VersionResource.h"

namespace {

constexpr uint32_t kFixedSignature = 0xFEEF04BDu;
constexpr size_t kFixedSize = 52;
constexpr size_t kHeader = 6;  // length, value length, type

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return static_cast<uint32_t>(Get16(p)) | static_cast<uint32_t>(Get16(p + 2)) << 16; }
void Put16(std::vector<uint8_t>& out, size_t at, uint16_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}
void Append16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}
void Append32(std::vector<uint8_t>& out, uint32_t value) {
  Append16(out, static_cast<uint16_t>(value));
  Append16(out, static_cast<uint16_t>(value >> 16));
}
void Align(std::vector<uint8_t>& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}
size_t AlignUp(size_t offset) { return (offset + 3) & ~size_t(3); }

// One node: its header, its key, its value, then what `children` appends; its length set last.
template <typename Children>
void Node(std::vector<uint8_t>& out, const std::u16string& key, bool text, const std::vector<uint8_t>& value,
          uint16_t valueLength, Children children) {
  Align(out);
  const size_t start = out.size();
  Append16(out, 0);
  Append16(out, valueLength);
  Append16(out, text ? 1 : 0);
  for (char16_t c : key) Append16(out, c);
  Append16(out, 0);
  Align(out);
  out.insert(out.end(), value.begin(), value.end());
  children();
  Put16(out, start, static_cast<uint16_t>(out.size() - start));
}

uint32_t High(const uint16_t (&parts)[4]) { return static_cast<uint32_t>(parts[0]) << 16 | parts[1]; }
uint32_t Low(const uint16_t (&parts)[4]) { return static_cast<uint32_t>(parts[2]) << 16 | parts[3]; }

// A node as read: where its value and its children lie, within its own length.
struct ReadNode {
  std::u16string key;
  bool text = false;
  size_t value = 0;
  size_t valueEnd = 0;
  size_t children = 0;
  size_t end = 0;
};

const char* Read(const uint8_t* data, size_t offset, size_t limit, ReadNode& node) {
  if (offset + kHeader > limit) return "a block is cut short";
  const size_t length = Get16(data + offset);
  if (length < kHeader || offset + length > limit) return "a block's length runs past its parent";
  node = ReadNode();
  node.end = offset + length;
  node.text = Get16(data + offset + 4) == 1;
  size_t at = offset + kHeader;
  for (;; at += 2) {
    if (at + 2 > node.end) return "a block's name is cut short";
    const char16_t c = Get16(data + at);
    if (c == 0) break;
    node.key += c;
  }
  node.value = AlignUp(at + 2);
  const size_t valueLength = Get16(data + offset + 2) * (node.text ? 2u : 1u);
  node.valueEnd = node.value + valueLength < node.end ? node.value + valueLength : node.end;
  if (node.value > node.end) node.value = node.valueEnd = node.end;
  node.children = AlignUp(node.valueEnd);
  return nullptr;
}

std::u16string Utf16(const char* ascii) { return std::u16string(ascii, ascii + std::char_traits<char>::length(ascii)); }

}  // namespace

std::u16string VersionInfo::String(const char* name) const {
  for (const auto& string : strings)
    if (string.first == Utf16(name)) return string.second;
  return u"";
}

std::vector<uint8_t> WriteVersionResource(const VersionInfo& info) {
  std::vector<uint8_t> fixed;
  Append32(fixed, kFixedSignature);
  Append32(fixed, 0x00010000u);  // the structure's version
  Append32(fixed, High(info.fileVersion));
  Append32(fixed, Low(info.fileVersion));
  Append32(fixed, High(info.productVersion));
  Append32(fixed, Low(info.productVersion));
  Append32(fixed, 0x3Fu);        // flags that may be set: none is
  Append32(fixed, 0);
  Append32(fixed, 0x00040004u);  // Windows NT, 32-bit
  Append32(fixed, 1u);           // an application
  Append32(fixed, 0);
  Append32(fixed, 0);            // no date
  Append32(fixed, 0);

  std::vector<uint8_t> out;
  const std::vector<uint8_t> none;
  Node(out, u"VS_VERSION_INFO", false, fixed, static_cast<uint16_t>(kFixedSize), [&] {
    Node(out, u"StringFileInfo", true, none, 0, [&] {
      Node(out, u"040904B0", true, none, 0, [&] {
        for (const auto& string : info.strings) {
          std::vector<uint8_t> value;
          for (char16_t c : string.second) Append16(value, c);
          Append16(value, 0);
          Node(out, string.first, true, value, static_cast<uint16_t>(string.second.size() + 1), [] {});
        }
      });
    });
    Node(out, u"VarFileInfo", true, none, 0, [&] {
      std::vector<uint8_t> translation;
      Append16(translation, 0x0409);  // US English
      Append16(translation, 1200);    // UTF-16
      Node(out, u"Translation", false, translation, 4, [] {});
    });
  });
  return out;
}

const char* ReadVersionResource(const uint8_t* data, size_t size, VersionInfo& info) {
  info = VersionInfo();
  ReadNode root;
  if (const char* problem = Read(data, 0, size, root)) return problem;
  if (root.key != u"VS_VERSION_INFO" || root.valueEnd - root.value < kFixedSize ||
      Get32(data + root.value) != kFixedSignature)
    return "it has no fixed part";
  const uint8_t* fixed = data + root.value;
  const uint32_t words[4] = {Get32(fixed + 8), Get32(fixed + 12), Get32(fixed + 16), Get32(fixed + 20)};
  for (int i = 0; i < 2; i++) {
    info.fileVersion[2 * i] = static_cast<uint16_t>(words[i] >> 16);
    info.fileVersion[2 * i + 1] = static_cast<uint16_t>(words[i]);
    info.productVersion[2 * i] = static_cast<uint16_t>(words[2 + i] >> 16);
    info.productVersion[2 * i + 1] = static_cast<uint16_t>(words[2 + i]);
  }
  for (size_t at = root.children; at < root.end;) {
    ReadNode child;
    if (const char* problem = Read(data, at, root.end, child)) return problem;
    at = AlignUp(child.end);
    if (child.key != u"StringFileInfo") continue;
    ReadNode table;
    if (child.children >= child.end) return nullptr;  // no string table
    if (const char* problem = Read(data, child.children, child.end, table)) return problem;
    for (size_t entry = table.children; entry < table.end;) {
      ReadNode string;
      if (const char* problem = Read(data, entry, table.end, string)) return problem;
      entry = AlignUp(string.end);
      std::u16string value;
      for (size_t p = string.value; p + 2 <= string.valueEnd && Get16(data + p) != 0; p += 2) value += Get16(data + p);
      info.strings.emplace_back(string.key, value);
    }
    return nullptr;
  }
  return nullptr;
}

std::string VersionText(const uint16_t (&parts)[4], bool shortest) {
  size_t count = 4;
  while (shortest && count > 2 && parts[count - 1] == 0) count--;
  std::string text;
  for (size_t i = 0; i < count; i++) text += (i == 0 ? "" : ".") + std::to_string(parts[i]);
  return text;
}
