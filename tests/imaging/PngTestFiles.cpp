#include "PngTestFiles.h"

#include <zlib.h>

#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>

namespace hivelark::testing {

namespace {

void AppendBigEndian32(Bytes& bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    bytes.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

// The predictor as the format defines it: the neighbour nearest to left + above - upper left,
// ties going to left, then above.
int Paeth(int left, int above, int upperLeft) {
  const int estimate = left + above - upperLeft;
  const int toLeft = std::abs(estimate - left);
  const int toAbove = std::abs(estimate - above);
  const int toUpperLeft = std::abs(estimate - upperLeft);
  if (toLeft <= toAbove && toLeft <= toUpperLeft) {
    return left;
  }
  return toAbove <= toUpperLeft ? above : upperLeft;
}

} // namespace

TestImage RandomImage(int width, int height, bool hasAlpha, unsigned seed) {
  static constexpr std::uint8_t kEdgeValues[] = {0, 1, 127, 128, 254, 255};
  std::mt19937 random(seed);
  TestImage image{width, height, hasAlpha, {}};
  for (int i = 0; i < width * height; ++i) {
    Rgba pixel;
    for (std::uint8_t& channel : pixel) {
      channel = random() % 3 == 0 ? static_cast<std::uint8_t>(random())
                                  : kEdgeValues[random() % std::size(kEdgeValues)];
    }
    if (!hasAlpha) {
      pixel[3] = 255;
    }
    image.pixels.push_back(pixel);
  }
  return image;
}

Picture ExpectedPicture(const TestImage& image) {
  Picture picture{image.width, image.height, {}};
  for (const Rgba& pixel : image.pixels) {
    const double alpha = image.hasAlpha ? pixel[3] : 255;
    auto channel = [&](int index) {
      return static_cast<std::uint32_t>(std::lround(pixel[index] * alpha / 255.0));
    };
    picture.pixels.push_back(static_cast<std::uint32_t>(alpha) << 24 | channel(0) << 16 |
                             channel(1) << 8 | channel(2));
  }
  return picture;
}

Bytes FilteredImageData(const TestImage& image, int filter) {
  const int pixelBytes = image.hasAlpha ? 4 : 3;
  const int rowBytes = image.width * pixelBytes;
  std::vector<Bytes> rows;
  for (int y = 0; y < image.height; ++y) {
    Bytes row;
    for (int x = 0; x < image.width; ++x) {
      const Rgba& pixel = image.pixels[y * image.width + x];
      row.insert(row.end(), pixel.begin(), pixel.begin() + pixelBytes);
    }
    rows.push_back(row);
  }
  Bytes data;
  for (int y = 0; y < image.height; ++y) {
    const int rowFilter = filter == kMixedFilters ? y % 5 : filter;
    data.push_back(static_cast<std::uint8_t>(rowFilter));
    for (int i = 0; i < rowBytes; ++i) {
      const int value = rows[y][i];
      const int left = i >= pixelBytes ? rows[y][i - pixelBytes] : 0;
      const int above = y > 0 ? rows[y - 1][i] : 0;
      const int upperLeft = y > 0 && i >= pixelBytes ? rows[y - 1][i - pixelBytes] : 0;
      const int predictions[] = {0, left, above, (left + above) / 2, Paeth(left, above, upperLeft)};
      data.push_back(static_cast<std::uint8_t>(value - predictions[rowFilter]));
    }
  }
  return data;
}

Bytes HeaderData(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth,
                 std::uint8_t colourType, std::uint8_t interlaceMethod) {
  Bytes data;
  AppendBigEndian32(data, width);
  AppendBigEndian32(data, height);
  data.insert(data.end(), {bitDepth, colourType, 0, 0, interlaceMethod});
  return data;
}

Bytes Compress(const Bytes& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  Bytes compressed(size);
  if (compress2(compressed.data(), &size, data.data(), static_cast<uLong>(data.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    throw std::runtime_error("compress2 failed");
  }
  compressed.resize(size);
  return compressed;
}

std::vector<Chunk> PngChunks(const TestImage& image, int filter, std::size_t imageDataChunkSize) {
  std::vector<Chunk> chunks;
  chunks.push_back({"IHDR", HeaderData(image.width, image.height, 8, image.hasAlpha ? 6 : 2)});
  const Bytes compressed = Compress(FilteredImageData(image, filter));
  for (std::size_t offset = 0; offset < compressed.size(); offset += imageDataChunkSize) {
    const std::size_t end = std::min(compressed.size(), offset + imageDataChunkSize);
    chunks.push_back({"IDAT", Bytes(compressed.begin() + offset, compressed.begin() + end)});
  }
  chunks.push_back({"IEND", {}});
  return chunks;
}

Bytes PngFile(const std::vector<Chunk>& chunks) {
  Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (const Chunk& chunk : chunks) {
    AppendBigEndian32(file, static_cast<std::uint32_t>(chunk.data.size()));
    const std::size_t typeOffset = file.size();
    file.insert(file.end(), chunk.type.begin(), chunk.type.end());
    file.insert(file.end(), chunk.data.begin(), chunk.data.end());
    AppendBigEndian32(file, crc32(0, &file[typeOffset], static_cast<uInt>(4 + chunk.data.size())));
  }
  return file;
}

void ResealCrcs(Bytes& file) {
  std::size_t offset = 8;
  while (offset + 12 <= file.size()) {
    const std::uint32_t length = std::uint32_t{file[offset]} << 24 |
                                 std::uint32_t{file[offset + 1]} << 16 |
                                 std::uint32_t{file[offset + 2]} << 8 | file[offset + 3];
    if (length > file.size() - offset - 12) {
      return;
    }
    const std::uint32_t crc = crc32(0, &file[offset + 4], length + 4);
    for (int i = 0; i < 4; ++i) {
      file[offset + 8 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    }
    offset += 12 + length;
  }
}

GuardedBytes::GuardedBytes(const Bytes& bytes) : size_(bytes.size()) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const std::size_t page = system.dwPageSize;
  const std::size_t dataPages = (bytes.size() + page - 1) / page;
  region_ = VirtualAlloc(nullptr, (dataPages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (region_ == nullptr) {
    throw std::runtime_error("VirtualAlloc failed");
  }
  std::uint8_t* guard = static_cast<std::uint8_t*>(region_) + dataPages * page;
  DWORD previous = 0;
  VirtualProtect(guard, page, PAGE_NOACCESS, &previous);
  std::uint8_t* data = guard - bytes.size();
  if (!bytes.empty()) {
    std::memcpy(data, bytes.data(), bytes.size());
  }
  data_ = data;
}

GuardedBytes::~GuardedBytes() {
  VirtualFree(region_, 0, MEM_RELEASE);
}

Picture ReadGuarded(const Bytes& file) {
  const GuardedBytes guarded(file);
  return ReadPng(guarded.span());
}

} // namespace hivelark::testing
