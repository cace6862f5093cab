#pragma once

#include "controls/BoundLabel.h"
#include "controls/Edit.h"
#include "framework/Form.h"
#include "main/TimeStamp.h"
#include "monitor/RegMonitorThread.h"

#include <functional>
#include <memory>
#include <string>

namespace hivelark {

class TBevel;
class TImage;
class TMenuItem;
class TPopupMenu;
class TRzLauncher;
class TsFilenameEdit;
class TsLabel;
class TsPanel;
class TsRadioGroup;
class TsSaveDialog;
class TsStatusBar;
class TTrayIcon;
class TVrRunOnce;

// The main window: the one window the user works in. Its upper panel holds the monitor settings
// and the row of picture buttons, its lower panel the change log and the status bar. Main thread
// only; the monitor reaches it only through its messages.
class TForm1 : public TForm {
public:
  explicit TForm1(TComponent* owner);
  ~TForm1() override;

  // The controls, in the order the window declares them. The window owns them all.
  TsPanel* spnl1;
  TsPanel* spnl2;
  TsStatusBar* stsbr1;
  TsMemo* mmo1;
  TImage* image2;
  TImage* image3;
  TImage* image4;
  TImage* image5;
  TsLabel* lbl1;
  TsLabel* lbl2;
  TsLabel* lbl3;
  TsLabel* lbl4;
  TBevel* bvl1;
  TBevel* bvl2;
  TWithBoundLabel<TsComboBox>* combo1;
  TWithBoundLabel<TsEdit>* edt1;
  TImage* image6;
  TsLabel* lbl5;
  TImage* image7;
  TsLabel* lbl6;
  TTrayIcon* trycn1;
  TsSaveDialog* dlg1;
  TPopupMenu* pm1;
  TMenuItem* OpenHivelark1;
  TMenuItem* ExitHivelark1;
  TsRadioGroup* srdgrp1;
  TsRadioGroup* srdgrp2;
  TsFilenameEdit* edt2;
  TRzLauncher* rzlnchr1;
  TVrRunOnce* vrnc1;

  // The current monitor (the one made by the last Start), or none. The window never holds the
  // monitor itself: the monitor ends and frees itself, the link stays valid.
  std::shared_ptr<TRegMonitorLink> MonitorThread;
  // The root key code of the last Start's check: 0 before the first, and when the root key
  // list's text named no root.
  DWORD SelectedRootKey = 0;
  // The key path field's text as the last check read it.
  std::string EnteredKeyPath;

  // Start / Stop.
  void image2Click(TComponent* sender);
  void GetRooKey();
  // The key path check: true with the path in `keyPath` when the key exists under the chosen
  // root; otherwise the user has been told why and the field has the focus.
  bool GetKeyPath(std::string& keyPath);
  DWORD GetFilterSettings() const;
  void srdgrp2Click(TComponent* sender);

  // The change log.
  void WMRegChange(WPARAM wParam, LPARAM lParam);
  void image6Click(TComponent* sender);
  void image7Click(TComponent* sender);
  // The time stamps' clock and regional settings: the local time and the user's own settings.
  // These two hooks exist for the tests, which put a fixed time and fixed settings in their place;
  // the program itself never changes them.
  std::function<SYSTEMTIME()> Clock;
  std::function<RegionalSettings()> Regional;

  // Window commands.
  void image5Click(TComponent* sender);
  void image3Click(TComponent* sender);
  void image4Click(TComponent* sender);
  void trycn1Click(TComponent* sender);
  void image2MouseEnter(TComponent* sender);
  void image2MouseLeave(TComponent* sender);
  void image3MouseEnter(TComponent* sender);
  void image3MouseLeave(TComponent* sender);
  void image4MouseEnter(TComponent* sender);
  void image4MouseLeave(TComponent* sender);
  void image5MouseEnter(TComponent* sender);
  void image5MouseLeave(TComponent* sender);
  void image6MouseEnter(TComponent* sender);
  void image6MouseLeave(TComponent* sender);
  void image7MouseEnter(TComponent* sender);
  void image7MouseLeave(TComponent* sender);

  void FormCreate(TComponent* sender);
  void FormDestroy(TComponent* sender);

  // The system menu's check item "Log what changed": whether the next Start asks the monitor for
  // what changed with each report.
  bool LogWhatChanged() const;

protected:
  void AfterCreateHandle() override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The keyboard shortcuts: Ctrl+E (Start / Stop) and Ctrl+S (Save Log).
  bool PreviewKey(const MSG& message) override;

private:
  void StartMonitor();
  void StopMonitor();
  void EnableSettings();
  void MonitorFailed(WPARAM monitorId);
  UINT LogWhatChangedState() const;
  void ToggleLogWhatChanged();
  std::string TimeStamp() const;
  void BuildComponents();
  void BuildSettingsPanel();
  void BuildLogPanel();
  TImage* AddPictureButton(const char* resource, int left, const char* hint, const char* caption);
  // "Start Monitor" or "Stop Monitor", under the Start / Stop picture and as its name.
  void ShowStartStopCaption(const char* caption);
  TsLabel* AddButtonCaption(int left, const char* caption);
  // Moves a picture button by (delta, delta): the hover shift and its undoing.
  static void ShiftPicture(TImage* picture, int delta);
};

} // namespace hivelark
