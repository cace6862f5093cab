#pragma once

#include "imaging/PngReader.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// A small PNG writer for the tests, independent of the reader, that can produce every filter type
// and any chunk layout, valid or not.
namespace hivelark::testing {

using Bytes = std::vector<std::uint8_t>;
using Rgba = std::array<std::uint8_t, 4>;

struct TestImage {
  int width = 0;
  int height = 0;
  bool hasAlpha = true;
  std::vector<Rgba> pixels; // straight (not premultiplied) colours, rows top-down
};

struct Chunk {
  std::string type;
  Bytes data;
};

// Colours drawn mostly from the values where arithmetic slips show (0, 1, 127, 128, 254, 255),
// plus some from the whole range.
TestImage RandomImage(int width, int height, bool hasAlpha, unsigned seed);

// What the reader must return for `image`: premultiplied 0xAARRGGBB, opaque without alpha.
Picture ExpectedPicture(const TestImage& image);

// The rows as the reader sees them after inflating: each led by its filter byte and filtered with
// `filter` (0 to 4), or with filter r % 5 in row r for kMixedFilters.
constexpr int kMixedFilters = -1;
Bytes FilteredImageData(const TestImage& image, int filter);

Bytes HeaderData(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth,
                 std::uint8_t colourType, std::uint8_t interlaceMethod = 0);
Bytes Compress(const Bytes& data);

// IHDR, the compressed data in IDAT chunks of at most `imageDataChunkSize` bytes, IEND.
std::vector<Chunk> PngChunks(const TestImage& image, int filter = kMixedFilters,
                             std::size_t imageDataChunkSize = 1 << 20);
// The signature and the chunks, each framed with its length and CRC.
Bytes PngFile(const std::vector<Chunk>& chunks);
// Recomputes the CRC of every chunk whose frame lies inside the file.
void ResealCrcs(Bytes& file);

// A copy of some bytes that ends exactly where an inaccessible page begins, so that a read past
// the end crashes instead of passing unnoticed.
class GuardedBytes {
public:
  explicit GuardedBytes(const Bytes& bytes);
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;
  ~GuardedBytes();
  std::span<const std::uint8_t> span() const { return {data_, size_}; }

private:
  void* region_ = nullptr;
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

// Reads through GuardedBytes.
Picture ReadGuarded(const Bytes& file);

} // namespace hivelark::testing
