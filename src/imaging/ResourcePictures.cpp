#include "imaging/ResourcePictures.h"

#include "framework/Dpi.h"
#include "imaging/AlphaPicture.h"
#include "imaging/Resample.h"

namespace hivelark {
namespace {

// The display scales that have artwork of their own, in percent, smallest first.
constexpr int kArtworkPercents[] = {100, 125, 150, 200};

} // namespace

Picture ReadPngResource(HMODULE module, const char* name) {
  HRSRC resource = FindResourceA(module, name, RT_RCDATA);
  if (resource == nullptr) {
    throw EPictureError(Format("Picture resource \"%s\" not found", name));
  }
  // Resource memory belongs to the loaded module and is never freed by us: LoadResource only
  // hands out the address of the mapped data.
  HGLOBAL loaded = LoadResource(module, resource);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) {
    throw EPictureError(Format("Cannot load picture resource \"%s\": %s", name,
                               SystemErrorMessage(GetLastError()).c_str()));
  }
  const DWORD size = SizeofResource(module, resource);
  try {
    return ReadPng({static_cast<const std::uint8_t*>(data), size});
  } catch (const EPictureError& error) {
    throw EPictureError(Format("Picture resource \"%s\": %s", name, error.what()));
  }
}

UniqueBitmap LoadBitmapResource(HMODULE module, const char* name) {
  UniqueBitmap bitmap(
      static_cast<HBITMAP>(LoadImageA(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!bitmap) {
    throw EPictureError(Format("Cannot load bitmap resource \"%s\": %s", name,
                               SystemErrorMessage(GetLastError()).c_str()));
  }
  return bitmap;
}

namespace {

// The pixels of a 24-bit DIB section, top row first, each opaque (alpha 255).
Picture PixelsOf(HBITMAP bitmap, const char* name) {
  DIBSECTION section{};
  if (GetObjectA(bitmap, sizeof(section), &section) != sizeof(section) ||
      section.dsBm.bmBitsPixel != 24 || section.dsBm.bmBits == nullptr) {
    throw EPictureError(Format("Bitmap resource \"%s\" is not a 24-bit picture", name));
  }
  Picture picture;
  picture.width = section.dsBm.bmWidth;
  picture.height = section.dsBm.bmHeight;
  picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height);
  const bool bottomUp = section.dsBmih.biHeight > 0;
  const auto* bits = static_cast<const std::uint8_t*>(section.dsBm.bmBits);
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = bits + static_cast<ptrdiff_t>(bottomUp ? picture.height - 1 - y : y) *
                                         section.dsBm.bmWidthBytes;
    for (int x = 0; x < picture.width; ++x) {
      const std::uint8_t* pixel = row + static_cast<ptrdiff_t>(x) * 3;
      picture.pixels[static_cast<size_t>(y) * picture.width + x] =
          0xFF000000u | static_cast<std::uint32_t>(pixel[2]) << 16 |
          static_cast<std::uint32_t>(pixel[1]) << 8 | pixel[0];
    }
  }
  return picture;
}

} // namespace

Picture ReadPictureResource(HMODULE module, const char* name) {
  if (FindResourceA(module, name, RT_RCDATA) != nullptr) {
    return ReadPngResource(module, name);
  }
  return PixelsOf(LoadBitmapResource(module, name).get(), name);
}

// The artwork's sides were rounded to the nearest pixel from the 96-dpi sides, off by half a pixel
// at most, which is under half a pixel at 100 %: rounding back gives the 96-dpi side exactly.
SIZE ArtworkImageSize(int width, int height, int percent, int dpi) {
  const auto designLength = [percent](int pixels) {
    return (pixels * 200 + percent) / (2 * percent);
  };
  return {ScaleToDpi(designLength(width), dpi), ScaleToDpi(designLength(height), dpi)};
}

ArtworkChoice ChooseArtwork(const std::string& name, int dpi) {
  int chosen = kArtworkPercents[std::size(kArtworkPercents) - 1];
  for (int percent : kArtworkPercents) {
    if (percent * kDesignDpi >= dpi * 100) {
      chosen = percent;
      break;
    }
  }
  return {chosen == 100 ? name : name + "_" + std::to_string(chosen), chosen};
}

Picture FitArtworkToDpi(Picture picture, int percent, int dpi, int columns, int rows) {
  const SIZE image = ArtworkImageSize(picture.width / columns, picture.height / rows, percent, dpi);
  if (image.cx * columns == picture.width && image.cy * rows == picture.height) {
    return picture;
  }
  return ResizeImages(picture, columns, rows, image.cx, image.cy);
}

Picture ReadPngArtwork(HMODULE module, const std::string& name, int dpi, int columns) {
  const ArtworkChoice choice = ChooseArtwork(name, dpi);
  return FitArtworkToDpi(ReadPngResource(module, choice.resource.c_str()), choice.percent, dpi,
                         columns);
}

UniqueBitmap LoadBitmapArtwork(HMODULE module, const std::string& name, int dpi) {
  const ArtworkChoice choice = ChooseArtwork(name, dpi);
  const char* resource = choice.resource.c_str();
  if (choice.DrawnFor(dpi) && FindResourceA(module, resource, RT_BITMAP) != nullptr) {
    // A bitmap drawn for this very scale: as the platform loads it.
    return LoadBitmapResource(module, resource);
  }
  return TopDownBitmap(FitArtworkToDpi(ReadPictureResource(module, resource), choice.percent, dpi));
}

} // namespace hivelark
