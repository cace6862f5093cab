#pragma once

#include "framework/Dpi.h"
#include "framework/Handles.h"

#include <windows.h>

#include <map>
#include <memory>
#include <string>

namespace hivelark {

// A font as the layouts describe it: face, height in pixels at 96 dpi, weight, and the text colour
// that the windows using it draw with. The platform font for a DPI is made on first use at that
// DPI and shared by every window at that DPI that uses this object.
class TFont {
public:
  TFont(std::string name, int pixelHeight, bool bold = false,
        COLORREF color = GetSysColor(COLOR_WINDOWTEXT));
  // Takes over a copy of a platform font description made for `dpi` (for example the system's
  // message font, which comes at the screen's DPI).
  explicit TFont(const LOGFONTA& description, COLORREF color = GetSysColor(COLOR_WINDOWTEXT),
                 int dpi = kDesignDpi);

  // The platform font at `dpi`: a window's text takes the font at the window's DPI.
  HFONT Handle(int dpi) const;
  const std::string& Name() const { return name_; }
  // The character height in pixels at 96 dpi.
  int Height() const { return height_; }
  bool Bold() const { return bold_; }
  COLORREF Color() const { return color_; }
  void SetColor(COLORREF color) { color_ = color; }

private:
  // The description as given: its height and width are those of descriptionDpi_.
  LOGFONTA description_{};
  int descriptionDpi_ = kDesignDpi;
  std::string name_;
  int height_;
  bool bold_;
  COLORREF color_;
  // By DPI: a program sees one or two.
  mutable std::map<int, UniqueFont> handles_;
};

// The font every window starts with: Tahoma, 11 pixels high (8 points at 96 dpi).
std::shared_ptr<TFont> DefaultFont();

} // namespace hivelark
