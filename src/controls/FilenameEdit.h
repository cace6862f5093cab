#pragma once

#include "controls/BoundLabel.h"
#include "controls/FileDialogs.h"
#include "framework/Window.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace hivelark {

// Modifier bits of a shortcut: the key code plus any of these.
constexpr WORD scShift = 0x2000;
constexpr WORD scCtrl = 0x4000;
constexpr WORD scAlt = 0x8000;

// How the button of a field draws its picture.
struct TsGlyphMode {
  // The field's own picture; when false, the bitmap resource named by Glyph (none if empty).
  bool UseDefaultGlyph = true;
  std::string Glyph;
  // How much of the background is mixed into the picture, in percent.
  int Blend = 0;
  // Whether the picture turns grey while the field is disabled.
  bool Grayed = false;
};

// A picture of three equal images side by side (unused, at rest and under the mouse, pressed) over
// a mask under each image, as the field buttons' bitmaps hold them. A mask pixel tells per colour
// channel how much of the background shows through: 0 none, 255 all.
class TMaskedPicture {
public:
  TMaskedPicture() = default;
  // Loads the 24-bit BITMAP resource `name` of the program.
  explicit TMaskedPicture(const std::string& name);

  int ImageWidth() const { return width_ / 3; }
  int ImageHeight() const { return height_ / 2; }
  bool Empty() const { return width_ == 0; }

  // Image `index` (0 to 2) laid over `background`, as top-down 32-bit pixels (0x00RRGGBB).
  std::vector<std::uint32_t> Compose(int index, COLORREF background, int blend, bool grayed) const;

private:
  // Blue, green and red bytes of pixel (x, y), counted from the top.
  const std::uint8_t* Pixel(int x, int y) const;

  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint8_t> pixels_;
};

// The flat button at the right end of a field: no caption, an arrow cursor, never the keyboard
// focus. It shows the middle image of its picture at rest and under the mouse, the right one while
// it is held down, and a thin frame under the mouse. A click is a press and a release over it.
class TsEditButton : public TCustomControl {
public:
  explicit TsEditButton(TComponent* owner);

  // The field's own picture, by the picture name of the control library.
  void SetDefaultGlyph(const std::string& pictureName);
  const TsGlyphMode& GlyphMode() const { return glyphMode_; }
  void SetGlyphMode(const TsGlyphMode& glyphMode);
  // The width of one image of the picture shown; 0 without a picture.
  int PictureWidth() const { return picture_.Empty() ? 0 : picture_.ImageWidth(); }
  // Whether it is held down with the mouse over it.
  bool Pressed() const { return down_ && pointerInside_; }

  TNotifyEvent OnClick;

protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnEnabledChanged() override;
  virtual void DoClick();

private:
  void LoadPicture();
  void PaintWindow(HDC dc) override;
  bool Contains(LPARAM point) const;

  std::string defaultGlyph_;
  TsGlyphMode glyphMode_;
  TMaskedPicture picture_;
  bool hot_ = false;
  bool down_ = false;
  bool pointerInside_ = false;
};

// A one-line edit field that can carry a bound label.
class TsMaskEdit : public TWithBoundLabel<TWindow> {
public:
  explicit TsMaskEdit(TComponent* owner);

  // The longest text the user may type (0: the platform's limit); text set by the program may be
  // longer.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int maxLength);
  void SelectAll();

protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateHandle() override;

private:
  int maxLength_ = 0;
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
  bool ShowButton() const { return showButton_; }
  void SetShowButton(bool showButton);
  // Whether the whole text is selected whenever the field gets the focus.
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool autoSelect) { autoSelect_ = autoSelect; }
  const TsGlyphMode& GlyphMode() const { return button_->GlyphMode(); }
  void SetGlyphMode(const TsGlyphMode& glyphMode);

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
  bool showButton_ = true;
  bool autoSelect_ = true;
};

// A field for a path: typing is limited to 255 characters. Files dropped from the shell are not
// accepted.
class TsFileDirEdit : public TsCustomComboEdit {
public:
  explicit TsFileDirEdit(TComponent* owner);
};

enum TFileDialogKind { dkOpen, dkSave };

// A field for the full path of one file, chosen with the system's file dialog that its button
// opens (Browse). Its text is the path exactly as chosen; the dialog keeps the file name, folder
// and file type of the last browse for the next one. Main thread only.
class TsFilenameEdit : public TsFileDirEdit {
public:
  explicit TsFilenameEdit(TComponent* owner);

  // The dialog that Browse runs; replaced (with its settings) when DialogKind changes.
  TOpenDialog& Dialog() const { return *dialog_; }
  TFileDialogKind DialogKind() const { return dialogKind_; }
  void SetDialogKind(TFileDialogKind dialogKind);

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
  const std::string& DialogTitle() const { return dialog_->Title(); }
  void SetDialogTitle(const std::string& title) { dialog_->SetTitle(title); }

  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int helpContext) { helpContext_ = helpContext; }

  // Runs the dialog starting from the text; a confirmed file becomes the text. The field takes
  // the focus afterwards, also when the dialog was cancelled.
  void Browse();

protected:
  void ButtonClick() override;

private:
  TOpenDialog* dialog_;
  TFileDialogKind dialogKind_ = dkOpen;
  int helpContext_ = 0;
};

// Whether `name` is not empty and holds none of < > " | * ? /.
bool IsAcceptableFileName(const std::string& name);

} // namespace hivelark
