// Log messages: joined into one text, so that a failed comparison prints every line, and looked up.
#pragma once
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace test {

inline std::string JoinLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined += line + "\n";
  return joined;
}

inline bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  for (const std::string& each : lines)
    if (each == line) return true;
  return false;
}

// The index of the first line equal to `line`, or lines.size() when there is none.
inline size_t IndexOf(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
}

// The lines that begin with prefix, in order.
inline std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
  std::vector<std::string> found;
  for (const std::string& line : lines)
    if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
  return found;
}

// The working folder that a run logged it made, with its trailing backslash; "" when it made none.
inline std::string WorkFolderOf(const std::vector<std::string>& lines) {
  const std::string prefix = "CreateWorkFolder - Working folder: ";
  for (const std::string& line : lines)
    if (line.compare(0, prefix.size(), prefix) == 0 && line.size() > prefix.size() + 1)
      return line.substr(prefix.size(), line.size() - prefix.size() - 1);
  return "";
}

// Two paths that name the same file, the case of letters aside (Wine reports some folders in
// another case than they were written in).
inline bool SamePath(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

}  // namespace test
