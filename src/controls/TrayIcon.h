#pragma once

#include "framework/Component.h"
#include "framework/Handles.h"
#include "framework/Input.h"

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>

namespace hivelark {

class TPopupMenu;

// One icon with a tooltip in the notification area of the taskbar. A hidden window of its own
// receives the shell's reports of the mouse and the keyboard on the icon and turns them into
// events: a left click or Enter or Space on the icon is a click; a right button release, Shift+F10
// or the menu key opens PopupMenu at the cursor. The icon comes back when the shell restarts, and
// leaves the notification area when the component is destroyed. Main thread only: the hidden
// window, the events and the menu all run there.
class TCustomTrayIcon : public TComponent {
public:
  // The call that hands the icon record to the shell (Shell_NotifyIconA unless replaced, as tests
  // do to see the record); TRUE on success.
  using TShellNotify = std::function<BOOL(DWORD message, NOTIFYICONDATAA& data)>;

  explicit TCustomTrayIcon(TComponent* owner);
  ~TCustomTrayIcon() override;

  // The tooltip (default empty; until it is first set, the tooltip shows the application title).
  // Only its first 127 characters are shown.
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);

  // A copy of `icon` made at the system's standard icon size (from the icon's resource when it
  // came from one); null for none, in which case the application's icon is shown.
  HICON Icon() const { return icon_.get(); }
  void SetIcon(HICON icon);

  // Whether the icon is wanted in the notification area (default false). A shell that refuses
  // the icon raises "Cannot create shell notification icon", one that refuses its removal
  // "Cannot remove shell notification icon"; neither is raised while the owner's layout is
  // being built, as at a start before the shell runs: a wanted icon is added when the shell
  // announces its taskbar.
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  // Whether the shell took the icon and shows it now.
  bool Shown() const { return shown_; }
  // Whether the shell reports the keyboard on the icon (it took the newer behaviour).
  bool KeyboardReported() const { return keyboardReported_; }

  // The menu a right click opens, or null; it may be destroyed before the icon.
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* menu);

  // Whether a left press was reported that no click has answered yet.
  bool IsClicked() const { return isClicked_; }

  // The record handed to the shell.
  const NOTIFYICONDATAA& IconData() const { return data_; }
  void SetShellNotify(TShellNotify notify) { shellNotify_ = std::move(notify); }

  // Mouse events from the shell; x and y are the cursor's screen position when the report is
  // handled.
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;

protected:
  // The hidden window's procedure; true when it handled `message` and set `result`.
  virtual bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void Notification(TComponent* component) override;

  virtual void DoClick();
  virtual void DoDblClick();
  virtual void DoMouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void DoMouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void DoMouseMove(TShiftState shift, int x, int y);

private:
  class TTrayIconWindow;

  void HandleCallback(LPARAM event);
  void ShowPopupMenu(int x, int y);
  BOOL Notify(DWORD message);
  void Add();
  void TakeShownIcon();

  std::unique_ptr<TTrayIconWindow> window_;
  NOTIFYICONDATAA data_{};
  TShellNotify shellNotify_;
  std::string hint_;
  UniqueIcon icon_;
  UniqueIcon applicationIcon_;
  bool visible_ = false;
  bool shown_ = false;
  bool isClicked_ = false;
  bool keyboardReported_ = false;
  LPARAM lastEvent_ = 0;
  DWORD lastEventTime_ = 0;
  TPopupMenu* popupMenu_ = nullptr;
};

// The notification-area icon as windows place it.
class TTrayIcon : public TCustomTrayIcon {
public:
  using TCustomTrayIcon::TCustomTrayIcon;
};

} // namespace hivelark
