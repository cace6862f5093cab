#pragma once

#include "monitor/RegistryDifference.h"

#include <string>
#include <vector>

namespace hivelark {

// The lines that follow a log entry's own three, in the system code page, each starting with two
// blanks and holding no line break. None when the details were not taken; one saying so when the
// watched subtree was too large to compare, or when nothing differed. Otherwise one line per
// difference, "<Kind>: <path>", grouped by kind in the order of TDifferenceKind and, within a kind,
// sorted by the path as shown, ignoring case as the registry does. Paths are relative to the
// watched key ("(watched key)" for itself), a value's being its key's path, a backslash and its
// name ("(Default)" for the default value). An added value adds " = <type> <data>", a changed one
// " = <old type> <old data> -> <new type> <new data>":
//   - texts in double quotes, a REG_MULTI_SZ's strings separated by ", ", cut after 200 characters;
//   - a REG_DWORD or REG_QWORD of its right size in decimal and "(0x<hex>)";
//   - anything else as its bytes in hexadecimal, cut after 32 bytes;
// a cut value ends in "... (<whole size> bytes)". Characters below 32, in paths as in data, are
// written \r, \n, \t or \xNN.
std::vector<std::string> ChangeDetailLines(const TChangeDetails& details);

} // namespace hivelark
