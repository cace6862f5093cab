#include "framework/Font.h"

#include <cstring>

namespace hivelark {

TFont::TFont(std::string name, int pixelHeight, bool bold, COLORREF color)
    : name_(std::move(name)), height_(pixelHeight), bold_(bold), color_(color) {
  // A negative height asks for the character height, as the layouts give it (cell height would
  // make every text a pixel or two smaller than designed).
  description_.lfHeight = -pixelHeight;
  description_.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  description_.lfCharSet = DEFAULT_CHARSET;
  description_.lfOutPrecision = OUT_DEFAULT_PRECIS;
  description_.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  description_.lfQuality = DEFAULT_QUALITY;
  description_.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  std::strncpy(description_.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
}

TFont::TFont(const LOGFONTA& description, COLORREF color, int dpi)
    : description_(description), descriptionDpi_(dpi > 0 ? dpi : kDesignDpi),
      name_(description.lfFaceName),
      height_(ScaleFromDpi(description.lfHeight < 0 ? -description.lfHeight : description.lfHeight,
                           descriptionDpi_)),
      bold_(description.lfWeight >= FW_BOLD), color_(color) {}

HFONT TFont::Handle(int dpi) const {
  UniqueFont& handle = handles_[dpi];
  if (!handle) {
    LOGFONTA description = description_;
    // From the figure as given, so that the font at the DPI it was given for is that very font.
    description.lfHeight = MulDiv(description_.lfHeight, dpi, descriptionDpi_);
    handle.reset(CreateFontIndirectA(&description));
  }
  return handle.get();
}

std::shared_ptr<TFont> DefaultFont() {
  static const std::shared_ptr<TFont> font = std::make_shared<TFont>("Tahoma", 11);
  return font;
}

} // namespace hivelark
