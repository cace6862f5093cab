#include "PngTestFiles.h"
#include "imaging/AlphaPicture.h"
#include "imaging/MaskedPicture.h"
#include "imaging/Resample.h"
#include "imaging/ResourcePictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <tuple>

namespace hivelark::testing {
namespace {

// A 32-bit top-down DIB section in a memory DC, filled with one colour, whose pixels the test
// reads back after drawing.
class Canvas {
public:
  Canvas(int width, int height, std::uint32_t background)
      : width_(width), dc_(CreateCompatibleDC(nullptr)) {
    const BITMAPINFO info = TopDownBitmapInfo(width, height);
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    pixels_ = static_cast<std::uint32_t*>(bits);
    std::fill(pixels_, pixels_ + width * height, background);
    selected_.emplace(dc_.get(), bitmap_.get());
  }
  HDC dc() const { return dc_.get(); }
  std::uint32_t At(int x, int y) const {
    GdiFlush();
    return pixels_[y * width_ + x] & 0x00FFFFFF;
  }

private:
  int width_;
  UniqueMemoryDC dc_;
  UniqueBitmap bitmap_;
  std::uint32_t* pixels_ = nullptr;
  std::optional<SelectObjectScope> selected_;
};

void ExpectColourNear(std::uint32_t expected, std::uint32_t actual) {
  for (int shift : {0, 8, 16}) {
    EXPECT_LE(std::abs(static_cast<int>((expected >> shift) & 0xFF) -
                       static_cast<int>((actual >> shift) & 0xFF)),
              1)
        << std::hex << "expected 0x" << expected << ", got 0x" << actual;
  }
}

TEST(AlphaPicture, BlendsEachPixelByItsOwnAlpha) {
  // Straight red at half alpha, fully transparent, opaque green.
  const Picture picture{3, 1, {0x80800000, 0x00000000, 0xFF00FF00}};
  const AlphaPicture drawn(picture);
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.width(), 3);
  EXPECT_EQ(drawn.height(), 1);
  const Canvas canvas(5, 1, 0x000000FF);
  drawn.Draw(canvas.dc(), 1, 0);
  EXPECT_EQ(canvas.At(0, 0), 0x0000FFu) << "outside the picture";
  ExpectColourNear(0x80007F, canvas.At(1, 0));
  EXPECT_EQ(canvas.At(2, 0), 0x0000FFu) << "transparent pixel";
  EXPECT_EQ(canvas.At(3, 0), 0x00FF00u) << "opaque pixel";
  EXPECT_EQ(canvas.At(4, 0), 0x0000FFu) << "outside the picture";
}

TEST(AlphaPicture, DrawsAPartOfAPictureOfSeveralImages) {
  const TestImage image{4,
                        2,
                        true,
                        {{0, 255, 0, 255},
                         {0, 255, 0, 255},
                         {90, 90, 90, 255},
                         {90, 90, 90, 0},
                         {0, 255, 0, 255},
                         {0, 255, 0, 255},
                         {90, 90, 90, 255},
                         {90, 90, 90, 255}}};
  const AlphaPicture drawn(ReadGuarded(PngFile(PngChunks(image))));
  const Canvas canvas(2, 2, 0x00FFFFFF);
  drawn.DrawPart(canvas.dc(), 0, 0, 2, 0, 2, 2);
  EXPECT_EQ(canvas.At(0, 0), 0x5A5A5Au);
  EXPECT_EQ(canvas.At(1, 0), 0xFFFFFFu);
  EXPECT_EQ(canvas.At(0, 1), 0x5A5A5Au);
  EXPECT_EQ(canvas.At(1, 1), 0x5A5A5Au);
}

// The program's own pictures, read from this test program's resources as the program reads them:
// every test program links the program's resources, so a missing one fails the test.

TEST(ProgramPictures, ButtonsAre48By48WithTransparentCorners) {
  for (const char* name :
       {"BTN_START", "BTN_CLEAR", "BTN_SAVE", "BTN_TRAY", "BTN_ABOUT", "BTN_EXIT"}) {
    SCOPED_TRACE(name);
    const Picture picture = ReadPngResource(GetModuleHandleA(nullptr), name);
    ASSERT_EQ(picture.width, 48);
    ASSERT_EQ(picture.height, 48);
    for (auto [x, y] : {std::pair{0, 0}, {47, 0}, {0, 47}, {47, 47}}) {
      EXPECT_EQ(picture.At(x, y), 0u) << "corner " << x << ", " << y;
    }
    EXPECT_EQ(picture.At(24, 24) >> 24, 0xFFu) << "the centre is opaque";

    const AlphaPicture drawn = AlphaPicture::FromResource(GetModuleHandleA(nullptr), name);
    const Canvas canvas(48, 48, 0x00FF00FF);
    drawn.Draw(canvas.dc(), 0, 0);
    EXPECT_EQ(canvas.At(0, 0), 0xFF00FFu) << "the background shows through the corner";
    EXPECT_NE(canvas.At(24, 24), 0xFF00FFu);
  }
}

TEST(ProgramPictures, CheckMarkHoldsTwoImagesSideBySide) {
  const Picture picture = ReadPngResource(GetModuleHandleA(nullptr), "CHECKMARK");
  ASSERT_EQ(picture.width, 36);
  ASSERT_EQ(picture.height, 18);
  int opaqueLeft = 0;
  int opaqueRight = 0;
  for (int y = 0; y < 18; ++y) {
    for (int x = 0; x < 36; ++x) {
      if (picture.At(x, y) >> 24 == 0xFF) {
        ++(x < 18 ? opaqueLeft : opaqueRight);
      }
    }
  }
  EXPECT_GT(opaqueLeft, 10);
  EXPECT_GT(opaqueRight, 10);
}

TEST(ProgramPictures, BitmapsComeThroughThePlatformLoader) {
  for (auto [name, width, height] : {std::tuple{"SF", 60, 34}, {"ABOUTPICTURE", 147, 110}}) {
    SCOPED_TRACE(name);
    const UniqueBitmap bitmap = LoadBitmapResource(GetModuleHandleA(nullptr), name);
    BITMAP info{};
    ASSERT_NE(GetObjectA(bitmap.get(), sizeof(info), &info), 0);
    EXPECT_EQ(info.bmWidth, width);
    EXPECT_EQ(info.bmHeight, height);
    EXPECT_EQ(info.bmBitsPixel, 24);
  }
}

TEST(ProgramPictures, AMissingResourceIsAnErrorNamingIt) {
  for (auto load : {+[] { ReadPngResource(GetModuleHandleA(nullptr), "NO_SUCH_PICTURE"); },
                    +[] { LoadBitmapResource(GetModuleHandleA(nullptr), "NO_SUCH_PICTURE"); }}) {
    try {
      load();
      ADD_FAILURE() << "no error";
    } catch (const EPictureError& error) {
      EXPECT_NE(std::string(error.what()).find("\"NO_SUCH_PICTURE\""), std::string::npos)
          << error.what();
    }
  }
}

// At the scales that have artwork of their own the picture is that artwork untouched; between
// them (175 %) and beyond them (250 %) one is resized to the size the DPI gives.
TEST(ProgramPictures, EveryPictureComesAtItsSizeForTheDpi) {
  const HMODULE program = GetModuleHandleA(nullptr);
  for (int dpi : {96, 120, 144, 168, 192, 240}) {
    SCOPED_TRACE(dpi);
    const auto scaled = [dpi](int units) { return MulDiv(units, dpi, 96); };
    const Picture button = ReadPngArtwork(program, "BTN_SAVE", dpi);
    EXPECT_EQ(button.width, scaled(48));
    EXPECT_EQ(button.height, scaled(48));
    const Picture check = ReadPngArtwork(program, "CHECKMARK", dpi, 2);
    EXPECT_EQ(check.width, 2 * scaled(18));
    EXPECT_EQ(check.height, scaled(18));
    const TMaskedPicture folder("SF", dpi);
    EXPECT_EQ(folder.ImageWidth(), scaled(20));
    EXPECT_EQ(folder.ImageHeight(), scaled(17));
    EXPECT_EQ(folder.DesignImageWidth(), 20);
    BITMAP about{};
    ASSERT_NE(
        GetObjectA(LoadBitmapArtwork(program, "ABOUTPICTURE", dpi).get(), sizeof(about), &about),
        0);
    EXPECT_EQ(about.bmWidth, scaled(147));
    EXPECT_EQ(about.bmHeight, scaled(110));

    const ArtworkChoice choice = ChooseArtwork("BTN_SAVE", dpi);
    if (choice.DrawnFor(dpi)) {
      EXPECT_EQ(button.pixels, ReadPngResource(program, choice.resource.c_str()).pixels);
    }
  }
}

// Resized (175 % from the 200 % artwork), the folder keeps its colours: the background shows
// where the artwork is clear, and the folder itself is the same over any background.
TEST(ProgramPictures, AResizedFolderShowsTheBackgroundOnlyWhereTheArtworkIsClear) {
  const TMaskedPicture folder("SF", 168);
  const int width = folder.ImageWidth();
  const std::vector<std::uint32_t> overBlack = folder.Compose(1, RGB(0, 0, 0));
  const std::vector<std::uint32_t> overWhite = folder.Compose(1, RGB(255, 255, 255));
  EXPECT_EQ(overBlack[0], 0x000000u) << "the top-left corner is clear";
  EXPECT_EQ(overWhite[0], 0xFFFFFFu);
  // Inside the folder's front flap.
  const size_t flap = static_cast<size_t>(folder.ImageHeight() * 12 / 17) * width + width / 2;
  EXPECT_EQ(overBlack[flap], overWhite[flap]);
  EXPECT_NE(overBlack[flap], 0x000000u);
  EXPECT_NE(overBlack[flap], 0xFFFFFFu);
}

// Two images side by side, an opaque black and white one and a transparent one: resized, neither
// takes pixels of the other, and the black and white edge turns to greys, not steps.
TEST(ResizeImages, ResizesEachImageOnItsOwnAndSmoothly) {
  Picture strip{16, 8, std::vector<std::uint32_t>(16 * 8, 0)};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      strip.pixels[y * 16 + x] = x < 4 ? 0xFF000000u : 0xFFFFFFFFu;
    }
  }
  for (int side : {5, 12}) {
    SCOPED_TRACE(side);
    const Picture resized = ResizeImages(strip, 2, 1, side, side);
    ASSERT_EQ(resized.width, 2 * side);
    ASSERT_EQ(resized.height, side);
    int greys = 0;
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) {
        const std::uint32_t left = resized.At(x, y);
        EXPECT_EQ(left >> 24, 0xFFu) << x << ", " << y;
        EXPECT_EQ(resized.At(side + x, y), 0u) << x << ", " << y;
        const std::uint32_t red = (left >> 16) & 0xFF;
        greys += red != 0 && red != 0xFF ? 1 : 0;
      }
      EXPECT_EQ(resized.At(0, y), 0xFF000000u);
      EXPECT_EQ(resized.At(side - 1, y), 0xFFFFFFFFu);
    }
    EXPECT_GE(greys, side);
  }
}

} // namespace
} // namespace hivelark::testing
