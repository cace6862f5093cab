#include "controls/MessageDialog.h"
#include "framework/Application.h"
#include "shell/RunOnce.h"
#include "support/ProgramProcess.h"
#include "support/WindowDriver.h"

#include <gtest/gtest.h>

#include <string>

using namespace hivelark;
using namespace testing_support;

namespace {

// Clicks a picture button of the running program by its place in the main window's client area.
void ClickPicture(HWND mainWindow, int left, int top) {
  POINT point{left + 24, top + 24};
  HWND panel = ChildWindowFromPoint(mainWindow, point);
  ASSERT_NE(panel, nullptr);
  MapWindowPoints(mainWindow, panel, &point, 1);
  HWND picture = ChildWindowFromPoint(panel, point);
  ASSERT_NE(picture, nullptr);
  ASSERT_EQ(WindowClass(picture), "Button");
  PostMessageA(picture, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  PostMessageA(picture, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
}

// Starts a second instance, checks its message, presses OK and checks that it ends with 0.
void ExpectSecondStartIsTurnedAway() {
  ProgramProcess second;
  ASSERT_TRUE(second.Started());
  HWND message = second.WaitForWindow("Information");
  ASSERT_NE(message, nullptr) << "the second start shows its message";
  EXPECT_EQ(MessageDialogText(message), "Hivelark is already running");
  EXPECT_TRUE(PressButton(message, "OK"));
  EXPECT_EQ(second.WaitForExit(20000), 0u);
}

} // namespace

TEST(SingleInstance, SecondStartIsTurnedAwayAndTheFirstKeepsItsAboutBoxTitle) {
  ProgramProcess first;
  ASSERT_TRUE(first.Started());
  HWND main = first.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  // Open and close the first instance's About box, so that its window exists.
  ClickPicture(main, 374, 221);
  HWND about = first.WaitForWindow("Hivelark 1.0");
  ASSERT_NE(about, nullptr);
  PostMessageA(about, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(about); }, 10000));

  ExpectSecondStartIsTurnedAway();
  EXPECT_EQ(FindAnyTopLevelWindow(first.Id(), "HivelarkForm", "Hivelark 1.0"), about)
      << "no window of the first instance loses its title";
  EXPECT_EQ(WindowText(main), "Hivelark");
  EXPECT_EQ(first.WaitForExit(0), static_cast<DWORD>(STILL_ACTIVE));
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.WaitForExit(20000), 0u);
}

TEST(SingleInstance, SecondStartBringsBackAMinimisedOrHiddenFirstInstance) {
  ProgramProcess first;
  HWND main = first.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  ShowWindow(main, SW_MINIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(main) != FALSE; }, 5000));
  ExpectSecondStartIsTurnedAway();
  EXPECT_TRUE(PumpUntil([&] { return !IsIconic(main); }, 5000)) << "restored";

  // Hidden in the notification area by its own Tray button.
  ClickPicture(main, 285, 221);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(main); }, 5000));
  ExpectSecondStartIsTurnedAway();
  EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(main) != FALSE; }, 5000)) << "shown";
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.WaitForExit(20000), 0u);
}

TEST(SingleInstance, AfterTheFirstEndsTheNextStartIsAFirstStart) {
  {
    ProgramProcess first;
    HWND main = first.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(first.WaitForExit(20000), 0u);
  }
  ProgramProcess next;
  HWND main = next.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(next.WaitForWindow("Information", 1000), nullptr);
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(next.WaitForExit(20000), 0u);
}

TEST(SingleInstance, AnObjectOfAnotherKindHoldingTheNameCountsAsAnotherInstance) {
  HANDLE squatter = CreateEventA(nullptr, TRUE, FALSE, "Hivelark 1.0");
  ASSERT_NE(squatter, nullptr);
  ExpectSecondStartIsTurnedAway();
  CloseHandle(squatter);
}

TEST(SingleInstance, GuardDefaultsAndItsOwnMutex) {
  TApplication application;
  application.SetTitle("Hivelark guard test");
  TVrRunOnce guard(nullptr);
  EXPECT_EQ(guard.Version(), "1.3");
  EXPECT_EQ(guard.MessageText(), "");
  EXPECT_FALSE(guard.ShowMessage());
  EXPECT_TRUE(guard.Terminate());
  EXPECT_TRUE(guard.RestorePrevInst());
  EXPECT_FALSE(guard.CheckDone());
  int exists = 0;
  guard.OnExists = [&](TComponent* sender) {
    EXPECT_EQ(sender, &guard);
    ++exists;
  };
  guard.AfterLoad();
  EXPECT_TRUE(guard.CheckDone());
  EXPECT_EQ(exists, 0);
  EXPECT_FALSE(application.Terminated());
  // A second guard of the same title finds the first one's mutex.
  TVrRunOnce second(nullptr);
  second.SetTerminate(false);
  second.OnExists = [&](TComponent*) { ++exists; };
  second.AfterLoad();
  EXPECT_EQ(exists, 1);
  EXPECT_FALSE(application.Terminated()) << "with Terminate off the instance goes on";
  second.SetTerminate(true);
  second.AfterLoad();
  EXPECT_TRUE(application.Terminated()) << "the quit request follows";
  MSG message;
  PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}
