#include "controls/LabelFX.h"

#include "imaging/AlphaPicture.h"

#include "framework/Exception.h"
#include "framework/Handles.h"

#include <algorithm>
#include <cstddef>

namespace hivelark {
namespace {

std::size_t CellIndex(int column, int row, int stride) {
  return static_cast<std::size_t>(row) * static_cast<std::size_t>(stride) +
         static_cast<std::size_t>(column);
}

void CheckMaskSize(std::size_t cells, int width, int height) {
  if (width < 0 || height < 0 ||
      cells < static_cast<std::size_t>(width + 2) * static_cast<std::size_t>(height + 2)) {
    throw Exception(Format("A shadow mask of %u cells cannot cover %d x %d pixels",
                           static_cast<unsigned>(cells), width, height));
  }
}

} // namespace

void BlurShadowMask(std::span<std::uint8_t> mask, int width, int height) {
  CheckMaskSize(mask.size(), width, height);
  const int stride = width + 2;
  for (int row = 1; row <= height; ++row) {
    for (int column = 1; column <= width; ++column) {
      const unsigned sum =
          mask[CellIndex(column, row - 1, stride)] + mask[CellIndex(column, row + 1, stride)] +
          mask[CellIndex(column - 1, row, stride)] + mask[CellIndex(column + 1, row, stride)];
      mask[CellIndex(column, row, stride)] = static_cast<std::uint8_t>(sum / 4);
    }
  }
}

std::vector<std::uint8_t> MakeShadowMask(std::span<const std::uint32_t> work, int width, int height,
                                         int passes) {
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(std::max(width, 0) + 2) *
                                 static_cast<std::size_t>(std::max(height, 0) + 2));
  CheckMaskSize(mask.size(), width, height);
  if (work.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    throw Exception(Format("A work bitmap of %u pixels cannot hold %d x %d pixels",
                           static_cast<unsigned>(work.size()), width, height));
  }
  const int stride = width + 2;
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if ((work[CellIndex(x, y, width)] & 0xFF) != 0) {
          mask[CellIndex(x + 1, y + 1, stride)] = 255;
        }
      }
    }
    BlurShadowMask(mask, width, height);
  }
  return mask;
}

void BlendShadow(std::span<std::uint32_t> pixels, std::span<const std::uint8_t> mask, int width,
                 int height, COLORREF shadow) {
  CheckMaskSize(mask.size(), width, height);
  if (pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    throw Exception(Format("A bitmap of %u pixels cannot hold %d x %d pixels",
                           static_cast<unsigned>(pixels.size()), width, height));
  }
  const int stride = width + 2;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t m = mask[CellIndex(x + 1, y + 1, stride)];
      std::uint32_t& pixel = pixels[CellIndex(x, y, width)];
      const auto red =
          BlendShadowChannel(static_cast<std::uint8_t>(pixel >> 16), GetRValue(shadow), m);
      const auto green =
          BlendShadowChannel(static_cast<std::uint8_t>(pixel >> 8), GetGValue(shadow), m);
      const auto blue = BlendShadowChannel(static_cast<std::uint8_t>(pixel), GetBValue(shadow), m);
      pixel =
          (pixel & 0xFF000000u) | (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | blue;
    }
  }
}

TsLabelFX::TsLabelFX(TComponent* owner) : TCustomLabel(owner) {}

void TsLabelFX::SetShadow(const TsShadow& shadow) {
  shadow_ = shadow;
  Invalidate();
}

void TsLabelFX::SetKind(const TsKind& kind) {
  kind_ = kind;
  Invalidate();
}

void TsLabelFX::CreateParams(TCreateParams& params) {
  TCustomLabel::CreateParams(params);
  params.className = "HivelarkLabelFX";
}

void TsLabelFX::Paint(HDC dc, const RECT& client) {
  if (Enabled() && shadow_.Color != CLR_NONE && shadow_.BlurCount > 0) {
    PaintWithShadow(dc, client);
  } else {
    TCustomLabel::Paint(dc, client);
  }
}

void TsLabelFX::PaintWithShadow(HDC dc, const RECT& client) {
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (width <= 0 || height <= 0) {
    return;
  }
  // Rows top to bottom, as the mask runs.
  const BITMAPINFO info = TopDownBitmapInfo(width, height);
  void* bits = nullptr;
  UniqueBitmap work(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDC workDC(CreateCompatibleDC(dc));
  if (!work || bits == nullptr || !workDC) {
    // Out of GDI resources: the text without its shadow is still legible.
    TCustomLabel::Paint(dc, client);
    return;
  }
  const std::span<std::uint32_t> pixels(static_cast<std::uint32_t*>(bits),
                                        static_cast<std::size_t>(width) *
                                            static_cast<std::size_t>(height));
  SelectObjectScope select(workDC.get(), work.get());
  std::fill(pixels.begin(), pixels.end(), 0u);
  RECT shifted{0, 0, width, height};
  // The distance is that of 96 dpi scaled to the label's. The blur count is not: every pass marks
  // the text again, so more passes darken the shadow near the text as much as they spread it.
  OffsetRect(&shifted, ToPixels(shadow_.Distance), ToPixels(shadow_.Distance));
  DrawCaption(workDC.get(), shifted, RGB(255, 255, 255));
  // The pixels are read and written directly: GDI may still hold drawing back in its batch.
  GdiFlush();
  const std::vector<std::uint8_t> mask = MakeShadowMask(pixels, width, height, shadow_.BlurCount);

  BitBlt(workDC.get(), 0, 0, width, height, dc, client.left, client.top, SRCCOPY);
  GdiFlush();
  BlendShadow(pixels, mask, width, height, shadow_.Color);
  BitBlt(dc, client.left, client.top, width, height, workDC.get(), 0, 0, SRCCOPY);
  DrawCaption(dc, client, CaptionColor());
}

} // namespace hivelark
