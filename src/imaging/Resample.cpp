#include "imaging/Resample.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace hivelark {
namespace {

struct Tap {
  int index;
  double weight;
};

// For each of `target` new pixels along one axis, the source pixels it takes and their weights:
// a tent around the new pixel's centre, as wide as the larger of a source pixel and a new pixel.
std::vector<std::vector<Tap>> TentTaps(int source, int target) {
  const double ratio = static_cast<double>(source) / target;
  const double radius = std::max(1.0, ratio);
  std::vector<std::vector<Tap>> taps(static_cast<size_t>(target));
  for (int t = 0; t < target; ++t) {
    const double centre = (t + 0.5) * ratio - 0.5;
    const int first = std::max(0, static_cast<int>(std::ceil(centre - radius)));
    const int last = std::min(source - 1, static_cast<int>(std::floor(centre + radius)));
    double total = 0.0;
    for (int s = first; s <= last; ++s) {
      const double weight = 1.0 - std::abs(s - centre) / radius;
      if (weight > 0.0) {
        taps[t].push_back({s, weight});
        total += weight;
      }
    }
    // Near the edges part of the tent falls outside the image: the weights inside make the whole.
    for (Tap& tap : taps[t]) {
      tap.weight /= total;
    }
  }
  return taps;
}

using Channels = std::array<double, 4>;

std::uint32_t Pack(const Channels& channels) {
  std::uint32_t pixel = 0;
  for (int c = 0; c < 4; ++c) {
    const double rounded = std::floor(channels[c] + 0.5);
    pixel |= static_cast<std::uint32_t>(std::clamp(rounded, 0.0, 255.0)) << (8 * c);
  }
  return pixel;
}

} // namespace

Picture ResizeImages(const Picture& source, int columns, int rows, int imageWidth,
                     int imageHeight) {
  const int sourceWidth = source.width / columns;
  const int sourceHeight = source.height / rows;
  Picture result;
  result.width = imageWidth * columns;
  result.height = imageHeight * rows;
  result.pixels.assign(static_cast<size_t>(result.width) * result.height, 0);
  if (sourceWidth <= 0 || sourceHeight <= 0 || imageWidth <= 0 || imageHeight <= 0) {
    return result;
  }
  const auto across = TentTaps(sourceWidth, imageWidth);
  const auto down = TentTaps(sourceHeight, imageHeight);
  // One image at a time: first across each source row, then down each new column.
  std::vector<Channels> widened(static_cast<size_t>(sourceHeight) * imageWidth);
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      const int sourceLeft = column * sourceWidth;
      const int sourceTop = row * sourceHeight;
      for (int y = 0; y < sourceHeight; ++y) {
        for (int x = 0; x < imageWidth; ++x) {
          Channels sum{};
          for (const Tap& tap : across[x]) {
            const std::uint32_t pixel = source.At(sourceLeft + tap.index, sourceTop + y);
            for (int c = 0; c < 4; ++c) {
              sum[c] += tap.weight * ((pixel >> (8 * c)) & 0xFF);
            }
          }
          widened[static_cast<size_t>(y) * imageWidth + x] = sum;
        }
      }
      for (int y = 0; y < imageHeight; ++y) {
        for (int x = 0; x < imageWidth; ++x) {
          Channels sum{};
          for (const Tap& tap : down[y]) {
            const Channels& pixel = widened[static_cast<size_t>(tap.index) * imageWidth + x];
            for (int c = 0; c < 4; ++c) {
              sum[c] += tap.weight * pixel[c];
            }
          }
          const size_t at = static_cast<size_t>(row * imageHeight + y) * result.width +
                            static_cast<size_t>(column * imageWidth + x);
          result.pixels[at] = Pack(sum);
        }
      }
    }
  }
  return result;
}

} // namespace hivelark
