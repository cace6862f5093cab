#include "controls/Edit.h"

#include "framework/AccessibleName.h"

#include <commctrl.h>

namespace hivelark {
namespace {

constexpr UINT_PTR kComboEditSubclassId = 2;

} // namespace

TsEdit::TsEdit(TComponent* owner) : TWindow(owner) {
  SetTabStop(true);
  SetBounds(0, 0, 121, 21);
}

void TsEdit::SetMaxLength(int maxLength) {
  maxLength_ = maxLength;
  if (HandleAllocated()) {
    SendMessageA(WindowHandle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength), 0);
  }
}

void TsEdit::CreateParams(TCreateParams& params) {
  params.className = "EDIT";
  params.subclassStandardControl = true;
  params.style = ES_AUTOHSCROLL;
  params.exStyle = WS_EX_CLIENTEDGE;
}

void TsEdit::AfterCreateHandle() {
  SendMessageA(WindowHandle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

bool TsEdit::OnCommandNotification(WORD code) {
  if (code == EN_CHANGE) {
    DoChange();
    return true;
  }
  return false;
}

void TsEdit::DoChange() {
  if (OnChange) {
    OnChange(this);
  }
}

TsMemo::TsMemo(TComponent* owner) : TWindow(owner) {
  SetTabStop(true);
}

void TsMemo::CreateParams(TCreateParams& params) {
  params.className = "EDIT";
  params.subclassStandardControl = true;
  // With the horizontal bar, lines run on past the right edge instead of wrapping: an entry keeps
  // its three lines however narrow the window.
  params.style =
      ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL | WS_VSCROLL | WS_HSCROLL;
  params.exStyle = WS_EX_CLIENTEDGE;
}

void TsMemo::AfterCreateHandle() {
  // The edit control's default limit of 32 KB would silently drop entries from a long log.
  SendMessageA(WindowHandle(), EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
  endsAtLineStart_.reset();
}

LRESULT TsMemo::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GETDLGCODE) {
    // The dialog navigation asks with the key's message, and an edit control so asked goes into
    // dialog mode for good, in which it posts WM_CLOSE to its parent for Esc and keeps Tab to
    // itself. Asked without it, it stays out; Tab is then left to the navigation, which moves the
    // focus, so that the control never types it.
    LRESULT code = DefaultHandler(message, wParam, 0);
    const auto* key = reinterpret_cast<const MSG*>(lParam);
    if (key != nullptr && (key->message == WM_KEYDOWN || key->message == WM_CHAR) &&
        key->wParam == VK_TAB) {
      code &= ~(DLGC_WANTTAB | DLGC_WANTALLKEYS);
    }
    return code;
  }
  if (message == WM_SETTEXT) {
    // From anyone: a multi-line edit control reports no EN_CHANGE for it.
    endsAtLineStart_.reset();
  }
  return TWindow::WndProc(message, wParam, lParam);
}

bool TsMemo::OnCommandNotification(WORD code) {
  // Typing, pasting, cutting, undoing: every other change of the text is reported with EN_CHANGE.
  // The text may also have taken less than was given (EN_MAXTEXT, EN_ERRSPACE).
  if ((code == EN_CHANGE && !inserting_) || code == EN_MAXTEXT || code == EN_ERRSPACE) {
    endsAtLineStart_.reset();
  }
  return false;
}

void TsMemo::CaretToEnd() {
  // The caret goes to the end by a position past it, which the control clamps to the length of its
  // text. Asking for that length instead is not cheap: the control keeps its text in UTF-16, and
  // under Wine an ANSI WM_GETTEXTLENGTH copies out the whole text to count its ANSI bytes, so each
  // append cost time in proportion to the whole log (10 ms per entry at 6,000 entries, twice what
  // the two messages of an append cost there). -1 would not do: it keeps the caret where it is.
  constexpr int kPastTheEnd = 0x7FFFFFFF;
  SendMessageA(Handle(), EM_SETSEL, kPastTheEnd, kPastTheEnd);
}

void TsMemo::InsertAtEnd(const std::string& text) {
  // The control breaks lines only at CR LF: a lone LF may complete a CR already there.
  if (text.size() >= 2) {
    endsAtLineStart_ = text.ends_with("\r\n");
  } else if (text == "\n") {
    endsAtLineStart_.reset();
  } else if (!text.empty()) {
    endsAtLineStart_ = false;
  }
  // The control reports this change too, with EN_CHANGE before it returns.
  inserting_ = true;
  SendMessageA(WindowHandle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  inserting_ = false;
}

void TsMemo::Append(const std::string& text) {
  CaretToEnd();
  InsertAtEnd(text);
}

void TsMemo::AppendOnOwnLine(const std::string& text) {
  // Under Wine each message about positions walks all the control's lines, so the end of the text
  // is asked about only when the memo's own changes do not tell it. With the caret at the end and
  // nothing selected, the length of the caret's line is that of the last line: 0 when the text is
  // empty or ends with a line break. The control only breaks lines at CR LF, and it answers
  // without copying any text out.
  CaretToEnd();
  if (!endsAtLineStart_) {
    endsAtLineStart_ = SendMessageA(WindowHandle(), EM_LINELENGTH, static_cast<WPARAM>(-1), 0) == 0;
  }
  InsertAtEnd(*endsAtLineStart_ ? text : "\r\n" + text);
}

void TsMemo::Clear() {
  SetText("");
  endsAtLineStart_ = true;
}

int TsMemo::TextLength() const {
  return HandleAllocated() ? GetWindowTextLengthA(WindowHandle()) : static_cast<int>(Text().size());
}

TsComboBox::TsComboBox(TComponent* owner) : TWindow(owner) {
  SetTabStop(true);
  SetBounds(0, 0, 145, 21);
}

void TsComboBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  if (HandleAllocated()) {
    itemIndex_ = ItemIndex();
    SendMessageA(WindowHandle(), CB_RESETCONTENT, 0, 0);
    AfterCreateHandle();
  }
}

int TsComboBox::ItemIndex() const {
  if (!HandleAllocated()) {
    return itemIndex_;
  }
  return static_cast<int>(SendMessageA(WindowHandle(), CB_GETCURSEL, 0, 0));
}

void TsComboBox::SetItemIndex(int index) {
  if (HandleAllocated()) {
    SendMessageA(WindowHandle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  } else {
    itemIndex_ = index;
  }
}

int TsComboBox::NamedItemIndex() const {
  // Until the native window exists, the text is the selected item's name.
  if (!HandleAllocated()) {
    return itemIndex_;
  }
  const std::string text = Text();
  const int selected = ItemIndex();
  if (selected >= 0 && selected < static_cast<int>(items_.size()) &&
      lstrcmpiA(items_[static_cast<size_t>(selected)].c_str(), text.c_str()) == 0) {
    return selected;
  }
  // Letter case aside, as the platform compares the items.
  const auto found =
      static_cast<int>(SendMessageA(WindowHandle(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(text.c_str())));
  return found == CB_ERR ? -1 : found;
}

void TsComboBox::CreateParams(TCreateParams& params) {
  params.className = "COMBOBOX";
  params.subclassStandardControl = true;
  params.style = CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL;
}

void TsComboBox::AfterCreateHandle() {
  HWND combo = WindowHandle();
  for (const std::string& item : items_) {
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  if (GetComboBoxInfo(combo, &info) && info.hwndItem != nullptr) {
    SetWindowSubclass(info.hwndItem, EditProcedure, kComboEditSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
  }
  FitSelectionField();
}

void TsComboBox::OnDpiChanged() {
  FitSelectionField();
}

void TsComboBox::FitSelectionField() {
  // A closed drop-down box is as tall as its selection field and frame, and the field takes the
  // height of the font: at 96 dpi that is the layout's height, but a font scaled to another DPI is
  // not its 96-dpi self scaled, so the field is set to what the scaled height leaves. How a field
  // height asked for turns into the box's height is the platform's (under Wine it comes out two
  // pixels taller than asked): what the box still lacks corrects the next request.
  HWND combo = WindowHandle();
  const RECT& bounds = DesignedBounds();
  const int wanted = ToPixels(bounds.bottom - bounds.top);
  const auto boxHeight = [combo] {
    RECT window{0, 0, 0, 0};
    GetWindowRect(combo, &window);
    return static_cast<int>(window.bottom - window.top);
  };
  const auto field =
      static_cast<int>(SendMessageA(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  if (field == CB_ERR) {
    return;
  }
  int request = field;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int height = boxHeight();
    if (height == wanted || request + wanted - height <= 0) {
      return;
    }
    request += wanted - height;
    SendMessageA(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), request);
  }
}

bool TsComboBox::OnCommandNotification(WORD code) {
  if (code == CBN_KILLFOCUS) {
    // Back to the start of the text: a long item scrolled to its end would hide its beginning.
    SendMessageA(WindowHandle(), CB_SETEDITSEL, 0, MAKELPARAM(0, 0));
    return false;
  }
  if (code == CBN_SELCHANGE) {
    if (OnChange) {
      OnChange(this);
    }
    return true;
  }
  return false;
}

void TsComboBox::CompleteTypedText(HWND edit) {
  DWORD selectionStart = 0;
  SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&selectionStart), 0);
  const int length = GetWindowTextLengthA(edit);
  std::string typed(static_cast<size_t>(length) + 1, '\0');
  GetWindowTextA(edit, typed.data(), length + 1);
  typed.resize(selectionStart);
  // CB_FINDSTRING matches the beginning of an item, ignoring letter case.
  const auto found =
      static_cast<int>(SendMessageA(WindowHandle(), CB_FINDSTRING, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(typed.c_str())));
  if (typed.empty() || found == CB_ERR) {
    return;
  }
  SendMessageA(WindowHandle(), CB_SETCURSEL, static_cast<WPARAM>(found), 0);
  // The completed part stays selected, so that the next letter typed replaces it.
  SendMessageA(WindowHandle(), CB_SETEDITSEL, 0, MAKELPARAM(typed.size(), static_cast<WORD>(-1)));
}

LRESULT CALLBACK TsComboBox::EditProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR reference) {
  auto* combo = reinterpret_cast<TsComboBox*>(reference);
  switch (message) {
  case WM_CHAR: {
    const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
    if (wParam >= ' ') {
      combo->CompleteTypedText(edit);
    }
    return result;
  }
  case WM_GETOBJECT:
    // The text part is named as its box is: a screen reader that follows the focus into it finds
    // no label before it, and would speak the text as its name.
    if (const LRESULT answer =
            AnswerNamedAccessibleObject(edit, wParam, lParam, combo->AccessibleName())) {
      return answer;
    }
    break;
  case WM_NCDESTROY:
    RemoveWindowSubclass(edit, EditProcedure, kComboEditSubclassId);
    break;
  default:
    break;
  }
  return DefSubclassProc(edit, message, wParam, lParam);
}

} // namespace hivelark
