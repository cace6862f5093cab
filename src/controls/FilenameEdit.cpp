#include "controls/FilenameEdit.h"

#include "controls/StdCtrls.h"
#include "framework/Exception.h"
#include "framework/Form.h"
#include "imaging/AlphaPicture.h"

#include <algorithm>

namespace hivelark {
namespace {

constexpr int kFileDirMaxLength = 255;
// The button is as wide as its picture and one pixel on either side.
constexpr int kButtonPadding = 2;
constexpr int kRestImage = 1;
constexpr int kPressedImage = 2;

constexpr char kOpenFilePicture[] = "BTN_OPENFILE";
constexpr char kDefaultFilter[] = "All files (*.*)|*.*";
constexpr char kUnacceptableCharacters[] = "<>\"|*?/";

// The control library names its pictures; the program keeps them as bitmap resources.
std::string PictureResource(const std::string& pictureName) {
  if (pictureName == kOpenFilePicture) {
    return "SF";
  }
  return pictureName;
}

// Everything up to and including the last backslash or colon.
std::string FolderPart(const std::string& name) {
  const size_t end = name.find_last_of("\\:");
  return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

std::string FilePart(const std::string& name) {
  return name.substr(FolderPart(name).size());
}

bool FolderExists(const std::string& folder) {
  if (folder.empty()) {
    return false;
  }
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The shortcut of a key press: the key code plus the modifiers held. Alt comes from the message,
// since WM_SYSKEYDOWN carries it there.
WORD ShortCutOf(WPARAM key, LPARAM keyData) {
  auto shortcut = static_cast<WORD>(key & 0xFF);
  if (GetKeyState(VK_SHIFT) < 0) {
    shortcut |= scShift;
  }
  if (GetKeyState(VK_CONTROL) < 0) {
    shortcut |= scCtrl;
  }
  if ((HIWORD(keyData) & KF_ALTDOWN) != 0) {
    shortcut |= scAlt;
  }
  return shortcut;
}

} // namespace

bool IsAcceptableFileName(const std::string& name) {
  return !name.empty() && name.find_first_of(kUnacceptableCharacters) == std::string::npos;
}

TsEditButton::TsEditButton(TComponent* owner) : TMouseControl(owner) {}

void TsEditButton::SetDefaultGlyph(const std::string& pictureName) {
  TDpiArtwork<TMaskedPicture>::Loader load;
  if (!pictureName.empty()) {
    load = [name = PictureResource(pictureName)](int dpi) { return TMaskedPicture(name, dpi); };
  }
  picture_.Set(std::move(load), Dpi());
  Invalidate();
}

void TsEditButton::AfterCreateHandle() {
  TMouseControl::AfterCreateHandle();
  picture_.FitTo(Dpi());
}

void TsEditButton::OnDpiChanged() {
  TMouseControl::OnDpiChanged();
  picture_.FitTo(Dpi());
}

RECT TsEditButton::PixelRect(const RECT& bounds) const {
  // The field's inside is whole pixels, and the button's right and bottom edges meet it exactly:
  // its units scaled one by one could end a pixel past it, which would cut off its frame there.
  RECT inside{0, 0, 0, 0};
  if (Parent() == nullptr || !Parent()->HandleAllocated() ||
      !GetClientRect(Parent()->WindowHandle(), &inside)) {
    return TMouseControl::PixelRect(bounds);
  }
  const int width = ToPixels(bounds.right - bounds.left);
  return {inside.right - width, 0, inside.right, inside.bottom};
}

void TsEditButton::CreateParams(TCreateParams& params) {
  TWindow::CreateParams(params);
  params.className = "HivelarkEditButton";
  // Every press is a press: a quick second click must not turn into a double click.
  params.classStyle = 0;
  params.cursor = LoadCursorA(nullptr, IDC_ARROW);
}

void TsEditButton::OnEnabledChanged() {
  TMouseControl::OnEnabledChanged();
  Invalidate();
}

void TsEditButton::MouseStateChanged() {
  Invalidate();
}

void TsEditButton::DoClick() {
  // The dialog that a click opens is modal: show the button released first.
  UpdateWindow(WindowHandle());
  TMouseControl::DoClick();
}

void TsEditButton::PaintWindow(HDC dc) {
  RECT client;
  GetClientRect(WindowHandle(), &client);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  if (Pressed()) {
    DrawEdge(dc, &client, BDR_SUNKENOUTER, BF_RECT);
  } else if (MouseInside() || Held()) {
    DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
  }
  const TMaskedPicture& picture = picture_.Get();
  if (picture.Empty()) {
    return;
  }
  const int width = picture.ImageWidth();
  const int height = picture.ImageHeight();
  const std::vector<std::uint32_t> image =
      picture.Compose(Pressed() ? kPressedImage : kRestImage, face);
  const BITMAPINFO info = TopDownBitmapInfo(width, height);
  SetDIBitsToDevice(dc, (client.right - width) / 2, (client.bottom - height) / 2,
                    static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                    static_cast<UINT>(height), image.data(), &info, DIB_RGB_COLORS);
}

void TsMaskEdit::SelectAll() {
  if (HandleAllocated()) {
    SendMessageA(WindowHandle(), EM_SETSEL, 0, -1);
  }
}

TsCustomComboEdit::TsCustomComboEdit(TComponent* owner) : TsMaskEdit(owner) {
  button_ = new TsEditButton(this);
  button_->SetParent(this);
  button_->OnClick = [this](TComponent*) { EditButtonClick(); };
}

void TsCustomComboEdit::SetDirectInput(bool directInput) {
  directInput_ = directInput;
  UpdateReadOnly();
}

void TsCustomComboEdit::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  UpdateReadOnly();
}

void TsCustomComboEdit::UpdateReadOnly() {
  if (HandleAllocated()) {
    SendMessageA(WindowHandle(), EM_SETREADONLY, EditCanModify() ? FALSE : TRUE, 0);
  }
}

int TsCustomComboEdit::ButtonWidth() const {
  return button_->PictureWidth() + kButtonPadding;
}

void TsCustomComboEdit::PlaceButton() {
  button_->SetBounds(ClientWidth() - ButtonWidth(), 0, ButtonWidth(), ClientHeight());
}

// The edit is multi-line only so that it takes a formatting rectangle: the text ends where the
// button begins. The edit resets the rectangle on several occasions of its own (new size, new
// font), hence the calls after each of them and after every key and mouse press.
void TsCustomComboEdit::FitTextArea() {
  if (!HandleAllocated()) {
    return;
  }
  // In pixels, up to where the button's window begins.
  RECT area{0, 0, 0, 0};
  GetClientRect(WindowHandle(), &area);
  area.right = std::max<LONG>(0, area.right - ToPixels(ButtonWidth()));
  SendMessageA(WindowHandle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&area));
}

void TsCustomComboEdit::CreateParams(TCreateParams& params) {
  TsMaskEdit::CreateParams(params);
  params.style |= ES_MULTILINE | ES_AUTOVSCROLL | WS_CLIPCHILDREN;
  if (!EditCanModify()) {
    params.style |= ES_READONLY;
  }
}

void TsCustomComboEdit::AfterCreateHandle() {
  TsMaskEdit::AfterCreateHandle();
  // The button's window is created after this, in its place.
  PlaceButton();
  FitTextArea();
}

void TsCustomComboEdit::OnEnabledChanged() {
  TsMaskEdit::OnEnabledChanged();
  button_->SetEnabled(Enabled());
}

// A read-only edit asks for the colours of static text; it stays a white field all the same,
// since it is only closed to typing, not out of use.
HBRUSH TsCustomComboEdit::OnControlColor(HDC dc) {
  if (!Enabled()) {
    return TsMaskEdit::OnControlColor(dc);
  }
  SetTextColor(dc, Font()->Color());
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  return GetSysColorBrush(COLOR_WINDOW);
}

void TsCustomComboEdit::EditButtonClick() {
  // The button lies inside the field, but the platform does not pass a disabled parent on to its
  // children.
  if (!readOnly_ && Enabled()) {
    ButtonClick();
  }
}

void TsCustomComboEdit::ButtonClick() {
  DoButtonClick();
}

void TsCustomComboEdit::DoButtonClick() {
  if (OnButtonClick) {
    OnButtonClick(this);
  }
}

// Some versions of the edit control paint their whole client area, the child button's part
// included, when they repaint the text: the button then draws itself again at once.
void TsCustomComboEdit::RepaintButton() {
  if (button_->HandleAllocated() && button_->Visible()) {
    RedrawWindow(button_->WindowHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
}

void TsCustomComboEdit::SelectAllOnFocus() {
  if (autoSelect_ && GetWindowTextLengthA(WindowHandle()) > 0) {
    SelectAll();
  }
}

void TsCustomComboEdit::OfferDialogKey(WPARAM key) {
  if (TForm* form = ParentForm(*this)) {
    // As the dialog navigation does: the form presses its default or cancel button, if any.
    SendMessageA(form->Handle(), WM_COMMAND, key == VK_RETURN ? IDOK : IDCANCEL, 0);
  }
}

// Answered here rather than by the multi-line edit: it wants the whole keyboard, Tab included, and
// a query carrying a message puts it in a dialog mode in which Esc closes its parent window.
LRESULT TsCustomComboEdit::DialogCode(LPARAM message) const {
  LRESULT code = DLGC_WANTCHARS | DLGC_WANTARROWS;
  if (autoSelect_) {
    code |= DLGC_HASSETSEL;
  }
  const auto* keyMessage = reinterpret_cast<const MSG*>(message);
  if (keyMessage != nullptr && keyMessage->message == WM_KEYDOWN &&
      (keyMessage->wParam == VK_RETURN || keyMessage->wParam == VK_ESCAPE)) {
    code |= DLGC_WANTALLKEYS;
  }
  return code;
}

LRESULT TsCustomComboEdit::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_GETDLGCODE:
    return DialogCode(lParam);
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN: {
    if (ShortCutOf(wParam, lParam) == clickKey_ && button_->PictureWidth() > 0) {
      EditButtonClick();
      return 0;
    }
    const LRESULT result = TsMaskEdit::WndProc(message, wParam, lParam);
    FitTextArea();
    return result;
  }
  case WM_CHAR:
    if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
      OfferDialogKey(wParam);
      // Enter would start a second line in the multi-line edit.
      if (wParam == VK_RETURN) {
        return 0;
      }
    } else if (wParam == '\n') {
      // Ctrl+Enter: a line break as well.
      return 0;
    }
    break;
  case WM_PASTE:
  case WM_CUT:
    if (!EditCanModify()) {
      return 0;
    }
    break;
  case WM_LBUTTONDOWN:
  case WM_LBUTTONDBLCLK:
  case WM_RBUTTONDOWN:
  case WM_MBUTTONDOWN: {
    const bool hadFocus = Focused();
    const LRESULT result = TsMaskEdit::WndProc(message, wParam, lParam);
    // The click placed the caret after WM_SETFOCUS selected the text: select it again.
    if (!hadFocus && Focused()) {
      SelectAllOnFocus();
    }
    FitTextArea();
    return result;
  }
  case WM_SETFOCUS: {
    const LRESULT result = TsMaskEdit::WndProc(message, wParam, lParam);
    SelectAllOnFocus();
    RepaintButton();
    return result;
  }
  case WM_PAINT: {
    const LRESULT result = TsMaskEdit::WndProc(message, wParam, lParam);
    RepaintButton();
    return result;
  }
  case WM_SIZE: {
    const LRESULT result = TsMaskEdit::WndProc(message, wParam, lParam);
    PlaceButton();
    FitTextArea();
    return result;
  }
  case WM_SETFONT: {
    const LRESULT result = TsMaskEdit::WndProc(message, wParam, lParam);
    FitTextArea();
    return result;
  }
  default:
    break;
  }
  return TsMaskEdit::WndProc(message, wParam, lParam);
}

TsFileDirEdit::TsFileDirEdit(TComponent* owner) : TsCustomComboEdit(owner) {
  SetMaxLength(kFileDirMaxLength);
}

TsFilenameEdit::TsFilenameEdit(TComponent* owner) : TsFileDirEdit(owner) {
  Button().SetDefaultGlyph(kOpenFilePicture);
  // Never drawn: the name by which screen readers speak of the button.
  Button().SetText("Browse");
  dialog_ = new TsOpenDialog(this);
  dialog_->SetFilter(kDefaultFilter);
}

void TsFilenameEdit::SetFileName(const std::string& fileName) {
  if (!fileName.empty() && !IsAcceptableFileName(fileName)) {
    throw Exception("Invalid file name");
  }
  SetText(fileName);
  dialog_->Files().clear();
}

void TsFilenameEdit::ButtonClick() {
  Browse();
}

void TsFilenameEdit::Browse() {
  DoButtonClick();
  std::string name = Text();
  // A text the dialog could not take leaves it with the file of the last browse.
  if (IsAcceptableFileName(name)) {
    const std::string folder = FolderPart(name);
    if (FolderExists(folder)) {
      dialog_->SetInitialDir(folder);
    }
    const std::string file = FilePart(name);
    if (file.empty() || !IsAcceptableFileName(file)) {
      name.clear();
    }
    dialog_->SetFileName(name);
  }
  dialog_->SetHelpContext(helpContext_);
  const bool confirmed = dialog_->Execute();
  if (confirmed) {
    name = dialog_->FileName();
  }
  if (CanFocus()) {
    SetFocus();
  }
  if (confirmed) {
    SetText(name);
    dialog_->SetInitialDir(FolderPart(dialog_->FileName()));
  }
}

} // namespace hivelark
