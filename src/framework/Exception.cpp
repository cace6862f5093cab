#include "framework/Exception.h"

#include <cstdarg>
#include <cstdio>

namespace hivelark {

void Abort() {
  throw EAbort();
}

std::string SystemErrorMessage(DWORD code) {
  char* buffer = nullptr;
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                         FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                     nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text;
  if (length != 0 && buffer != nullptr) {
    text.assign(buffer, length);
  }
  if (buffer != nullptr) {
    LocalFree(buffer);
  }
  while (!text.empty() &&
         (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

std::string Format(const char* pattern, ...) {
  va_list arguments;
  va_start(arguments, pattern);
  va_list measure;
  va_copy(measure, arguments);
  const int length = std::vsnprintf(nullptr, 0, pattern, measure);
  va_end(measure);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), pattern, arguments);
    text.resize(static_cast<size_t>(length));
  }
  va_end(arguments);
  return text;
}

} // namespace hivelark
