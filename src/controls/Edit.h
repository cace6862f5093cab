#pragma once

#include "framework/Window.h"

#include <optional>
#include <string>
#include <vector>

namespace hivelark {

// A single-line text field.
class TsEdit : public TWindow {
public:
  explicit TsEdit(TComponent* owner);

  // The longest text the user may type (0: the platform's limit); text set by the program may be
  // longer.
  int MaxLength() const { return maxLength_; }
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

// A multi-line text: the change log. Appending never reads or replaces the whole text, and the
// text lives in the control alone: a log that runs for days is held once, and what the user typed
// into it is always part of it. Enter breaks the line; Tab and Shift+Tab move the focus to the
// next and previous control, as in any other field; Esc does nothing.
class TsMemo : public TWindow {
public:
  explicit TsMemo(TComponent* owner);

  // Adds `text` at the end, as it is (with its own line breaks).
  void Append(const std::string& text);
  // Adds `line` and a line break at the end.
  void AppendLine(const std::string& line) { Append(line + "\r\n"); }
  // Adds `text` at the end on a line of its own: after a line break first when the text does not
  // already end with one (the user typed into the last line); an empty text needs none.
  void AppendOnOwnLine(const std::string& text);
  void Clear();
  // The length of the text in bytes. The text itself, byte for byte as the control holds it, is
  // Text(): the control keeps the only copy.
  int TextLength() const;

protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateHandle() override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool OnCommandNotification(WORD code) override;

private:
  // Puts the caret at the end of the text.
  void CaretToEnd();
  // Adds `text` at the caret, which CaretToEnd has put at the end, keeping track of how the text
  // then ends.
  void InsertAtEnd(const std::string& text);

  // Whether the text ends at the start of a line (it is empty or ends with a line break), as far
  // as the memo's own changes tell; empty once anything else changed the text.
  std::optional<bool> endsAtLineStart_;
  bool inserting_ = false;
};

// A drop-down combo box with an editable text. Typing completes the text to the first item that
// begins with what was typed (letter case aside) and selects that item. What the user pastes, cuts
// or deletes can leave the text naming another item than the selected one, or none: NamedItemIndex
// tells which item the box shows.
class TsComboBox : public TWindow {
public:
  explicit TsComboBox(TComponent* owner);

  void SetItems(std::vector<std::string> items);
  const std::vector<std::string>& Items() const { return items_; }
  // The item selected in the list, or -1 for none.
  int ItemIndex() const;
  void SetItemIndex(int index);
  // The item that the text names: the selected item when its name is the text, else the first
  // whose name equals the text ignoring letter case; -1 when the text names none.
  int NamedItemIndex() const;
  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateHandle() override;
  void OnDpiChanged() override;
  bool OnCommandNotification(WORD code) override;

private:
  // Makes the closed box as tall as its bounds by the height of its selection field.
  void FitSelectionField();
  static LRESULT CALLBACK EditProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR reference);
  void CompleteTypedText(HWND edit);

  std::vector<std::string> items_;
  // The selection until the native window exists; from then on the control holds it.
  int itemIndex_ = -1;
};

} // namespace hivelark
