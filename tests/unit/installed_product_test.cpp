// Installed-product detection against real Windows Installer packages built by wixl and
// installed by msiexec: the Property table, the related products, the version comparison, and
// the skip decision that acts on them.
#include <doctest.h>

#include <string>
#include <vector>

#include "BootstrapperFixture.h"
#include "LogLines.h"
#include "PackageSupport.h"

using test::MsiFixture;

TEST_CASE("MsiQueryProperty reads one value of the Property table, cut at the buffer") {
  test::BootstrapperFixture f("");
  MSIHANDLE database = 0;
  REQUIRE(MsiOpenDatabaseA(MsiFixture("gamma-1.0.0.msi").c_str(), MSIDBOPEN_READONLY, &database) == ERROR_SUCCESS);
  struct Case {
    int line;
    const char* property;
    DWORD size;
    UINT result;
    const char* value;  // nullptr: the buffer is not written
    const char* lastLine;
  } cases[] = {
      {__LINE__, "ProductVersion", 25, ERROR_SUCCESS, "1.0.0", "MsiQueryProperty - Value: 1.0.0"},
      {__LINE__, "ProductCode", 39, ERROR_SUCCESS, test::kGammaProductCode,
       "MsiQueryProperty - Value: {9C4E2A71-5D3B-4F86-A0E7-2B6D1C8F3A50}"},
      {__LINE__, "ProductCode", 38, ERROR_MORE_DATA, "{9C4E2A71-5D3B-4F86-A0E7-2B6D1C8F3A50",
       "MsiQueryProperty - Value: {9C4E2A71-5D3B-4F86-A0E7-2B6D1C8F3A50"},
      {__LINE__, "NoSuchProperty", 25, ERROR_NO_MORE_ITEMS, nullptr, "MsiQueryProperty - MsiViewFetch failed. Error: 259"},
      {__LINE__, "Broken'Name", 25, ERROR_BAD_QUERY_SYNTAX, nullptr,
       "MsiQueryProperty - MsiDatabaseOpenView failed. Error: 1615"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    char buffer[64];
    memset(buffer, 'x', sizeof(buffer));
    CHECK(f.b.MsiQueryProperty(database, c.property, buffer, c.size) == c.result);
    if (c.value != nullptr) {
      CHECK(std::string(buffer) == c.value);
      CHECK(std::string(buffer + strlen(buffer), buffer + c.size) == std::string(c.size - strlen(buffer), '\0'));
    } else {
      CHECK(buffer[0] == 'x');
    }
    CHECK(f.Log().back() == c.lastLine);
  }
  // Nothing to ask or nowhere to write: refused without a log line.
  size_t mark = f.Mark();
  char buffer[8];
  CHECK(f.b.MsiQueryProperty(0, "ProductCode", buffer, sizeof(buffer)) == ERROR_INVALID_DATA);
  CHECK(f.b.MsiQueryProperty(database, "", buffer, sizeof(buffer)) == ERROR_INVALID_DATA);
  CHECK(f.b.MsiQueryProperty(database, nullptr, buffer, sizeof(buffer)) == ERROR_INVALID_DATA);
  CHECK(f.b.MsiQueryProperty(database, "ProductCode", nullptr, sizeof(buffer)) == ERROR_INVALID_DATA);
  CHECK(f.b.MsiQueryProperty(database, "ProductCode", buffer, 0) == ERROR_INVALID_DATA);
  CHECK(f.Since(mark).empty());
  MsiCloseHandle(database);
}

TEST_CASE("only the package's own product code is compared, and the skip decision acts on the result") {
  test::MsiProductGuard gamma(test::kGammaProductCode);
  test::MsiProductGuard alpha(test::kAlpha123ProductCode);
  REQUIRE(test::InstallMsiPackage(MsiFixture("gamma-1.0.0.msi")) == 0);
  REQUIRE(test::InstallMsiPackage(MsiFixture("alpha-1.2.3.msi")) == 0);

  struct Case {
    int line;
    const char* package;
    int result;
    const char* productCode;
  } cases[] = {
      {__LINE__, "gamma-1.0.0.msi", kProductSameInstalled, test::kGammaProductCode},
      {__LINE__, "gamma-1.1.0.msi", kProductOlderInstalled, test::kGammaProductCode},
      // Alpha 1.2.3 is installed, but 1.2.4 is another product of its upgrade family.
      {__LINE__, "alpha-1.2.4.msi", kProductUndetermined, "{6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C1124}"},
      {__LINE__, "beta-2.0.0.msi", kProductUndetermined, test::kBetaProductCode},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::BootstrapperFixture f("");
    std::string package = MsiFixture(c.package);
    CHECK(f.b.IsMsiProductInstalled(package.c_str()) == c.result);
    CHECK(std::string(f.b.InstallerSection.ProductCode) == c.productCode);
    CHECK(f.Log().back() == "IsMsiProductInstalled - Product installed result: " + std::to_string(c.result));
  }
  test::BootstrapperFixture f("");
  CHECK(f.b.IsMsiProductInstalled(MsiFixture("alpha-1.2.4.msi").c_str()) == kProductUndetermined);
  CHECK(f.Logged("IsMsiProductInstalled - Found related product with Product code " +
                 std::string(test::kAlpha123ProductCode) + "."));
  CHECK_FALSE(f.Logged("IsMsiProductInstalled - Enumerated product version value: 1.2.3, return code: 0."));

  // The main installer is never skipped for its installed product (the end-to-end tests show
  // the skip, the reinstall and ForceRun of a prerequisite).
  test::BootstrapperFixture main("[S]\r\nName=S\r\nFile=msiexec.exe\r\n");
  REQUIRE(main.b.SetInstallerSection("S") == 0);
  int reinstall = 7;
  CHECK(main.b.DoWeAllowInstallerToRun(TRUE, MsiFixture("gamma-1.0.0.msi").c_str(), &reinstall));
  CHECK(reinstall == 0);
  CHECK(main.Logged("DoWeAllowInstallerToRun - Installer is the same or newer but bypassing the skip."));

  // Once the newer version is installed, the older package finds a newer product.
  REQUIRE(test::InstallMsiPackage(MsiFixture("gamma-1.1.0.msi"), "REINSTALL=ALL REINSTALLMODE=vomus") == 0);
  REQUIRE(test::MsiProductVersion(test::kGammaProductCode) == "1.1.0");
  test::BootstrapperFixture newer("");
  CHECK(newer.b.IsMsiProductInstalled(MsiFixture("gamma-1.0.0.msi").c_str()) == kProductNewerInstalled);
}

TEST_CASE("without an MSI package to look into, nothing is determined") {
  test::BootstrapperFixture f("");
  std::string notDatabase = f.dir() / "not-a-database.msi";
  REQUIRE(test::WriteFile(notDatabase, "no database"));
  std::string gamma = MsiFixture("gamma-1.0.0.msi");
  size_t mark = f.Mark();
  CHECK(f.b.IsMsiProductInstalled(nullptr) == kProductUndetermined);
  CHECK(f.b.IsMsiProductInstalled("") == kProductUndetermined);
  CHECK(f.b.IsMsiProductInstalled((f.dir() / "absent.msi").c_str()) == kProductUndetermined);
  CHECK(f.b.IsMsiProductInstalled(f.dir().path().c_str()) == kProductUndetermined);
  f.b.m_bMsiInstall = FALSE;
  CHECK(f.b.IsMsiProductInstalled(gamma.c_str()) == kProductUndetermined);
  CHECK(f.Since(mark).empty());

  f.b.m_bMsiInstall = TRUE;
  CHECK(f.b.IsMsiProductInstalled(notDatabase.c_str()) == kProductUndetermined);
  std::vector<std::string> log = f.Since(mark);
  REQUIRE(log.size() == 2);
  CHECK(log[0] == "IsMsiProductInstalled - Checking " + notDatabase + ".");
  CHECK(log[1].rfind("IsMsiProductInstalled - Failed to open the MSI database, return code: ", 0) == 0);
}
