#pragma once

#include "framework/Form.h"

#include <windows.h>

#include <string>

namespace hivelark {

class TButton;
class TLabel;

// The kind of a message: it chooses the caption and the stock icon.
enum TMessageKind {
  mkError,       // "Error", the stock error icon
  mkInformation, // "Information", the stock information icon
};

// The program's own message window: the kind's icon, the message and one OK button, laid out for
// the system's message font. Enter, Esc, Space and a click on OK close it with mrOk; the close box,
// Alt+F4, the system menu and a quit request with mrCancel. Ctrl+C copies the caption, the message
// and the button captions to the clipboard. Main thread only.
class TMessageForm : public TForm {
public:
  TMessageForm(TComponent* owner, const std::string& text, TMessageKind kind);

  // What Ctrl+C puts on the clipboard: caption, message and button captions between lines of
  // hyphens, every line ended by CR LF.
  std::string ClipboardText() const;
  // Puts ClipboardText on the clipboard as CF_TEXT; raises "Cannot open clipboard" when another
  // program holds it.
  void CopyToClipboard();

  bool PreviewKey(const MSG& message) override;

protected:
  void AfterCreateHandle() override;
  void OnDpiChanged() override;

private:
  // Measures the text, the margins and the button with the dialog's font at `dpi` and places
  // everything, and sizes the client area, in 96-dpi units.
  void Layout(int dpi);

  std::string messageText_;
  TWindow* image_ = nullptr;
  TWindow* message_ = nullptr;
  TWindow* ok_ = nullptr;
  // The DPI of the last Layout.
  int layoutDpi_ = 0;
};

// Shows `text` modally in a new TMessageForm owned by the application object and returns how it
// was closed (mrOk or mrCancel). The form is destroyed before the call returns. Messages sent from
// other threads are handled while it is open. Main thread only.
int ShowMessageDialog(const std::string& text, TMessageKind kind);

} // namespace hivelark
