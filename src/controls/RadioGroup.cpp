#include "controls/RadioGroup.h"

#include "framework/Handles.h"

namespace hivelark {

// One option button of a radio group.
class TRadioItem : public TWindow {
public:
  TRadioItem(TsRadioGroup* group, int index) : TWindow(group), group_(group), index_(index) {
    SetParent(group);
  }
  int Index() const { return index_; }
  void SetChecked(bool checked) {
    if (HandleAllocated()) {
      SendMessageA(WindowHandle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }

protected:
  void CreateParams(TCreateParams& params) override {
    params.className = "BUTTON";
    params.subclassStandardControl = true;
    params.style = BS_AUTORADIOBUTTON;
    // The first item starts the group: Tab reaches the group once, the arrow keys move inside it.
    if (index_ == 0) {
      params.style |= WS_GROUP | WS_TABSTOP;
    }
  }
  void AfterCreateHandle() override { SetChecked(group_->ItemIndex() == index_); }
  bool OnCommandNotification(WORD code) override {
    if (code == BN_CLICKED) {
      group_->ItemClicked(this);
      return true;
    }
    return false;
  }

private:
  TsRadioGroup* group_;
  int index_;
};

TsRadioGroup::TsRadioGroup(TComponent* owner) : TCustomControl(owner) {}

void TsRadioGroup::SetItems(std::vector<std::string> items) {
  for (TRadioItem* button : buttons_) {
    delete button;
  }
  buttons_.clear();
  items_ = std::move(items);
  for (size_t index = 0; index < items_.size(); ++index) {
    auto* button = new TRadioItem(this, static_cast<int>(index));
    button->SetText(items_[index]);
    button->SetHint(Hint());
    button->SetEnabled(Enabled());
    buttons_.push_back(button);
  }
  ArrangeButtons();
}

void TsRadioGroup::SetColumns(int columns) {
  columns_ = columns < 1 ? 1 : columns;
  ArrangeButtons();
}

void TsRadioGroup::SetItemIndex(int index) {
  itemIndex_ = index;
  for (TRadioItem* button : buttons_) {
    button->SetChecked(button->Index() == index);
  }
}

TWindow* TsRadioGroup::Button(int index) const {
  if (index < 0 || index >= static_cast<int>(buttons_.size())) {
    return nullptr;
  }
  return buttons_[static_cast<size_t>(index)];
}

void TsRadioGroup::CreateParams(TCreateParams& params) {
  params.className = "HivelarkRadioGroup";
  params.style = WS_CLIPCHILDREN;
  params.exStyle = WS_EX_CONTROLPARENT;
}

void TsRadioGroup::AfterCreateHandle() {
  ArrangeButtons();
}

void TsRadioGroup::OnBoundsChanged() {
  ArrangeButtons();
}

void TsRadioGroup::OnDpiChanged() {
  // The caption's line has the height of the font at the new DPI.
  ArrangeButtons();
}

void TsRadioGroup::OnEnabledChanged() {
  for (TRadioItem* button : buttons_) {
    button->SetEnabled(Enabled());
  }
  Invalidate();
}

int TsRadioGroup::CaptionHeight() {
  HDC screen = GetDC(nullptr);
  int height = 0;
  {
    SelectObjectScope font(screen, FontHandle());
    TEXTMETRICA metrics{};
    GetTextMetricsA(screen, &metrics);
    height = metrics.tmHeight;
  }
  ReleaseDC(nullptr, screen);
  return ScaleFromDpiRoundingUp(height, Dpi());
}

void TsRadioGroup::ArrangeButtons() {
  if (buttons_.empty()) {
    return;
  }
  const int count = static_cast<int>(buttons_.size());
  const int rows = (count + columns_ - 1) / columns_;
  const int columnWidth = (Width() - 10) / columns_;
  const int captionHeight = CaptionHeight();
  const int rowHeight = (Height() - captionHeight - 5) / rows;
  for (int index = 0; index < count; ++index) {
    const int column = index / rows;
    const int row = index % rows;
    buttons_[static_cast<size_t>(index)]->SetBounds(
        8 + column * columnWidth, captionHeight + 2 + row * rowHeight, columnWidth, rowHeight);
  }
}

void TsRadioGroup::ItemClicked(TRadioItem* item) {
  if (item->Index() == itemIndex_) {
    return;
  }
  SetItemIndex(item->Index());
  DoClick();
}

void TsRadioGroup::DoClick() {
  if (OnClick) {
    OnClick(this);
  }
}

void TsRadioGroup::PaintWindow(HDC dc) {
  RECT client;
  GetClientRect(WindowHandle(), &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  SelectObjectScope font(dc, FontHandle());
  const std::string caption = Text();
  SIZE extent{};
  GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
  // The frame runs through the middle of the caption line.
  RECT frame = client;
  frame.top = extent.cy / 2;
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  if (!caption.empty()) {
    const int textLeft = ToPixels(8);
    RECT text{textLeft, 0, textLeft + extent.cx + ToPixels(2), extent.cy};
    FillRect(dc, &text, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(Enabled() ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    TextOutA(dc, ToPixels(9), 0, caption.c_str(), static_cast<int>(caption.size()));
  }
}

} // namespace hivelark
