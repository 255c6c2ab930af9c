// The cleanup tool run by itself as the engine runs it, "MsiZap.exe TW! {product code}", against
// products installed by msiexec: the named product's registration and cached package go, for the
// machine and for the user, nothing of another product goes with it, and a fresh install takes it
// for a new one.
#include <doctest.h>
#include <windows.h>
#include <msi.h>

#include <string>
#include <vector>

#include "PackageSupport.h"
#include "TestSupport.h"

namespace {

const char kAlpha[] = "{6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C1123}";  // alpha-1.2.3.msi
const char kAlpha13[] = "{6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C1130}";  // alpha-1.3.msi
const char kAlphaUpgrade[] = "{6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C1E01}";
const char kAlphaComponent[] = "{6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C1E02}";
const char kCompanion[] = "{6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C1C10}";  // shares Alpha's component
const char kBeta[] = "{3B0A58C2-91E4-4F0D-8C36-5E2F7D9A4B10}";
const char kBetaUpgrade[] = "{3B0A58C2-91E4-4F0D-8C36-5E2F7D9A4B01}";

using Codes = std::vector<std::string>;

test::ConsoleResult RunCleanupTool(const std::string& arguments) {
  return test::RunConsole("\"" + test::BinFile("PendrixCleanup.exe") + "\" " + arguments);
}

// Uninstalls the products when the test ends, also after a failed check, so that the shared
// test prefix keeps none of them.
struct InstalledForTest {
  std::vector<const char*> products;
  ~InstalledForTest() {
    for (const char* product : products) test::UninstallMsiProduct(product);
  }
};

bool KeyExists(HKEY hive, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The entry of Add or Remove Programs, in the view where a 32-bit product's entry lives.
bool HasUninstallEntry(const char* productCode) {
  return KeyExists(HKEY_LOCAL_MACHINE, std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + productCode);
}

}  // namespace

TEST_CASE("the cleanup tool removes the named product's registration and nothing of another product") {
  InstalledForTest installed{{kAlpha, kCompanion, kBeta}};
  for (const char* product : installed.products) REQUIRE(test::UninstallMsiProduct(product));
  REQUIRE(test::InstallMsiFixture("alpha-1.2.3.msi"));
  REQUIRE(test::InstallMsiFixture("alpha-companion-1.0.0.msi"));
  REQUIRE(test::InstallMsiFixture("beta-2.0.0.msi"));
  REQUIRE(test::MsiRelatedProducts(kAlphaUpgrade) == Codes{kAlpha});
  REQUIRE(test::MsiComponentClients(kAlphaComponent).size() == 2);
  REQUIRE(HasUninstallEntry(kAlpha));
  const std::string cachedPackage = test::MsiProductInfo(kAlpha, "LocalPackage");
  REQUIRE(test::FileExists(cachedPackage));

  // Arguments it does not understand: the usage, a failure, and nothing removed.
  const std::string alpha = kAlpha;
  struct Refusal {
    int line;
    std::string arguments;
  };
  const Refusal refusals[] = {
      {__LINE__, ""},
      {__LINE__, "TW!"},
      {__LINE__, "TWX! " + alpha},
      {__LINE__, "T! " + alpha},  // not for all users
      {__LINE__, "TW! " + alpha.substr(1, 36)},
      {__LINE__, "TW! " + alpha + " " + kBeta},
  };
  for (const Refusal& refusal : refusals) {
    CAPTURE(refusal.line);
    test::ConsoleResult run = RunCleanupTool(refusal.arguments);
    REQUIRE(run.finished);
    CHECK(run.exitCode == ERROR_INVALID_PARAMETER);
    CHECK(run.err.find("Usage: MsiZap.exe TW! {product code}") != std::string::npos);
    CHECK(run.out.empty());
  }
  CHECK(test::MsiProductState(kAlpha) == INSTALLSTATE_DEFAULT);
  CHECK(test::MsiComponentClients(kAlphaComponent).size() == 2);

  test::ConsoleResult run = RunCleanupTool(std::string("TW! ") + kAlpha);
  REQUIRE(run.finished);
  INFO(run.out);
  INFO(run.err);
  CHECK(run.exitCode == 0);
  CHECK(run.err.empty());
  CHECK(test::MsiProductState(kAlpha) == INSTALLSTATE_UNKNOWN);
  CHECK(test::MsiRelatedProducts(kAlphaUpgrade).empty());
  CHECK_FALSE(HasUninstallEntry(kAlpha));
  CHECK_FALSE(test::FileExists(cachedPackage));
  // The shared component keeps its other client; the other products keep everything.
  CHECK(test::MsiComponentClients(kAlphaComponent) == Codes{kCompanion});
  CHECK(test::MsiProductState(kCompanion) == INSTALLSTATE_DEFAULT);
  CHECK(test::MsiProductState(kBeta) == INSTALLSTATE_DEFAULT);
  CHECK(test::MsiRelatedProducts(kBetaUpgrade) == Codes{kBeta});
  CHECK(HasUninstallEntry(kBeta));

  // Now there is no such product: not a failure.
  run = RunCleanupTool(std::string("tw! ") + kAlpha);
  CHECK(run.exitCode == 0);
  CHECK(run.out == std::string(kAlpha) + " is not installed: nothing to remove.\r\n");

  REQUIRE(test::InstallMsiFixture("alpha-1.2.3.msi"));
  CHECK(test::MsiProductState(kAlpha) == INSTALLSTATE_DEFAULT);
  CHECK(test::MsiRelatedProducts(kAlphaUpgrade) == Codes{kAlpha});
  CHECK(test::MsiComponentClients(kAlphaComponent).size() == 2);
}

TEST_CASE("the cleanup tool removes a per-user install") {
  InstalledForTest installed{{kAlpha13}};
  REQUIRE(test::UninstallMsiProduct(kAlpha13));
  REQUIRE(test::InstallMsiFixture("alpha-1.3.msi", "ALLUSERS=\"\""));
  // Registered for this user alone, under the product's packed code.
  const std::string userProduct = "Software\\Microsoft\\Installer\\Products\\A3E6D1F6C7B295C4A9E4D3B5A8C71103";
  REQUIRE(KeyExists(HKEY_CURRENT_USER, userProduct));
  REQUIRE(test::MsiRelatedProducts(kAlphaUpgrade) == Codes{kAlpha13});

  test::ConsoleResult run = RunCleanupTool(std::string("TW! ") + kAlpha13);
  INFO(run.out);
  INFO(run.err);
  CHECK(run.exitCode == 0);
  CHECK(test::MsiProductState(kAlpha13) == INSTALLSTATE_UNKNOWN);
  CHECK(test::MsiRelatedProducts(kAlphaUpgrade).empty());
  CHECK(test::MsiComponentClients(kAlphaComponent).empty());
  CHECK_FALSE(KeyExists(HKEY_CURRENT_USER, userProduct));

  REQUIRE(test::InstallMsiFixture("alpha-1.3.msi", "ALLUSERS=\"\""));
  CHECK(test::MsiProductState(kAlpha13) == INSTALLSTATE_DEFAULT);
}
