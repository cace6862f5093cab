#include "framework/Form.h"

#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/ModalScope.h"
#include "framework/ScopeEnd.h"

#include <commctrl.h>

#include <utility>

namespace hivelark {

TForm::TForm(TComponent* owner) : TWindow(owner) {
  TWindow::SetVisible(false);
}

TForm::~TForm() = default;

void TForm::SetBorderIcons(bool minimize, bool maximize) {
  minimizeBox_ = minimize;
  maximizeBox_ = maximize;
  if (HandleAllocated() && borderStyle_ == TBorderStyle::Single) {
    ChangeStyle((minimize ? WS_MINIMIZEBOX : 0) | (maximize ? WS_MAXIMIZEBOX : 0),
                (minimize ? 0 : WS_MINIMIZEBOX) | (maximize ? 0 : WS_MAXIMIZEBOX));
  }
}

void TForm::SetClientSize(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
  if (HandleAllocated()) {
    const SIZE size =
        WindowSizeForClient(Dpi(), static_cast<DWORD>(GetWindowLongPtrA(WindowHandle(), GWL_STYLE)),
                            static_cast<DWORD>(GetWindowLongPtrA(WindowHandle(), GWL_EXSTYLE)));
    SetBounds(Left(), Top(), size.cx, size.cy);
  }
}

SIZE TForm::WindowSizeForClient(int dpi, DWORD style, DWORD exStyle) const {
  RECT rect{0, 0, ScaleToDpi(clientWidth_, dpi), ScaleToDpi(clientHeight_, dpi)};
  AdjustWindowRectForDpi(rect, style, exStyle, dpi);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

void TForm::Link(TWindow*& slot, TWindow* control) {
  TWindow* const previous = std::exchange(slot, control);
  FreeNotification(control);
  if (previous != nullptr && previous != defaultButton_ && previous != cancelButton_ &&
      previous != activeControl_) {
    RemoveFreeNotification(previous);
  }
}

void TForm::Notification(TComponent* component) {
  TWindow::Notification(component);
  for (TWindow** slot : {&defaultButton_, &cancelButton_, &activeControl_}) {
    if (*slot == component) {
      *slot = nullptr;
    }
  }
}

void TForm::SetActiveControl(TWindow* control) {
  Link(activeControl_, control);
  if (control != nullptr && HandleAllocated() && GetActiveWindow() == WindowHandle() &&
      control->CanFocus()) {
    control->SetFocus();
  }
}

void TForm::CreateParams(TCreateParams& params) {
  params.className = kFormClassName;
  params.style = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
  params.exStyle = WS_EX_CONTROLPARENT;
  if (borderStyle_ == TBorderStyle::Dialog) {
    params.style |= WS_POPUP;
    params.exStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
  } else {
    params.style |= WS_OVERLAPPED | WS_BORDER;
    if (minimizeBox_) {
      params.style |= WS_MINIMIZEBOX;
    }
    if (maximizeBox_) {
      params.style |= WS_MAXIMIZEBOX;
    }
  }
  TForm* mainForm = Application != nullptr ? Application->MainForm() : nullptr;
  if (mainForm != nullptr && mainForm != this) {
    // Every form but the main window belongs to it: no taskbar button of its own, and it stays
    // above the main window. CreateHandle has made its window.
    params.owner = mainForm->WindowHandle();
  }
  createdAtDpi_ = Dpi();
  if (clientWidth_ >= 0) {
    const SIZE size = WindowSizeForClient(createdAtDpi_, params.style, params.exStyle);
    params.width = size.cx;
    params.height = size.cy;
  }
}

void TForm::CreateHandle() {
  TForm* mainForm = Application != nullptr ? Application->MainForm() : nullptr;
  if (mainForm != nullptr && mainForm != this) {
    mainForm->Handle();
  }
  TWindow::CreateHandle();
}

void TForm::BeforeDestruction() {
  // Owned by the form's window, the tooltip would go with it and leave a stale handle here.
  toolTip_.reset();
  TWindow::BeforeDestruction();
}

void TForm::AfterCreateHandle() {
  // Made on a monitor of another DPI than the screen's: the client area is that DPI's.
  if (clientWidth_ >= 0 && Dpi() != createdAtDpi_) {
    SetClientSize(clientWidth_, clientHeight_);
  }
  if (showHint_) {
    toolTip_.reset(CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                   WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, WindowHandle(),
                                   nullptr, GetModuleHandleA(nullptr), nullptr));
  }
}

namespace {

struct HintTools {
  HWND toolTip;
  HWND form;
  const std::string* hint;
};

void AddHintTool(const HintTools& tools, HWND window) {
  TOOLINFOA tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = tools.form;
  tool.uId = reinterpret_cast<UINT_PTR>(window);
  tool.lpszText = const_cast<char*>(tools.hint->c_str());
  SendMessageA(tools.toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

BOOL CALLBACK AddInnerWindowTool(HWND inner, LPARAM parameter) {
  // An inner window with a hint of its own shows that one (it was added when it was created).
  const TWindow* control = TWindow::FromHandle(inner);
  if (control == nullptr || control->Hint().empty()) {
    AddHintTool(*reinterpret_cast<const HintTools*>(parameter), inner);
  }
  return TRUE;
}

} // namespace

void TForm::DescendantCreated(TWindow* descendant) {
  if (!toolTip_) {
    return;
  }
  const HintTools tools{toolTip_.get(), WindowHandle(), &descendant->Hint()};
  AddHintTool(tools, descendant->WindowHandle());
  // The mouse over a control's inner windows (the edit of a combo box, the button of a file name
  // field) reaches them, not the control: they show its hint too. They exist by now, as a control
  // creates its children before it is announced.
  EnumChildWindows(descendant->WindowHandle(), AddInnerWindowTool,
                   reinterpret_cast<LPARAM>(&tools));
}

void TForm::PrepareFirstShow() {
  if (placed_) {
    return;
  }
  placed_ = true;
  // As in the platform's dialogs: no focus rectangles and no underlined access keys until the
  // keyboard is used, unless the user asked to see them always.
  BOOL alwaysShowCues = FALSE;
  SystemParametersInfoA(SPI_GETKEYBOARDCUES, 0, &alwaysShowCues, 0);
  if (!alwaysShowCues) {
    ChangeKeyboardCues(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL);
  }
  if (position_ == TPosition::ScreenCenter) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    SetBounds((screenWidth - Width()) / 2, (screenHeight - Height()) / 2, Width(), Height());
  }
}

void TForm::SetVisible(bool visible) {
  if (visible) {
    ShowWithCommand(SW_SHOWNORMAL);
    return;
  }
  TWindow::SetVisible(false);
}

void TForm::ShowWithCommand(int showCommand) {
  Handle();
  PrepareFirstShow();
  const bool wasVisible = Visible();
  // The command alone: shown first at normal size, a window started minimised would flash up and
  // take the focus before it went to the taskbar.
  ShowWindow(WindowHandle(), showCommand);
  const bool visible = IsWindowVisible(WindowHandle()) != FALSE;
  NoteVisible(visible);
  if (visible && !wasVisible) {
    DoShow();
  }
}

void TForm::BringToFront() {
  if (!Visible()) {
    Show();
  }
  RestoreToFront(WindowHandle());
}

int TForm::ShowModal() {
  if (modal_ || Visible()) {
    throw Exception("Cannot make a visible window modal");
  }
  HWND handle = Handle();
  ModalScope scope(handle);
  // However the loop ends: the other windows are enabled before the form hides, so that the
  // platform does not hand the activation to another program, and the scope then gives it back.
  const AtScopeEnd leaveModalState([this, &scope] {
    scope.EnableOtherWindows();
    Hide();
    modal_ = false;
  });
  modal_ = true;
  modalResult_ = mrNone;
  Show();
  SetActiveWindow(handle);
  while (modalResult_ == mrNone) {
    if (!Application->HandleMessage()) {
      modalResult_ = mrCancel;
      // The quit request was taken by this loop; the main loop must see it too.
      Application->Terminate();
    }
  }
  return modalResult_;
}

void TForm::Close() {
  if (modal_) {
    modalResult_ = mrCancel;
    return;
  }
  DoClose();
  if (Application != nullptr && Application->MainForm() == this) {
    Application->Terminate();
  } else {
    Hide();
  }
}

void TForm::DoCreate() {
  if (OnCreate) {
    OnCreate(this);
  }
}

void TForm::DoDestroy() {
  if (OnDestroy) {
    OnDestroy(this);
  }
}

void TForm::DoShow() {
  if (OnShow) {
    OnShow(this);
  }
}

void TForm::DoClose() {
  if (OnClose) {
    OnClose(this);
  }
}

bool TForm::PreviewKey(const MSG&) {
  return false;
}

void TForm::NoteKeyboardUse(const MSG& message) {
  // The keys by which the platform's dialogs show their cues: the navigation keys the focus
  // rectangle, Alt the underlined access keys as well.
  WORD cues = 0;
  if (message.message == WM_KEYDOWN) {
    switch (message.wParam) {
    case VK_TAB:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      cues = UISF_HIDEFOCUS;
      break;
    default:
      break;
    }
  } else if (message.message == WM_SYSKEYDOWN) {
    cues = UISF_HIDEFOCUS | UISF_HIDEACCEL;
  }
  if (cues == 0 || !HandleAllocated()) {
    return;
  }
  const bool hidden = ((cues & UISF_HIDEFOCUS) != 0 && focusCuesHidden_) ||
                      (SendMessageA(WindowHandle(), WM_QUERYUISTATE, 0, 0) & cues) != 0;
  if (hidden) {
    ChangeKeyboardCues(UIS_CLEAR, cues);
  }
}

void TForm::ChangeKeyboardCues(WORD action, WORD cues) {
  if ((cues & UISF_HIDEFOCUS) != 0) {
    focusCuesHidden_ = action == UIS_SET;
  }
  // The platform's own controls follow through the platform, where it keeps the state.
  SendMessageA(WindowHandle(), WM_CHANGEUISTATE, MAKEWPARAM(action, cues), 0);
  // Where it does not, the focused control is not told: it redraws with its cue or without.
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(WindowHandle(), focus)) {
    InvalidateRect(focus, nullptr, FALSE);
  }
}

void TForm::ClickButton(TWindow* button) {
  if (button != nullptr && button->HandleAllocated() && button->Enabled() && button->Visible()) {
    SendMessageA(button->WindowHandle(), BM_CLICK, 0, 0);
  }
}

bool TForm::OnMenuCommand(WORD id) {
  // The dialog navigation sends IDOK for Enter when no default button answers DM_GETDEFID, and
  // IDCANCEL for Esc.
  if (id == IDCANCEL) {
    ClickButton(cancelButton_);
    return true;
  }
  if (id == IDOK) {
    ClickButton(defaultButton_);
    return true;
  }
  return false;
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_UPDATEUISTATE: {
    // The platform changed the cues, by our asking or of itself (a menu opened by the keyboard):
    // where it keeps them, its record is the one that counts.
    const LRESULT result = TWindow::WndProc(message, wParam, lParam);
    focusCuesHidden_ = (SendMessageA(WindowHandle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
    return result;
  }
  case WM_CLOSE:
    Close();
    return 0;
  case WM_GETDPISCALEDSIZE:
    // Asked before a move to a monitor of another DPI: the size that keeps the client area's
    // units, so that the rectangle WM_DPICHANGED then suggests is the right one.
    if (clientWidth_ >= 0) {
      *reinterpret_cast<SIZE*>(lParam) =
          WindowSizeForClient(static_cast<int>(wParam),
                              static_cast<DWORD>(GetWindowLongPtrA(WindowHandle(), GWL_STYLE)),
                              static_cast<DWORD>(GetWindowLongPtrA(WindowHandle(), GWL_EXSTYLE)));
      return TRUE;
    }
    return FALSE;
  case WM_DPICHANGED: {
    // The controls first, so that the frame's new size finds everything at the new DPI.
    const int dpi = HIWORD(wParam);
    ChangeDpi(dpi);
    // The suggested place. Its size is the one WM_GETDPISCALEDSIZE gave, where the system asks
    // (Windows 10 from 1703 on); before, it is the whole window scaled, frame and all, which
    // misses the client area's units: that size is reckoned here alike.
    const RECT suggested = *reinterpret_cast<const RECT*>(lParam);
    SIZE size{suggested.right - suggested.left, suggested.bottom - suggested.top};
    if (clientWidth_ >= 0) {
      size =
          WindowSizeForClient(dpi, static_cast<DWORD>(GetWindowLongPtrA(WindowHandle(), GWL_STYLE)),
                              static_cast<DWORD>(GetWindowLongPtrA(WindowHandle(), GWL_EXSTYLE)));
    }
    SetWindowPos(WindowHandle(), nullptr, suggested.left, suggested.top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (clientWidth_ >= 0) {
      // Where the frame is not drawn at the window's DPI (per-monitor awareness before Windows 10
      // 1703 keeps it at the screen's), its measures at that DPI are not the frame's: what counts
      // is the client area, corrected by what it lacks.
      RECT client{0, 0, 0, 0};
      GetClientRect(WindowHandle(), &client);
      const int missingWidth = ScaleToDpi(clientWidth_, dpi) - client.right;
      const int missingHeight = ScaleToDpi(clientHeight_, dpi) - client.bottom;
      if (missingWidth != 0 || missingHeight != 0) {
        SetWindowPos(WindowHandle(), nullptr, 0, 0, size.cx + missingWidth, size.cy + missingHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
    }
    return 0;
  }
  case WM_NEXTDLGCTL: {
    // What a dialog does for its controls (a multi-line edit sends it for Tab): wParam names the
    // control to focus when lParam says so, else whether to go back to the previous one.
    HWND focus = GetFocus();
    HWND next =
        LOWORD(lParam) != 0
            ? reinterpret_cast<HWND>(wParam)
            : GetNextDlgTabItem(WindowHandle(), IsChild(WindowHandle(), focus) ? focus : nullptr,
                                wParam != 0);
    if (next != nullptr) {
      if (LOWORD(lParam) == 0 && (SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) {
        SendMessageA(next, EM_SETSEL, 0, -1);
      }
      ::SetFocus(next);
    }
    return 0;
  }
  case DM_GETDEFID:
    if (defaultButton_ != nullptr && defaultButton_->HandleAllocated()) {
      return MAKELRESULT(GetDlgCtrlID(defaultButton_->WindowHandle()), DC_HASDEFID);
    }
    return 0;
  case WM_ACTIVATE:
    if (LOWORD(wParam) == WA_INACTIVE) {
      HWND focus = GetFocus();
      if (focus != nullptr && IsChild(WindowHandle(), focus)) {
        // The focus may sit in an inner window of a control (the edit of a combo box).
        for (HWND window = focus; window != nullptr && window != WindowHandle();
             window = GetParent(window)) {
          if (TWindow* control = FromHandle(window)) {
            Link(activeControl_, control);
            break;
          }
        }
      }
    } else if (!IsIconic(WindowHandle())) {
      if (activeControl_ != nullptr && activeControl_->HandleAllocated() &&
          activeControl_->CanFocus()) {
        ::SetFocus(activeControl_->WindowHandle());
        return 0;
      }
      if (HWND first = GetNextDlgTabItem(WindowHandle(), nullptr, FALSE)) {
        ::SetFocus(first);
        return 0;
      }
    }
    break;
  default:
    break;
  }
  return TWindow::WndProc(message, wParam, lParam);
}

} // namespace hivelark
