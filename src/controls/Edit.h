#pragma once

#include "framework/Window.h"

#include <string>
#include <vector>

namespace hivelark {

// A single-line text field.
class TsEdit : public TWindow {
public:
  explicit TsEdit(TComponent* owner);

  // The longest text the user may type; 0 is no limit.
  void SetMaxLength(int maxLength);
  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateHandle() override;
  bool OnCommandNotification(WORD code) override;
  virtual void DoChange();

private:
  int maxLength_ = 0;
};

// A multi-line text: the change log. Appending costs the same however long the text already is:
// the text is never read or replaced whole.
class TsMemo : public TWindow {
public:
  explicit TsMemo(TComponent* owner);

  // Adds `line` and a line break at the end of the text.
  void AppendLine(const std::string& line);
  void Clear();
  // The length of the text in bytes.
  int TextLength() const;

protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateHandle() override;
};

// A drop-down combo box with an editable text. Typing completes the text to the first item that
// begins with what was typed (letter case aside) and selects that item; Backspace or Delete clears
// the selection, keeping the text.
class TsComboBox : public TWindow {
public:
  explicit TsComboBox(TComponent* owner);

  void SetItems(std::vector<std::string> items);
  const std::vector<std::string>& Items() const { return items_; }
  // The selected item, or -1 for none.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);
  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateHandle() override;
  bool OnCommandNotification(WORD code) override;

private:
  static LRESULT CALLBACK EditProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR reference);
  void CompleteTypedText(HWND edit);

  std::vector<std::string> items_;
  int itemIndex_ = -1;
};

} // namespace hivelark
