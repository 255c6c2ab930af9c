// Log messages joined into one text, so that a failed comparison prints every line.
#pragma once
#include <string>
#include <vector>

namespace test {

inline std::string JoinLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined += line + "\n";
  return joined;
}

}  // namespace test
