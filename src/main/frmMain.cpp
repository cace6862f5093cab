#include "main/frmMain.h"

#include "controls/Edit.h"
#include "controls/FileDialogs.h"
#include "controls/FilenameEdit.h"
#include "controls/Label.h"
#include "controls/Menus.h"
#include "controls/MessageDialog.h"
#include "controls/Panel.h"
#include "controls/PictureButton.h"
#include "controls/RadioGroup.h"
#include "controls/StatusBar.h"
#include "controls/TrayIcon.h"
#include "framework/Application.h"
#include "framework/Messages.h"
#include "main/ChangeDetailsText.h"
#include "main/LogFile.h"
#include "monitor/RegistryAccess.h"
#include "shell/About.h"
#include "shell/Launcher.h"
#include "shell/RunOnce.h"

#include <memory>

namespace hivelark {
namespace {

// The main window's caption, by which (with its class) a second start finds the running one.
constexpr char kMainWindowCaption[] = "Hivelark";
constexpr COLORREF kLogBackground = RGB(255, 251, 240);
constexpr char kStartCaption[] = "Start Monitor";
constexpr char kStopCaption[] = "Stop Monitor";
constexpr char kEntrySeparator[] = "**********************************************************";
constexpr char kDetectedPrefix[] = "Hivelark detected a change at ";
constexpr char kComputerPrefix[] = "On My Computer\\";
// The system menu's own commands are multiples of 16 from SC_SIZE (0xF000) up; the low four bits of
// a command are the system's.
constexpr UINT kLogWhatChangedCommand = 0x0010;
constexpr char kLogWhatChangedCaption[] = "Log what changed";
// A popup taller than the screen could not be read or closed: past this many lines or characters
// of what changed it says how many more lines the log holds.
constexpr size_t kPopupDetailLines = 20;
constexpr size_t kPopupDetailCharacters = 2000;
constexpr int kExecuteProgramAction = 2;
constexpr int kPopupAction = 1;

// The root key list's items, in order, by the code each item names.
constexpr DWORD kRootKeyOfItem[] = {
    HKEY_LOCAL_MACHINE_CODE,  HKEY_CURRENT_USER_CODE,     HKEY_CLASSES_ROOT_CODE, HKEY_USERS_CODE,
    HKEY_CURRENT_CONFIG_CODE, HKEY_PERFORMANCE_DATA_CODE, HKEY_DYN_DATA_CODE,
};

// The filter choice's items, in order: All (0, which the monitor arms as all four), Keys, Values,
// Security.
constexpr DWORD kFilterOfItem[] = {0, REG_NOTIFY_CHANGE_NAME, REG_NOTIFY_CHANGE_LAST_SET,
                                   REG_NOTIFY_CHANGE_SECURITY};

// The popup's text: its own line, then what changed as far as it fits.
std::string PopupText(const std::string& firstLine, const std::vector<std::string>& details) {
  size_t characters = 0;
  for (const std::string& line : details) {
    characters += line.size();
  }
  size_t shown = details.size();
  if (shown > kPopupDetailLines || characters > kPopupDetailCharacters) {
    // Room for the line that counts the rest.
    shown = 0;
    characters = 0;
    while (shown < kPopupDetailLines - 1 &&
           characters + details[shown].size() <= kPopupDetailCharacters) {
      characters += details[shown++].size();
    }
  }
  std::string text = firstLine;
  for (size_t index = 0; index < shown; ++index) {
    text += "\r\n" + details[index];
  }
  if (shown < details.size()) {
    text += "\r\n  (" + std::to_string(details.size() - shown) + " more in the log)";
  }
  return text;
}

SYSTEMTIME LocalNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now;
}

} // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner) {
  SetName("Form1");
  SetText(kMainWindowCaption);
  SetBorderStyle(TBorderStyle::Single);
  SetBorderIcons(/*minimize=*/true, /*maximize=*/false);
  SetPosition(TPosition::ScreenCenter);
  SetClientSize(503, 502);
  SetFont(std::make_shared<TFont>("Tahoma", 11));
  SetShowHint(true);
  // For the keyboard shortcuts, wherever the focus is.
  SetKeyPreview(true);

  spnl1 = new TsPanel(this);
  spnl1->SetName("spnl1");
  spnl1->SetParent(this);
  spnl1->SetBounds(0, 0, 503, 305);
  spnl2 = new TsPanel(this);
  spnl2->SetName("spnl2");
  spnl2->SetParent(this);
  spnl2->SetBounds(0, 305, 503, 197);
  BuildLogPanel();
  BuildSettingsPanel();
  BuildComponents();
  Clock = LocalNow;
  Regional = [] { return RegionalSettings::ForLocale(LOCALE_USER_DEFAULT); };

  OnCreate = [this](TComponent* sender) { FormCreate(sender); };
  OnDestroy = [this](TComponent* sender) { FormDestroy(sender); };
}

TForm1::~TForm1() = default;

void TForm1::BuildLogPanel() {
  stsbr1 = new TsStatusBar(this);
  stsbr1->SetName("stsbr1");
  stsbr1->SetParent(spnl2);
  stsbr1->SetBounds(1, 177, 501, 19);

  mmo1 = new TsMemo(this);
  mmo1->SetName("mmo1");
  mmo1->SetParent(spnl2);
  mmo1->SetBounds(1, 1, 501, 176);
  mmo1->SetColor(kLogBackground);
  mmo1->SetFont(std::make_shared<TFont>("Tahoma", 11, false, RGB(0, 0, 0)));
  // The layout gives the log no label to name it by.
  mmo1->SetAccessibleName("Log");
}

TImage* TForm1::AddPictureButton(const char* resource, int left, const char* hint,
                                 const char* caption) {
  auto* picture = new TImage(this);
  picture->SetParent(spnl1);
  picture->SetBounds(left, 221, 48, 48);
  picture->SetHint(hint);
  // The caption shown under the picture names it for screen readers.
  picture->SetText(caption);
  picture->SetPicture(resource);
  return picture;
}

TsLabel* TForm1::AddButtonCaption(int left, const char* caption) {
  auto* label = new TsLabel(this);
  label->SetParent(spnl1);
  label->SetBounds(left, 272, 0, 0);
  label->SetCaption(caption);
  return label;
}

void TForm1::BuildSettingsPanel() {
  // Created in tab order: the bevels are drawn by the panel, behind every control.
  bvl2 = new TBevel(this, spnl1);
  bvl2->SetName("bvl2");
  bvl2->SetBounds(8, 9, 487, 56);
  bvl2->SetStyle(TBevelCut::Lowered);

  combo1 = new TWithBoundLabel<TsComboBox>(this);
  combo1->SetName("combo1");
  combo1->SetParent(spnl1);
  combo1->SetBounds(17, 30, 149, 21);
  combo1->SetHint("Select The Root Key");
  combo1->SetBoundLabelCaption("Root Key:");
  combo1->SetItems({"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT", "HKEY_USERS",
                    "HKEY_CURRENT_CONFIG", "HKEY_PERFORMANCE_DATA", "HKEY_DYN_DATA"});
  combo1->SetItemIndex(0);

  edt1 = new TWithBoundLabel<TsEdit>(this);
  edt1->SetName("edt1");
  edt1->SetParent(spnl1);
  edt1->SetBounds(172, 30, 313, 21);
  edt1->SetHint("Enter The Key Path");
  edt1->SetMaxLength(0);
  edt1->SetBoundLabelCaption("Key (example: Software\\Microsoft\\Internet Explorer):");

  srdgrp1 = new TsRadioGroup(this);
  srdgrp1->SetName("srdgrp1");
  srdgrp1->SetParent(spnl1);
  srdgrp1->SetBounds(8, 70, 487, 44);
  srdgrp1->SetText("Wach for changes on:");
  srdgrp1->SetHint("Select what to monitor");
  srdgrp1->SetColumns(4);
  srdgrp1->SetItems({"All", "Keys", "Values", "Security"});
  srdgrp1->SetItemIndex(0);

  srdgrp2 = new TsRadioGroup(this);
  srdgrp2->SetName("srdgrp2");
  srdgrp2->SetParent(spnl1);
  srdgrp2->SetBounds(8, 116, 487, 47);
  srdgrp2->SetText("On Event Action");
  srdgrp2->SetHint("Select action to execute on event");
  srdgrp2->SetColumns(3);
  srdgrp2->SetItems({"Nothing (just write to log)", "Popup a message", "Execute a program"});
  srdgrp2->SetItemIndex(0);
  srdgrp2->OnClick = [this](TComponent* sender) { srdgrp2Click(sender); };

  edt2 = new TsFilenameEdit(this);
  edt2->SetName("edt2");
  edt2->SetParent(spnl1);
  edt2->SetBounds(8, 178, 487, 21);
  edt2->SetHint("Browse and select executable file to launch on event");
  edt2->SetDirectInput(false);
  edt2->SetDefaultExt("exe");
  edt2->SetFilter("Program Files *.exe|*.exe|Bath Files *.bat|*.bat");
  edt2->SetDialogOptions({ofReadOnly, ofHideReadOnly, ofFileMustExist, ofEnableSizing});
  edt2->SetEnabled(false);
  edt2->SetBoundLabelCaption("Execute on event:");

  bvl1 = new TBevel(this, spnl1);
  bvl1->SetName("bvl1");
  bvl1->SetBounds(8, 209, 487, 82);
  bvl1->SetStyle(TBevelCut::Raised);

  image2 = AddPictureButton("BTN_START", 18, "Start / Stop Monitor", kStartCaption);
  image2->SetName("image2");
  image6 = AddPictureButton("BTN_CLEAR", 137, "Clear The Log", "Clear Log");
  image6->SetName("image6");
  image7 = AddPictureButton("BTN_SAVE", 201, "Save The Log To A Text File", "Save Log");
  image7->SetName("image7");
  image4 = AddPictureButton("BTN_TRAY", 285, "Minimize To System Tray", "Tray");
  image4->SetName("image4");
  image5 = AddPictureButton("BTN_ABOUT", 374, "About Hivelark", "About...");
  image5->SetName("image5");
  image3 = AddPictureButton("BTN_EXIT", 437, "Exit", "Exit");
  image3->SetName("image3");

  lbl1 = AddButtonCaption(12, kStartCaption);
  lbl1->SetName("lbl1");
  lbl5 = AddButtonCaption(138, "Clear Log");
  lbl5->SetName("lbl5");
  lbl6 = AddButtonCaption(203, "Save Log");
  lbl6->SetName("lbl6");
  lbl3 = AddButtonCaption(296, "Tray");
  lbl3->SetName("lbl3");
  lbl4 = AddButtonCaption(377, "About...");
  lbl4->SetName("lbl4");
  lbl2 = AddButtonCaption(453, "Exit");
  lbl2->SetName("lbl2");

  image2->OnClick = [this](TComponent* sender) { image2Click(sender); };
  image6->OnClick = [this](TComponent* sender) { image6Click(sender); };
  image7->OnClick = [this](TComponent* sender) { image7Click(sender); };
  image5->OnClick = [this](TComponent* sender) { image5Click(sender); };
  image3->OnClick = [this](TComponent* sender) { image3Click(sender); };
  image4->OnClick = [this](TComponent* sender) { image4Click(sender); };
  image2->OnMouseEnter = [this](TComponent* sender) { image2MouseEnter(sender); };
  image2->OnMouseLeave = [this](TComponent* sender) { image2MouseLeave(sender); };
  image3->OnMouseEnter = [this](TComponent* sender) { image3MouseEnter(sender); };
  image3->OnMouseLeave = [this](TComponent* sender) { image3MouseLeave(sender); };
  image4->OnMouseEnter = [this](TComponent* sender) { image4MouseEnter(sender); };
  image4->OnMouseLeave = [this](TComponent* sender) { image4MouseLeave(sender); };
  image5->OnMouseEnter = [this](TComponent* sender) { image5MouseEnter(sender); };
  image5->OnMouseLeave = [this](TComponent* sender) { image5MouseLeave(sender); };
  image6->OnMouseEnter = [this](TComponent* sender) { image6MouseEnter(sender); };
  image6->OnMouseLeave = [this](TComponent* sender) { image6MouseLeave(sender); };
  image7->OnMouseEnter = [this](TComponent* sender) { image7MouseEnter(sender); };
  image7->OnMouseLeave = [this](TComponent* sender) { image7MouseLeave(sender); };
}

void TForm1::BuildComponents() {
  trycn1 = new TTrayIcon(this);
  trycn1->SetName("trycn1");
  trycn1->SetHint("Click to open");
  trycn1->SetVisible(true);
  trycn1->OnClick = [this](TComponent* sender) { trycn1Click(sender); };

  dlg1 = new TsSaveDialog(this);
  dlg1->SetName("dlg1");
  dlg1->SetTitle("Save Registry Log");
  dlg1->SetFileName("RegLog.txt");
  dlg1->SetDefaultExt("txt");
  dlg1->SetFilter("text file *.txt|*.txt");
  dlg1->SetOptions({ofHideReadOnly, ofEnableSizing});

  pm1 = new TPopupMenu(this);
  pm1->SetName("pm1");
  OpenHivelark1 = new TMenuItem(this);
  OpenHivelark1->SetName("OpenHivelark1");
  OpenHivelark1->SetCaption("Open Hivelark");
  OpenHivelark1->OnClick = [this](TComponent* sender) { trycn1Click(sender); };
  pm1->Add(OpenHivelark1);
  ExitHivelark1 = new TMenuItem(this);
  ExitHivelark1->SetName("ExitHivelark1");
  ExitHivelark1->SetCaption("Exit Hivelark");
  ExitHivelark1->OnClick = [this](TComponent* sender) { image3Click(sender); };
  pm1->Add(ExitHivelark1);
  trycn1->SetPopupMenu(pm1);

  rzlnchr1 = new TRzLauncher(this);
  rzlnchr1->SetName("rzlnchr1");
  rzlnchr1->SetAction("Open");
  rzlnchr1->SetTimeout(-1);

  // Last: its check runs after every other part of the window has been built.
  vrnc1 = new TVrRunOnce(this);
  vrnc1->SetName("vrnc1");
  vrnc1->SetRestorePrevInst(true);
  vrnc1->SetTerminate(true);
  vrnc1->SetShowMessage(true);
  vrnc1->SetMessageText("Hivelark is already running");
  vrnc1->SetMainWindowIdentity(kFormClassName, kMainWindowCaption);
}

void TForm1::ShiftPicture(TImage* picture, int delta) {
  picture->SetBounds(picture->Left() + delta, picture->Top() + delta, picture->Width(),
                     picture->Height());
}

void TForm1::image2MouseEnter(TComponent*) {
  ShiftPicture(image2, 2);
}
void TForm1::image2MouseLeave(TComponent*) {
  ShiftPicture(image2, -2);
}
void TForm1::image3MouseEnter(TComponent*) {
  ShiftPicture(image3, 2);
}
void TForm1::image3MouseLeave(TComponent*) {
  ShiftPicture(image3, -2);
}
void TForm1::image4MouseEnter(TComponent*) {
  ShiftPicture(image4, 2);
}
void TForm1::image4MouseLeave(TComponent*) {
  ShiftPicture(image4, -2);
}
void TForm1::image5MouseEnter(TComponent*) {
  ShiftPicture(image5, 2);
}
void TForm1::image5MouseLeave(TComponent*) {
  ShiftPicture(image5, -2);
}
void TForm1::image6MouseEnter(TComponent*) {
  ShiftPicture(image6, 2);
}
void TForm1::image6MouseLeave(TComponent*) {
  ShiftPicture(image6, -2);
}
void TForm1::image7MouseEnter(TComponent*) {
  ShiftPicture(image7, 2);
}
void TForm1::image7MouseLeave(TComponent*) {
  ShiftPicture(image7, -2);
}

void TForm1::image5Click(TComponent*) {
  if (AboutBox != nullptr) {
    AboutBox->ShowModal();
  }
}

void TForm1::image3Click(TComponent*) {
  Close();
}

void TForm1::image4Click(TComponent*) {
  // Hidden without an icon to bring it back, the window would be lost to the user.
  if (trycn1->Shown()) {
    Hide();
  } else {
    ShowWithCommand(SW_MINIMIZE);
  }
}

void TForm1::trycn1Click(TComponent*) {
  Show();
  BringToFront();
}

void TForm1::FormCreate(TComponent*) {
  stsbr1->SetSimpleText("Hivelark is Ready");
}

void TForm1::FormDestroy(TComponent*) {
  // The monitor ends by itself once woken; the window does not wait for it.
  if (MonitorThread) {
    MonitorThread->Stop();
  }
}

void TForm1::AfterCreateHandle() {
  TForm::AfterCreateHandle();
  // After the system's own items; unchecked at every start, as nothing is kept between runs.
  const HMENU systemMenu = GetSystemMenu(WindowHandle(), FALSE);
  AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(systemMenu, MF_STRING | MF_UNCHECKED, kLogWhatChangedCommand, kLogWhatChangedCaption);
}

UINT TForm1::LogWhatChangedState() const {
  const UINT state =
      GetMenuState(GetSystemMenu(WindowHandle(), FALSE), kLogWhatChangedCommand, MF_BYCOMMAND);
  // Without the item (a system that refused it) the option is simply off.
  return state == static_cast<UINT>(-1) ? MF_GRAYED : state;
}

bool TForm1::LogWhatChanged() const {
  return (LogWhatChangedState() & MF_CHECKED) != 0;
}

void TForm1::ToggleLogWhatChanged() {
  // Greyed while monitoring: the setting is read at Start, like the others.
  const UINT state = LogWhatChangedState();
  if ((state & (MF_GRAYED | MF_DISABLED)) != 0) {
    return;
  }
  CheckMenuItem(GetSystemMenu(WindowHandle(), FALSE), kLogWhatChangedCommand,
                MF_BYCOMMAND | ((state & MF_CHECKED) != 0 ? MF_UNCHECKED : MF_CHECKED));
}

LRESULT TForm1::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_SYSCOMMAND:
    if ((wParam & 0xFFF0) == kLogWhatChangedCommand) {
      ToggleLogWhatChanged();
      return 0;
    }
    return TForm::WndProc(message, wParam, lParam);
  case WM_REGCHANGE:
    WMRegChange(wParam, lParam);
    return 0;
  case WM_REGMONITOR_FAILED:
    MonitorFailed(wParam);
    return 0;
  default:
    return TForm::WndProc(message, wParam, lParam);
  }
}

void TForm1::image2Click(TComponent*) {
  if (lbl1->Caption() == kStartCaption) {
    StartMonitor();
  } else {
    StopMonitor();
  }
}

void TForm1::StartMonitor() {
  auto monitor = std::make_unique<TRegMonitorThread>();
  monitor->SetNotifyWnd(Handle());
  monitor->SetFilter(GetFilterSettings());
  monitor->SetLogWhatChanged(LogWhatChanged());
  GetRooKey();
  monitor->SetRootKey(SelectedRootKey);
  std::string keyPath;
  // The path is checked twice, as the user may change the registry in between: a key that
  // vanished meanwhile aborts the start like a missing one. A refused start leaves no monitor.
  if (!GetKeyPath(keyPath) || !GetKeyPath(keyPath)) {
    stsbr1->SetSimpleText("Monitoring aborted");
    return;
  }
  monitor->SetKeyPath(keyPath);
  combo1->SetEnabled(false);
  edt1->SetEnabled(false);
  srdgrp1->SetEnabled(false);
  srdgrp2->SetEnabled(false);
  edt2->SetEnabled(false);
  EnableMenuItem(GetSystemMenu(WindowHandle(), FALSE), kLogWhatChangedCommand,
                 MF_BYCOMMAND | MF_GRAYED);
  // A field that had the focus lost it as it was disabled: the keyboard goes on from Start / Stop.
  if (GetFocus() == nullptr && GetActiveWindow() == WindowHandle()) {
    image2->SetFocus();
  }
  MonitorThread = TRegMonitorThread::Start(std::move(monitor));
  stsbr1->SetSimpleText("Monitoring Started...");
  ShowStartStopCaption(kStopCaption);
}

void TForm1::ShowStartStopCaption(const char* caption) {
  lbl1->SetCaption(caption);
  // The picture's name follows what its caption says it does.
  image2->SetText(caption);
}

void TForm1::StopMonitor() {
  if (MonitorThread) {
    MonitorThread->Stop();
  }
  stsbr1->SetSimpleText("Monitor Stoped");
  ShowStartStopCaption(kStartCaption);
  EnableSettings();
}

void TForm1::EnableSettings() {
  combo1->SetEnabled(true);
  edt1->SetEnabled(true);
  srdgrp1->SetEnabled(true);
  srdgrp2->SetEnabled(true);
  edt2->SetEnabled(srdgrp2->ItemIndex() == kExecuteProgramAction);
  EnableMenuItem(GetSystemMenu(WindowHandle(), FALSE), kLogWhatChangedCommand,
                 MF_BYCOMMAND | MF_ENABLED);
}

void TForm1::MonitorFailed(WPARAM monitorId) {
  // Any process can post this notice, and it can arrive after a Stop: only the current monitor's
  // link tells whether that monitor has really ended with a failure that the user did not stop.
  if (!MonitorThread || MonitorThread->Id() != monitorId || MonitorThread->StopRequested() ||
      !MonitorThread->Ended()) {
    return;
  }
  const std::string reason = MonitorThread->FailureText();
  if (reason.empty()) {
    return;
  }
  MonitorThread.reset();
  stsbr1->SetSimpleText("Monitoring aborted");
  ShowStartStopCaption(kStartCaption);
  EnableSettings();
  ShowMessageDialog(reason, mkError);
}

void TForm1::GetRooKey() {
  // The root that the box shows: its text may have been pasted or cut without a selection
  // following it. A text that names no root chooses none; an earlier Start's root never stands in.
  const int index = combo1->NamedItemIndex();
  SelectedRootKey =
      index >= 0 && index < static_cast<int>(std::size(kRootKeyOfItem)) ? kRootKeyOfItem[index] : 0;
}

bool TForm1::GetKeyPath(std::string& keyPath) {
  if (edt1->Text().empty()) {
    ShowMessageDialog("Please Enter a Key Path", mkError);
    SetActiveControl(edt1);
    return false;
  }
  // Used exactly as typed: nothing is trimmed, and a text of blanks is not empty.
  EnteredKeyPath = edt1->Text();
  TRegistry registry;
  registry.SetRoot(SelectedRootKey);
  if (!registry.HasKey(EnteredKeyPath)) {
    ShowMessageDialog("Your Key Path doesn't Exists", mkError);
    SetActiveControl(edt1);
    return false;
  }
  keyPath = EnteredKeyPath;
  return true;
}

DWORD TForm1::GetFilterSettings() const {
  const int index = srdgrp1->ItemIndex();
  if (index >= 0 && index < static_cast<int>(std::size(kFilterOfItem))) {
    return kFilterOfItem[index];
  }
  return 0;
}

void TForm1::srdgrp2Click(TComponent*) {
  if (srdgrp2->ItemIndex() == kExecuteProgramAction) {
    edt2->SetEnabled(true);
    ShowMessageDialog("Browse and select a program to execute on event", mkInformation);
    SetActiveControl(edt2);
  } else {
    edt2->SetText("");
    edt2->SetEnabled(false);
  }
}

std::string TForm1::TimeStamp() const {
  return FormatTimeStamp(Clock(), Regional());
}

void TForm1::WMRegChange(WPARAM wParam, LPARAM lParam) {
  // The record of the monitor that sent this message, also when a newer one has started since.
  TChangeData record;
  if (!ReadChangeMessage(wParam, lParam, record)) {
    return;
  }
  const std::string where =
      std::string(kComputerPrefix) + RootKeyName(record.RootKey) + "\\" + record.KeyPath;
  const std::vector<std::string> details = ChangeDetailLines(record.Details);
  std::string entry = std::string(kEntrySeparator) + "\r\n" + kDetectedPrefix + TimeStamp() +
                      "\r\n" + where + "\r\n";
  for (const std::string& line : details) {
    entry += line + "\r\n";
  }
  // One append for the whole entry: each append costs a walk over the control's lines. The entry
  // starts on a line of its own also after a line the user typed without pressing Enter.
  mmo1->AppendOnOwnLine(entry);
  switch (srdgrp2->ItemIndex()) {
  case kPopupAction:
    ShowMessageDialog(PopupText(kDetectedPrefix + TimeStamp() + " " + where, details),
                      mkInformation);
    break;
  case kExecuteProgramAction:
    rzlnchr1->SetFileName(edt2->FileName());
    rzlnchr1->Launch();
    break;
  default:
    break;
  }
}

void TForm1::image6Click(TComponent*) {
  mmo1->Clear();
  stsbr1->SetSimpleText("Log Cleared");
}

bool TForm1::PreviewKey(const MSG& message) {
  // Ctrl+E starts and stops monitoring, as the capture toggle of monitoring tools does; Ctrl+S
  // saves the log. A modal dialog keeps the window disabled, and them inert.
  if (message.message != WM_KEYDOWN || !IsWindowEnabled(WindowHandle())) {
    return false;
  }
  const auto held = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
  if (!held(VK_CONTROL) || held(VK_SHIFT) || held(VK_MENU)) {
    return false;
  }
  switch (message.wParam) {
  case 'E':
    image2Click(this);
    return true;
  case 'S':
    image7Click(this);
    return true;
  default:
    return false;
  }
}

void TForm1::image7Click(TComponent*) {
  if (!dlg1->Execute()) {
    return;
  }
  // The log as it is now, with the entries added while the dialog was open.
  SaveLogFile(dlg1->FileName(), mmo1->Text());
  stsbr1->SetSimpleText("Log Saved");
}

} // namespace hivelark
