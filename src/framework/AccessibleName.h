#pragma once

#include <windows.h>

#include <string>

namespace hivelark {

// Answers WM_GETOBJECT for the client object of `window` (wParam and lParam as the message carries
// them) with the platform's own accessible object of the window, except that its name is `name`:
// for a control that a screen reader could not name otherwise, such as a field without a label.
// Returns the message's result, or 0 when the platform's object should answer unchanged.
LRESULT AnswerNamedAccessibleObject(HWND window, WPARAM wParam, LPARAM lParam,
                                    const std::string& name);

} // namespace hivelark
