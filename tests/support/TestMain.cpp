#include "framework/MainThread.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

// Every test program runs its cases on the thread that plays the program's main thread.
int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  hivelark::InitMainThread();
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
