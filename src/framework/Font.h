#pragma once

#include "framework/Handles.h"

#include <windows.h>

#include <memory>
#include <string>

namespace hivelark {

// A font as the layouts describe it: face, height in pixels, weight, and the text colour that the
// windows using it draw with. The platform font is made on first use and shared by every window
// that uses this object.
class TFont {
public:
  TFont(std::string name, int pixelHeight, bool bold = false,
        COLORREF color = GetSysColor(COLOR_WINDOWTEXT));
  // Takes over a copy of a platform font description (for example the system's message font).
  explicit TFont(const LOGFONTA& description, COLORREF color = GetSysColor(COLOR_WINDOWTEXT));

  HFONT Handle() const;
  const std::string& Name() const { return name_; }
  int Height() const { return height_; }
  bool Bold() const { return bold_; }
  COLORREF Color() const { return color_; }
  void SetColor(COLORREF color) { color_ = color; }

private:
  LOGFONTA description_{};
  std::string name_;
  int height_;
  bool bold_;
  COLORREF color_;
  mutable UniqueFont handle_;
};

// The font every window starts with: Tahoma, 11 pixels high (8 points at 96 dpi).
std::shared_ptr<TFont> DefaultFont();

} // namespace hivelark
