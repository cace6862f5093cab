#include "app/Startup.h"

#include <windows.h>

// The program takes no command line: the show command comes from the start-up information.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return hivelark::RunHivelark();
}
