#include "controls/StdCtrls.h"

namespace hivelark {

TForm* ParentForm(const TWindow& control) {
  for (TWindow* window = control.Parent(); window != nullptr; window = window->Parent()) {
    if (auto* form = dynamic_cast<TForm*>(window)) {
      return form;
    }
  }
  return nullptr;
}

TLabel::TLabel(TComponent* owner) : TWindow(owner) {}

DWORD TLabel::TextStyle() const {
  return (wordWrap_ ? SS_LEFT : SS_LEFTNOWORDWRAP) | (showAccelChar_ ? 0 : SS_NOPREFIX);
}

void TLabel::SetWordWrap(bool wordWrap) {
  wordWrap_ = wordWrap;
  if (HandleAllocated()) {
    ChangeStyle(TextStyle(), SS_TYPEMASK & ~TextStyle());
    Invalidate();
  }
}

void TLabel::SetShowAccelChar(bool showAccelChar) {
  showAccelChar_ = showAccelChar;
  if (HandleAllocated()) {
    ChangeStyle(showAccelChar ? 0 : SS_NOPREFIX, showAccelChar ? SS_NOPREFIX : 0);
    Invalidate();
  }
}

void TLabel::CreateParams(TCreateParams& params) {
  params.className = "STATIC";
  params.subclassStandardControl = true;
  params.style = TextStyle();
}

TButton::TButton(TComponent* owner) : TWindow(owner) {
  SetTabStop(true);
}

void TButton::SetDefault(bool isDefault) {
  default_ = isDefault;
  if (HandleAllocated()) {
    SendMessageA(WindowHandle(), BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
}

void TButton::CreateParams(TCreateParams& params) {
  params.className = "BUTTON";
  params.subclassStandardControl = true;
  params.style = default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

bool TButton::OnCommandNotification(WORD code) {
  if (code != BN_CLICKED) {
    return false;
  }
  Click();
  return true;
}

void TButton::Click() {
  // The modal result first, so that the OnClick handler sees it and may still change it.
  if (modalResult_ != mrNone) {
    if (TForm* form = ParentForm(*this)) {
      form->SetModalResult(modalResult_);
    }
  }
  DoClick();
}

void TButton::DoClick() {
  if (OnClick) {
    OnClick(this);
  }
}

} // namespace hivelark
