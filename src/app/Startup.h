#pragma once

namespace hivelark {

class TApplication;

// Start-up up to the message loop: the main form carries the taskbar button, the title is set
// (the program's is the About box's kApplicationTitle), then the main window and the About box are
// created, in this order.
void CreateHivelarkForms(TApplication& application, const char* title);

// The whole program: start-up, the message loop until the quit request, the exit sequence.
// Returns the process's exit code.
int RunHivelark();

} // namespace hivelark
