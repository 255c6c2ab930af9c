// Tokens of the test's own user in which the administrators group counts for deny only, as in
// the filtered token that an administrator gets when the system limits the account's rights.
#pragma once
#include <windows.h>

#include "core/HandleOwner.h"

namespace test {

// A primary token for a process (RunProcess's token): empty when it cannot be made.
KernelHandle DenyOnlyAdministratorsToken();

// Makes the calling thread act with such a token for the scope, as a thread that impersonates
// a filtered administrator; ok() tells whether it does.
class ScopedDenyOnlyAdministrators {
 public:
  ScopedDenyOnlyAdministrators();
  ~ScopedDenyOnlyAdministrators();
  ScopedDenyOnlyAdministrators(const ScopedDenyOnlyAdministrators&) = delete;
  ScopedDenyOnlyAdministrators& operator=(const ScopedDenyOnlyAdministrators&) = delete;
  bool ok() const { return m_ok; }

 private:
  bool m_ok = false;
};

}  // namespace test
