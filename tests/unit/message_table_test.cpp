// The built resources against the names the engine uses: every message it loads is in the
// language DLL and takes as many strings as its callers pass (ui/language/resource.h records the
// count, and the callers' helpers do not compile with another), and every named resource it
// looks for is where it looks.
#include <doctest.h>

#include <windows.h>

#include <string>

#include "LanguageStrings.h"
#include "TestSupport.h"
#include "core/HandleOwner.h"
#include "install/InstallerResource.h"
#include "ui/language/resource.h"

namespace {

struct Conversions {
  int all = 0;      // every conversion, whatever it takes
  int strings = 0;  // plain "%s", with any flags and width
};

// The conversions of a format as wvnsprintfA reads it; "%%" is a percent sign.
Conversions CountConversions(const std::string& format) {
  Conversions found;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    if (i + 1 < format.size() && format[i + 1] == '%') {
      ++i;
      continue;
    }
    ++found.all;
    size_t type = format.find_first_not_of("-#0123456789.", i + 1);
    if (type == std::string::npos) break;
    if (format[type] == 's') ++found.strings;
    i = type;
  }
  return found;
}

}  // namespace

TEST_CASE("conversions are counted as the formatter reads them") {
  struct Case {
    int line;
    const char* format;
    int all, strings;
  } cases[] = {
      {__LINE__, "plain", 0, 0},           {__LINE__, "\"%s\" and %s", 2, 2},   {__LINE__, "100%% sure", 0, 0},
      {__LINE__, "%-20s|%.5s", 2, 2},      {__LINE__, "%d of %s", 2, 1},        {__LINE__, "%ls", 1, 0},
      {__LINE__, "ends in %", 1, 0},       {__LINE__, "%%%s", 1, 1},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    Conversions found = CountConversions(c.format);
    CHECK(found.all == c.all);
    CHECK(found.strings == c.strings);
  }
}

TEST_CASE("every message the engine loads is in the language DLL with as many strings as its callers pass") {
  for (const MessageArguments& message : kMessageArguments) {
    CAPTURE(message.id);
    std::string text = test::LanguageString(message.id);
    CHECK_FALSE(text.empty());
    Conversions found = CountConversions(text);
    CHECK(found.all == message.strings);
    CHECK(found.strings == message.strings);
  }
}

TEST_CASE("every named resource the engine looks for is in the module it looks in") {
  ModuleHandle language(LoadLibraryExA(test::BinFile("PendrixLang.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ModuleHandle executable(LoadLibraryExA(test::BinFile("Pendrix.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  REQUIRE(language);
  REQUIRE(executable);
  struct Row {
    int line;
    HMODULE module;
    const char* type;
    const char* name;
  };
  const Row rows[] = {
      {__LINE__, language.get(), kWaveResourceType, kOsWaveName},
      {__LINE__, language.get(), kWaveResourceType, kPlatformWaveName},
      {__LINE__, language.get(), kWaveResourceType, kReinstallWaveName},
      {__LINE__, language.get(), kWaveResourceType, kRebootOk1WaveName},
      {__LINE__, language.get(), kWaveResourceType, kRebootOk2WaveName},
      {__LINE__, language.get(), kWaveResourceType, kRebootOkCancel1WaveName},
      {__LINE__, language.get(), kWaveResourceType, kRebootOkCancel2WaveName},
      {__LINE__, language.get(), kWaveResourceType, kWelcomeWaveName},
      {__LINE__, executable.get(), kWaveResourceType, MAKEINTRESOURCEA(IDR_WAIT_TONE)},
      {__LINE__, executable.get(), kCleanupToolType, kCleanupToolResource},
      {__LINE__, executable.get(), kLanguageResourceType, kLanguageResource},
  };
  for (const Row& row : rows) {
    CAPTURE(row.line);
    CHECK(FindResourceA(row.module, row.name, row.type) != nullptr);
  }
}
