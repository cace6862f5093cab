#include "PngTestFiles.h"

#include <gtest/gtest.h>

#include <random>

namespace hivelark::testing {
namespace {

std::uint32_t DeclaredValue(const Bytes& file, std::size_t offset) {
  return std::uint32_t{file[offset]} << 24 | std::uint32_t{file[offset + 1]} << 16 |
         std::uint32_t{file[offset + 2]} << 8 | file[offset + 3];
}

Bytes Mutated(const Bytes& original, std::mt19937& random) {
  Bytes file = original;
  auto position = [&](std::size_t size) { return size == 0 ? 0 : random() % size; };
  switch (random() % 5) {
  case 0:
    for (unsigned flips = 1 + random() % 4; flips > 0; --flips) {
      file[position(file.size())] ^= static_cast<std::uint8_t>(1 + random() % 255);
    }
    break;
  case 1:
    file.resize(position(file.size()));
    break;
  case 2: {
    const std::size_t at = position(file.size() + 1);
    for (unsigned count = 1 + random() % 8; count > 0; --count) {
      file.insert(file.begin() + at, static_cast<std::uint8_t>(random()));
    }
    break;
  }
  case 3: {
    const std::size_t at = position(file.size());
    const std::size_t count = std::min<std::size_t>(1 + random() % 16, file.size() - at);
    file.erase(file.begin() + at, file.begin() + at + count);
    break;
  }
  default: {
    // A length, size or other 32-bit field set to an extreme.
    static constexpr std::uint32_t kExtremes[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    const std::uint32_t value = kExtremes[random() % std::size(kExtremes)];
    const std::size_t at = position(file.size() - 3);
    for (int i = 0; i < 4; ++i) {
      file[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
    break;
  }
  }
  // Half the files get correct CRCs again, so that the damage reaches the header checks, the
  // decompressor and the filters instead of stopping at the CRC check.
  if (random() % 2 == 0) {
    ResealCrcs(file);
  }
  return file;
}

TEST(PngReaderMutation, EveryDamagedFileGivesAPictureOfItsDeclaredSizeOrAnError) {
  std::vector<Chunk> chunks = PngChunks(RandomImage(16, 12, true, 42), kMixedFilters, 60);
  chunks.insert(chunks.begin() + 1, {"tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'h', 'i'}});
  const Bytes original = PngFile(chunks);
  std::mt19937 random(20240611);
  int decoded = 0;
  int refused = 0;
  for (int round = 0; round < 20000; ++round) {
    const Bytes file = Mutated(original, random);
    try {
      const Picture picture = ReadGuarded(file);
      ++decoded;
      ASSERT_EQ(static_cast<std::uint32_t>(picture.width), DeclaredValue(file, 16)) << round;
      ASSERT_EQ(static_cast<std::uint32_t>(picture.height), DeclaredValue(file, 20)) << round;
      ASSERT_EQ(picture.pixels.size(),
                static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    } catch (const EPictureError&) {
      ++refused;
    } catch (const std::exception& error) {
      FAIL() << "round " << round << ": unexpected " << typeid(error).name() << ": "
             << error.what();
    }
  }
  // Both outcomes must occur, or the run did not exercise what it claims to.
  EXPECT_GT(decoded, 100);
  EXPECT_GT(refused, 10000);
}

} // namespace
} // namespace hivelark::testing
