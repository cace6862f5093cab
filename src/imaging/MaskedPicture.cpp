#include "imaging/MaskedPicture.h"

#include "framework/Dpi.h"
#include "imaging/Resample.h"
#include "imaging/ResourcePictures.h"

#include <algorithm>

namespace hivelark {
namespace {

int Channel(std::uint32_t pixel, int c) {
  return static_cast<int>((pixel >> (8 * c)) & 0xFF);
}

} // namespace

TMaskedPicture::TMaskedPicture(const std::string& name, int dpi) {
  const ArtworkChoice choice = ChooseArtwork(name, dpi);
  pixels_ = ReadPictureResource(GetModuleHandleA(nullptr), choice.resource.c_str());
  designImageWidth_ = ArtworkImageSize(ImageWidth(), ImageHeight(), choice.percent, kDesignDpi).cx;
  if (!choice.DrawnFor(dpi)) {
    const SIZE image = ArtworkImageSize(ImageWidth(), ImageHeight(), choice.percent, dpi);
    Resize(image.cx, image.cy);
  }
}

void TMaskedPicture::Resize(int imageWidth, int imageHeight) {
  const int width = pixels_.width;
  const int height = ImageHeight();
  Picture shown{width, height, std::vector<std::uint32_t>(static_cast<size_t>(width) * height)};
  Picture masks{width, height, std::vector<std::uint32_t>(static_cast<size_t>(width) * height)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t picture = pixels_.At(x, y);
      const std::uint32_t mask = pixels_.At(x, y + height);
      std::uint32_t weighed = 0;
      for (int c = 0; c < 3; ++c) {
        weighed |= static_cast<std::uint32_t>(Channel(picture, c) * (255 - Channel(mask, c)) / 255)
                   << (8 * c);
      }
      shown.pixels[static_cast<size_t>(y) * width + x] = weighed;
      masks.pixels[static_cast<size_t>(y) * width + x] = mask;
    }
  }
  shown = ResizeImages(shown, 3, 1, imageWidth, imageHeight);
  masks = ResizeImages(masks, 3, 1, imageWidth, imageHeight);
  pixels_ = {shown.width, 2 * imageHeight,
             std::vector<std::uint32_t>(static_cast<size_t>(shown.width) * 2 * imageHeight)};
  for (int y = 0; y < imageHeight; ++y) {
    for (int x = 0; x < shown.width; ++x) {
      const std::uint32_t weighed = shown.At(x, y);
      const std::uint32_t mask = masks.At(x, y);
      std::uint32_t picture = 0;
      for (int c = 0; c < 3; ++c) {
        const int showing = 255 - Channel(mask, c);
        const int value =
            showing == 0 ? 0 : std::min(255, (Channel(weighed, c) * 255 + showing / 2) / showing);
        picture |= static_cast<std::uint32_t>(value) << (8 * c);
      }
      pixels_.pixels[static_cast<size_t>(y) * shown.width + x] = picture;
      pixels_.pixels[static_cast<size_t>(y + imageHeight) * shown.width + x] = mask;
    }
  }
}

std::vector<std::uint32_t> TMaskedPicture::Compose(int index, COLORREF background) const {
  const int width = ImageWidth();
  const int height = ImageHeight();
  const int backgroundChannel[3] = {GetBValue(background), GetGValue(background),
                                    GetRValue(background)};
  std::vector<std::uint32_t> result(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t picture = pixels_.At(index * width + x, y);
      const std::uint32_t mask = pixels_.At(index * width + x, y + height);
      std::uint32_t pixel = 0;
      for (int c = 0; c < 3; ++c) {
        const int mixed = Channel(picture, c) * (255 - Channel(mask, c)) / 255 +
                          backgroundChannel[c] * Channel(mask, c) / 255;
        pixel |= static_cast<std::uint32_t>(mixed) << (8 * c);
      }
      result[static_cast<size_t>(y) * width + x] = pixel;
    }
  }
  return result;
}

} // namespace hivelark
