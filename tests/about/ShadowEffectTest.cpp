#include "controls/LabelFX.h"
#include "framework/Exception.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace hivelark;

namespace {

// The 3 x 3 inner cells of a 5 x 5 mask, row by row.
std::vector<int> InnerCells(const std::vector<std::uint8_t>& mask) {
  std::vector<int> cells;
  for (int row = 1; row <= 3; ++row) {
    for (int column = 1; column <= 3; ++column) {
      cells.push_back(mask[static_cast<size_t>(row * 5 + column)]);
    }
  }
  return cells;
}

} // namespace

TEST(ShadowMask, PassesMarkTheTextThenBlurInPlaceOnTheOneMask) {
  // A 3 x 3 work area whose middle pixel the text touched; its mask cell is (2, 2) of 5 x 5.
  std::vector<std::uint32_t> work(9, 0);
  work[4] = 0x00FFFFFF;

  // Pass 1: (2, 2) = 255, then row by row, each cell from the cells as they are at that moment:
  //   (1,1) = (0+0+0+0)/4 = 0      (1,2) = (0+255+0+0)/4 = 63   (1,3) = (0+0+63+0)/4 = 15
  //   (2,1) = (0+0+0+255)/4 = 63   (2,2) = (63+0+63+0)/4 = 31   (2,3) = (15+0+31+0)/4 = 11
  //   (3,1) = (63+0+0+0)/4 = 15    (3,2) = (31+0+15+0)/4 = 11   (3,3) = (11+0+11+0)/4 = 5
  // A pass that read a copy of the mask would give (2,2) = 0 and a symmetric result.
  EXPECT_EQ(InnerCells(MakeShadowMask(work, 3, 3, 1)),
            (std::vector<int>{0, 63, 15, 63, 31, 11, 15, 11, 5}));

  // Pass 2 starts again from (2, 2) = 255 over what pass 1 left:
  //   (1,1) = (63+63)/4 = 31       (1,2) = (255+31+15)/4 = 75   (1,3) = (11+75)/4 = 21
  //   (2,1) = (31+15+255)/4 = 75   (2,2) = (75+11+75+11)/4 = 43 (2,3) = (21+5+43)/4 = 17
  //   (3,1) = (75+11)/4 = 21       (3,2) = (43+21+5)/4 = 17     (3,3) = (17+17)/4 = 8
  // Pass 3:
  //   (1,1) = (75+75)/4 = 37       (1,2) = (255+37+21)/4 = 78   (1,3) = (17+78)/4 = 23
  //   (2,1) = (37+21+255)/4 = 78   (2,2) = (78+17+78+17)/4 = 47 (2,3) = (23+8+47)/4 = 19
  //   (3,1) = (78+17)/4 = 23       (3,2) = (47+23+8)/4 = 19     (3,3) = (19+19)/4 = 9
  // Pass 4, the label's blur count:
  //   (1,1) = (78+78)/4 = 39       (1,2) = (255+39+23)/4 = 79   (1,3) = (19+79)/4 = 24
  //   (2,1) = (39+23+255)/4 = 79   (2,2) = (79+19+79+19)/4 = 49 (2,3) = (24+9+49)/4 = 20
  //   (3,1) = (79+19)/4 = 24       (3,2) = (49+24+9)/4 = 20     (3,3) = (20+20)/4 = 10
  const std::vector<std::uint8_t> mask = MakeShadowMask(work, 3, 3, 4);
  EXPECT_EQ(InnerCells(mask), (std::vector<int>{39, 79, 24, 79, 49, 20, 24, 20, 10}));
  for (int cell = 0; cell < 25; ++cell) {
    const int row = cell / 5;
    const int column = cell % 5;
    if (row == 0 || row == 4 || column == 0 || column == 4) {
      EXPECT_EQ(mask[static_cast<size_t>(cell)], 0) << "margin cell " << column << ", " << row;
    }
  }
}

TEST(ShadowMask, OnlyTheBlueChannelMarksAPixelAndSizesAreChecked) {
  // Red and green alone do not count as text.
  EXPECT_EQ(InnerCells(MakeShadowMask(std::vector<std::uint32_t>(9, 0x00FFFF00), 3, 3, 4)),
            std::vector<int>(9, 0));
  // The faintest blue does.
  std::vector<std::uint32_t> work(9, 0x00FFFF00);
  work[4] = 0x00000001;
  EXPECT_EQ(InnerCells(MakeShadowMask(work, 3, 3, 1)),
            (std::vector<int>{0, 63, 15, 63, 31, 11, 15, 11, 5}));

  std::vector<std::uint8_t> tooSmall(4 * 3 - 1);
  EXPECT_THROW(BlurShadowMask(tooSmall, 2, 1), Exception);
  std::vector<std::uint32_t> pixels(2);
  EXPECT_THROW(BlendShadow(pixels, tooSmall, 2, 1, RGB(0, 0, 0)), Exception);
  EXPECT_THROW(MakeShadowMask(pixels, 3, 3, 1), Exception) << "work area smaller than its size";
}

TEST(ShadowBlend, RoundsDownAndKeepsTheChannelsApart) {
  // 200 x 127 / 256 = 99.2
  EXPECT_EQ(BlendShadowChannel(200, 0, 128), 99);
  // A zero mask still takes 255 / 256 of what lay there: 255 x 255 / 256 = 254.004
  EXPECT_EQ(BlendShadowChannel(255, 0, 0), 254);
  EXPECT_EQ(BlendShadowChannel(0, 0, 0), 0);
  EXPECT_EQ(BlendShadowChannel(240, 0, 255), 0);
  // 255 x 255 / 256 again, from the shadow's side.
  EXPECT_EQ(BlendShadowChannel(0, 255, 255), 254);

  // One pixel (red 16, green 32, blue 48) under the shadow colour red 10, green 20, blue 30 with
  // mask 128:
  //   red   (16 x 127 + 10 x 128) / 256 = 3312 / 256 = 12.94 -> 12
  //   green (32 x 127 + 20 x 128) / 256 = 6624 / 256 = 25.88 -> 25
  //   blue  (48 x 127 + 30 x 128) / 256 = 9936 / 256 = 38.81 -> 38
  // and a second pixel with mask 0, left at 255 / 256 of itself.
  std::vector<std::uint32_t> pixels{0x00102030, 0x00F0F0F0};
  std::vector<std::uint8_t> mask(4 * 3, 0);
  mask[5] = 128;
  BlendShadow(pixels, mask, 2, 1, RGB(10, 20, 30));
  EXPECT_EQ(pixels[0], 0x000C1926u);
  EXPECT_EQ(pixels[1], 0x00EFEFEFu);
}
