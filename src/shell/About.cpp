#include "shell/About.h"

#include "controls/BitBtn.h"
#include "controls/BitmapImage.h"
#include "controls/CustomLabel.h"
#include "controls/LabelFX.h"
#include "controls/Panel.h"
#include "framework/Application.h"

#include <shellapi.h>

#include <memory>

namespace hivelark {
namespace {

// 8-bit text in the system code page: 0xA9 is the copyright sign.
constexpr char kCopyright[] = "Copyright \xA9 2026 The Hivelark developers";
constexpr char kTagline[] = "Hivelark Monitor Tool";
constexpr char kWebPageName[] = "www.hivelark.example";
constexpr char kWebPageAddress[] = "https://www.hivelark.example/";
constexpr COLORREF kLinkColor = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
// The check mark and its greyed twin, side by side.
constexpr int kCheckMarkGlyphs = 2;

std::shared_ptr<TFont> BoxFont(COLORREF color = GetSysColor(COLOR_WINDOWTEXT)) {
  return std::make_shared<TFont>("MS Sans Serif", 11, false, color);
}

void SetLinkColor(TCustomLabel* label, COLORREF color) {
  // Every mouse move over the link lands here: repaint only on a change.
  if (label->Font()->Color() != color) {
    label->Font()->SetColor(color);
    label->Invalidate();
  }
}

TCustomLabel* AddLabel(TAboutBox* box, TWindow* parent, const char* name, int top,
                       const char* text) {
  auto* label = new TCustomLabel(box);
  label->SetName(name);
  label->SetParent(parent);
  label->SetBounds(3, top, 273, 13);
  label->SetAlignment(taCenter);
  label->SetText(text);
  return label;
}

} // namespace

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(TComponent* owner) : TForm(owner) {
  SetName("AboutBox");
  SetText(kApplicationTitle);
  SetBorderStyle(TBorderStyle::Dialog);
  SetPosition(TPosition::ScreenCenter);
  SetClientSize(298, 274);
  SetFont(BoxFont());
  // The link's and the picture's hints are addresses to open, not tips to show.
  SetShowHint(false);
  ShellExecuteHandler = [](HWND owner, const char* verb, const char* file, const char* parameters,
                           const char* directory, int showCommand) {
    ShellExecuteA(owner, verb, file, parameters, directory, showCommand);
  };

  Panel1 = new TPanel(this);
  Panel1->SetName("Panel1");
  Panel1->SetParent(this);
  Panel1->SetBounds(9, 8, 281, 218);
  Panel1->SetBevels(TBevelCut::Lowered, TBevelCut::Raised, 2);

  Copyright = AddLabel(this, Panel1, "Copyright", 45, kCopyright);

  Comments = AddLabel(this, Panel1, "Comments", 81, kWebPageName);
  Comments->SetWordWrap(true);
  Comments->SetHint(kWebPageAddress);
  // Its own font object: the link changes its colour without touching the box's text.
  Comments->SetFont(BoxFont());
  Comments->OnClick = [this](TComponent* sender) { CommentsClick(sender); };
  Comments->OnMouseMove = [this](TComponent* sender, TShiftState shift, int x, int y) {
    CommentsMouseMove(sender, shift, x, y);
  };
  Comments->OnMouseLeave = [this](TComponent* sender) { CommentsMouseLeave(sender); };

  sBitBtn1 = new TsBitBtn(this);
  sBitBtn1->SetName("sBitBtn1");
  sBitBtn1->SetParent(this);
  sBitBtn1->SetBounds(117, 232, 75, 33);
  sBitBtn1->SetText("OK");
  sBitBtn1->SetModalResult(mrOk);
  sBitBtn1->SetDefault(true);
  sBitBtn1->SetGlyph("CHECKMARK", kCheckMarkGlyphs);
  SetDefaultButton(sBitBtn1);
  SetActiveControl(sBitBtn1);

  Image1 = new TBitmapImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(Panel1);
  Image1->SetBounds(71, 104, 145, 105);
  Image1->SetBitmap("ABOUTPICTURE");
  Image1->SetHint(kWebPageAddress);
  Image1->OnClick = [this](TComponent* sender) { Image1Click(sender); };
  Image1->OnMouseMove = [this](TComponent* sender, TShiftState shift, int x, int y) {
    Image1MouseMove(sender, shift, x, y);
  };
  Image1->OnMouseLeave = [this](TComponent* sender) { Image1MouseLeave(sender); };

  sLabelFX1 = new TsLabelFX(this);
  sLabelFX1->SetName("sLabelFX1");
  sLabelFX1->SetParent(Panel1);
  sLabelFX1->SetBounds(3, 13, 273, 32);
  sLabelFX1->SetAlignment(taCenter);
  sLabelFX1->SetText(kApplicationTitle);
  // The font's black is the layout's; the label draws its text in its kind's white.
  sLabelFX1->SetFont(std::make_shared<TFont>("MS Sans Serif", 19, true, kBlack));

  sLabel1 = AddLabel(this, Panel1, "sLabel1", 62, kTagline);
  sLabel1->SetFont(BoxFont(kBlack));
}

TAboutBox::~TAboutBox() {
  if (AboutBox == this) {
    AboutBox = nullptr;
  }
}

void TAboutBox::OpenHint(TPaintedControl* sender) {
  ShellExecuteHandler(Application != nullptr ? Application->Handle() : nullptr, "Open",
                      sender->Hint().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TAboutBox::CommentsClick(TComponent* sender) {
  if (auto* label = dynamic_cast<TCustomLabel*>(sender)) {
    OpenHint(label);
  }
}

void TAboutBox::CommentsMouseMove(TComponent*, TShiftState, int, int) {
  Comments->SetCursor(crHandPoint);
  SetLinkColor(Comments, kLinkColor);
}

void TAboutBox::CommentsMouseLeave(TComponent*) {
  Comments->SetCursor(crDefault);
  SetLinkColor(Comments, kBlack);
}

void TAboutBox::Image1Click(TComponent* sender) {
  if (auto* picture = dynamic_cast<TBitmapImage*>(sender)) {
    OpenHint(picture);
  }
}

void TAboutBox::Image1MouseMove(TComponent*, TShiftState, int, int) {
  Image1->SetCursor(crHandPoint);
}

void TAboutBox::Image1MouseLeave(TComponent*) {
  Image1->SetCursor(crDefault);
}

} // namespace hivelark
