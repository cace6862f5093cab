#include "controls/FilenameEdit.h"

#include "imaging/AlphaPicture.h"

#include "framework/Exception.h"
#include "framework/Form.h"
#include "imaging/ResourcePictures.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

namespace hivelark {
namespace {

constexpr int kDefaultWidth = 121;
constexpr int kDefaultHeight = 21;
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

std::uint8_t Mix(int picture, int background, int backgroundShare, int whole) {
  return static_cast<std::uint8_t>(picture * (whole - backgroundShare) / whole +
                                   background * backgroundShare / whole);
}

} // namespace

bool IsAcceptableFileName(const std::string& name) {
  return !name.empty() && name.find_first_of(kUnacceptableCharacters) == std::string::npos;
}

TMaskedPicture::TMaskedPicture(const std::string& name) {
  const UniqueBitmap bitmap = LoadBitmapResource(GetModuleHandleA(nullptr), name.c_str());
  DIBSECTION section{};
  if (GetObjectA(bitmap.get(), sizeof(section), &section) != sizeof(section) ||
      section.dsBm.bmBitsPixel != 24 || section.dsBm.bmBits == nullptr) {
    throw Exception(Format("Bitmap resource \"%s\" is not a 24-bit picture", name.c_str()));
  }
  width_ = section.dsBm.bmWidth;
  height_ = section.dsBm.bmHeight;
  const int stride = section.dsBm.bmWidthBytes;
  const bool bottomUp = section.dsBmih.biHeight > 0;
  const auto* bits = static_cast<const std::uint8_t*>(section.dsBm.bmBits);
  pixels_.resize(static_cast<size_t>(width_) * height_ * 3);
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* row =
        bits + static_cast<ptrdiff_t>(bottomUp ? height_ - 1 - y : y) * stride;
    std::memcpy(&pixels_[static_cast<size_t>(y) * width_ * 3], row,
                static_cast<size_t>(width_) * 3);
  }
}

const std::uint8_t* TMaskedPicture::Pixel(int x, int y) const {
  return &pixels_[(static_cast<size_t>(y) * width_ + x) * 3];
}

std::vector<std::uint32_t> TMaskedPicture::Compose(int index, COLORREF background, int blend,
                                                   bool grayed) const {
  const int width = ImageWidth();
  const int height = ImageHeight();
  const int backgroundShare = std::clamp(blend, 0, 100);
  const int backgroundChannel[3] = {GetBValue(background), GetGValue(background),
                                    GetRValue(background)};
  std::vector<std::uint32_t> result(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* picture = Pixel(index * width + x, y);
      const std::uint8_t* mask = Pixel(index * width + x, y + height);
      int channel[3];
      for (int c = 0; c < 3; ++c) {
        channel[c] = Mix(picture[c], backgroundChannel[c], backgroundShare, 100);
      }
      if (grayed) {
        const int gray = (channel[2] * 30 + channel[1] * 59 + channel[0] * 11) / 100;
        std::fill(std::begin(channel), std::end(channel), gray);
      }
      std::uint32_t pixel = 0;
      for (int c = 0; c < 3; ++c) {
        pixel |= static_cast<std::uint32_t>(Mix(channel[c], backgroundChannel[c], mask[c], 255))
                 << (8 * c);
      }
      result[static_cast<size_t>(y) * width + x] = pixel;
    }
  }
  return result;
}

TsEditButton::TsEditButton(TComponent* owner) : TCustomControl(owner) {}

void TsEditButton::SetDefaultGlyph(const std::string& pictureName) {
  defaultGlyph_ = pictureName;
  LoadPicture();
}

void TsEditButton::SetGlyphMode(const TsGlyphMode& glyphMode) {
  glyphMode_ = glyphMode;
  LoadPicture();
}

void TsEditButton::LoadPicture() {
  const std::string name = glyphMode_.UseDefaultGlyph ? defaultGlyph_ : glyphMode_.Glyph;
  picture_ = name.empty() ? TMaskedPicture() : TMaskedPicture(PictureResource(name));
  Invalidate();
}

void TsEditButton::CreateParams(TCreateParams& params) {
  TWindow::CreateParams(params);
  params.className = "HivelarkEditButton";
  // Every press is a press: a quick second click must not turn into a double click.
  params.classStyle = 0;
  params.cursor = LoadCursorA(nullptr, IDC_ARROW);
}

void TsEditButton::OnEnabledChanged() {
  TWindow::OnEnabledChanged();
  Invalidate();
}

bool TsEditButton::Contains(LPARAM point) const {
  RECT client;
  GetClientRect(WindowHandle(), &client);
  return PtInRect(&client, POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)}) != FALSE;
}

void TsEditButton::PaintWindow(HDC dc) {
  RECT client;
  GetClientRect(WindowHandle(), &client);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  if (Pressed()) {
    DrawEdge(dc, &client, BDR_SUNKENOUTER, BF_RECT);
  } else if (hot_ || down_) {
    DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
  }
  if (picture_.Empty()) {
    return;
  }
  const int width = picture_.ImageWidth();
  const int height = picture_.ImageHeight();
  const bool grayed = glyphMode_.Grayed && !Enabled();
  const std::vector<std::uint32_t> image =
      picture_.Compose(Pressed() ? kPressedImage : kRestImage, face, glyphMode_.Blend, grayed);
  const BITMAPINFO info = TopDownBitmapInfo(width, height);
  SetDIBitsToDevice(dc, (client.right - width) / 2, (client.bottom - height) / 2,
                    static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                    static_cast<UINT>(height), image.data(), &info, DIB_RGB_COLORS);
}

LRESULT TsEditButton::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_LBUTTONDOWN:
    SetCapture(WindowHandle());
    down_ = true;
    pointerInside_ = true;
    Invalidate();
    return 0;
  case WM_MOUSEMOVE:
    if (!hot_) {
      hot_ = true;
      TRACKMOUSEEVENT tracking{sizeof(tracking), TME_LEAVE, WindowHandle(), 0};
      TrackMouseEvent(&tracking);
      Invalidate();
    }
    if (down_ && Contains(lParam) != pointerInside_) {
      pointerInside_ = !pointerInside_;
      Invalidate();
    }
    return 0;
  case WM_MOUSELEAVE:
    hot_ = false;
    Invalidate();
    return 0;
  case WM_LBUTTONUP:
    if (down_) {
      const bool clicked = Contains(lParam);
      // Cleared before the capture goes, so that WM_CAPTURECHANGED finds nothing to undo.
      down_ = false;
      ReleaseCapture();
      Invalidate();
      // The dialog that a click opens is modal: show the button released first.
      UpdateWindow(WindowHandle());
      if (clicked) {
        DoClick();
      }
    }
    return 0;
  case WM_CAPTURECHANGED:
    if (down_) {
      down_ = false;
      Invalidate();
    }
    return 0;
  default:
    break;
  }
  return TCustomControl::WndProc(message, wParam, lParam);
}

void TsEditButton::DoClick() {
  if (OnClick) {
    OnClick(this);
  }
}

TsMaskEdit::TsMaskEdit(TComponent* owner) : TWithBoundLabel<TWindow>(owner) {
  SetTabStop(true);
  SetBounds(0, 0, kDefaultWidth, kDefaultHeight);
}

void TsMaskEdit::SetMaxLength(int maxLength) {
  maxLength_ = maxLength;
  if (HandleAllocated()) {
    SendMessageA(WindowHandle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
  }
}

void TsMaskEdit::SelectAll() {
  if (HandleAllocated()) {
    SendMessageA(WindowHandle(), EM_SETSEL, 0, -1);
  }
}

void TsMaskEdit::CreateParams(TCreateParams& params) {
  params.className = "EDIT";
  params.subclassStandardControl = true;
  params.style = ES_LEFT | ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  params.exStyle = WS_EX_CLIENTEDGE;
}

void TsMaskEdit::AfterCreateHandle() {
  TWithBoundLabel<TWindow>::AfterCreateHandle();
  SendMessageA(WindowHandle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
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

void TsCustomComboEdit::SetShowButton(bool showButton) {
  showButton_ = showButton;
  button_->SetVisible(showButton);
  FitTextArea();
}

void TsCustomComboEdit::SetGlyphMode(const TsGlyphMode& glyphMode) {
  button_->SetGlyphMode(glyphMode);
  PlaceButton();
  FitTextArea();
}

int TsCustomComboEdit::ButtonWidth() const {
  return showButton_ ? button_->PictureWidth() + kButtonPadding : 0;
}

void TsCustomComboEdit::PlaceButton() {
  const int width = button_->PictureWidth() + kButtonPadding;
  button_->SetBounds(ClientWidth() - width, 0, width, ClientHeight());
}

// The edit is multi-line only so that it takes a formatting rectangle: the text ends where the
// button begins. The edit resets the rectangle on several occasions of its own (new size, new
// font), hence the calls after each of them and after every key and mouse press.
void TsCustomComboEdit::FitTextArea() {
  if (!HandleAllocated()) {
    return;
  }
  RECT area{0, 0, ClientWidth() - ButtonWidth(), ClientHeight()};
  SendMessageA(WindowHandle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&area));
}

void TsCustomComboEdit::CreateParams(TCreateParams& params) {
  TsMaskEdit::CreateParams(params);
  params.style |= ES_MULTILINE | WS_CLIPCHILDREN;
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
  for (TWindow* window = Parent(); window != nullptr; window = window->Parent()) {
    if (auto* form = dynamic_cast<TForm*>(window)) {
      // As the dialog navigation does: the form presses its default or cancel button, if any.
      SendMessageA(form->Handle(), WM_COMMAND, key == VK_RETURN ? IDOK : IDCANCEL, 0);
      return;
    }
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
  dialog_ = new TsOpenDialog(this);
  dialog_->SetFilter(kDefaultFilter);
  dialog_->SetOptions({ofHideReadOnly, ofEnableSizing});
}

void TsFilenameEdit::SetDialogKind(TFileDialogKind dialogKind) {
  if (dialogKind == dialogKind_) {
    return;
  }
  TOpenDialog* replacement = dialogKind == dkSave
                                 ? static_cast<TOpenDialog*>(new TsSaveDialog(this))
                                 : new TsOpenDialog(this);
  replacement->SetFileName(dialog_->FileName());
  replacement->Files() = dialog_->Files();
  replacement->SetInitialDir(dialog_->InitialDir());
  replacement->SetFilter(dialog_->Filter());
  replacement->SetFilterIndex(dialog_->FilterIndex());
  replacement->SetDefaultExt(dialog_->DefaultExt());
  replacement->SetTitle(dialog_->Title());
  replacement->SetOptions(dialog_->Options());
  replacement->SetHelpContext(dialog_->HelpContext());
  replacement->SetDialogFunction(dialog_->DialogFunction());
  delete dialog_;
  dialog_ = replacement;
  dialogKind_ = dialogKind;
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
