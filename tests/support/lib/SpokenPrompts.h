// The recorded prompts as src/ui/language/SpokenPrompts.ini lists them: each WAVE file with its
// resource, its format, the words it says and the text of the message it goes with.
#pragma once
#include <string>
#include <vector>

namespace test {

struct SpokenPrompt {
  std::string file;      // section name, the generated WAVE file
  std::string resource;  // WAVE resource name
  std::string module;    // "PendrixLang.dll"
  std::string format;    // "ms-adpcm-16k"
  std::string shown;     // where the package shows Text: "string N", "dialog D C1 C2" or "none"
  std::string text;      // the message as shown
  std::string words;     // what the recording says
};

std::vector<SpokenPrompt> SpokenPrompts();
// The prompt of a resource name, or an empty one.
SpokenPrompt SpokenPromptOf(const std::string& resource);

}  // namespace test
