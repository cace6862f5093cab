#include "PngTestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

// The largest single allocation made through operator new, so that a test can tell that the
// reader did not reserve what a header merely claims.
namespace {
std::atomic<std::size_t> largestAllocation{0};
}

void* operator new(std::size_t size) {
  std::size_t largest = largestAllocation.load();
  while (size > largest && !largestAllocation.compare_exchange_weak(largest, size)) {
  }
  if (void* memory = std::malloc(size != 0 ? size : 1)) {
    return memory;
  }
  throw std::bad_alloc();
}
// The replacement new above takes its memory from malloc, so free is its match; GCC, seeing these
// replacements inlined into the 32-bit build's callers, takes them for the built-in pair.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}
#pragma GCC diagnostic pop

namespace hivelark::testing {
namespace {

void ExpectSamePicture(const Picture& expected, const Picture& actual) {
  ASSERT_EQ(expected.width, actual.width);
  ASSERT_EQ(expected.height, actual.height);
  ASSERT_EQ(expected.pixels.size(), actual.pixels.size());
  for (int y = 0; y < expected.height; ++y) {
    for (int x = 0; x < expected.width; ++x) {
      ASSERT_EQ(expected.At(x, y), actual.At(x, y)) << "pixel " << x << ", " << y;
    }
  }
}

void ExpectRefused(const Bytes& file, const std::string& expectedMessagePart) {
  try {
    ReadGuarded(file);
    ADD_FAILURE() << "accepted; expected an error about: " << expectedMessagePart;
  } catch (const EPictureError& error) {
    EXPECT_NE(std::string(error.what()).find(expectedMessagePart), std::string::npos)
        << "message: " << error.what();
  }
}

// Offset of chunk number `index` in a file made by PngFile(chunks).
std::size_t ChunkOffset(const std::vector<Chunk>& chunks, std::size_t index) {
  std::size_t offset = 8;
  for (std::size_t i = 0; i < index; ++i) {
    offset += 12 + chunks[i].data.size();
  }
  return offset;
}

std::vector<Chunk> WithHeader(Bytes header) {
  std::vector<Chunk> chunks = PngChunks(RandomImage(3, 2, true, 1));
  chunks[0].data = std::move(header);
  return chunks;
}

TEST(PngReader, PremultipliesEveryColourByEveryAlpha) {
  TestImage image{256, 256, true, {}};
  for (int alpha = 0; alpha < 256; ++alpha) {
    for (int colour = 0; colour < 256; ++colour) {
      image.pixels.push_back(
          {static_cast<std::uint8_t>(colour), static_cast<std::uint8_t>(255 - colour),
           static_cast<std::uint8_t>(colour + alpha), static_cast<std::uint8_t>(alpha)});
    }
  }
  const Picture picture = ReadGuarded(PngFile(PngChunks(image)));
  ExpectSamePicture(ExpectedPicture(image), picture);
  EXPECT_EQ(picture.At(255, 0), 0x00000000u) << "fully transparent keeps no colour";
  EXPECT_EQ(picture.At(255, 128), 0x80800040u) << "255, 0, 127 at alpha 128";
  EXPECT_EQ(picture.At(1, 255), 0xFF01FE00u) << "opaque colours unchanged";
}

TEST(PngReader, ReadsTruecolourWithoutAlphaAsOpaque) {
  const TestImage image = RandomImage(7, 5, false, 2);
  const Picture picture = ReadGuarded(PngFile(PngChunks(image)));
  ExpectSamePicture(ExpectedPicture(image), picture);
  for (std::uint32_t pixel : picture.pixels) {
    EXPECT_EQ(pixel >> 24, 0xFFu);
  }
}

TEST(PngReader, UndoesEveryFilterType) {
  for (bool hasAlpha : {false, true}) {
    for (int filter : {0, 1, 2, 3, 4, kMixedFilters}) {
      SCOPED_TRACE(::testing::Message() << "alpha " << hasAlpha << ", filter " << filter);
      const TestImage image = RandomImage(13, 9, hasAlpha, 10 + filter);
      ExpectSamePicture(ExpectedPicture(image), ReadGuarded(PngFile(PngChunks(image, filter))));
    }
  }
  // For the last pixel, left 110, above 80 and upper left 100: above and upper left lie equally
  // near the estimate 90, and the tie goes to above.
  const TestImage tie{
      2, 2, false, {{100, 100, 100, 255}, {80, 80, 80, 255}, {110, 110, 110, 255}, {7, 7, 7, 255}}};
  ExpectSamePicture(ExpectedPicture(tie), ReadGuarded(PngFile(PngChunks(tie, 4))));
}

TEST(PngReader, JoinsImageDataSplitOverManyChunks) {
  const TestImage image = RandomImage(9, 6, true, 3);
  for (std::size_t chunkSize : {1, 7, 64}) {
    SCOPED_TRACE(chunkSize);
    std::vector<Chunk> chunks = PngChunks(image, kMixedFilters, chunkSize);
    // Empty IDAT chunks are legal anywhere in the run.
    chunks.insert(chunks.begin() + 1, {"IDAT", {}});
    chunks.insert(chunks.end() - 1, {"IDAT", {}});
    ExpectSamePicture(ExpectedPicture(image), ReadGuarded(PngFile(chunks)));
  }
}

TEST(PngReader, SkipsAncillaryChunksAndSuggestedPalette) {
  const TestImage image = RandomImage(6, 4, false, 4);
  std::vector<Chunk> chunks = PngChunks(image, kMixedFilters, 20);
  chunks.insert(chunks.begin() + 1, {{"gAMA", {0, 0, 0xB1, 0x8F}},
                                     {"PLTE", {255, 0, 0, 0, 255, 0}},
                                     {"tEXt", {'T', 'i', 't', 'l', 'e', 0, 'x'}},
                                     {"prVt", Bytes(300, 0xAA)}});
  chunks.insert(chunks.end() - 1, {"tIME", {7, 0xEA, 1, 2, 3, 4, 5}});
  ExpectSamePicture(ExpectedPicture(image), ReadGuarded(PngFile(chunks)));
}

TEST(PngReader, RefusesEveryTruncation) {
  std::vector<Chunk> chunks = PngChunks(RandomImage(5, 4, true, 5), kMixedFilters, 16);
  chunks.insert(chunks.begin() + 1, {"tEXt", {'a', 0, 'b'}});
  const Bytes file = PngFile(chunks);
  for (std::size_t length = 0; length < file.size(); ++length) {
    SCOPED_TRACE(length);
    ExpectRefused(Bytes(file.begin(), file.begin() + length), "truncated");
  }
}

TEST(PngReader, RefusesAChunkWhoseCrcDoesNotMatch) {
  std::vector<Chunk> chunks = PngChunks(RandomImage(5, 4, true, 6), kMixedFilters, 30);
  chunks.insert(chunks.begin() + 1, {"tEXt", {'a', 0, 'b'}});
  for (std::size_t index = 0; index < chunks.size(); ++index) {
    SCOPED_TRACE(chunks[index].type);
    const std::size_t offset = ChunkOffset(chunks, index);
    Bytes badCrc = PngFile(chunks);
    badCrc[offset + 8 + chunks[index].data.size()] ^= 0x01;
    ExpectRefused(badCrc, "CRC error in chunk " + chunks[index].type);
    Bytes badType = PngFile(chunks);
    badType[offset + 7] ^= 0x20; // still letters, but another chunk: the CRC must notice
    ExpectRefused(badType, "CRC error");
  }
}

TEST(PngReader, RefusesBrokenCompressedData) {
  const TestImage image = RandomImage(8, 8, true, 7);
  const Bytes compressed = Compress(FilteredImageData(image, kMixedFilters));
  const Bytes header = HeaderData(8, 8, 8, 6);
  auto fileWith = [&](std::vector<Bytes> imageData) {
    std::vector<Chunk> chunks = {{"IHDR", header}};
    for (Bytes& data : imageData) {
      chunks.push_back({"IDAT", std::move(data)});
    }
    chunks.push_back({"IEND", {}});
    return PngFile(chunks);
  };
  Bytes badStreamHeader = compressed;
  badStreamHeader[0] ^= 0xFF;
  ExpectRefused(fileWith({badStreamHeader}), "bad compressed image data");
  Bytes badChecksum = compressed;
  badChecksum.back() ^= 0x01;
  ExpectRefused(fileWith({badChecksum}), "bad compressed image data");
  Bytes garbled = compressed;
  for (std::size_t i = 2; i < garbled.size(); i += 3) {
    garbled[i] = static_cast<std::uint8_t>(garbled[i] * 7 + 1);
  }
  ExpectRefused(fileWith({garbled}), "image data");
  ExpectRefused(fileWith({Bytes(compressed.begin(), compressed.end() - 4)}), "does not end");
  ExpectRefused(fileWith({Bytes(compressed.begin(), compressed.begin() + compressed.size() / 2)}),
                "too little image data");
  Bytes trailing = compressed;
  trailing.push_back(0);
  ExpectRefused(fileWith({trailing}), "data after the end");
  ExpectRefused(fileWith({compressed, {0x03, 0x00}}), "data after the end");
}

TEST(PngReader, RefusesTooLittleOrTooMuchImageData) {
  const TestImage image = RandomImage(4, 5, true, 8);
  std::vector<Chunk> chunks = PngChunks(image);
  chunks[0].data = HeaderData(4, 6, 8, 6);
  ExpectRefused(PngFile(chunks), "too little image data");
  chunks[0].data = HeaderData(4, 4, 8, 6);
  ExpectRefused(PngFile(chunks), "too much image data");
  chunks[0].data = HeaderData(4, 5, 8, 2); // the same bytes read as three channels
  ExpectRefused(PngFile(chunks), "too much image data");
}

TEST(PngReader, RefusesAnUnknownFilterType) {
  const TestImage image = RandomImage(3, 4, true, 9);
  Bytes imageData = FilteredImageData(image, 0);
  imageData[2 * (3 * 4 + 1)] = 5;
  std::vector<Chunk> chunks = PngChunks(image);
  chunks[1].data = Compress(imageData);
  ExpectRefused(PngFile(chunks), "invalid filter type 5 in row 2");
}

TEST(PngReader, RefusesKindsItDoesNotRead) {
  ExpectRefused(PngFile(WithHeader(HeaderData(3, 2, 8, 0))),
                "Unsupported PNG picture: colour type 0");
  ExpectRefused(PngFile(WithHeader(HeaderData(3, 2, 8, 3))),
                "Unsupported PNG picture: colour type 3");
  ExpectRefused(PngFile(WithHeader(HeaderData(3, 2, 8, 4))),
                "Unsupported PNG picture: colour type 4");
  ExpectRefused(PngFile(WithHeader(HeaderData(3, 2, 16, 6))), "bit depth 16");
  ExpectRefused(PngFile(WithHeader(HeaderData(3, 2, 16, 2))), "bit depth 16");
  ExpectRefused(PngFile(WithHeader(HeaderData(3, 2, 4, 6))), "invalid bit depth 4");
  ExpectRefused(PngFile(WithHeader(HeaderData(3, 2, 8, 6, 1))), "interlaced");
  std::vector<Chunk> unknownCritical = PngChunks(RandomImage(3, 2, true, 1));
  unknownCritical.insert(unknownCritical.begin() + 1, {"ZZZZ", {1, 2}});
  ExpectRefused(PngFile(unknownCritical), "unknown critical chunk ZZZZ");
}

TEST(PngReader, RefusesMalformedStructure) {
  const std::vector<Chunk> valid = PngChunks(RandomImage(3, 2, true, 1));
  Bytes badSignature = PngFile(valid);
  badSignature[1] = 'p';
  ExpectRefused(badSignature, "Not a PNG picture");
  ExpectRefused(Bytes{'G', 'I', 'F'}, "Not a PNG picture");

  std::vector<Chunk> textFirst = valid;
  textFirst.insert(textFirst.begin(), {"tEXt", {'a', 0}});
  ExpectRefused(PngFile(textFirst), "first chunk is tEXt");
  ExpectRefused(PngFile({valid[0], valid[2]}), "no IDAT chunk");
  ExpectRefused(PngFile({valid[0], valid[0], valid[1], valid[2]}), "second IHDR");

  std::vector<Chunk> splitImageData = PngChunks(RandomImage(3, 2, true, 1), kMixedFilters, 10);
  splitImageData.insert(splitImageData.begin() + 2, {"tEXt", {'a', 0}});
  ExpectRefused(PngFile(splitImageData), "not consecutive");

  ExpectRefused(PngFile(WithHeader(Bytes(12, 1))), "header chunk of 12 bytes");
  ExpectRefused(PngFile(WithHeader(HeaderData(0, 2, 8, 6))), "empty image");
  ExpectRefused(PngFile(WithHeader(HeaderData(3, 0, 8, 6))), "empty image");
  ExpectRefused(PngFile(WithHeader(HeaderData(3, 2, 8, 7))), "invalid colour type 7");
  ExpectRefused(PngFile(WithHeader(HeaderData(3, 2, 8, 6, 2))), "invalid interlace method 2");

  Bytes hugeLength = PngFile(valid);
  hugeLength[ChunkOffset(valid, 1)] = 0x80;
  ExpectRefused(hugeLength, "out of range");
  Bytes badType = PngFile(valid);
  badType[ChunkOffset(valid, 1) + 5] = '?';
  ExpectRefused(badType, "invalid chunk type");
}

TEST(PngReader, RefusesHugeDimensionsWithoutAllocatingThem) {
  for (auto [width, height] : {std::pair<std::uint32_t, std::uint32_t>{16385, 1},
                               {1, 16385},
                               {16384, 16384},
                               {4097, 4096},
                               {0xFFFFFFFF, 0xFFFFFFFF}}) {
    SCOPED_TRACE(::testing::Message() << width << " x " << height);
    ExpectRefused(PngFile(WithHeader(HeaderData(width, height, 8, 6))), "too large");
  }
  // Within the bounds, a header that claims 64 MB over a few bytes of data costs only what the
  // data yields.
  std::vector<Chunk> chunks = {
      {"IHDR", HeaderData(16384, 1024, 8, 6)}, {"IDAT", Compress(Bytes(1000, 0))}, {"IEND", {}}};
  const Bytes file = PngFile(chunks);
  largestAllocation = 0;
  ExpectRefused(file, "too little image data");
  EXPECT_LT(largestAllocation.load(), 1u << 20);
}

} // namespace
} // namespace hivelark::testing
