#include "imaging/PngReader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <string>

namespace hivelark {

namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Length, type and CRC around every chunk's data.
constexpr std::size_t kChunkFrameSize = 12;
// The format caps chunk lengths at 2^31 - 1 so that they fit a signed 32-bit value.
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFF;
constexpr std::uint32_t kHeaderLength = 13;

constexpr std::uint32_t ChunkType(const char (&name)[5]) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(name[0])) << 24 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(name[1])) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(name[2])) << 8 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(name[3]));
}

constexpr std::uint32_t kChunkIHDR = ChunkType("IHDR");
constexpr std::uint32_t kChunkPLTE = ChunkType("PLTE");
constexpr std::uint32_t kChunkIDAT = ChunkType("IDAT");
constexpr std::uint32_t kChunkIEND = ChunkType("IEND");

// Colour types and methods of the header, as the format names them.
constexpr std::uint8_t kColourTypeGreyscale = 0;
constexpr std::uint8_t kColourTypeTruecolour = 2;
constexpr std::uint8_t kColourTypeIndexed = 3;
constexpr std::uint8_t kColourTypeGreyscaleAlpha = 4;
constexpr std::uint8_t kColourTypeTruecolourAlpha = 6;
constexpr std::uint8_t kCompressionMethodDeflate = 0;
constexpr std::uint8_t kFilterMethodAdaptive = 0;
constexpr std::uint8_t kInterlaceMethodNone = 0;
constexpr std::uint8_t kInterlaceMethodAdam7 = 1;

enum FilterType : std::uint8_t {
  kFilterNone = 0,
  kFilterSub = 1,
  kFilterUp = 2,
  kFilterAverage = 3,
  kFilterPaeth = 4,
};

[[noreturn]] void Truncated() {
  throw EPictureError("PNG picture is truncated");
}

[[noreturn]] void Corrupt(const std::string& detail) {
  throw EPictureError("Corrupt PNG picture: " + detail);
}

[[noreturn]] void Unsupported(const std::string& detail) {
  throw EPictureError("Unsupported PNG picture: " + detail);
}

std::uint32_t ReadBigEndian32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
         static_cast<std::uint32_t>(bytes[2]) << 8 | static_cast<std::uint32_t>(bytes[3]);
}

std::string ChunkName(std::uint32_t type) {
  return std::string{static_cast<char>(type >> 24), static_cast<char>(type >> 16),
                     static_cast<char>(type >> 8), static_cast<char>(type)};
}

bool IsChunkTypeValid(const std::uint8_t* type) {
  return std::all_of(type, type + 4, [](std::uint8_t letter) {
    return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
  });
}

// Bit 5 of the first letter (lower case) marks a chunk that a reader may skip when it does not
// know it; an unknown chunk without it changes how the image must be read.
bool IsCriticalChunk(std::uint32_t type) {
  return (type & 0x20000000) == 0;
}

struct Header {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::size_t bytesPerPixel = 0;
};

Header ReadHeader(std::span<const std::uint8_t> data) {
  if (data.size() != kHeaderLength) {
    Corrupt(Format("header chunk of %zu bytes instead of %u", data.size(), kHeaderLength));
  }
  Header header;
  header.width = ReadBigEndian32(&data[0]);
  header.height = ReadBigEndian32(&data[4]);
  const std::uint8_t bitDepth = data[8];
  const std::uint8_t colourType = data[9];
  const std::uint8_t compressionMethod = data[10];
  const std::uint8_t filterMethod = data[11];
  const std::uint8_t interlaceMethod = data[12];

  if (header.width == 0 || header.height == 0) {
    Corrupt(Format("empty image of %u x %u pixels", header.width, header.height));
  }
  // Checked before anything is allocated, so a few bytes cannot make us reserve gigabytes.
  if (header.width > kMaxPictureSide || header.height > kMaxPictureSide ||
      static_cast<std::uint64_t>(header.width) * header.height > kMaxPicturePixels) {
    Unsupported(Format("image of %u x %u pixels is too large", header.width, header.height));
  }
  switch (colourType) {
  case kColourTypeTruecolour:
    header.bytesPerPixel = 3;
    break;
  case kColourTypeTruecolourAlpha:
    header.bytesPerPixel = 4;
    break;
  case kColourTypeGreyscale:
  case kColourTypeIndexed:
  case kColourTypeGreyscaleAlpha:
    Unsupported(
        Format("colour type %u (only truecolour, with or without alpha, is read)", colourType));
  default:
    Corrupt(Format("invalid colour type %u", colourType));
  }
  if (bitDepth != 8) {
    if (bitDepth == 16) {
      Unsupported("bit depth 16 (only 8 is read)");
    }
    Corrupt(Format("invalid bit depth %u for colour type %u", bitDepth, colourType));
  }
  if (compressionMethod != kCompressionMethodDeflate) {
    Corrupt(Format("invalid compression method %u", compressionMethod));
  }
  if (filterMethod != kFilterMethodAdaptive) {
    Corrupt(Format("invalid filter method %u", filterMethod));
  }
  if (interlaceMethod == kInterlaceMethodAdam7) {
    Unsupported("interlaced image");
  }
  if (interlaceMethod != kInterlaceMethodNone) {
    Corrupt(Format("invalid interlace method %u", interlaceMethod));
  }
  return header;
}

// Inflates the image data as its chunks arrive. The output grows with what the stream really
// yields, never beyond the size the header promises: a header that lies about the size costs
// only as much memory as the data behind it.
class ImageDataInflater {
public:
  explicit ImageDataInflater(std::size_t expectedSize) : expectedSize_(expectedSize) {
    if (inflateInit(&stream_) != Z_OK) {
      throw EPictureError("Cannot start decompressing the PNG picture");
    }
  }
  ImageDataInflater(const ImageDataInflater&) = delete;
  ImageDataInflater& operator=(const ImageDataInflater&) = delete;
  ~ImageDataInflater() { inflateEnd(&stream_); }

  void Feed(std::span<const std::uint8_t> compressed) {
    if (compressed.empty()) {
      return;
    }
    if (finished_) {
      Corrupt("data after the end of the compressed image");
    }
    stream_.next_in = const_cast<Bytef*>(compressed.data());
    stream_.avail_in = static_cast<uInt>(compressed.size());
    while (stream_.avail_in > 0) {
      // Once all promised bytes are out, one spare byte tells "too much data" from the
      // stream's closing checksum, which yields no output.
      std::uint8_t spare = 0;
      const bool full = produced_ == expectedSize_;
      if (!full && produced_ == output_.size()) {
        output_.resize(std::min(expectedSize_, std::max<std::size_t>(output_.size() * 2, 65536)));
      }
      stream_.next_out = full ? &spare : output_.data() + produced_;
      stream_.avail_out = full ? 1 : static_cast<uInt>(output_.size() - produced_);
      const uInt room = stream_.avail_out;
      const int result = inflate(&stream_, Z_NO_FLUSH);
      if (result != Z_OK && result != Z_STREAM_END) {
        Corrupt(Format("bad compressed image data (%s)",
                       stream_.msg != nullptr ? stream_.msg : "no progress"));
      }
      if (full && stream_.avail_out == 0) {
        Corrupt("too much image data");
      }
      if (!full) {
        produced_ += room - stream_.avail_out;
      }
      if (result == Z_STREAM_END) {
        finished_ = true;
        if (stream_.avail_in > 0) {
          Corrupt("data after the end of the compressed image");
        }
      }
    }
  }

  std::vector<std::uint8_t> Finish() {
    if (produced_ < expectedSize_) {
      Corrupt(Format("too little image data (%zu of %zu bytes)", produced_, expectedSize_));
    }
    if (!finished_) {
      Corrupt("the compressed image data does not end");
    }
    return std::move(output_);
  }

private:
  z_stream stream_{};
  std::size_t expectedSize_;
  std::size_t produced_ = 0;
  std::vector<std::uint8_t> output_;
  bool finished_ = false;
};

std::uint8_t PaethPredictor(int left, int above, int upperLeft) {
  const int estimate = left + above - upperLeft;
  const int toLeft = std::abs(estimate - left);
  const int toAbove = std::abs(estimate - above);
  const int toUpperLeft = std::abs(estimate - upperLeft);
  if (toLeft <= toAbove && toLeft <= toUpperLeft) {
    return static_cast<std::uint8_t>(left);
  }
  return static_cast<std::uint8_t>(toAbove <= toUpperLeft ? above : upperLeft);
}

// Undoes each row's filter in place. `raw` holds height rows of a filter byte and the row's
// bytes; the row above the first counts as zeros.
void Unfilter(std::vector<std::uint8_t>& raw, const Header& header) {
  const std::size_t rowBytes = header.width * header.bytesPerPixel;
  const std::size_t stride = rowBytes + 1;
  const std::size_t pixelBytes = header.bytesPerPixel;
  for (std::uint32_t y = 0; y < header.height; ++y) {
    const std::uint8_t filter = raw[y * stride];
    std::uint8_t* row = &raw[y * stride + 1];
    const std::uint8_t* above = y > 0 ? &raw[(y - 1) * stride + 1] : nullptr;
    switch (filter) {
    case kFilterNone:
      break;
    case kFilterSub:
      for (std::size_t i = pixelBytes; i < rowBytes; ++i) {
        row[i] = static_cast<std::uint8_t>(row[i] + row[i - pixelBytes]);
      }
      break;
    case kFilterUp:
      if (above != nullptr) {
        for (std::size_t i = 0; i < rowBytes; ++i) {
          row[i] = static_cast<std::uint8_t>(row[i] + above[i]);
        }
      }
      break;
    case kFilterAverage:
      for (std::size_t i = 0; i < rowBytes; ++i) {
        const int left = i >= pixelBytes ? row[i - pixelBytes] : 0;
        const int up = above != nullptr ? above[i] : 0;
        row[i] = static_cast<std::uint8_t>(row[i] + (left + up) / 2);
      }
      break;
    case kFilterPaeth:
      for (std::size_t i = 0; i < rowBytes; ++i) {
        const int left = i >= pixelBytes ? row[i - pixelBytes] : 0;
        const int up = above != nullptr ? above[i] : 0;
        const int upperLeft = above != nullptr && i >= pixelBytes ? above[i - pixelBytes] : 0;
        row[i] = static_cast<std::uint8_t>(row[i] + PaethPredictor(left, up, upperLeft));
      }
      break;
    default:
      Corrupt(Format("invalid filter type %u in row %u", filter, y));
    }
  }
}

std::uint32_t Premultiply(std::uint32_t colour, std::uint32_t alpha) {
  return (colour * alpha + 127) / 255;
}

Picture ToPicture(const std::vector<std::uint8_t>& raw, const Header& header) {
  Picture picture;
  picture.width = static_cast<int>(header.width);
  picture.height = static_cast<int>(header.height);
  picture.pixels.resize(static_cast<std::size_t>(header.width) * header.height);
  const std::size_t stride = header.width * header.bytesPerPixel + 1;
  std::uint32_t* out = picture.pixels.data();
  for (std::uint32_t y = 0; y < header.height; ++y) {
    const std::uint8_t* in = &raw[y * stride + 1];
    for (std::uint32_t x = 0; x < header.width; ++x, in += header.bytesPerPixel) {
      const std::uint32_t alpha = header.bytesPerPixel == 4 ? in[3] : 255;
      *out++ = alpha << 24 | Premultiply(in[0], alpha) << 16 | Premultiply(in[1], alpha) << 8 |
               Premultiply(in[2], alpha);
    }
  }
  return picture;
}

} // namespace

Picture ReadPng(std::span<const std::uint8_t> file) {
  if (file.size() < kPngSignature.size()) {
    if (std::equal(file.begin(), file.end(), kPngSignature.begin())) {
      Truncated();
    }
    throw EPictureError("Not a PNG picture");
  }
  if (!std::equal(kPngSignature.begin(), kPngSignature.end(), file.begin())) {
    throw EPictureError("Not a PNG picture");
  }

  std::optional<Header> header;
  std::optional<ImageDataInflater> inflater;
  bool imageDataSeen = false;
  bool imageDataClosed = false;
  std::size_t offset = kPngSignature.size();
  for (;;) {
    if (file.size() - offset < kChunkFrameSize) {
      Truncated();
    }
    const std::uint8_t* frame = &file[offset];
    const std::uint32_t length = ReadBigEndian32(frame);
    if (length > kMaxChunkLength) {
      Corrupt(Format("chunk length %u out of range", length));
    }
    if (length > file.size() - offset - kChunkFrameSize) {
      Truncated();
    }
    if (!IsChunkTypeValid(frame + 4)) {
      Corrupt("invalid chunk type");
    }
    const std::uint32_t type = ReadBigEndian32(frame + 4);
    const std::span<const std::uint8_t> data = file.subspan(offset + 8, length);
    // The CRC covers the type and the data.
    const std::uint32_t storedCrc = ReadBigEndian32(frame + 8 + length);
    if (crc32(0, frame + 4, length + 4) != storedCrc) {
      Corrupt("CRC error in chunk " + ChunkName(type));
    }
    offset += kChunkFrameSize + length;

    if (!header && type != kChunkIHDR) {
      Corrupt("the first chunk is " + ChunkName(type) + ", not IHDR");
    }
    if (imageDataSeen && type != kChunkIDAT) {
      imageDataClosed = true;
    }
    if (type == kChunkIHDR) {
      if (header) {
        Corrupt("second IHDR chunk");
      }
      header = ReadHeader(data);
      inflater.emplace((header->width * header->bytesPerPixel + 1) * header->height);
    } else if (type == kChunkIDAT) {
      if (imageDataClosed) {
        Corrupt("IDAT chunks are not consecutive");
      }
      imageDataSeen = true;
      inflater->Feed(data);
    } else if (type == kChunkIEND) {
      break;
    } else if (IsCriticalChunk(type) && type != kChunkPLTE) {
      // PLTE in a truecolour image is only a suggestion for palette displays: skipped.
      Unsupported("unknown critical chunk " + ChunkName(type));
    }
  }
  if (!imageDataSeen) {
    Corrupt("no IDAT chunk");
  }
  std::vector<std::uint8_t> raw = inflater->Finish();
  Unfilter(raw, *header);
  return ToPicture(raw, *header);
}

} // namespace hivelark
