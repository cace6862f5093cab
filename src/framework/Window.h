#pragma once

#include "framework/Component.h"
#include "framework/Dpi.h"
#include "framework/Font.h"
#include "framework/Handles.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hivelark {

// How a window class creates its native window.
struct TCreateParams {
  // A class of the program's own (registered on first use with the one window procedure), or a
  // standard control class such as "EDIT" when `subclassStandardControl` is true.
  std::string className;
  bool subclassStandardControl = false;
  DWORD style = 0;
  DWORD exStyle = 0;
  UINT classStyle = CS_DBLCLKS;
  HCURSOR cursor = nullptr;
  // The owner of a top-level window (its hwndParent); ignored for child windows.
  HWND owner = nullptr;
  // Position and size, from the window's bounds: pixels at the window's DPI.
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// The program's icon (the MAINICON resource) at the small icon size, for the window classes'
// small icons: given with the class, it spares the platform deriving a copy from the resource at
// every class registration. Loaded once and kept for the life of the process; null when the
// module has no such icon.
HICON SmallProgramIcon();

// Brings a top-level window, which may belong to another process, back to the user: restored if
// minimised, shown if hidden (as in the notification area), then brought to the front.
void RestoreToFront(HWND window);

// The one base of every window, form and control. It owns its native window (created when first
// needed, together with its children, and destroyed by the destroy step, see TComponent), keeps the
// common properties while no native window exists, and routes every message to the virtual WndProc,
// whose default dispatches to the virtual handlers below and then to the default procedure.
// Notifications that the platform sends to a parent (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR...,
// WM_DRAWITEM) are handed to the child they concern. An exception that escapes a handler goes to
// the application's error box. Main thread only.
class TWindow : public TComponent {
public:
  explicit TWindow(TComponent* owner);
  ~TWindow() override;

  // The object behind a native window of the program, or null.
  static TWindow* FromHandle(HWND window);

  // The native window, created (with its parents and children) when it does not exist yet.
  HWND Handle();
  // The native window if it exists, else null; never creates it.
  HWND WindowHandle() const { return handle_; }
  bool HandleAllocated() const { return handle_ != nullptr; }

  TWindow* Parent() const { return parent_; }
  void SetParent(TWindow* parent);
  const std::vector<TWindow*>& Children() const { return children_; }

  // Position and size. A child's are in 96-dpi units, relative to the parent's client area, and
  // its native window is placed at them scaled to the DPI (see Dpi); a top-level window's are the
  // screen's pixels, as its monitor has them.
  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void SetBounds(int left, int top, int width, int height);
  void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
  void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
  void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
  void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
  // The client area's size in 96-dpi units.
  int ClientWidth() const;
  int ClientHeight() const;

  // The DPI the window is laid out at: that of its top-level window's monitor (the screen's while
  // there is no native window yet).
  int Dpi() const;
  // A length in 96-dpi units as pixels at the window's DPI, and back.
  int ToPixels(int units) const { return ScaleToDpi(units, Dpi()); }
  int ToUnits(int pixels) const { return ScaleFromDpi(pixels, Dpi()); }

  // The window's text. Throws when the native window was destroyed by other means than this
  // object's destroy step (with its parent, say), and neither made nor given a text again: the
  // text went with it.
  std::string Text() const;
  void SetText(const std::string& text);

  bool Visible() const;
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint) { hint_ = hint; }

  // The name that screen readers give the control in place of the platform's own, which comes
  // from its text or the label before it (empty: the platform's own name).
  const std::string& AccessibleName() const { return accessibleName_; }
  void SetAccessibleName(const std::string& name) { accessibleName_ = name; }

  // The font; while ParentFont holds, the parent's.
  std::shared_ptr<TFont> Font() const;
  // The platform font of Font at the window's DPI, to draw and measure the window's text with.
  HFONT FontHandle() const { return Font()->Handle(Dpi()); }
  void SetFont(std::shared_ptr<TFont> font);
  bool ParentFont() const { return parentFont_; }

  // The background colour, or CLR_INVALID for the class's own.
  COLORREF Color() const { return color_; }
  void SetColor(COLORREF color);

  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool tabStop) { tabStop_ = tabStop; }
  bool CanFocus() const;
  bool Focused() const;
  void SetFocus();

  // Sends a message to the native window (creating it if needed).
  LRESULT Perform(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Repaints the window.
  void Invalidate();

protected:
  // Fills in how the native window is to be created; no side effects.
  virtual void CreateParams(TCreateParams& params);
  // Creates the native window, then those of the children in their creation order.
  virtual void CreateHandle();
  // After the native window exists: applies state that only the derived class keeps.
  virtual void AfterCreateHandle() {}
  // Ends the native window (the children's go with it). The object is unhooked first: no message
  // of the dying window reaches it.
  void DestroyHandle();
  void BeforeDestruction() override;

  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The class's own handling: the default window procedure or the standard control's procedure.
  LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);

  // Handed over from the parent. Each returns whether it handled the notification.
  virtual bool OnCommandNotification(WORD /*code*/) { return false; }
  virtual bool OnNotifyNotification(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
  // WM_CTLCOLOR...: the brush to paint with, or null for the default colours.
  virtual HBRUSH OnControlColor(HDC dc);
  virtual bool OnDrawItem(DRAWITEMSTRUCT* /*item*/) { return false; }
  // A menu command (WM_COMMAND without a control), for windows that own menus.
  virtual bool OnMenuCommand(WORD /*id*/) { return false; }
  // Change notifications, for windows that keep others in step (a bound label follows its field).
  virtual void OnBoundsChanged() {}
  // The window has been placed and given its font at a new DPI: for what it scales itself.
  virtual void OnDpiChanged() {}
  virtual void OnVisibleChanged() {}
  virtual void OnEnabledChanged() {}
  // A newly created native window of a descendant that has a hint (forms show hints as tooltips).
  virtual void DescendantCreated(TWindow* descendant);

  // The bounds as last set, whatever the native window made of them (a combo box takes its own
  // height).
  const RECT& DesignedBounds() const { return bounds_; }
  // Where the native window of a child goes for `bounds` in 96-dpi units: each figure scaled on
  // its own (ScaleRectToDpi), so that a control keeps its size wherever it is moved. A control
  // that must meet its parent's edges to the pixel places itself otherwise.
  virtual RECT PixelRect(const RECT& bounds) const;
  // The identifier of a child window (its control ID).
  int ControlId() const { return controlId_; }
  // Changes style bits of an existing native window (or of the one still to be created).
  void ChangeStyle(DWORD add, DWORD remove);
  // Takes note that the native window was shown or hidden by other means (a show command of the
  // platform), without showing or hiding it again.
  void NoteVisible(bool visible);
  // For a top-level window whose monitor has a new DPI: places every native window of the tree at
  // its bounds scaled to `dpi` and gives it its font at that DPI. The top-level window's own
  // place and size are the caller's.
  void ChangeDpi(int dpi);

private:
  friend LRESULT CALLBACK WindowProcedure(HWND, UINT, WPARAM, LPARAM);
  friend LRESULT CALLBACK SubclassProcedure(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  LRESULT GuardedWndProc(UINT message, WPARAM wParam, LPARAM lParam);
  void Attach(HWND window);
  void Detach();
  HBRUSH BackgroundBrush();
  // The bounds as Left, Top, Width and Height give them.
  RECT BoundsRect() const;
  // Moves the native window to the bounds: scaled (PixelRect) for a child, as they are for a
  // top-level window.
  void PlaceNativeWindow();
  static void RegisterOwnClass(const TCreateParams& params);

  HWND handle_ = nullptr;
  bool nativeWindowLost_ = false;
  bool subclassed_ = false;
  TWindow* parent_ = nullptr;
  std::vector<TWindow*> children_;
  RECT bounds_{0, 0, 0, 0};
  // A top-level window's DPI from the making of its native window on (the screen's until it
  // exists, then its monitor's), else 0.
  int dpi_ = 0;
  std::string text_;
  std::string hint_;
  std::string accessibleName_;
  bool visible_ = true;
  bool enabled_ = true;
  bool tabStop_ = false;
  bool parentFont_ = true;
  std::shared_ptr<TFont> font_;
  COLORREF color_ = CLR_INVALID;
  UniqueBrush backgroundBrush_;
  int controlId_ = 0;
  DWORD extraStyle_ = 0;
  DWORD removedStyle_ = 0;
};

// Runs `paint` on an off-screen copy of `area` of `target` and then copies the result there, so
// that what is painted in layers never shows in turn; paints `target` directly when no copy can be
// made.
void PaintOffScreen(HDC target, const RECT& area, const std::function<void(HDC)>& paint);

// Fills `client`, the client rectangle of `control`, with what its parent shows behind it: the
// parent's colour and whatever the parent paints itself (a panel's bevels), so that the control
// can draw over it as if it were transparent.
void PaintParentBackground(TWindow& control, HDC dc, const RECT& client);

// A window that paints itself: WM_PAINT and WM_PRINTCLIENT come to PaintWindow, drawn off screen
// first so that the background and the content never show in turn; the background is not erased
// separately.
class TCustomControl : public TWindow {
public:
  explicit TCustomControl(TComponent* owner) : TWindow(owner) {}

protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Paints the whole client area into `dc`, the client's top-left corner at the origin.
  virtual void PaintWindow(HDC dc) = 0;
};

} // namespace hivelark
