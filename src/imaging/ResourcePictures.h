#pragma once

#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "imaging/PngReader.h"

#include <windows.h>

#include <string>

// The program's pictures as they come out of its resources. Any thread; failures raise
// EPictureError naming the resource.
namespace hivelark {

// Decodes the PNG file stored as the RCDATA resource `name` of `module`.
Picture ReadPngResource(HMODULE module, const char* name);

// The BITMAP resource `name` as a DIB section, through the platform's loader, so that its pixels
// keep their stored colours whatever the screen's format.
UniqueBitmap LoadBitmapResource(HMODULE module, const char* name);

// The pixels of the picture resource `name`: a PNG file (RCDATA), or else a 24-bit BITMAP, whose
// pixels come opaque (alpha 255).
Picture ReadPictureResource(HMODULE module, const char* name);

// Artwork is drawn for displays at 100 % (96 dpi) and scaled to 125, 150 and 200 %: resource NAME
// at 100 %, NAME_125 and so on at the others, each image's sides its 96-dpi sides at that scale,
// rounded half up. A display between those scales takes the next larger picture, scaled down
// smoothly; one beyond 200 % takes the 200 % picture, scaled up smoothly.
struct ArtworkChoice {
  std::string resource;
  int percent = 100;

  // Whether the picture was drawn for `dpi` itself, rather than for a larger one.
  bool DrawnFor(int dpi) const { return percent * kDesignDpi == dpi * 100; }
};
ArtworkChoice ChooseArtwork(const std::string& name, int dpi);

// The size at `dpi` of an image of artwork that is width x height pixels drawn at `percent`: each
// side its 96-dpi length scaled to `dpi`, rounded once.
SIZE ArtworkImageSize(int width, int height, int percent, int dpi);

// `picture`, drawn at `percent` as columns x rows equal images, made the size the images have at
// `dpi`: each side its 96-dpi length scaled to `dpi`, rounded once. Returned as it is when it
// already has that size.
Picture FitArtworkToDpi(Picture picture, int percent, int dpi, int columns = 1, int rows = 1);

// The PNG artwork `name` for a window at `dpi`, `columns` images side by side.
Picture ReadPngArtwork(HMODULE module, const std::string& name, int dpi, int columns = 1);

// The opaque artwork `name` (see ReadPictureResource) for a window at `dpi`, as a DIB section.
UniqueBitmap LoadBitmapArtwork(HMODULE module, const std::string& name, int dpi);

} // namespace hivelark
