#include <doctest.h>

#include <string>

#include "install/PassThroughEscapes.h"

TEST_CASE("a pass-through command becomes a blank and the command with its escapes decoded") {
  struct Case {
    int line;
    std::string command;
    std::string piece;
  } cases[] = {
      {__LINE__, "##abc", " abc"},
      {__LINE__, "#0#1#2", " #-/"},
      {__LINE__, "#9x", " x"},
      {__LINE__, "abc#", " abc#"},
      {__LINE__, "#", " #"},
      {__LINE__, "", " "},
      {__LINE__, "#2l", " /l"},
      {__LINE__, "#2lv", " /lv"},
      {__LINE__, "#2qn PROP=#1x", " /qn PROP=-x"},
      {__LINE__, "#00", " #0"},         // a "#" that "#0" produced is not read again
      {__LINE__, "#02", " #2"},
      {__LINE__, "#0#", " ##"},         // the last "#" stays
      {__LINE__, "###", " #"},          // "##" dropped, then a lone "#" at the end
      {__LINE__, "####", " "},
      {__LINE__, "a#b#c", " a"},
      {__LINE__, "#a#2", " /"},
      {__LINE__, "x#1#1#1", " x---"},
      {__LINE__, std::string("#\0z", 3), std::string(" z")},
      {__LINE__, "no escapes here", " no escapes here"},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    CHECK(PassThroughPiece(c.command) == c.piece);
  }
}

TEST_CASE("decoding in place works on the text as given, without a blank") {
  std::string text = "#2i#0";
  DecodePassThroughEscapes(text);
  CHECK(text == "/i#");
  std::string empty;
  DecodePassThroughEscapes(empty);
  CHECK(empty.empty());
}
