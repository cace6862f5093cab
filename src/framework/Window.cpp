#include "framework/Window.h"

#include "framework/AccessibleName.h"
#include "framework/Application.h"
#include "framework/Exception.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <set>

namespace hivelark {
namespace {

constexpr char kWindowProperty[] = "HivelarkWindow";
constexpr UINT_PTR kSubclassId = 1;
// Control IDs below this are the dialog command IDs (IDOK, IDCANCEL, ...), which the platform's
// dialog navigation sends to a form as commands.
constexpr int kFirstControlId = 100;
int nextControlId = kFirstControlId;

} // namespace

LRESULT CALLBACK WindowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  TWindow* window = nullptr;
  if (message == WM_NCCREATE) {
    window = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    if (window != nullptr) {
      window->Attach(handle);
    }
  } else {
    window = TWindow::FromHandle(handle);
  }
  if (window == nullptr) {
    return DefWindowProcA(handle, message, wParam, lParam);
  }
  return window->GuardedWndProc(message, wParam, lParam);
}

LRESULT CALLBACK SubclassProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR, DWORD_PTR reference) {
  auto* window = reinterpret_cast<TWindow*>(reference);
  if (window == nullptr || window->handle_ != handle) {
    return DefSubclassProc(handle, message, wParam, lParam);
  }
  return window->GuardedWndProc(message, wParam, lParam);
}

HICON SmallProgramIcon() {
  // Not a shared image: the platform would hand back the first size of the icon loaded that way.
  static const HICON icon = static_cast<HICON>(
      LoadImageA(GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                 GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  return icon;
}

void RestoreToFront(HWND window) {
  if (IsIconic(window)) {
    ShowWindow(window, SW_RESTORE);
  } else if (!IsWindowVisible(window)) {
    ShowWindow(window, SW_SHOW);
  }
  SetForegroundWindow(window);
  BringWindowToTop(window);
}

TWindow::TWindow(TComponent* owner) : TComponent(owner) {}

TWindow::~TWindow() {
  for (TWindow* child : children_) {
    child->parent_ = nullptr;
  }
  children_.clear();
  if (parent_ != nullptr) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  DestroyHandle();
}

void TWindow::BeforeDestruction() {
  DestroyHandle();
  TComponent::BeforeDestruction();
}

void TWindow::DestroyHandle() {
  if (handle_ == nullptr) {
    return;
  }
  HWND handle = handle_;
  Detach();
  DestroyWindow(handle);
}

TWindow* TWindow::FromHandle(HWND window) {
  if (window == nullptr) {
    return nullptr;
  }
  return static_cast<TWindow*>(GetPropA(window, kWindowProperty));
}

HWND TWindow::Handle() {
  if (handle_ == nullptr) {
    CreateHandle();
  }
  return handle_;
}

void TWindow::SetParent(TWindow* parent) {
  if (parent == parent_) {
    return;
  }
  if (parent_ != nullptr) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  parent_ = parent;
  if (parent_ != nullptr) {
    parent_->children_.push_back(this);
    if (handle_ != nullptr) {
      ::SetParent(handle_, parent_->Handle());
    } else if (parent_->HandleAllocated()) {
      CreateHandle();
    }
  }
}

RECT TWindow::BoundsRect() const {
  if (handle_ == nullptr) {
    return bounds_;
  }
  RECT rect;
  GetWindowRect(handle_, &rect);
  if (parent_ == nullptr) {
    return rect;
  }
  if (parent_->handle_ != nullptr) {
    MapWindowPoints(HWND_DESKTOP, parent_->handle_, reinterpret_cast<POINT*>(&rect), 2);
  }
  // Where the native window stands where the bounds put it, the bounds are exact; only a window
  // that placed itself (a combo box takes the height of its font) is read back in units.
  const RECT placed = PixelRect(bounds_);
  if (EqualRect(&rect, &placed)) {
    return bounds_;
  }
  const int left = ToUnits(rect.left);
  const int top = ToUnits(rect.top);
  return {left, top, left + ToUnits(rect.right - rect.left), top + ToUnits(rect.bottom - rect.top)};
}

RECT TWindow::PixelRect(const RECT& bounds) const {
  return ScaleRectToDpi(bounds, Dpi());
}

void TWindow::PlaceNativeWindow() {
  const RECT pixels = parent_ != nullptr ? PixelRect(bounds_) : bounds_;
  SetWindowPos(handle_, nullptr, pixels.left, pixels.top, pixels.right - pixels.left,
               pixels.bottom - pixels.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

int TWindow::Dpi() const {
  const TWindow* topLevel = this;
  while (topLevel->parent_ != nullptr) {
    topLevel = topLevel->parent_;
  }
  return topLevel->dpi_ != 0 ? topLevel->dpi_ : ScreenDpi();
}

int TWindow::Left() const {
  return BoundsRect().left;
}

int TWindow::Top() const {
  return BoundsRect().top;
}

int TWindow::Width() const {
  const RECT rect = BoundsRect();
  return rect.right - rect.left;
}

int TWindow::Height() const {
  const RECT rect = BoundsRect();
  return rect.bottom - rect.top;
}

void TWindow::SetBounds(int left, int top, int width, int height) {
  bounds_ = {left, top, left + width, top + height};
  if (handle_ != nullptr) {
    PlaceNativeWindow();
  }
  OnBoundsChanged();
}

int TWindow::ClientWidth() const {
  if (handle_ == nullptr) {
    return Width();
  }
  RECT rect;
  GetClientRect(handle_, &rect);
  return ToUnits(rect.right);
}

int TWindow::ClientHeight() const {
  if (handle_ == nullptr) {
    return Height();
  }
  RECT rect;
  GetClientRect(handle_, &rect);
  return ToUnits(rect.bottom);
}

std::string TWindow::Text() const {
  if (handle_ == nullptr) {
    // A control's own text lives in its native window once it has one; what the object kept
    // from before would pass for it, stale (an empty log saved over the user's file).
    if (nativeWindowLost_) {
      throw Exception("The window's text is lost: its window was destroyed");
    }
    return text_;
  }
  // The platform's controls keep their text in UTF-16: asking for the length in bytes would have
  // them convert the whole text once just to count it, before the copy converts it again (for a
  // long log, most of the time a save takes). Its length in UTF-16 units comes without a
  // conversion and bounds the bytes: each unit gives at most one character of the code page.
  CPINFO codePage{};
  const size_t bytesPerUnit = GetCPInfo(CP_ACP, &codePage) ? codePage.MaxCharSize : 2;
  const size_t units = static_cast<size_t>(std::max(GetWindowTextLengthW(handle_), 0));
  std::string text(std::min<size_t>(units * bytesPerUnit + 1, INT_MAX), '\0');
  const int copied = GetWindowTextA(handle_, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(std::max(copied, 0)));
  return text;
}

void TWindow::SetText(const std::string& text) {
  text_ = text;
  nativeWindowLost_ = false;
  if (handle_ != nullptr) {
    SetWindowTextA(handle_, text.c_str());
  }
}

bool TWindow::Visible() const {
  if (handle_ == nullptr) {
    return visible_;
  }
  return (GetWindowLongPtrA(handle_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void TWindow::SetVisible(bool visible) {
  visible_ = visible;
  if (visible && parent_ == nullptr) {
    Handle();
  }
  if (handle_ != nullptr) {
    ShowWindow(handle_, visible ? SW_SHOW : SW_HIDE);
  }
  OnVisibleChanged();
}

void TWindow::NoteVisible(bool visible) {
  visible_ = visible;
  OnVisibleChanged();
}

void TWindow::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (handle_ != nullptr) {
    EnableWindow(handle_, enabled ? TRUE : FALSE);
  }
  OnEnabledChanged();
}

std::shared_ptr<TFont> TWindow::Font() const {
  if (parentFont_ && parent_ != nullptr) {
    return parent_->Font();
  }
  return font_ ? font_ : DefaultFont();
}

void TWindow::SetFont(std::shared_ptr<TFont> font) {
  font_ = std::move(font);
  parentFont_ = false;
  // Every window that inherits the font takes the new one at once.
  std::vector<TWindow*> pending{this};
  while (!pending.empty()) {
    TWindow* window = pending.back();
    pending.pop_back();
    if (window->handle_ != nullptr) {
      SendMessageA(window->handle_, WM_SETFONT, reinterpret_cast<WPARAM>(window->FontHandle()),
                   TRUE);
    }
    for (TWindow* child : window->children_) {
      if (child->parentFont_) {
        pending.push_back(child);
      }
    }
  }
}

void TWindow::SetColor(COLORREF color) {
  color_ = color;
  backgroundBrush_.reset();
  Invalidate();
}

bool TWindow::CanFocus() const {
  for (const TWindow* window = this; window != nullptr; window = window->parent_) {
    if (!window->enabled_ || !window->Visible()) {
      return false;
    }
  }
  return true;
}

bool TWindow::Focused() const {
  return handle_ != nullptr && GetFocus() == handle_;
}

void TWindow::SetFocus() {
  ::SetFocus(Handle());
}

LRESULT TWindow::Perform(UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(Handle(), message, wParam, lParam);
}

void TWindow::Invalidate() {
  if (handle_ != nullptr) {
    InvalidateRect(handle_, nullptr, TRUE);
  }
}

void TWindow::ChangeStyle(DWORD add, DWORD remove) {
  extraStyle_ = (extraStyle_ | add) & ~remove;
  removedStyle_ = (removedStyle_ | remove) & ~add;
  if (handle_ != nullptr) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(handle_, GWL_STYLE));
    SetWindowLongPtrA(handle_, GWL_STYLE, static_cast<LONG_PTR>((style | add) & ~remove));
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
}

void TWindow::CreateParams(TCreateParams& params) {
  params.className = "HivelarkWindow";
  params.style = WS_CLIPCHILDREN;
}

void TWindow::CreateHandle() {
  if (handle_ != nullptr) {
    return;
  }
  HWND parentHandle = nullptr;
  if (parent_ != nullptr) {
    parentHandle = parent_->Handle();
    // Creating the parent creates its children, this one among them.
    if (handle_ != nullptr) {
      return;
    }
  }
  if (parent_ == nullptr) {
    // Made where the system puts new windows, at the screen's DPI; the monitor it lands on may
    // have another, known once it exists.
    dpi_ = ScreenDpi();
  }
  const RECT pixels = parent_ != nullptr ? PixelRect(bounds_) : bounds_;
  TCreateParams params;
  params.left = pixels.left;
  params.top = pixels.top;
  params.width = pixels.right - pixels.left;
  params.height = pixels.bottom - pixels.top;
  CreateParams(params);
  DWORD style = (params.style | extraStyle_) & ~removedStyle_;
  if (parent_ != nullptr) {
    style |= WS_CHILD | WS_CLIPSIBLINGS;
    if (visible_) {
      style |= WS_VISIBLE;
    }
    if (controlId_ == 0) {
      controlId_ = nextControlId++;
    }
  }
  if (!enabled_) {
    style |= WS_DISABLED;
  }
  if (tabStop_) {
    style |= WS_TABSTOP;
  }
  if (!params.subclassStandardControl) {
    RegisterOwnClass(params);
  }
  const HMENU menuOrId =
      parent_ != nullptr ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId_)) : nullptr;
  nativeWindowLost_ = false;
  HWND handle = CreateWindowExA(params.exStyle, params.className.c_str(), text_.c_str(), style,
                                params.left, params.top, params.width, params.height,
                                parent_ != nullptr ? parentHandle : params.owner, menuOrId,
                                GetModuleHandleA(nullptr), this);
  if (handle == nullptr) {
    throw Exception(
        Format("Error creating window: %s", SystemErrorMessage(GetLastError()).c_str()));
  }
  if (params.subclassStandardControl) {
    Attach(handle);
    subclassed_ = SetWindowSubclass(handle, SubclassProcedure, kSubclassId,
                                    reinterpret_cast<DWORD_PTR>(this)) != FALSE;
  }
  if (parent_ == nullptr) {
    dpi_ = DpiForWindow(handle);
  }
  SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), FALSE);
  AfterCreateHandle();
  for (TWindow* child : std::vector<TWindow*>(children_)) {
    child->CreateHandle();
  }
  if (!hint_.empty() && parent_ != nullptr) {
    parent_->DescendantCreated(this);
  }
}

void TWindow::ChangeDpi(int dpi) {
  dpi_ = dpi;
  std::vector<TWindow*> tree{this};
  for (size_t index = 0; index < tree.size(); ++index) {
    const auto& children = tree[index]->children_;
    tree.insert(tree.end(), children.begin(), children.end());
  }
  // Every window to its place first, then the fonts: a window that sizes itself to its text (a
  // bound label) reads the place of its control meanwhile, which must be the new one.
  for (TWindow* window : tree) {
    if (window != this && window->handle_ != nullptr) {
      window->PlaceNativeWindow();
    }
  }
  for (TWindow* window : tree) {
    if (window->handle_ != nullptr) {
      SendMessageA(window->handle_, WM_SETFONT, reinterpret_cast<WPARAM>(window->FontHandle()),
                   FALSE);
    }
  }
  // A window without its native window yet takes the DPI when it is made.
  for (TWindow* window : tree) {
    if (window->handle_ != nullptr) {
      window->OnDpiChanged();
    }
  }
  if (handle_ != nullptr) {
    RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}

void TWindow::DescendantCreated(TWindow* descendant) {
  if (parent_ != nullptr) {
    parent_->DescendantCreated(descendant);
  }
}

LRESULT TWindow::GuardedWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  try {
    result = WndProc(message, wParam, lParam);
  } catch (...) {
    if (Application != nullptr) {
      Application->HandleException(std::current_exception());
    }
  }
  if (message == WM_NCDESTROY) {
    // Destroyed from outside the destroy step, which unhooks the object before it destroys.
    nativeWindowLost_ = true;
    Detach();
  }
  return result;
}

void TWindow::Attach(HWND window) {
  handle_ = window;
  SetPropA(window, kWindowProperty, this);
}

void TWindow::Detach() {
  if (handle_ == nullptr) {
    return;
  }
  RemovePropA(handle_, kWindowProperty);
  if (subclassed_) {
    RemoveWindowSubclass(handle_, SubclassProcedure, kSubclassId);
    subclassed_ = false;
  }
  handle_ = nullptr;
}

LRESULT TWindow::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
  if (subclassed_) {
    return DefSubclassProc(handle_, message, wParam, lParam);
  }
  return DefWindowProcA(handle_, message, wParam, lParam);
}

HBRUSH TWindow::BackgroundBrush() {
  if (!backgroundBrush_ && color_ != CLR_INVALID) {
    backgroundBrush_.reset(CreateSolidBrush(color_));
  }
  return backgroundBrush_.get();
}

HBRUSH TWindow::OnControlColor(HDC dc) {
  const COLORREF textColor = Font()->Color();
  if (color_ == CLR_INVALID && textColor == GetSysColor(COLOR_WINDOWTEXT)) {
    return nullptr;
  }
  SetTextColor(dc, textColor);
  if (color_ == CLR_INVALID) {
    SetBkMode(dc, TRANSPARENT);
    return GetSysColorBrush(COLOR_BTNFACE);
  }
  SetBkColor(dc, color_);
  return BackgroundBrush();
}

LRESULT TWindow::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_COMMAND:
    if (lParam != 0) {
      TWindow* child = FromHandle(reinterpret_cast<HWND>(lParam));
      if (child != nullptr && child != this && child->OnCommandNotification(HIWORD(wParam))) {
        return 0;
      }
    } else if (OnMenuCommand(LOWORD(wParam))) {
      return 0;
    }
    break;
  case WM_NOTIFY: {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    TWindow* child = FromHandle(header->hwndFrom);
    LRESULT result = 0;
    if (child != nullptr && child != this && child->OnNotifyNotification(header, result)) {
      return result;
    }
    break;
  }
  case WM_CTLCOLOREDIT:
  case WM_CTLCOLORSTATIC:
  case WM_CTLCOLORBTN:
  case WM_CTLCOLORLISTBOX: {
    TWindow* child = FromHandle(reinterpret_cast<HWND>(lParam));
    if (child != nullptr && child != this) {
      if (HBRUSH brush = child->OnControlColor(reinterpret_cast<HDC>(wParam))) {
        return reinterpret_cast<LRESULT>(brush);
      }
    }
    break;
  }
  case WM_GETOBJECT:
    if (!accessibleName_.empty()) {
      if (const LRESULT answer =
              AnswerNamedAccessibleObject(handle_, wParam, lParam, accessibleName_)) {
        return answer;
      }
    }
    break;
  case WM_DRAWITEM: {
    auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    TWindow* child = item->CtlType == ODT_MENU ? nullptr : FromHandle(item->hwndItem);
    if (child != nullptr && child != this && child->OnDrawItem(item)) {
      return TRUE;
    }
    break;
  }
  case WM_CLOSE:
    // Only a form closes. A control in dialog mode posts WM_CLOSE to its parent for Esc (a
    // multi-line edit does), and the default handling would destroy that parent, a panel say, with
    // every control in it.
    if (parent_ != nullptr) {
      return 0;
    }
    break;
  case WM_NEXTDLGCTL:
  case DM_GETDEFID:
    // The dialog navigation that controls ask of their parent is the form's: a container (a window
    // of the program's own class) passes it on.
    if (!subclassed_ && parent_ != nullptr && parent_->handle_ != nullptr) {
      return SendMessageA(parent_->handle_, message, wParam, lParam);
    }
    break;
  case WM_ERASEBKGND:
    if (color_ != CLR_INVALID && !subclassed_) {
      RECT rect;
      GetClientRect(handle_, &rect);
      FillRect(reinterpret_cast<HDC>(wParam), &rect, BackgroundBrush());
      return 1;
    }
    break;
  default:
    break;
  }
  return DefaultHandler(message, wParam, lParam);
}

void TWindow::RegisterOwnClass(const TCreateParams& params) {
  static std::set<std::string> registered;
  if (registered.count(params.className) != 0) {
    return;
  }
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = params.classStyle;
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = params.cursor != nullptr ? params.cursor : LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = params.className.c_str();
  windowClass.hIcon = LoadIconA(windowClass.hInstance, "MAINICON");
  windowClass.hIconSm = SmallProgramIcon();
  if (RegisterClassExA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw Exception(Format("Cannot register window class %s: %s", params.className.c_str(),
                           SystemErrorMessage(GetLastError()).c_str()));
  }
  registered.insert(params.className);
}

void PaintOffScreen(HDC target, const RECT& area, const std::function<void(HDC)>& paint) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  UniqueMemoryDC memory(CreateCompatibleDC(target));
  UniqueBitmap canvas(CreateCompatibleBitmap(target, width, height));
  if (!memory || !canvas) {
    paint(target);
    return;
  }
  SelectObjectScope select(memory.get(), canvas.get());
  SetViewportOrgEx(memory.get(), -area.left, -area.top, nullptr);
  paint(memory.get());
  SetViewportOrgEx(memory.get(), 0, 0, nullptr);
  BitBlt(target, area.left, area.top, width, height, memory.get(), 0, 0, SRCCOPY);
}

void PaintParentBackground(TWindow& control, HDC dc, const RECT& client) {
  TWindow* parent = control.Parent();
  const COLORREF parentColor = parent != nullptr ? parent->Color() : CLR_INVALID;
  if (parentColor != CLR_INVALID) {
    UniqueBrush brush(CreateSolidBrush(parentColor));
    FillRect(dc, &client, brush.get());
  } else {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  }
  if (parent == nullptr || !parent->HandleAllocated() || !control.HandleAllocated()) {
    return;
  }
  // The parent draws itself into the same device context, moved so that the part behind the
  // control lands at the control's origin.
  POINT origin{0, 0};
  MapWindowPoints(control.WindowHandle(), parent->WindowHandle(), &origin, 1);
  POINT previous{0, 0};
  OffsetViewportOrgEx(dc, -origin.x, -origin.y, &previous);
  SendMessageA(parent->WindowHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  SetViewportOrgEx(dc, previous.x, previous.y, nullptr);
}

LRESULT TCustomControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_ERASEBKGND:
    return 1;
  case WM_PAINT: {
    PaintDC paint(WindowHandle());
    RECT client;
    GetClientRect(WindowHandle(), &client);
    PaintOffScreen(paint.get(), client, [this](HDC dc) { PaintWindow(dc); });
    return 0;
  }
  case WM_PRINTCLIENT:
    PaintWindow(reinterpret_cast<HDC>(wParam));
    return 0;
  default:
    return TWindow::WndProc(message, wParam, lParam);
  }
}

} // namespace hivelark
