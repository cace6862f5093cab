#pragma once

#include "framework/Component.h"
#include "framework/Form.h"
#include "framework/Window.h"

#include <windows.h>

namespace hivelark {

// The form that `control` sits on: the nearest form among its parents, or null.
TForm* ParentForm(const TWindow& control);

// A static text on the platform's STATIC control. An ampersand underlines the next character and
// two show one. Main thread only.
class TLabel : public TWindow {
public:
  explicit TLabel(TComponent* owner);

  // Whether long lines break at blanks (default true).
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap);
  // Whether ampersands mark shortcuts as above (default true); off, the text shows as it is.
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool showAccelChar);

protected:
  void CreateParams(TCreateParams& params) override;

private:
  DWORD TextStyle() const;

  bool wordWrap_ = true;
  bool showAccelChar_ = true;
};

// A push button on the platform's BUTTON control. A click sets the modal result of the form it
// sits on (when its own ModalResult is not mrNone), then raises OnClick. Main thread only.
class TButton : public TWindow {
public:
  explicit TButton(TComponent* owner);

  int ModalResult() const { return modalResult_; }
  void SetModalResult(int modalResult) { modalResult_ = modalResult; }
  // Drawn with the heavy frame of the button that Enter presses (the form's DefaultButton decides
  // which one that is).
  bool Default() const { return default_; }
  void SetDefault(bool isDefault);

  // Clicks the button as the user would.
  void Click();

  TNotifyEvent OnClick;

protected:
  void CreateParams(TCreateParams& params) override;
  bool OnCommandNotification(WORD code) override;
  virtual void DoClick();

private:
  int modalResult_ = mrNone;
  bool default_ = false;
};

} // namespace hivelark
