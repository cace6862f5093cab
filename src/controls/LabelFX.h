#pragma once

#include "controls/CustomLabel.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <span>
#include <vector>

namespace hivelark {

// The soft shadow under a TsLabelFX's text. A colour of CLR_NONE or a blur count of 0 leaves the
// shadow out.
struct TsShadow {
  COLORREF Color = RGB(0, 0, 0);
  // How many times the shadow's mask is marked and blurred: more passes spread it wider.
  int BlurCount = 4;
  // How far the shadow lies right of and below the text, in pixels at 96 dpi.
  int Distance = 1;
};

// The colour of a TsLabelFX's text; its font's colour is not used.
struct TsKind {
  COLORREF Color = RGB(255, 255, 255);
};

// A label whose text stands over a soft shadow. Each paint draws the text white, shifted by the
// shadow's distance, into a black work bitmap; builds the shadow's mask from the pixels the text
// touched (MakeShadowMask); blends the shadow colour by that mask over what lies behind the label
// (BlendShadow); and draws the text in the kind's colour at its own place on top. A disabled label
// is drawn like any disabled label. Main thread only.
class TsLabelFX : public TCustomLabel {
public:
  explicit TsLabelFX(TComponent* owner);

  const TsShadow& Shadow() const { return shadow_; }
  void SetShadow(const TsShadow& shadow);
  const TsKind& Kind() const { return kind_; }
  void SetKind(const TsKind& kind);

protected:
  void CreateParams(TCreateParams& params) override;
  void Paint(HDC dc, const RECT& client) override;
  COLORREF CaptionColor() const override { return kind_.Color; }

private:
  void PaintWithShadow(HDC dc, const RECT& client);

  TsShadow shadow_;
  TsKind kind_;
};

// One blur pass over a shadow mask of (width + 2) x (height + 2) cells, rows top to bottom: each
// inner cell, row by row and left to right, becomes the sum of its four neighbours (above, below,
// left, right) divided by 4, rounding down. The pass works in place, so cells already replaced in
// it feed the later ones. The outer ring of cells is a margin that the pass reads but never writes.
void BlurShadowMask(std::span<std::uint8_t> mask, int width, int height);

// The shadow mask of a text drawn in white on black into `work` (width x height pixels, rows top
// to bottom, 0x00RRGGBB): (width + 2) x (height + 2) cells, all 0 at first, the cell of pixel x, y
// at x + 1, y + 1. Each of the `passes` passes sets to 255 every cell whose pixel has a blue part
// other than 0 (every pixel the text touched), then blurs the mask once.
std::vector<std::uint8_t> MakeShadowMask(std::span<const std::uint32_t> work, int width, int height,
                                         int passes);

// One colour channel of the shadow blended over what lay there: old x (255 - m) + shadow x m,
// divided by 256 and rounded down.
constexpr std::uint8_t BlendShadowChannel(std::uint8_t old, std::uint8_t shadow, std::uint8_t m) {
  return static_cast<std::uint8_t>((old * (255 - m) + shadow * m) / 256);
}

// Blends `shadow` over every pixel of `pixels` (width x height, 0x00RRGGBB) by the pixel's cell of
// `mask` (as MakeShadowMask lays it out), channel by channel.
void BlendShadow(std::span<std::uint32_t> pixels, std::span<const std::uint8_t> mask, int width,
                 int height, COLORREF shadow);

} // namespace hivelark
