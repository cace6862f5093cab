#include "controls/FileDialogTestSupport.h"
#include "controls/FileDialogs.h"
#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/Form.h"
#include "support/WindowDriver.h"

#include <gtest/gtest.h>

#include <string>

using namespace hivelark;
using namespace testing_support;
using namespace file_dialog_testing;

namespace {

TEST(FileDialog, SaveDialogRunsTheSystemSaveDialogOverADisabledProgram) {
  TApplication application;
  auto* form = application.CreateForm<TForm>();
  form->SetClientSize(300, 200);
  form->Show();
  form->BringToFront();
  TempFolder temp("save dialog");
  const std::string chosen = temp.Path() + "\\My Log";

  auto* dialog = new TsSaveDialog(form);
  dialog->SetTitle("Save Registry Log");
  dialog->SetFileName("RegLog.txt");
  dialog->SetDefaultExt("txt");
  dialog->SetFilter("text file *.txt|*.txt");
  dialog->SetOptions({ofHideReadOnly, ofEnableSizing});
  HWND formWindow = form->Handle();
  RECT bounds{};
  bool formEnabled = true;
  DialogAnswerer answerer("#32770", "Save Registry Log", [&](HWND window) {
    GetWindowRect(window, &bounds);
    formEnabled = IsWindowEnabled(formWindow);
    ChooseInFileDialog(window, chosen);
  });
  const bool confirmed = dialog->Execute();
  answerer.Join();
  ASSERT_TRUE(answerer.Answered());
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(dialog->FileName(), chosen + ".txt");
  EXPECT_FALSE(formEnabled);
  EXPECT_TRUE(IsWindowEnabled(formWindow));
  EXPECT_EQ(GetActiveWindow(), formWindow);
  EXPECT_TRUE(PlacedOnTheFormsMonitor(bounds, formWindow));
}

TEST(FileDialog, DialogThatFailsIsAnErrorAndOnlyACancelIsSilent) {
  TApplication application;
  auto* form = application.CreateForm<TForm>();
  form->Show();
  TempFolder temp("failing dialog");
  auto* dialog = new TsSaveDialog(form);
  dialog->SetTitle("Save Registry Log");
  using TSystemDialog = BOOL(WINAPI*)(OPENFILENAMEA*);
  const auto systemDialog = reinterpret_cast<TSystemDialog>(
      reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("comdlg32.dll"), "GetSaveFileNameA")));
  ASSERT_NE(systemDialog, nullptr);
  // The system's own dialog, with a file name buffer too small for the name chosen.
  dialog->SetDialogFunction([&](OPENFILENAMEA& record) {
    record.nMaxFile = 8;
    return systemDialog(&record);
  });
  std::string error;
  {
    DialogAnswerer answerer("#32770", "Save Registry Log", [&](HWND window) {
      ChooseInFileDialog(window, temp.Path() + "\\RegLog.txt");
    });
    try {
      dialog->Execute();
    } catch (const Exception& raised) {
      error = raised.what();
    }
    answerer.Join();
    ASSERT_TRUE(answerer.Answered());
  }
  EXPECT_EQ(error, "The chosen file name is too long");

  dialog->SetDialogFunction([&](OPENFILENAMEA& record) { return systemDialog(&record); });
  DialogAnswerer answerer("#32770", "Save Registry Log", [](HWND window) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDCANCEL)));
  });
  bool confirmed = true;
  EXPECT_NO_THROW(confirmed = dialog->Execute());
  answerer.Join();
  ASSERT_TRUE(answerer.Answered());
  EXPECT_FALSE(confirmed);
}

} // namespace
