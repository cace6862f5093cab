#include "controls/FileDialogTestSupport.h"
#include "controls/FileDialogs.h"
#include "framework/Application.h"
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

} // namespace
