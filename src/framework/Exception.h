#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace hivelark {

// The base of every error the program raises on purpose. Its message is 8-bit text in the system
// code page; an exception that escapes a message handler is shown in the application's error box.
class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// The silent-abort kind: ends the current handler without any box being shown.
class EAbort : public Exception {
public:
  EAbort() : Exception("Operation aborted") {}
};

// Raises the silent abort.
[[noreturn]] void Abort();

// The system's text for an error code, without trailing line breaks, blanks or full stops (the
// error box adds its own full stop).
std::string SystemErrorMessage(DWORD code);

// printf-style formatting into an 8-bit string.
std::string Format(const char* pattern, ...) __attribute__((format(gnu_printf, 1, 2)));

} // namespace hivelark
