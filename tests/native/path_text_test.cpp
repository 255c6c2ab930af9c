#include <doctest.h>

#include <cstring>
#include <string>

#include "core/PathText.h"

TEST_CASE("the root of a full path: a drive's or a share's, never a device form") {
  const struct {
    int line;
    const char* path;
    size_t root;
  } cases[] = {
      {__LINE__, "C:\\logs\\setup.log", 3},
      {__LINE__, "c:/logs", 3},
      {__LINE__, "C:", 0},
      {__LINE__, "C:logs", 0},
      {__LINE__, "\\logs", 0},
      {__LINE__, "logs\\setup.log", 0},
      {__LINE__, "\\\\srv\\share\\logs", 12},
      {__LINE__, "\\\\srv\\share", 11},
      {__LINE__, "\\\\srv\\\\logs", 0},
      {__LINE__, "\\\\srv", 0},
      {__LINE__, "\\\\?\\C:\\logs", 0},
      {__LINE__, "\\\\.\\pipe\\x", 0},
      {__LINE__, "1:\\x", 0},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    CHECK(PathRootLength(c.path) == c.root);
  }
}

TEST_CASE("a numbered name goes before the extension, and is refused rather than cut") {
  const struct {
    int line;
    const char* name;
    unsigned n;
    size_t size;
    const char* out;  // "" when refused
  } cases[] = {
      {__LINE__, "setup.log", 1, 260, "setup.1.log"},
      {__LINE__, "Acme Agent.msi.log", 12, 260, "Acme Agent.msi.12.log"},
      {__LINE__, "setup", 2, 260, "setup.2"},
      {__LINE__, ".log", 3, 260, ".log.3"},
      {__LINE__, "setup.log", 1, 12, "setup.1.log"},
      {__LINE__, "setup.log", 1, 11, ""},
      {__LINE__, "", 1, 260, ""},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    char out[260];
    memset(out, 'x', sizeof(out));
    CHECK(NumberedFileName(c.name, c.n, out, c.size) == (c.out[0] != '\0'));
    CHECK(std::string(out) == c.out);
  }
}

TEST_CASE("a full path splits into its folder and its name") {
  const struct {
    int line;
    const char* path;
    const char* folder;  // "" when refused
    const char* name;
  } cases[] = {
      {__LINE__, "C:\\logs\\setup.log", "C:\\logs", "setup.log"},
      {__LINE__, "C:\\setup.log", "C:\\", "setup.log"},
      {__LINE__, "\\\\srv\\share\\a\\x.log", "\\\\srv\\share\\a", "x.log"},
      {__LINE__, "\\\\srv\\share\\x.log", "\\\\srv\\share\\", "x.log"},
      {__LINE__, "C:\\logs\\", "", ""},
      {__LINE__, "C:\\", "", ""},
      {__LINE__, "setup.log", "", ""},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    char folder[260] = {}, name[260] = {};
    CHECK(SplitFolderAndName(c.path, folder, sizeof(folder), name, sizeof(name)) == (c.folder[0] != '\0'));
    if (c.folder[0] == '\0') continue;
    CHECK(std::string(folder) == c.folder);
    CHECK(std::string(name) == c.name);
  }
}
