#include "controls/FileDialogTestSupport.h"
#include "controls/FilenameEdit.h"
#include "controls/StdCtrls.h"
#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/Form.h"
#include "imaging/AlphaPicture.h"
#include "imaging/ResourcePictures.h"
#include "support/WindowDriver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace hivelark;
using namespace testing_support;
using namespace file_dialog_testing;

namespace {

// What the field handed to the system's dialog: the record, with the texts it pointed to.
struct DialogCall {
  OPENFILENAMEA record;
  std::string filter;
  std::string file;
  std::vector<char> fileBuffer;
  std::string initialDir;
  std::string defaultExt;
};

// Stands in for the system's dialog: records each call and confirms `choice` (cancels if empty).
struct FakeDialog {
  std::vector<DialogCall> calls;
  std::string choice;
  DWORD choiceFilterIndex = 1;
  DWORD resultFlags = 0;

  TFileDialogFunction Function() {
    return [this](OPENFILENAMEA& record) {
      DialogCall call{record, "", record.lpstrFile, {}, "", ""};
      const char* filter = record.lpstrFilter;
      size_t length = 0;
      while (filter != nullptr && (filter[length] != '\0' || filter[length + 1] != '\0')) {
        ++length;
      }
      call.filter.assign(filter != nullptr ? filter : "", filter != nullptr ? length + 2 : 0);
      // The buffer is two bytes longer than nMaxFile says.
      call.fileBuffer.assign(record.lpstrFile, record.lpstrFile + record.nMaxFile + 2);
      call.initialDir = record.lpstrInitialDir != nullptr ? record.lpstrInitialDir : "<null>";
      call.defaultExt = record.lpstrDefExt != nullptr ? record.lpstrDefExt : "<null>";
      calls.push_back(call);
      if (choice.empty()) {
        return FALSE;
      }
      std::strcpy(record.lpstrFile, choice.c_str());
      record.nFilterIndex = choiceFilterIndex;
      record.Flags = resultFlags != 0 ? resultFlags : record.Flags;
      return TRUE;
    };
  }
};

void SetClipboardText(const std::string& text) {
  ClipboardScope clipboard(nullptr);
  EmptyClipboard();
  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, text.size() + 1));
  std::memcpy(GlobalLockScope(memory.get()).data(), text.c_str(), text.size() + 1);
  if (SetClipboardData(CF_TEXT, memory.get()) != nullptr) {
    memory.release();
  }
}

// The client area of `window` as 0x00RRGGBB pixels, top row first: as the window draws itself, or
// as the screen shows it.
std::vector<std::uint32_t> ClientPixels(HWND window, bool fromScreen) {
  RECT client;
  GetClientRect(window, &client);
  BITMAPINFO info = TopDownBitmapInfo(client.right, client.bottom);
  void* bits = nullptr;
  UniqueBitmap target(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  SelectObjectScope select(dc.get(), target.get());
  if (fromScreen) {
    BitBlt(dc.get(), 0, 0, client.right, client.bottom, WindowDC(window).get(), 0, 0, SRCCOPY);
  } else {
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
  }
  GdiFlush();
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  std::vector<std::uint32_t> result(pixels, pixels + client.right * client.bottom);
  for (std::uint32_t& pixel : result) {
    pixel &= 0xFFFFFF;
  }
  return result;
}

// Alt+Down as the keyboard delivers it: a system key with the Alt bit in the key data.
constexpr LPARAM kAltDownKeyData = 0x20000001 | (0x50 << 16);

class FilenameEditTest : public testing::Test {
protected:
  void SetUp() override {
    form = application.CreateForm<TForm>();
    form->SetClientSize(420, 160);
    form->SetPosition(TPosition::ScreenCenter);
    field = new TsFilenameEdit(form);
    field->SetName("edt2");
    field->SetParent(form);
    field->SetBounds(8, 40, 300, 21);
    // As the main window configures its program field.
    field->SetDirectInput(false);
    field->SetDefaultExt("exe");
    field->SetFilter("Program Files *.exe|*.exe|Bath Files *.bat|*.bat");
    field->SetDialogOptions({ofReadOnly, ofHideReadOnly, ofFileMustExist, ofEnableSizing});
    field->SetBoundLabelCaption("Execute on event:");
    other = new TButton(form);
    other->SetParent(form);
    other->SetBounds(8, 100, 75, 25);
    form->Show();
    form->BringToFront();
    field->SetFocus();
  }

  HWND Edit() { return field->Handle(); }
  HWND ButtonWindow() { return field->Button().Handle(); }
  void Click(HWND window, int x, int y, int releaseX) {
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(releaseX, y));
  }

  TApplication application;
  TForm* form = nullptr;
  TsFilenameEdit* field = nullptr;
  TButton* other = nullptr;
};

TEST_F(FilenameEditTest, BrowseOnlyFieldRefusesTypingDeletingPastingAndCuttingButCopies) {
  const std::string path = "C:\\Program Files\\Tool\\run.exe";
  field->SetText(path);
  HWND edit = Edit();
  SetClipboardText("pasted");
  SendMessageA(edit, EM_SETSEL, 0, -1);
  SendMessageA(edit, WM_CHAR, 'x', 1);
  SendMessageA(edit, WM_CHAR, VK_BACK, 1);
  SendMessageA(edit, WM_KEYDOWN, VK_DELETE, 1);
  SendMessageA(edit, WM_PASTE, 0, 0);
  SendMessageA(edit, WM_CUT, 0, 0);
  EXPECT_EQ(field->Text(), path);
  EXPECT_EQ(ClipboardText(), "pasted");
  SendMessageA(edit, WM_COPY, 0, 0);
  EXPECT_EQ(ClipboardText(), path);

  // ReadOnly closes the field even to direct input; without it the field is an ordinary edit.
  field->SetDirectInput(true);
  field->SetReadOnly(true);
  SendMessageA(edit, WM_PASTE, 0, 0);
  EXPECT_EQ(field->Text(), path);
  field->SetReadOnly(false);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  SendMessageA(edit, WM_CUT, 0, 0);
  EXPECT_EQ(field->Text(), "");
}

TEST_F(FilenameEditTest, AltDownOpensTheOpenDialogAndAPathWithBlanksComesBackExactly) {
  TempFolder temp("filename edit");
  const std::string folder = temp.MakeFolder("My Tools");
  const std::string program = temp.MakeFile("My Tools\\run tool.exe");
  HWND formWindow = form->Handle();
  RECT bounds{};
  bool formEnabled = true;
  DialogAnswerer answerer("#32770", "", [&](HWND dialog) {
    GetWindowRect(dialog, &bounds);
    formEnabled = IsWindowEnabled(formWindow);
    ChooseInFileDialog(dialog, program);
  });
  SendMessageA(Edit(), WM_SYSKEYDOWN, VK_DOWN, kAltDownKeyData);
  answerer.Join();
  ASSERT_TRUE(answerer.Answered());
  EXPECT_EQ(field->FileName(), program);
  EXPECT_EQ(field->InitialDir(), folder);
  EXPECT_TRUE(field->Focused());
  EXPECT_FALSE(formEnabled);
  EXPECT_TRUE(IsWindowEnabled(formWindow));
  EXPECT_TRUE(PlacedOnTheFormsMonitor(bounds, formWindow));

  // The next browse opens in the chosen file's folder, where its bare name is enough.
  DialogAnswerer second("#32770", "",
                        [&](HWND dialog) { ChooseInFileDialog(dialog, "run tool.exe"); });
  field->Browse();
  second.Join();
  EXPECT_EQ(field->FileName(), program);
}

TEST_F(FilenameEditTest, CancelKeepsTextAndFolderGivesTheFocusAndLeavesTheButtonDrawn) {
  TempFolder temp("filename cancel");
  const std::string program = temp.MakeFile("keep.exe");
  field->SetText(program);
  other->SetFocus();
  DialogAnswerer answerer("#32770", "", [](HWND dialog) {
    PostMessageA(dialog, WM_COMMAND, IDCANCEL,
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
  });
  Click(ButtonWindow(), 5, 5, 5);
  answerer.Join();
  ASSERT_TRUE(answerer.Answered());
  EXPECT_EQ(field->Text(), program);
  // The text's folder was handed to the dialog; the cancel changed nothing after that.
  EXPECT_EQ(field->InitialDir(), temp.Path());
  EXPECT_TRUE(field->Focused());
  // The edit repaints itself over its button when its focus comes and goes.
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(ClientPixels(ButtonWindow(), true), ClientPixels(ButtonWindow(), false));
}

TEST_F(FilenameEditTest, DialogRecordAndTheSecondBrowseStartingFromTheFirstChoice) {
  TempFolder temp("filename record");
  FakeDialog fake;
  fake.choice = temp.MakeFile("job.bat");
  fake.choiceFilterIndex = 2;
  // As the system reports a file whose extension is not the default one.
  fake.resultFlags = OFN_HIDEREADONLY | OFN_EXTENSIONDIFFERENT;
  field->Dialog().SetDialogFunction(fake.Function());
  field->Browse();
  ASSERT_EQ(fake.calls.size(), 1u);
  const DialogCall& first = fake.calls[0];
  // The full record with FlagsEx, as the dialogs since Windows 2000 take it.
  EXPECT_EQ(first.record.lStructSize, sizeof(void*) == 4 ? 88u : 152u);
  EXPECT_EQ(first.record.hwndOwner, application.Handle());
  EXPECT_EQ(first.record.hInstance, GetModuleHandleA(nullptr));
  const char filter[] = "Program Files *.exe\0*.exe\0Bath Files *.bat\0*.bat\0";
  EXPECT_EQ(first.filter, std::string(filter, sizeof(filter)));
  EXPECT_EQ(first.record.nFilterIndex, 1u);
  EXPECT_EQ(first.record.nMaxFile, 260u);
  EXPECT_EQ(first.fileBuffer, std::vector<char>(262, '\0'));
  EXPECT_EQ(first.initialDir, "");
  EXPECT_EQ(first.record.lpstrTitle, nullptr);
  EXPECT_EQ(first.record.Flags, 0x881025u);
  EXPECT_EQ(first.record.FlagsEx, 0u);
  EXPECT_EQ(first.defaultExt, "exe");
  EXPECT_NE(first.record.lpfnHook, nullptr);
  EXPECT_EQ(field->FileName(), fake.choice);
  EXPECT_EQ(field->InitialDir(), temp.Path());
  EXPECT_TRUE(field->DialogOptions().Contains(ofExtensionDifferent));
  EXPECT_FALSE(field->DialogOptions().Contains(ofReadOnly));

  // The main window clears the field when monitoring starts; the next browse still starts from
  // the last choice, its folder and its file type.
  field->SetText("");
  const std::string chosen = fake.choice;
  fake.choice.clear();
  field->Browse();
  ASSERT_EQ(fake.calls.size(), 2u);
  EXPECT_EQ(fake.calls[1].file, chosen);
  EXPECT_EQ(fake.calls[1].initialDir, temp.Path());
  EXPECT_EQ(fake.calls[1].record.nFilterIndex, 2u);
  EXPECT_EQ(field->Text(), "");
}

TEST_F(FilenameEditTest, BrowseHandsTheDialogOnlyAnAcceptableText) {
  TempFolder temp("filename text");
  FakeDialog fake;
  field->Dialog().SetDialogFunction(fake.Function());
  field->Dialog().SetFileName("C:\\last\\chosen.exe");
  field->SetInitialDir("C:\\start");
  const struct {
    std::string text, file, initialDir;
  } cases[] = {
      {"C:\\Tools\\*.exe", "C:\\last\\chosen.exe", "C:\\start"},
      {"C:\\no such folder\\tool.exe", "C:\\no such folder\\tool.exe", "C:\\start"},
      {temp.Path() + "\\", "", temp.Path()},
      // Longer than the buffer: cut, never overrun.
      {"C:\\" + std::string(300, 'a'), "C:\\" + std::string(257, 'a'), "C:\\"},
  };
  for (const auto& each : cases) {
    field->SetText(each.text);
    field->Browse();
    EXPECT_EQ(fake.calls.back().file, each.file) << each.text;
    EXPECT_EQ(fake.calls.back().initialDir, each.initialDir) << each.text;
    EXPECT_EQ(field->Text(), each.text);
  }
}

TEST_F(FilenameEditTest, FileNameChecksWhatItIsGivenAndKeepsAChosenLongPathWhole) {
  field->SetText("C:\\before.exe");
  field->Dialog().Files() = {"C:\\before.exe"};
  for (const char* bad : {"a<b", "a>b", "a\"b", "a|b", "a*b", "a?b", "C:/a.exe"}) {
    try {
      field->SetFileName(bad);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const Exception& error) {
      EXPECT_STREQ(error.what(), "Invalid file name");
    }
  }
  EXPECT_EQ(field->FileName(), "C:\\before.exe");
  field->SetFileName("C:\\Program Files\\after.exe");
  EXPECT_EQ(field->Text(), "C:\\Program Files\\after.exe");
  EXPECT_TRUE(field->Dialog().Files().empty());
  field->SetFileName("");
  EXPECT_EQ(field->FileName(), "");

  // The limit of 255 characters holds for typing only.
  EXPECT_EQ(SendMessageA(Edit(), EM_GETLIMITTEXT, 0, 0), 255);
  FakeDialog fake;
  fake.choice = "C:\\" + std::string(240, 'd') + "\\" + std::string(10, 'f') + ".exe";
  field->Dialog().SetDialogFunction(fake.Function());
  field->Browse();
  EXPECT_EQ(field->FileName(), fake.choice);
}

TEST_F(FilenameEditTest, OnlyTheButtonAndTheClickKeyOpenTheDialog) {
  FakeDialog fake;
  field->Dialog().SetDialogFunction(fake.Function());
  int buttonClicks = 0;
  field->OnButtonClick = [&](TComponent*) { ++buttonClicks; };
  field->SetText("C:\\Tools\\run.exe");
  Click(Edit(), 10, 8, 10);
  SendMessageA(Edit(), WM_KEYDOWN, VK_DOWN, 0x01500001);
  // A press released away from the button is no click.
  Click(ButtonWindow(), 5, 5, -30);
  EXPECT_EQ(fake.calls.size(), 0u);
  Click(ButtonWindow(), 5, 5, 5);
  SendMessageA(Edit(), WM_SYSKEYDOWN, VK_DOWN, kAltDownKeyData);
  EXPECT_EQ(fake.calls.size(), 2u);
  EXPECT_EQ(buttonClicks, 2);

  field->SetClickKey(scCtrl | VK_F4);
  SendMessageA(Edit(), WM_SYSKEYDOWN, VK_DOWN, kAltDownKeyData);
  field->SetClickKey(scAlt | VK_DOWN);
  field->SetReadOnly(true);
  Click(ButtonWindow(), 5, 5, 5);
  SendMessageA(Edit(), WM_SYSKEYDOWN, VK_DOWN, kAltDownKeyData);
  field->SetReadOnly(false);
  field->SetEnabled(false);
  Click(ButtonWindow(), 5, 5, 5);
  EXPECT_EQ(fake.calls.size(), 2u);
  EXPECT_EQ(buttonClicks, 2);
}

TEST_F(FilenameEditTest, EnterAndEscGoToTheFormsButtonsAndTabMovesOn) {
  auto* defaultButton = new TButton(form);
  defaultButton->SetParent(form);
  defaultButton->SetBounds(100, 100, 75, 25);
  auto* cancelButton = new TButton(form);
  cancelButton->SetParent(form);
  cancelButton->SetBounds(200, 100, 75, 25);
  int defaults = 0;
  int cancels = 0;
  defaultButton->OnClick = [&](TComponent*) { ++defaults; };
  cancelButton->OnClick = [&](TComponent*) { ++cancels; };
  form->SetDefaultButton(defaultButton);
  form->SetCancelButton(cancelButton);
  // With direct input, Enter must still not start a second line in the one-line field.
  field->SetDirectInput(true);
  field->SetText("abc");
  auto press = [&](WPARAM key) {
    field->SetFocus();
    SendMessageA(Edit(), EM_SETSEL, 3, 3);
    PostMessageA(Edit(), WM_KEYDOWN, key, 1);
    for (int round = 0; round < 3; ++round) {
      application.ProcessMessages();
    }
  };
  press(VK_RETURN);
  EXPECT_EQ(field->Text(), "abc");
  EXPECT_EQ(defaults, 1);
  // In the platform's dialog mode a multi-line edit closes its parent on Esc.
  press(VK_ESCAPE);
  EXPECT_EQ(cancels, 1);
  EXPECT_FALSE(application.Terminated());
  press(VK_TAB);
  EXPECT_EQ(GetFocus(), other->Handle());
}

TEST_F(FilenameEditTest, TextAreaEndsWhereTheButtonBegins) {
  EXPECT_EQ(field->Height(), 21);
  auto checkLayout = [&](const char* when) {
    SCOPED_TRACE(when);
    RECT button;
    GetWindowRect(ButtonWindow(), &button);
    MapWindowPoints(HWND_DESKTOP, Edit(), reinterpret_cast<POINT*>(&button), 2);
    const RECT expected{field->ClientWidth() - 22, 0, field->ClientWidth(), field->ClientHeight()};
    EXPECT_TRUE(EqualRect(&button, &expected));
    RECT area;
    SendMessageA(Edit(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
    EXPECT_LE(area.right, button.left);
    EXPECT_GE(area.right, button.left - 8);
  };
  checkLayout("created");
  field->SetBounds(8, 40, 380, 21);
  checkLayout("widened");
  form->SetFont(std::make_shared<TFont>("Tahoma", 13));
  checkLayout("new font");
  field->SetText(std::string(120, 'w'));
  SendMessageA(Edit(), WM_KEYDOWN, VK_END, 1);
  checkLayout("key press");
  EXPECT_EQ(SendMessageA(Edit(), EM_GETLINECOUNT, 0, 0), 1);
}

TEST_F(FilenameEditTest, ButtonShowsTheMiddleImageAtRestAndTheRightImageWhilePressed) {
  // The resource: three 20 x 17 images over their masks.
  const UniqueBitmap source = LoadBitmapResource(GetModuleHandleA(nullptr), "SF");
  BITMAPINFO info = TopDownBitmapInfo(60, 34);
  std::vector<std::uint32_t> art(60 * 34);
  ASSERT_EQ(
      GetDIBits(WindowDC(nullptr).get(), source.get(), 0, 34, art.data(), &info, DIB_RGB_COLORS),
      34);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const int background[3] = {GetBValue(face), GetGValue(face), GetRValue(face)};
  auto mismatches = [&](int image) {
    const std::vector<std::uint32_t> drawn = ClientPixels(ButtonWindow(), false);
    int wrong = 0;
    for (int y = 0; y < 17; ++y) {
      for (int x = 0; x < 20; ++x) {
        for (int shift = 0; shift < 24; shift += 8) {
          const int picture = (art[y * 60 + image * 20 + x] >> shift) & 0xFF;
          const int mask = (art[(y + 17) * 60 + image * 20 + x] >> shift) & 0xFF;
          const int want = picture * (255 - mask) / 255 + background[shift / 8] * mask / 255;
          // The picture stands centred: one pixel in from the left of the 22-pixel button.
          const int got = (drawn[y * 22 + 1 + x] >> shift) & 0xFF;
          wrong += std::abs(got - want) > 1 ? 1 : 0;
        }
      }
    }
    return wrong;
  };
  ASSERT_EQ(field->Button().Width(), 22);
  ASSERT_NE(art[8 * 60 + 20 + 10], art[8 * 60 + 40 + 10]);
  EXPECT_EQ(mismatches(1), 0);
  SendMessageA(ButtonWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(mismatches(2), 0);
  SendMessageA(ButtonWindow(), WM_LBUTTONUP, 0, MAKELPARAM(-30, 5));
  EXPECT_EQ(mismatches(1), 0);
  field->SetEnabled(false);
  EXPECT_EQ(mismatches(1), 0);
}

TEST_F(FilenameEditTest, BoundLabelStandsOnTheFieldAndFollowsIt) {
  TBoundLabel* label = field->BoundLabel();
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Name(), "edt2Label");
  EXPECT_EQ(label->Parent(), form);
  EXPECT_EQ(WindowText(label->Handle()), "Execute on event:");
  auto checkPlace = [&](const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(label->Left(), field->Left());
    EXPECT_EQ(label->Top() + label->Height(), field->Top());
    EXPECT_GT(label->Width(), 40);
  };
  checkPlace("built");
  field->SetBounds(30, 90, 200, 21);
  checkPlace("moved");
  form->SetFont(std::make_shared<TFont>("Tahoma", 16));
  checkPlace("bigger font");
  // On a monitor of another DPI it stands on the field still, wide enough for its whole text.
  const int dpi = form->Dpi() * 2;
  const RECT frame = RectInParent(form->Handle());
  SendMessageA(form->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
               reinterpret_cast<LPARAM>(&frame));
  checkPlace("new DPI");
  const RECT labelPlace = RectInParent(label->Handle());
  const RECT fieldPlace = RectInParent(field->Handle());
  EXPECT_EQ(labelPlace.left, fieldPlace.left);
  EXPECT_NEAR(labelPlace.bottom, fieldPlace.top, 1);
  {
    WindowDC dc(label->Handle());
    SelectObjectScope font(dc.get(), label->FontHandle());
    SIZE text{};
    GetTextExtentPoint32A(dc.get(), "Execute on event:", 17, &text);
    EXPECT_GE(labelPlace.right - labelPlace.left, text.cx);
    EXPECT_GE(labelPlace.bottom - labelPlace.top, text.cy);
  }
  field->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(label->Handle()));
  field->SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(label->Handle()));
  field->SetEnabled(true);
  field->SetVisible(true);
  EXPECT_TRUE(IsWindowEnabled(label->Handle()));
  EXPECT_TRUE(IsWindowVisible(label->Handle()));
}

TEST(BoundLabel, AnyControlCanCarryOneEvenWhenPlacedAfterItsCaption) {
  TApplication application;
  auto* form = application.CreateForm<TForm>();
  auto* control = new TWithBoundLabel<TButton>(form);
  control->SetName("combo1");
  control->SetBoundLabelCaption("Root Key:");
  control->SetParent(form);
  control->SetBounds(17, 30, 149, 21);
  form->Show();
  TBoundLabel* label = control->BoundLabel();
  EXPECT_EQ(label->Name(), "combo1Label");
  EXPECT_EQ(label->Parent(), form);
  EXPECT_EQ(label->Left(), 17);
  EXPECT_EQ(label->Top() + label->Height(), 30);
  delete control;
  EXPECT_TRUE(form->Components().empty());
}

} // namespace
