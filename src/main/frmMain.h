#pragma once

#include "framework/Form.h"
#include "monitor/RegMonitorThread.h"

#include <memory>
#include <string>

namespace hivelark {

class TBevel;
class TImage;
class TsComboBox;
class TsEdit;
class TsLabel;
class TsMemo;
class TsPanel;
class TsRadioGroup;
class TsStatusBar;

// The main window: the one window the user works in. Its upper panel holds the monitor settings
// and the row of picture buttons, its lower panel the change log and the status bar. Main thread
// only; the monitor reaches it only through its messages.
class TForm1 : public TForm {
public:
  explicit TForm1(TComponent* owner);
  ~TForm1() override;

  // The controls, in the order the window declares them. The window owns them all.
  TsPanel* spnl1;
  TsPanel* spnl2;
  TsStatusBar* stsbr1;
  TsMemo* mmo1;
  TImage* image2;
  TImage* image3;
  TImage* image4;
  TImage* image5;
  TsLabel* lbl1;
  TsLabel* lbl2;
  TsLabel* lbl3;
  TsLabel* lbl4;
  TBevel* bvl1;
  TBevel* bvl2;
  TsComboBox* combo1;
  TsEdit* edt1;
  TImage* image6;
  TsLabel* lbl5;
  TImage* image7;
  TsLabel* lbl6;
  TsRadioGroup* srdgrp1;
  TsRadioGroup* srdgrp2;

  // Window commands.
  void image3Click(TComponent* sender);
  void image4Click(TComponent* sender);
  void trycn1Click(TComponent* sender);
  void image2MouseEnter(TComponent* sender);
  void image2MouseLeave(TComponent* sender);
  void image3MouseEnter(TComponent* sender);
  void image3MouseLeave(TComponent* sender);
  void image4MouseEnter(TComponent* sender);
  void image4MouseLeave(TComponent* sender);
  void image5MouseEnter(TComponent* sender);
  void image5MouseLeave(TComponent* sender);
  void image6MouseEnter(TComponent* sender);
  void image6MouseLeave(TComponent* sender);
  void image7MouseEnter(TComponent* sender);
  void image7MouseLeave(TComponent* sender);

  void FormCreate(TComponent* sender);
  void FormDestroy(TComponent* sender);

private:
  void BuildSettingsPanel();
  void BuildLogPanel();
  TImage* AddPictureButton(const char* resource, int left, const char* hint);
  TsLabel* AddButtonCaption(int left, const char* caption);
  // Moves a picture button by (delta, delta): the hover shift and its undoing.
  static void ShiftPicture(TImage* picture, int delta);
};

} // namespace hivelark
