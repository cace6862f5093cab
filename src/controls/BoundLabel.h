#pragma once

#include "controls/Label.h"
#include "framework/Window.h"

#include <string>

namespace hivelark {

// The caption label of a control: created by the control on the control's own parent, named after
// the control with "Label" appended, in the parent's font, left-aligned and sized to its text. It
// stands directly on the control's top edge (left edges equal, no gap) and is moved, shown, hidden,
// enabled and disabled with the control. Owned by its control. Main thread only.
class TBoundLabel : public TsLabel {
public:
  explicit TBoundLabel(TWindow& control);

  TWindow& FocusControl() const { return control_; }

  // Sets the text, sizes the label to it and puts it back on the control's top edge.
  void SetCaption(const std::string& caption);

  // Takes over the control's parent, name, place, visibility and enabled state.
  void FollowControl();

protected:
  void AfterCreateHandle() override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  TWindow& control_;
};

// Gives any control a bound label: mix it in as the control's base
// (`class TsMaskEdit : public TWithBoundLabel<TsEdit>`) or wrap an existing control class
// (`new TWithBoundLabel<TsComboBox>(form)`). The label exists once a caption is given and follows
// every change made through SetBounds, SetVisible and SetEnabled; set the control's parent before
// its caption or move the control afterwards.
template <typename Control> class TWithBoundLabel : public Control {
public:
  explicit TWithBoundLabel(TComponent* owner) : Control(owner) {}

  // The label, or null while no caption was given.
  TBoundLabel* BoundLabel() const { return boundLabel_; }
  void SetBoundLabelCaption(const std::string& caption) {
    if (boundLabel_ == nullptr) {
      boundLabel_ = new TBoundLabel(*this);
      this->FreeNotification(boundLabel_);
    }
    boundLabel_->SetCaption(caption);
    // Named by the label whatever the platform's guess from the windows around it: a combo box
    // would otherwise be named by its text.
    this->SetAccessibleName(caption);
  }

protected:
  void OnBoundsChanged() override {
    Control::OnBoundsChanged();
    FollowLabel();
  }
  void OnVisibleChanged() override {
    Control::OnVisibleChanged();
    FollowLabel();
  }
  void OnEnabledChanged() override {
    Control::OnEnabledChanged();
    FollowLabel();
  }
  void Notification(TComponent* component) override {
    Control::Notification(component);
    if (component == boundLabel_) {
      boundLabel_ = nullptr;
    }
  }

private:
  void FollowLabel() {
    if (boundLabel_ != nullptr) {
      boundLabel_->FollowControl();
    }
  }

  TBoundLabel* boundLabel_ = nullptr;
};

} // namespace hivelark
