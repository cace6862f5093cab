#pragma once

#include "controls/BoundLabel.h"
#include "controls/Edit.h"
#include "controls/FileDialogs.h"
#include "controls/MouseControl.h"
#include "imaging/DpiArtwork.h"
#include "imaging/MaskedPicture.h"

#include <windows.h>

#include <string>

namespace hivelark {

// Modifier bits of a shortcut: the key code plus any of these.
constexpr WORD scShift = 0x2000;
constexpr WORD scCtrl = 0x4000;
constexpr WORD scAlt = 0x8000;

// The flat button at the right end of a field: no caption, an arrow cursor, never the keyboard
// focus. It shows the middle image of its picture at rest and under the mouse, the right one while
// it is held down, and a thin frame under the mouse.
class TsEditButton : public TMouseControl {
public:
  explicit TsEditButton(TComponent* owner);

  // The field's own picture, by the picture name of the control library.
  void SetDefaultGlyph(const std::string& pictureName);
  // The width of one image of the picture shown, in 96-dpi units; 0 without a picture.
  int PictureWidth() const {
    return picture_.Get().Empty() ? 0 : picture_.Get().DesignImageWidth();
  }

protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateHandle() override;
  void OnDpiChanged() override;
  // Right-aligned in the field's inside to the pixel (see PixelRect).
  RECT PixelRect(const RECT& bounds) const override;
  void OnEnabledChanged() override;
  void MouseStateChanged() override;
  void DoClick() override;

private:
  void PaintWindow(HDC dc) override;

  TDpiArtwork<TMaskedPicture> picture_;
};

// A one-line edit field that can carry a bound label.
class TsMaskEdit : public TWithBoundLabel<TsEdit> {
public:
  explicit TsMaskEdit(TComponent* owner) : TWithBoundLabel<TsEdit>(owner) {}

  void SelectAll();
};

// An edit field with a button at its right end whose click runs ButtonClick. With DirectInput off
// the text can only be set by the program: typing, pasting and cutting change nothing, copying
// works. ClickKey presses the button from the keyboard.
class TsCustomComboEdit : public TsMaskEdit {
public:
  explicit TsCustomComboEdit(TComponent* owner);

  TsEditButton& Button() const { return *button_; }

  bool DirectInput() const { return directInput_; }
  void SetDirectInput(bool directInput);
  // Also stops the button and the click key.
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  // Key code plus scShift, scCtrl and scAlt; Alt+Down by default.
  WORD ClickKey() const { return clickKey_; }
  void SetClickKey(WORD clickKey) { clickKey_ = clickKey; }
  // Whether the whole text is selected whenever the field gets the focus.
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool autoSelect) { autoSelect_ = autoSelect; }

  // Keeps the text out from under the button.
  void FitTextArea();

  TNotifyEvent OnButtonClick;

protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateHandle() override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  HBRUSH OnControlColor(HDC dc) override;
  void OnEnabledChanged() override;

  // What the button does; raises OnButtonClick.
  virtual void ButtonClick();
  void DoButtonClick();
  bool EditCanModify() const { return directInput_ && !readOnly_; }

private:
  void EditButtonClick();
  void PlaceButton();
  void UpdateReadOnly();
  void SelectAllOnFocus();
  void RepaintButton();
  void OfferDialogKey(WPARAM key);
  LRESULT DialogCode(LPARAM message) const;
  int ButtonWidth() const;

  TsEditButton* button_;
  bool directInput_ = true;
  bool readOnly_ = false;
  WORD clickKey_ = scAlt | VK_DOWN;
  bool autoSelect_ = true;
};

// A field for a path: typing is limited to 255 characters. Files dropped from the shell are not
// accepted.
class TsFileDirEdit : public TsCustomComboEdit {
public:
  explicit TsFileDirEdit(TComponent* owner);
};

// A field for the full path of one file, chosen with the system's file dialog that its button
// opens (Browse). Its text is the path exactly as chosen; the dialog keeps the file name, folder
// and file type of the last browse for the next one. Main thread only.
class TsFilenameEdit : public TsFileDirEdit {
public:
  explicit TsFilenameEdit(TComponent* owner);

  // The dialog that Browse runs.
  TOpenDialog& Dialog() const { return *dialog_; }

  // The text, unchanged.
  std::string FileName() const { return Text(); }
  // Raises "Invalid file name" for a non-empty name that IsAcceptableFileName refuses; otherwise
  // sets the text unchecked and empties the dialog's list of chosen files.
  void SetFileName(const std::string& fileName);

  // The dialog's settings.
  const std::string& DefaultExt() const { return dialog_->DefaultExt(); }
  void SetDefaultExt(const std::string& defaultExt) { dialog_->SetDefaultExt(defaultExt); }
  const std::string& Filter() const { return dialog_->Filter(); }
  void SetFilter(const std::string& filter) { dialog_->SetFilter(filter); }
  int FilterIndex() const { return dialog_->FilterIndex(); }
  void SetFilterIndex(int filterIndex) { dialog_->SetFilterIndex(filterIndex); }
  const std::string& InitialDir() const { return dialog_->InitialDir(); }
  void SetInitialDir(const std::string& initialDir) { dialog_->SetInitialDir(initialDir); }
  const TOpenOptions& DialogOptions() const { return dialog_->Options(); }
  void SetDialogOptions(const TOpenOptions& options) { dialog_->SetOptions(options); }

  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int helpContext) { helpContext_ = helpContext; }

  // Runs the dialog starting from the text; a confirmed file becomes the text. The field takes
  // the focus afterwards, also when the dialog was cancelled.
  void Browse();

protected:
  void ButtonClick() override;

private:
  TOpenDialog* dialog_;
  int helpContext_ = 0;
};

// Whether `name` is not empty and holds none of < > " | * ? /.
bool IsAcceptableFileName(const std::string& name);

} // namespace hivelark
