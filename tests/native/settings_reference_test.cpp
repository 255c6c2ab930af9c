#include <doctest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "../../tools/pack/SettingsReference.h"

namespace {

// The text between "<!-- generated: NAME -->" and the next "<!-- end -->", or "" without it.
std::string GeneratedBlock(const std::string& document, const std::string& name) {
  const std::string open = "<!-- generated: " + name + " -->\n";
  size_t start = document.find(open);
  if (start == std::string::npos) return "";
  start += open.size();
  size_t end = document.find("<!-- end -->", start);
  return end == std::string::npos ? "" : document.substr(start, end - start);
}

}  // namespace

TEST_CASE("the Settings.ini reference shows the engine's own key tables") {
  std::ifstream file(PENDRIX_SOURCE_DIR "/docs/settings.md", std::ios::binary);
  REQUIRE(file.good());
  std::stringstream read;
  read << file.rdbuf();
  const std::string document = read.str();
  const struct {
    const char* name;
    std::string table;
  } blocks[] = {
      {"setup-type keys", SettingsKeyTable(SettingsSectionKind::kSetupType)},
      {"installer keys", SettingsKeyTable(SettingsSectionKind::kInstaller)},
      {"reboot modes", RebootModeTable()},
  };
  for (const auto& block : blocks) {
    CAPTURE(block.name);
    // On a difference, the block to paste into docs/settings.md is the expected text below.
    CHECK(GeneratedBlock(document, block.name) == block.table);
  }
}
