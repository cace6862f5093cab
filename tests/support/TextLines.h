#pragma once

#include <string>
#include <vector>

namespace testing_support {

// The lines of a text whose lines end in CR LF, as the log and the files it saves have them: the
// line breaks dropped, no empty line after the last break.
inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) {
    lines.push_back(text.substr(start));
  }
  return lines;
}

} // namespace testing_support
