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

namespace {

// The face the platform picked for `font`, and whether it is a bitmap face.
struct PickedFace {
  std::string name;
  bool bitmap = false;
};

PickedFace FaceOf(HFONT font) {
  WindowDC screen(nullptr);
  SelectObjectScope select(screen.get(), font);
  char name[LF_FACESIZE] = "";
  GetTextFaceA(screen.get(), LF_FACESIZE, name);
  TEXTMETRICA metrics{};
  GetTextMetricsA(screen.get(), &metrics);
  return {name, (metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE)) == 0};
}

// Outline faces for a bitmap face at a size it lacks: MS Sans Serif's outline twin, which Windows
// has, then the program's own face, which every system here has.
constexpr const char* kOutlineFaces[] = {"Microsoft Sans Serif", "Tahoma"};

} // namespace

HFONT TFont::Handle(int dpi) const {
  UniqueFont& handle = handles_[dpi];
  if (!handle) {
    LOGFONTA description = description_;
    // From the figure as given, so that the font at the DPI it was given for is that very font.
    description.lfHeight = MulDiv(description_.lfHeight, dpi, descriptionDpi_);
    description.lfWidth = MulDiv(description_.lfWidth, dpi, descriptionDpi_);
    handle.reset(CreateFontIndirectA(&description));
    // A bitmap face (MS Sans Serif) has glyphs only for the sizes of the DPI it was made for: at
    // another the platform keeps them small or blows them up blocky, so an outline face that
    // the platform really has takes its place.
    if (dpi != descriptionDpi_ && handle && FaceOf(handle.get()).bitmap) {
      for (const char* face : kOutlineFaces) {
        std::strncpy(description.lfFaceName, face, LF_FACESIZE - 1);
        UniqueFont outline(CreateFontIndirectA(&description));
        if (outline && lstrcmpiA(FaceOf(outline.get()).name.c_str(), face) == 0) {
          handle = std::move(outline);
          break;
        }
      }
    }
  }
  return handle.get();
}

std::shared_ptr<TFont> DefaultFont() {
  static const std::shared_ptr<TFont> font = std::make_shared<TFont>("Tahoma", 11);
  return font;
}

} // namespace hivelark
