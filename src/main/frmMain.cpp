#include "main/frmMain.h"

#include "controls/Edit.h"
#include "controls/Label.h"
#include "controls/Panel.h"
#include "controls/PictureButton.h"
#include "controls/RadioGroup.h"
#include "controls/StatusBar.h"
#include "framework/Application.h"

#include <memory>

namespace hivelark {
namespace {

constexpr COLORREF kLogBackground = RGB(255, 251, 240);

} // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner) {
  SetName("Form1");
  SetText("Hivelark");
  SetBorderStyle(TBorderStyle::Single);
  SetBorderIcons(/*minimize=*/true, /*maximize=*/false);
  SetPosition(TPosition::ScreenCenter);
  SetClientSize(503, 502);
  SetFont(std::make_shared<TFont>("Tahoma", 11));
  SetShowHint(true);

  spnl1 = new TsPanel(this);
  spnl1->SetName("spnl1");
  spnl1->SetParent(this);
  spnl1->SetBounds(0, 0, 503, 305);
  spnl2 = new TsPanel(this);
  spnl2->SetName("spnl2");
  spnl2->SetParent(this);
  spnl2->SetBounds(0, 305, 503, 197);
  BuildLogPanel();
  BuildSettingsPanel();

  OnCreate = [this](TComponent* sender) { FormCreate(sender); };
  OnDestroy = [this](TComponent* sender) { FormDestroy(sender); };
}

TForm1::~TForm1() = default;

void TForm1::BuildLogPanel() {
  stsbr1 = new TsStatusBar(this);
  stsbr1->SetName("stsbr1");
  stsbr1->SetParent(spnl2);
  stsbr1->SetBounds(1, 177, 501, 19);

  mmo1 = new TsMemo(this);
  mmo1->SetName("mmo1");
  mmo1->SetParent(spnl2);
  mmo1->SetBounds(1, 1, 501, 176);
  mmo1->SetColor(kLogBackground);
  mmo1->SetFont(std::make_shared<TFont>("Tahoma", 11, false, RGB(0, 0, 0)));
}

TImage* TForm1::AddPictureButton(const char* resource, int left, const char* hint) {
  auto* picture = new TImage(this);
  picture->SetParent(spnl1);
  picture->SetBounds(left, 221, 48, 48);
  picture->SetHint(hint);
  picture->SetPicture(AlphaPicture::FromResource(GetModuleHandleA(nullptr), resource));
  return picture;
}

TsLabel* TForm1::AddButtonCaption(int left, const char* caption) {
  auto* label = new TsLabel(this);
  label->SetParent(spnl1);
  label->SetBounds(left, 272, 0, 0);
  label->SetCaption(caption);
  return label;
}

void TForm1::BuildSettingsPanel() {
  // Created in tab order: the bevels are drawn by the panel, behind every control.
  bvl2 = new TBevel(this, spnl1);
  bvl2->SetName("bvl2");
  bvl2->SetBounds(8, 9, 487, 56);
  bvl2->SetStyle(TBevelCut::Lowered);

  combo1 = new TsComboBox(this);
  combo1->SetName("combo1");
  combo1->SetParent(spnl1);
  combo1->SetBounds(17, 30, 149, 21);
  combo1->SetHint("Select The Root Key");
  combo1->SetItems({"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT", "HKEY_USERS",
                    "HKEY_CURRENT_CONFIG", "HKEY_PERFORMANCE_DATA", "HKEY_DYN_DATA"});
  combo1->SetItemIndex(0);

  edt1 = new TsEdit(this);
  edt1->SetName("edt1");
  edt1->SetParent(spnl1);
  edt1->SetBounds(172, 30, 313, 21);
  edt1->SetHint("Enter The Key Path");
  edt1->SetMaxLength(0);

  srdgrp1 = new TsRadioGroup(this);
  srdgrp1->SetName("srdgrp1");
  srdgrp1->SetParent(spnl1);
  srdgrp1->SetBounds(8, 70, 487, 44);
  srdgrp1->SetText("Wach for changes on:");
  srdgrp1->SetHint("Select what to monitor");
  srdgrp1->SetColumns(4);
  srdgrp1->SetItems({"All", "Keys", "Values", "Security"});
  srdgrp1->SetItemIndex(0);

  srdgrp2 = new TsRadioGroup(this);
  srdgrp2->SetName("srdgrp2");
  srdgrp2->SetParent(spnl1);
  srdgrp2->SetBounds(8, 116, 487, 47);
  srdgrp2->SetText("On Event Action");
  srdgrp2->SetHint("Select action to execute on event");
  srdgrp2->SetColumns(3);
  srdgrp2->SetItems({"Nothing (just write to log)", "Popup a message", "Execute a program"});
  srdgrp2->SetItemIndex(0);

  bvl1 = new TBevel(this, spnl1);
  bvl1->SetName("bvl1");
  bvl1->SetBounds(8, 209, 487, 82);
  bvl1->SetStyle(TBevelCut::Raised);

  image2 = AddPictureButton("BTN_START", 18, "Start / Stop Monitor");
  image2->SetName("image2");
  image6 = AddPictureButton("BTN_CLEAR", 137, "Clear The Log");
  image6->SetName("image6");
  image7 = AddPictureButton("BTN_SAVE", 201, "Save The Log To A Text File");
  image7->SetName("image7");
  image4 = AddPictureButton("BTN_TRAY", 285, "Minimize To System Tray");
  image4->SetName("image4");
  image5 = AddPictureButton("BTN_ABOUT", 374, "About Hivelark");
  image5->SetName("image5");
  image3 = AddPictureButton("BTN_EXIT", 437, "Exit");
  image3->SetName("image3");

  lbl1 = AddButtonCaption(12, "Start Monitor");
  lbl1->SetName("lbl1");
  lbl5 = AddButtonCaption(138, "Clear Log");
  lbl5->SetName("lbl5");
  lbl6 = AddButtonCaption(203, "Save Log");
  lbl6->SetName("lbl6");
  lbl3 = AddButtonCaption(296, "Tray");
  lbl3->SetName("lbl3");
  lbl4 = AddButtonCaption(377, "About...");
  lbl4->SetName("lbl4");
  lbl2 = AddButtonCaption(453, "Exit");
  lbl2->SetName("lbl2");

  image3->OnClick = [this](TComponent* sender) { image3Click(sender); };
  image4->OnClick = [this](TComponent* sender) { image4Click(sender); };
  image2->OnMouseEnter = [this](TComponent* sender) { image2MouseEnter(sender); };
  image2->OnMouseLeave = [this](TComponent* sender) { image2MouseLeave(sender); };
  image3->OnMouseEnter = [this](TComponent* sender) { image3MouseEnter(sender); };
  image3->OnMouseLeave = [this](TComponent* sender) { image3MouseLeave(sender); };
  image4->OnMouseEnter = [this](TComponent* sender) { image4MouseEnter(sender); };
  image4->OnMouseLeave = [this](TComponent* sender) { image4MouseLeave(sender); };
  image5->OnMouseEnter = [this](TComponent* sender) { image5MouseEnter(sender); };
  image5->OnMouseLeave = [this](TComponent* sender) { image5MouseLeave(sender); };
  image6->OnMouseEnter = [this](TComponent* sender) { image6MouseEnter(sender); };
  image6->OnMouseLeave = [this](TComponent* sender) { image6MouseLeave(sender); };
  image7->OnMouseEnter = [this](TComponent* sender) { image7MouseEnter(sender); };
  image7->OnMouseLeave = [this](TComponent* sender) { image7MouseLeave(sender); };
}

void TForm1::ShiftPicture(TImage* picture, int delta) {
  picture->SetBounds(picture->Left() + delta, picture->Top() + delta, picture->Width(),
                     picture->Height());
}

void TForm1::image2MouseEnter(TComponent*) { ShiftPicture(image2, 2); }
void TForm1::image2MouseLeave(TComponent*) { ShiftPicture(image2, -2); }
void TForm1::image3MouseEnter(TComponent*) { ShiftPicture(image3, 2); }
void TForm1::image3MouseLeave(TComponent*) { ShiftPicture(image3, -2); }
void TForm1::image4MouseEnter(TComponent*) { ShiftPicture(image4, 2); }
void TForm1::image4MouseLeave(TComponent*) { ShiftPicture(image4, -2); }
void TForm1::image5MouseEnter(TComponent*) { ShiftPicture(image5, 2); }
void TForm1::image5MouseLeave(TComponent*) { ShiftPicture(image5, -2); }
void TForm1::image6MouseEnter(TComponent*) { ShiftPicture(image6, 2); }
void TForm1::image6MouseLeave(TComponent*) { ShiftPicture(image6, -2); }
void TForm1::image7MouseEnter(TComponent*) { ShiftPicture(image7, 2); }
void TForm1::image7MouseLeave(TComponent*) { ShiftPicture(image7, -2); }

void TForm1::image3Click(TComponent*) { Close(); }

void TForm1::image4Click(TComponent*) { Hide(); }

void TForm1::trycn1Click(TComponent*) {
  Show();
  BringToFront();
}

void TForm1::FormCreate(TComponent*) { stsbr1->SetSimpleText("Hivelark is Ready"); }

void TForm1::FormDestroy(TComponent*) {}

} // namespace hivelark
