#pragma once

#include "framework/Handles.h"
#include "imaging/PngReader.h"

#include <windows.h>

#include <string>

// A picture with per-pixel transparency, kept as a bitmap for repeated painting. Main thread (it
// holds a GDI object and draws into the caller's device contexts).
namespace hivelark {

// The description of a 32-bit bitmap whose rows run top-down (as decoded pictures and masks do),
// for DIB sections and SetDIBitsToDevice.
BITMAPINFO TopDownBitmapInfo(int width, int height);

// A 32-bit top-down DIB section holding `picture`'s pixels as they are.
UniqueBitmap TopDownBitmap(const Picture& picture);

class AlphaPicture {
public:
  // An empty picture: draws nothing.
  AlphaPicture() = default;
  // Copies `picture` into a 32-bit premultiplied DIB section.
  explicit AlphaPicture(const Picture& picture);
  // The PNG picture of the RCDATA resource `name` of `module`.
  static AlphaPicture FromResource(HMODULE module, const char* name);
  // The PNG artwork `name` of `module` at its size for `dpi` (see ReadPngArtwork), `columns`
  // images side by side.
  static AlphaPicture FromArtwork(HMODULE module, const std::string& name, int dpi,
                                  int columns = 1);

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return !bitmap_; }
  // Owned by this picture; valid while it lives. For callers that need the bitmap itself.
  HBITMAP bitmap() const { return bitmap_.get(); }

  // Blends the whole picture onto `target` with its top-left corner at x, y.
  void Draw(HDC target, int x, int y) const;
  // Blends the part of the picture that starts at sourceX, sourceY and is width x height pixels
  // (for pictures that hold several images side by side); the part must lie inside the picture.
  void DrawPart(HDC target, int x, int y, int sourceX, int sourceY, int width, int height) const;

private:
  UniqueBitmap bitmap_;
  int width_ = 0;
  int height_ = 0;
};

} // namespace hivelark
