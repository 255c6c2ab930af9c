// The current user's RunOnce values as a test sees them. The test prefix runs whatever is left
// there at its next start, so every test removes the values it caused, also when it fails.
#pragma once
#include <string>

namespace test {

// The data of a RunOnce value and whether it exists as REG_SZ with its terminator counted.
struct RunOnceValue {
  bool exists = false;
  bool wellFormed = false;
  std::string data;
};
RunOnceValue ReadRunOnceValue(const std::string& name);
void DeleteRunOnceValue(const std::string& name);

// Removes the value when the scope begins (a leftover of an earlier run) and when it ends.
class RunOnceValueGuard {
 public:
  explicit RunOnceValueGuard(std::string name) : m_name(std::move(name)) { DeleteRunOnceValue(m_name); }
  ~RunOnceValueGuard() { DeleteRunOnceValue(m_name); }
  RunOnceValueGuard(const RunOnceValueGuard&) = delete;
  RunOnceValueGuard& operator=(const RunOnceValueGuard&) = delete;

 private:
  std::string m_name;
};

}  // namespace test
