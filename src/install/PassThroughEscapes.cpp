#include "install/PassThroughEscapes.h"

namespace {
struct Escape {
  char code;
  char replacement;
};
constexpr Escape kEscapes[] = {{'2', '/'}, {'1', '-'}, {'0', '#'}};
}  // namespace

void DecodePassThroughEscapes(std::string& text) {
  size_t p = text.find('#');
  while (p != std::string::npos && p + 1 < text.size()) {
    const Escape* known = nullptr;
    for (const Escape& escape : kEscapes)
      if (text[p + 1] == escape.code) known = &escape;
    if (known != nullptr) {
      text.replace(p, 2, 1, known->replacement);
      p = text.find('#', p + 1);
    } else {
      text.erase(p, 2);
      p = text.find('#', p);
    }
  }
}

std::string PassThroughPiece(const std::string& command) {
  std::string piece = " " + command;
  DecodePassThroughEscapes(piece);
  return piece;
}
