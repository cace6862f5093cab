#pragma once

#include "framework/Window.h"

#include <string>
#include <vector>

namespace hivelark {

class TRadioItem;

// A framed group of option buttons with its caption in the frame's top-left corner. The items are
// laid out in the given number of columns, each column filled top to bottom before the next:
// with n items and c columns there are ceil(n / c) rows, each column (width - 10) / c pixels
// wide starting 8 pixels from the left edge, each row (height - caption height - 5) / rows high
// starting 2 pixels below the caption. Exactly one item is selected at a time.
class TsRadioGroup : public TCustomControl {
public:
  explicit TsRadioGroup(TComponent* owner);

  void SetItems(std::vector<std::string> items);
  const std::vector<std::string>& Items() const { return items_; }
  void SetColumns(int columns);
  int Columns() const { return columns_; }
  // The selected item, or -1 for none.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);
  // The option button of item `index` (null before the items exist).
  TWindow* Button(int index) const;

  // Raised when the user picks another item.
  TNotifyEvent OnClick;

protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateHandle() override;
  void PaintWindow(HDC dc) override;
  void OnBoundsChanged() override;
  void OnEnabledChanged() override;
  void OnDpiChanged() override;
  virtual void DoClick();

private:
  friend class TRadioItem;
  void ItemClicked(TRadioItem* item);
  void ArrangeButtons();
  // The height of the caption's line in 96-dpi units.
  int CaptionHeight();

  std::vector<std::string> items_;
  std::vector<TRadioItem*> buttons_;
  int columns_ = 1;
  int itemIndex_ = -1;
};

} // namespace hivelark
