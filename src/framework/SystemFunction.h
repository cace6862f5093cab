#pragma once

#include <windows.h>

namespace hivelark {

// The function `name` of `library` as a typed pointer, null where the library or the function is
// missing: for functions of later system versions, and of libraries loaded only when first
// needed, which are looked up rather than imported.
template <typename Function> Function LookUpFunction(HMODULE library, const char* name) {
  FARPROC address = library != nullptr ? GetProcAddress(library, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

} // namespace hivelark
