#pragma once

#include "imaging/PngReader.h"

// Resizing pictures smoothly. Any thread; no shared state.
namespace hivelark {

// `source` holds columns x rows equal images side by side and one above another (a single picture
// is 1 x 1); the result holds the same images, each `imageWidth` x `imageHeight`. Each new pixel
// is a weighted mean of the source pixels around its centre, over a span as wide as a new pixel
// covers (at least one source pixel), so that shrinking averages every pixel in and growing blends
// between neighbours: no image takes pixels of the one beside it. The four bytes of a pixel are
// resized alike; a picture with transparency must come premultiplied, as pictures do here.
Picture ResizeImages(const Picture& source, int columns, int rows, int imageWidth, int imageHeight);

} // namespace hivelark
