// Log messages joined into one text, so that a failed comparison prints every line, and
// whether a log holds a message.
#pragma once
#include <algorithm>
#include <string>
#include <vector>

namespace test {

inline std::string JoinLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined += line + "\n";
  return joined;
}

inline bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace test
