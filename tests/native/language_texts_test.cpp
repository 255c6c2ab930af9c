#include <doctest.h>

#include <string>
#include <vector>

#include "../../tools/pack/LanguageTexts.h"
#include "../../tools/pack/WaveCheck.h"

TEST_CASE("placeholders are compared in count, order and kind; flags, widths and %% are not placeholders") {
  struct Case {
    int line;
    const char* builtIn;
    const char* translation;
    std::string given;  // the translation's placeholders as the refusal lists them; "" when it agrees
  };
  const Case cases[] = {
      {__LINE__, "The file \"%s\" could not be found.", "Datei \"%s\" fehlt.", ""},
      {__LINE__, "Error: %lu", "Fehler: %-8lu", ""},
      {__LINE__, "100%% done", "100%% fertig", ""},
      {__LINE__, "100%% done", "100 % fertig", "%f"},
      {__LINE__, "%s and %s", "nur %s", "%s"},
      {__LINE__, "%s", "%d", "%d"},
      {__LINE__, "%s", "%ls", "%ls"},
      {__LINE__, "%s of %lu", "%lu von %s", "%lu %s"},
      {__LINE__, "%s", "%*s", "%*s"},
      {__LINE__, "Done.", "Zu 100 % sicher.", "%s"},
      {__LINE__, "Done.", "Fertig%", ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    std::string problem = PlaceholderProblem(c.builtIn, c.translation);
    CHECK(problem.empty() == c.given.empty());
    if (!c.given.empty()) CHECK(problem.find("its placeholders are " + c.given + " where") == 0);
  }
  CHECK(Placeholders("%s %% %I64d %.*s %hs") == std::vector<std::string>{"%s", "%I64d", "%.*s", "%hs"});
}

TEST_CASE("a text keeps its line breaks, backslashes and edge blanks through texts.ini") {
  struct Case {
    int line;
    std::string text;
    std::string value;
  };
  const Case cases[] = {
      {__LINE__, "one\r\ntwo\r\n\r\n", "one\\ntwo\\n\\n"},
      {__LINE__, "c:\\ZR setup\\new.ini", "c:\\ZR setup\\\\new.ini"},
      {__LINE__, "a \\\\ b", "a \\\\\\ b"},
      {__LINE__, "C:\\\r\nnext", "C:\\\\\\nnext"},
      {__LINE__, "C:\\\\\r\n", "C:\\\\\\\\\\n"},
      {__LINE__, "ends in \\", "ends in \\"},
      {__LINE__, "/Help \r\n", "/Help \\n"},
      {__LINE__, "c:\\\r\nnext", "c:\\\\\\nnext"},  // a backslash before a line break
      {__LINE__, " indented", "\" indented\""},
      {__LINE__, "\"quoted\"", "\"\"quoted\"\""},
      {__LINE__, "", ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    CHECK(EscapeText(c.text) == c.value);
    CHECK(UnescapeText(c.value) == c.text);
  }
}

TEST_CASE("texts.ini: sections and keys in file order; lines that say nothing meant are problems") {
  std::vector<TextsProblem> problems;
  std::vector<LanguageText> texts = ReadLanguageTexts(
      "; comment\r\nstray=1\r\n[Messages]\r\n1 = Fehler \r\n2=\"  Zwei \"\r\nno equals\r\n[messages]\r\n1=again\r\n"
      "[Dialog 107\r\n3=lost\r\n[ Dialog 101 ]\r\nCaption=Info\\nText",
      problems);
  REQUIRE(texts.size() == 3);
  CHECK(texts[0].section == "Messages");
  CHECK(texts[0].key == "1");
  CHECK(texts[0].text == "Fehler");
  CHECK(texts[1].text == "  Zwei ");
  CHECK(texts[2].section == "Dialog 101");
  CHECK(texts[2].text == "Info\r\nText");
  CHECK(texts[2].line == 12);
  std::vector<int> lines;
  for (const TextsProblem& problem : problems) lines.push_back(problem.line);
  CHECK(lines == std::vector<int>{2, 6, 8, 9, 10});
  // What the template writes reads back the same.
  std::vector<TextsProblem> none;
  std::vector<LanguageText> again = ReadLanguageTexts(WriteLanguageTexts(texts, "; header\r\n"), none);
  CHECK(none.empty());
  REQUIRE(again.size() == texts.size());
  for (size_t i = 0; i < texts.size(); i++) CHECK(again[i].text == texts[i].text);
}

TEST_CASE("texts.ini: \"; keep\" among the comments right above a key keeps its text on purpose") {
  std::vector<TextsProblem> problems;
  std::vector<LanguageText> texts = ReadLanguageTexts(
      "[Messages]\r\n; keep\r\n1=OK\r\n; KEEP \r\n\r\n; the button\r\n2=Info\r\n3=Hilfe\r\n;keep\r\n"
      "[Dialog 101]\r\nCaption=Information\r\n; keep\r\nno equals\r\n2=Schlie\xC3\x9F" "en\r\n; keeper\r\n4=x",
      problems);
  std::vector<bool> kept;
  for (const LanguageText& text : texts) kept.push_back(text.kept);
  // A section's header or a line that says nothing ends what the comments above say.
  CHECK(kept == std::vector<bool>{true, true, false, false, false, false});
  // The template's notes and marks read back as written.
  texts[2].note = "%s: a path\nSpoken too";
  std::vector<LanguageText> again = ReadLanguageTexts(WriteLanguageTexts(texts, "; header\r\n"), problems);
  REQUIRE(again.size() == texts.size());
  for (size_t i = 0; i < texts.size(); i++) CHECK(again[i].kept == texts[i].kept);
  CHECK(WriteLanguageTexts({texts[2]}, "").find("; %s: a path\r\n; Spoken too\r\n3=Hilfe\r\n") != std::string::npos);
}

namespace {

// With `subFormat`, the extensible format's part, whose GUID begins with that codec.
std::string Wave(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t data = 4,
                 const char* riff = "RIFF", uint16_t subFormat = 0) {
  auto le = [](uint32_t v, int n) {
    std::string bytes;
    for (int i = 0; i < n; i++) bytes += static_cast<char>(v >> (8 * i));
    return bytes;
  };
  std::string format = le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * channels * 2, 4) + le(channels * 2, 2) +
                       le(bits, 2);
  if (subFormat != 0) format += le(22, 2) + le(bits, 2) + le(0, 4) + le(subFormat, 2) + std::string(14, '\0');
  std::string body = "WAVEfmt " + le(static_cast<uint32_t>(format.size()), 4) + format + "data" + le(data, 4) +
                     std::string(4, '\x10');
  return std::string(riff) + le(static_cast<uint32_t>(body.size()), 4) + body;
}

}  // namespace

TEST_CASE("a recording plays when it is PCM or ADPCM, mono or stereo, at 8 to 48 kHz, with its chunks whole") {
  struct Case {
    int line;
    std::string bytes;
    std::string problem;  // the start of why it does not play; "" when it does
    std::string fix = "";  // what the line tells the translator to do
  };
  const std::string kPcm = "save it as 16-bit PCM (sox";
  const Case cases[] = {
      {__LINE__, Wave(1, 1, 22050, 16), ""},
      {__LINE__, Wave(2, 2, 8000, 4), ""},
      {__LINE__, Wave(0x11, 1, 48000, 4), ""},
      {__LINE__, Wave(1, 1, 22050, 16, 4, "RIFX"), "it is no RIFF WAVE file", "save the recording as WAV"},
      {__LINE__, "ID3\x03", "it is no RIFF WAVE file", "save the recording as WAV"},
      {__LINE__, Wave(3, 1, 22050, 32), "it is 32-bit floating point, which Windows' PlaySound does not play", kPcm},
      {__LINE__, Wave(0xFFFE, 1, 22050, 24, 4, "RIFF", 1), "it is 24-bit PCM in the extensible WAVE format", kPcm},
      {__LINE__, Wave(0x55, 1, 22050, 0), "it is MP3", kPcm},
      {__LINE__, Wave(1, 6, 22050, 16), "it has 6 channels", "save it as mono"},
      {__LINE__, Wave(1, 1, 96000, 16), "it is sampled at 96000 Hz", "save it at 8,000 to 48,000 Hz"},
      {__LINE__, Wave(1, 1, 7999, 16), "it is sampled at 7999 Hz", "save it at 8,000 to 48,000 Hz"},
      {__LINE__, Wave(1, 1, 22050, 24), "it is 24-bit PCM,", kPcm},
      {__LINE__, Wave(2, 1, 22050, 16), "it is 16-bit Microsoft ADPCM,", "save it as 4-bit ADPCM or as 16-bit PCM"},
      {__LINE__, Wave(1, 1, 22050, 16, 0), "it holds no sound", "record the prompt into it"},
      {__LINE__, Wave(1, 1, 22050, 16, 400), "its chunk \"data\" runs past the end of the file", "save the recording again"},
      {__LINE__, Wave(1, 1, 22050, 16).substr(0, 30), "its chunk \"fmt \" runs past the end", "save the recording again"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    WaveFormat format;
    std::string problem =
        WaveProblem(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), format);
    CHECK(problem.compare(0, c.problem.size(), c.problem) == 0);
    CHECK(problem.empty() == c.problem.empty());
    CHECK(problem.find(c.fix) != std::string::npos);
  }
}
