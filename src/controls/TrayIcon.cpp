#include "controls/TrayIcon.h"

#include "controls/Menus.h"
#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/Messages.h"
#include "framework/Window.h"

#include <algorithm>
#include <cstring>

namespace hivelark {
namespace {

// The record's layout with the balloon fields: the largest that every shell since Windows 2000
// accepts.
constexpr DWORD kIconDataSize = NOTIFYICONDATAA_V2_SIZE;
#if !defined(_WIN64)
static_assert(NOTIFYICONDATAA_V2_SIZE == 488);
static_assert(sizeof(NOTIFYICONDATAA) == 508);
#endif

// Broadcast by the shell when it creates the taskbar again (after a restart of the shell): every
// icon has to be added anew.
UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageA("TaskbarCreated");
  return message;
}

// Copies as much of `text` as fits before the terminating NUL and clears the rest.
template <size_t Size> void CopyText(char (&target)[Size], const std::string& text) {
  std::memset(target, 0, Size);
  std::memcpy(target, text.data(), std::min(text.size(), Size - 1));
}

} // namespace

// The hidden window whose procedure is the icon's: the shell reports the mouse to it.
class TCustomTrayIcon::TTrayIconWindow : public TWindow {
public:
  explicit TTrayIconWindow(TCustomTrayIcon& icon) : TWindow(nullptr), icon_(icon) {}

protected:
  void CreateParams(TCreateParams& params) override {
    params.className = "HivelarkTrayIcon";
    // Not message-only: such windows miss the shell's "TaskbarCreated" broadcast.
    params.style = WS_POPUP;
    params.exStyle = WS_EX_TOOLWINDOW;
  }
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    LRESULT result = 0;
    if (icon_.WindowProc(message, wParam, lParam, result)) {
      return result;
    }
    return DefaultHandler(message, wParam, lParam);
  }

private:
  TCustomTrayIcon& icon_;
};

TCustomTrayIcon::TCustomTrayIcon(TComponent* owner)
    : TComponent(owner), window_(std::make_unique<TTrayIconWindow>(*this)) {
  TaskbarCreatedMessage();
  HWND handle = window_->Handle();
  data_.cbSize = kIconDataSize;
  data_.hWnd = handle;
  // One icon per hidden window, so the window's handle value identifies it.
  data_.uID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(handle));
  data_.uFlags = NIF_MESSAGE | NIF_ICON;
  data_.uCallbackMessage = WM_TRAYICON_CALLBACK;
  const std::string title = Application != nullptr ? Application->Title() : std::string();
  CopyText(data_.szTip, title);
  if (!title.empty()) {
    data_.uFlags |= NIF_TIP;
  }
}

TCustomTrayIcon::~TCustomTrayIcon() {
  Notify(NIM_DELETE);
}

BOOL TCustomTrayIcon::Notify(DWORD message) {
  if (shellNotify_) {
    return shellNotify_(message, data_);
  }
  return Shell_NotifyIconA(message, &data_);
}

void TCustomTrayIcon::SetHint(const std::string& hint) {
  if (hint == hint_) {
    return;
  }
  hint_ = hint;
  CopyText(data_.szTip, hint);
  if (hint.empty()) {
    data_.uFlags &= ~NIF_TIP;
  } else {
    data_.uFlags |= NIF_TIP;
  }
  if (visible_) {
    Notify(NIM_MODIFY);
  }
}

void TCustomTrayIcon::SetIcon(HICON icon) {
  icon_.reset();
  if (icon != nullptr) {
    // From the icon's resource when it came from one: the image drawn for the small-icon size
    // of the screen's DPI, at which the notification area shows it.
    icon_.reset(static_cast<HICON>(CopyImage(icon, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_COPYFROMRESOURCE)));
    if (!icon_) {
      icon_.reset(CopyIcon(icon));
    }
  }
  TakeShownIcon();
  if (visible_) {
    Notify(NIM_MODIFY);
  }
}

void TCustomTrayIcon::TakeShownIcon() {
  if (icon_) {
    data_.hIcon = icon_.get();
    return;
  }
  if (!applicationIcon_) {
    applicationIcon_.reset(static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                   GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
  }
  data_.hIcon = applicationIcon_.get();
}

void TCustomTrayIcon::SetVisible(bool visible) {
  if (visible == visible_) {
    return;
  }
  // Set before the shell is asked: an icon wanted but refused is added when the shell announces
  // a new taskbar.
  visible_ = visible;
  if (visible) {
    TakeShownIcon();
    Add();
    if (!shown_ && !Loading()) {
      throw Exception("Cannot create shell notification icon");
    }
  } else {
    shown_ = false;
    if (!Notify(NIM_DELETE) && !Loading()) {
      throw Exception("Cannot remove shell notification icon");
    }
  }
}

void TCustomTrayIcon::Add() {
  // A shell that announces its taskbar while starting may already hold the icon added just
  // before: then only an update succeeds.
  shown_ = Notify(NIM_ADD) || Notify(NIM_MODIFY);
  if (!shown_) {
    return;
  }
  // The newer behaviour reports the keyboard on the icon too: Enter or Space selects it, Shift+F10
  // or the menu key asks for its menu. Each new taskbar has to be told again. The field is the
  // balloon's time-out otherwise, which the record keeps at 0.
  data_.uVersion = NOTIFYICON_VERSION;
  keyboardReported_ = Notify(NIM_SETVERSION) != FALSE;
  data_.uVersion = 0;
}

void TCustomTrayIcon::SetPopupMenu(TPopupMenu* menu) {
  if (popupMenu_ != nullptr) {
    RemoveFreeNotification(popupMenu_);
  }
  popupMenu_ = menu;
  if (menu != nullptr) {
    FreeNotification(menu);
  }
}

void TCustomTrayIcon::Notification(TComponent* component) {
  if (component == popupMenu_) {
    popupMenu_ = nullptr;
  }
}

bool TCustomTrayIcon::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  switch (message) {
  case WM_QUERYENDSESSION:
    result = TRUE;
    return true;
  case WM_ENDSESSION:
    if (wParam != FALSE) {
      Notify(NIM_DELETE);
      shown_ = false;
    }
    return true;
  case WM_TRAYICON_CALLBACK:
    HandleCallback(lParam);
    return true;
  default:
    if (message == TaskbarCreatedMessage()) {
      if (visible_) {
        Add();
      }
      return true;
    }
    return false;
  }
}

void TCustomTrayIcon::HandleCallback(LPARAM event) {
  // Where the cursor is now, not where the reported event happened.
  POINT cursor{0, 0};
  GetCursorPos(&cursor);
  const TShiftState shift = KeyboardShiftState();
  // The event before this one, moves aside: the mouse may move between a release and the
  // selection that follows it.
  const LPARAM previousEvent = lastEvent_;
  const DWORD previousTime = lastEventTime_;
  if (event != WM_MOUSEMOVE) {
    lastEvent_ = event;
    lastEventTime_ = GetTickCount();
  }
  switch (event) {
  case NIN_KEYSELECT:
    // Some shells report Enter twice at once: one press, one click.
    if (previousEvent != NIN_KEYSELECT || lastEventTime_ - previousTime > GetDoubleClickTime()) {
      DoClick();
    }
    break;
  case NIN_SELECT:
    // Also reported after every left click, which the release has answered already; on its own
    // it is Enter on an icon that the mouse selected.
    if (previousEvent != WM_LBUTTONUP) {
      DoClick();
    }
    break;
  case WM_CONTEXTMENU:
    if (popupMenu_ != nullptr) {
      ShowPopupMenu(cursor.x, cursor.y);
    }
    break;
  case WM_MOUSEMOVE:
    DoMouseMove(shift, cursor.x, cursor.y);
    break;
  case WM_LBUTTONDOWN:
    DoMouseDown(mbLeft, shift | ssLeft, cursor.x, cursor.y);
    isClicked_ = true;
    break;
  case WM_LBUTTONUP:
    // A click needs a reported press: the release after a double click is not one.
    if (isClicked_ && OnClick) {
      DoClick();
      isClicked_ = false;
    }
    DoMouseUp(mbLeft, shift | ssLeft, cursor.x, cursor.y);
    break;
  case WM_LBUTTONDBLCLK:
  case WM_RBUTTONDBLCLK:
  case WM_MBUTTONDBLCLK:
    DoDblClick();
    break;
  case WM_RBUTTONDOWN:
    DoMouseDown(mbRight, shift | ssRight, cursor.x, cursor.y);
    break;
  case WM_RBUTTONUP:
    DoMouseUp(mbRight, shift | ssRight, cursor.x, cursor.y);
    // A shell that reports the keyboard follows the release with WM_CONTEXTMENU.
    if (popupMenu_ != nullptr && !keyboardReported_) {
      ShowPopupMenu(cursor.x, cursor.y);
    }
    break;
  case WM_MBUTTONDOWN:
    DoMouseDown(mbMiddle, shift | ssMiddle, cursor.x, cursor.y);
    break;
  case WM_MBUTTONUP:
    DoMouseUp(mbMiddle, shift | ssMiddle, cursor.x, cursor.y);
    break;
  default:
    break;
  }
}

void TCustomTrayIcon::ShowPopupMenu(int x, int y) {
  if (Application != nullptr) {
    // The menu closes on a click elsewhere only while its thread owns the foreground window.
    SetForegroundWindow(Application->Handle());
    Application->ProcessMessages();
  }
  // The messages just handled may have destroyed the menu.
  if (popupMenu_ == nullptr) {
    return;
  }
  popupMenu_->SetAutoPopup(false);
  popupMenu_->SetPopupComponent(Owner());
  popupMenu_->Popup(x, y);
}

void TCustomTrayIcon::DoClick() {
  if (OnClick) {
    OnClick(this);
  }
}

void TCustomTrayIcon::DoDblClick() {
  if (OnDblClick) {
    OnDblClick(this);
  }
}

void TCustomTrayIcon::DoMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) {
    OnMouseDown(this, button, shift, x, y);
  }
}

void TCustomTrayIcon::DoMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) {
    OnMouseUp(this, button, shift, x, y);
  }
}

void TCustomTrayIcon::DoMouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) {
    OnMouseMove(this, shift, x, y);
  }
}

} // namespace hivelark
