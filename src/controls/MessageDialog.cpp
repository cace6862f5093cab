#include "controls/MessageDialog.h"

#include "controls/StdCtrls.h"
#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/Handles.h"
#include "framework/Input.h"
#include "framework/SystemFunction.h"

#include <versionhelpers.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <map>
#include <memory>

namespace hivelark {
namespace {

// The dialog's measures, in dialog units: horizontal ones are quarters of the average character
// width, vertical ones eighths of the character height.
constexpr int kHorizontalMargin = 8;
constexpr int kVerticalMargin = 8;
constexpr int kHorizontalSpacing = 10;
constexpr int kVerticalSpacing = 10;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kIconSize = 32;
// The system's icons (IDI_HAND, IDI_ASTERISK) by number, for the narrow and the wide loader alike.
constexpr WORD kErrorIcon = 32513;
constexpr WORD kInformationIcon = 32516;
// Room beside a button's caption for its frame.
constexpr int kButtonCaptionPadding = 8;
constexpr int kHyphenLineLength = 27;

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kAlphabetLength = sizeof(kAlphabet) - 1;

#if !defined(_WIN64)
static_assert(offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth) == 340);
static_assert(sizeof(NONCLIENTMETRICSA) == 344);
#endif

// Before Windows Vista the structure ended before iPaddedBorderWidth, and the call refuses the
// larger size.
UINT NonClientMetricsSize() {
  return IsWindowsVistaOrGreater() ? sizeof(NONCLIENTMETRICSA)
                                   : offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
}

// The system's message font, or null when the system does not tell it.
std::shared_ptr<TFont> SystemMessageFont() {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = NonClientMetricsSize();
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
    return nullptr;
  }
  // The system gives its fonts at the screen's DPI.
  return std::make_shared<TFont>(metrics.lfMessageFont, GetSysColor(COLOR_WINDOWTEXT), ScreenDpi());
}

// The width of the OK button's caption on one line, plus its frame, in pixels at `dpi`, measured
// on `dc` with the dialogs' font at `dpi`. Measured at the first dialog of the run at that DPI and
// kept, as every dialog of the run uses the same font. Main thread only, as dialogs are.
int OkCaptionWidth(HDC dc, int dpi) {
  static std::map<int, int> widths;
  auto [place, isNew] = widths.try_emplace(dpi, 0);
  if (isNew) {
    RECT bounds{0, 0, 0, 0};
    DrawTextA(dc, "OK", -1, &bounds, DT_CALCRECT | DT_LEFT | DT_SINGLELINE);
    place->second =
        static_cast<int>(bounds.right - bounds.left) + ScaleToDpi(kButtonCaptionPadding, dpi);
  }
  return place->second;
}

// The system's icon `id` (IDI_HAND, say) drawn for `size` pixels, where the system can (common
// controls 6, from Vista on), else null. Looked up, as an older library may be the one loaded.
UniqueIcon StockIconOfSize(WORD id, int size) {
  using LoadIconWithScaleDownFunction = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
  static const auto loadIcon = LookUpFunction<LoadIconWithScaleDownFunction>(
      GetModuleHandleA("comctl32.dll"), "LoadIconWithScaleDown");
  HICON icon = nullptr;
  if (loadIcon == nullptr || FAILED(loadIcon(nullptr, MAKEINTRESOURCEW(id), size, size, &icon))) {
    return UniqueIcon();
  }
  return UniqueIcon(icon);
}

// The system's icon of a kind on a STATIC control, at the control's size: drawn for that size
// where the system has it, else the standard icon scaled to it.
class TMessageIcon : public TWindow {
public:
  TMessageIcon(TComponent* owner, WORD id) : TWindow(owner), id_(id) {}

protected:
  void CreateParams(TCreateParams& params) override {
    params.className = "STATIC";
    params.subclassStandardControl = true;
    // Without SS_REALSIZECONTROL the control would take the icon's size instead of keeping ours.
    params.style = SS_ICON | SS_REALSIZECONTROL;
  }
  void AfterCreateHandle() override { TakeIcon(); }
  void OnDpiChanged() override { TakeIcon(); }

private:
  void TakeIcon() {
    UniqueIcon icon = StockIconOfSize(id_, ToPixels(kIconSize));
    // The stock icon is shared: the system owns it.
    HICON shown = icon ? icon.get() : LoadIconA(nullptr, MAKEINTRESOURCEA(id_));
    SendMessageA(WindowHandle(), STM_SETICON, reinterpret_cast<WPARAM>(shown), 0);
    // Destroyed only now that the control no longer shows it.
    icon_ = std::move(icon);
  }

  WORD id_;
  UniqueIcon icon_;
};

} // namespace

TMessageForm::TMessageForm(TComponent* owner, const std::string& text, TMessageKind kind)
    : TForm(owner), messageText_(text) {
  SetBorderStyle(TBorderStyle::Dialog);
  SetKeyPreview(true);
  SetPosition(TPosition::ScreenCenter);
  SetText(kind == mkError ? "Error" : "Information");
  if (auto font = SystemMessageFont()) {
    SetFont(std::move(font));
  }

  image_ = new TMessageIcon(this, kind == mkError ? kErrorIcon : kInformationIcon);
  image_->SetName("Image");
  image_->SetParent(this);

  auto* message = new TLabel(this);
  message->SetName("Message");
  message->SetParent(this);
  message->SetWordWrap(true);
  message->SetShowAccelChar(false);
  message->SetText(text);
  message_ = message;

  auto* ok = new TButton(this);
  ok->SetName("OK");
  ok->SetParent(this);
  ok->SetText("OK");
  ok->SetModalResult(mrOk);
  ok->SetDefault(true);
  SetDefaultButton(ok);
  SetCancelButton(ok);
  SetActiveControl(ok);
  ok_ = ok;
  Layout(Dpi());
}

void TMessageForm::AfterCreateHandle() {
  TForm::AfterCreateHandle();
  // Made on a monitor of another DPI than the one it was measured at.
  if (Dpi() != layoutDpi_) {
    Layout(Dpi());
  }
}

void TMessageForm::OnDpiChanged() {
  TForm::OnDpiChanged();
  Layout(Dpi());
}

void TMessageForm::Layout(int dpi) {
  layoutDpi_ = dpi;
  // Measured in pixels of `dpi` with the dialog's font there, and laid out in 96-dpi units at the
  // end, each measure rounded up so that no text comes out larger than its box.
  const auto units = [dpi](int pixels) { return ScaleFromDpiRoundingUp(pixels, dpi); };
  const int iconSize = ScaleToDpi(kIconSize, dpi);
  WindowDC screen(nullptr);
  SelectObjectScope selectFont(screen.get(), Font()->Handle(dpi));
  SIZE alphabet{0, 0};
  GetTextExtentPoint32A(screen.get(), kAlphabet, kAlphabetLength, &alphabet);
  const int averageWidth = alphabet.cx / kAlphabetLength;
  const int lineHeight = alphabet.cy;

  const int horizontalMargin = MulDiv(kHorizontalMargin, averageWidth, 4);
  const int verticalMargin = MulDiv(kVerticalMargin, lineHeight, 8);
  const int horizontalSpacing = MulDiv(kHorizontalSpacing, averageWidth, 4);
  const int verticalSpacing = MulDiv(kVerticalSpacing, lineHeight, 8);
  const int buttonWidth =
      std::max(MulDiv(kButtonWidth, averageWidth, 4), OkCaptionWidth(screen.get(), dpi));
  const int buttonHeight = MulDiv(kButtonHeight, lineHeight, 8);

  // A word longer than the width makes DrawTextA widen the box to it rather than break it. The
  // text is measured up to its NUL: given a count of 0, DrawTextA leaves the box untouched, and an
  // empty message would get a dialog half the screen wide.
  RECT textBounds{0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
  // A message is text, not a caption with a shortcut: a key path or value may hold ampersands.
  DrawTextA(screen.get(), messageText_.c_str(), -1, &textBounds,
            DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  const int textWidth = textBounds.right;
  const int textHeight = textBounds.bottom;

  const int blockWidth = textWidth + horizontalSpacing + iconSize;
  const int blockHeight = std::max(textHeight, iconSize);
  const int clientWidth = std::max(blockWidth, buttonWidth) + 2 * horizontalMargin;
  const int clientHeight = blockHeight + buttonHeight + verticalSpacing + 2 * verticalMargin;
  SetClientSize(units(clientWidth), units(clientHeight));
  image_->SetBounds(units(horizontalMargin), units(verticalMargin), kIconSize, kIconSize);
  message_->SetBounds(units(horizontalMargin + iconSize + horizontalSpacing), units(verticalMargin),
                      units(textWidth), units(textHeight));
  ok_->SetBounds(units((clientWidth - buttonWidth) / 2),
                 units(blockHeight + verticalMargin + verticalSpacing), units(buttonWidth),
                 units(buttonHeight));
}

std::string TMessageForm::ClipboardText() const {
  const std::string hyphens = std::string(kHyphenLineLength, '-') + "\r\n";
  std::string buttonCaptions;
  for (TComponent* component : Components()) {
    if (auto* button = dynamic_cast<TButton*>(component)) {
      buttonCaptions += button->Text() + "   ";
    }
  }
  buttonCaptions.erase(std::remove(buttonCaptions.begin(), buttonCaptions.end(), '&'),
                       buttonCaptions.end());
  return hyphens + Text() + "\r\n" + hyphens + messageText_ + "\r\n" + hyphens + buttonCaptions +
         "\r\n" + hyphens;
}

void TMessageForm::CopyToClipboard() {
  const std::string text = ClipboardText();
  ClipboardScope clipboard(nullptr);
  if (!clipboard.opened()) {
    throw Exception("Cannot open clipboard");
  }
  EmptyClipboard();
  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1));
  if (!memory) {
    throw Exception(
        Format("Cannot copy the message: %s", SystemErrorMessage(GetLastError()).c_str()));
  }
  {
    GlobalLockScope lock(memory.get());
    if (lock.data() == nullptr) {
      throw Exception(
          Format("Cannot copy the message: %s", SystemErrorMessage(GetLastError()).c_str()));
    }
    std::memcpy(lock.data(), text.c_str(), text.size() + 1);
  }
  // Once the clipboard has taken the block it is the clipboard's to free; a refused block is still
  // ours.
  if (SetClipboardData(CF_TEXT, memory.get()) != nullptr) {
    memory.release();
  }
}

bool TMessageForm::PreviewKey(const MSG& message) {
  if (message.message == WM_KEYDOWN && message.wParam == 'C' && KeyboardShiftState() == ssCtrl) {
    MessageBeep(MB_OK);
    CopyToClipboard();
    return true;
  }
  return false;
}

int ShowMessageDialog(const std::string& text, TMessageKind kind) {
  const auto form = std::make_unique<TMessageForm>(Application, text, kind);
  return form->ShowModal();
}

} // namespace hivelark
