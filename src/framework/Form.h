#pragma once

#include "framework/Handles.h"
#include "framework/Window.h"

#include <windows.h>

namespace hivelark {

// Modal results, as the buttons of a modal form set them.
enum TModalResult : int { mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL };

enum class TBorderStyle {
  Single, // fixed size, title bar with the chosen buttons
  Dialog, // fixed size dialog frame, title bar with a close button only
};

enum class TPosition {
  Designed,     // where its bounds say
  ScreenCenter, // centred on the screen when first shown
};

// The window class of every form: the main window's class, by which the single-instance guard of
// a second start finds it.
inline constexpr char kFormClassName[] = "HivelarkForm";

// A top-level window of the program: main window, About box, message dialogs. Shown modeless with
// Show or modally with ShowModal. Dialog keys work as in the platform's dialogs: Tab moves the
// focus, Enter presses the default button, Esc the cancel button. Main thread only.
class TForm : public TWindow {
public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle style) { borderStyle_ = style; }
  // Title-bar buttons of a Single border; the system menu (with close) is always there.
  void SetBorderIcons(bool minimize, bool maximize);
  void SetPosition(TPosition position) { position_ = position; }
  // The client area's size in 96-dpi units; the window takes it scaled to its DPI.
  void SetClientSize(int width, int height);
  // Whether controls with a hint show it as a tooltip.
  void SetShowHint(bool showHint) { showHint_ = showHint; }
  bool ShowHint() const { return showHint_; }
  // Whether the form sees key presses before its controls (PreviewKey).
  void SetKeyPreview(bool keyPreview) { keyPreview_ = keyPreview; }
  bool KeyPreview() const { return keyPreview_; }
  // Enter presses the default button, Esc the cancel button (null: the key does nothing). These
  // and the active control are forgotten when the control is destroyed.
  void SetDefaultButton(TWindow* button) { Link(defaultButton_, button); }
  void SetCancelButton(TWindow* button) { Link(cancelButton_, button); }
  TWindow* DefaultButton() const { return defaultButton_; }
  TWindow* CancelButton() const { return cancelButton_; }

  // The control that has (or, while the form is inactive, gets back) the keyboard focus.
  TWindow* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWindow* control);

  void SetVisible(bool visible) override;
  // Shows the form with a show command of the platform (SW_SHOWMAXIMIZED, SW_SHOWMINNOACTIVE...).
  void ShowWithCommand(int showCommand);
  // Shows the form if it is hidden, then as RestoreToFront does.
  void BringToFront();

  // Shows the form modally and returns when it has a modal result: every other window of the
  // program is disabled meanwhile, messages sent from other threads are still handled, and
  // afterwards the window that was active and the focus come back. A quit request ends it with
  // mrCancel (and stays queued for the main loop). Whatever Show or the loop throws, the form
  // leaves the modal state the same way before the exception passes on.
  int ShowModal();
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }
  bool Modal() const { return modal_; }

  // Closes the form by the road of the close box: a modal form gets mrCancel, the main form ends
  // the application, any other form is hidden.
  void Close();

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

  // Raised by the application right after the form and its layout are built, and right before
  // it is destroyed.
  virtual void DoCreate();
  virtual void DoDestroy();

  // Offered every key message for the form's windows first when KeyPreview is on; true consumes
  // it.
  virtual bool PreviewKey(const MSG& message);
  // Shows the focus rectangle (and, for Alt, the underlined access keys) once a key message of
  // the form's windows shows that the keyboard is in use.
  void NoteKeyboardUse(const MSG& message);
  // Whether focus rectangles are hidden until the keyboard is used. Kept here as well as by the
  // platform: not every platform keeps it for controls that draw themselves.
  bool FocusCuesHidden() const { return focusCuesHidden_; }

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateHandle() override;
  void AfterCreateHandle() override;
  void BeforeDestruction() override;
  void Notification(TComponent* component) override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool OnMenuCommand(WORD id) override;
  void DescendantCreated(TWindow* descendant) override;
  virtual void DoShow();
  virtual void DoClose();

private:
  // Once, before the form is first shown: centres it if asked and hides the keyboard cues.
  void PrepareFirstShow();
  // The window's size for the client size at `dpi`, with the frame of `style` and `exStyle`.
  SIZE WindowSizeForClient(int dpi, DWORD style, DWORD exStyle) const;
  // Sets (UIS_SET) or clears (UIS_CLEAR) the hiding of `cues` for the form's windows.
  void ChangeKeyboardCues(WORD action, WORD cues);
  void ClickButton(TWindow* button);
  // Points `slot` at `control`, told when it is destroyed.
  void Link(TWindow*& slot, TWindow* control);

  TBorderStyle borderStyle_ = TBorderStyle::Single;
  TPosition position_ = TPosition::Designed;
  bool minimizeBox_ = true;
  bool maximizeBox_ = true;
  bool showHint_ = false;
  bool keyPreview_ = false;
  bool placed_ = false;
  bool focusCuesHidden_ = false;
  bool modal_ = false;
  int modalResult_ = mrNone;
  int clientWidth_ = -1;
  int clientHeight_ = -1;
  // The DPI the window's size was reckoned for when it was made.
  int createdAtDpi_ = 0;
  TWindow* defaultButton_ = nullptr;
  TWindow* cancelButton_ = nullptr;
  TWindow* activeControl_ = nullptr;
  UniqueWindow toolTip_;
};

} // namespace hivelark
