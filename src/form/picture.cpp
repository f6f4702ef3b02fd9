#include "form/picture.h"

#include <cstring>

namespace dorvan {
namespace {

#include "pictures.inc"

std::uint32_t le(std::span<const std::uint8_t> d, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | d[at + i];
  return v;
}

constexpr std::uint32_t kBiRgb = 0;
// Pictures larger than this are refused rather than decoded: the box shows 149 x 53.
constexpr std::int64_t kMaxPixels = 16 * 1024 * 1024;

// The built-in pictures are ours and always decode.
Image decoded(std::span<const std::uint8_t> bmp) { return *decodeBmp(bmp); }

}  // namespace

std::optional<Image> decodeBmp(std::span<const std::uint8_t> file) {
  constexpr std::size_t kFileHeader = 14;
  if (file.size() < kFileHeader + 40 || file[0] != 'B' || file[1] != 'M') return std::nullopt;
  const std::uint32_t dataOffset = le(file, 10, 4);
  const std::uint32_t infoSize = le(file, 14, 4);
  if (infoSize < 40 || kFileHeader + infoSize > file.size()) return std::nullopt;
  const auto width = static_cast<std::int32_t>(le(file, 18, 4));
  const auto rawHeight = static_cast<std::int32_t>(le(file, 22, 4));
  const std::uint32_t planes = le(file, 26, 2);
  const std::uint32_t bits = le(file, 28, 2);
  const std::uint32_t compression = le(file, 30, 4);
  std::uint32_t colorsUsed = le(file, 46, 4);
  if (planes != 1 || compression != kBiRgb || width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN)
    return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
  const bool bottomUp = rawHeight > 0;
  const std::int32_t height = bottomUp ? rawHeight : -rawHeight;
  if (static_cast<std::int64_t>(width) * height > kMaxPixels) return std::nullopt;

  std::uint32_t palette[256] = {};
  if (bits <= 8) {
    const std::uint32_t maxColors = 1u << bits;
    if (colorsUsed == 0 || colorsUsed > maxColors) colorsUsed = maxColors;
    const std::size_t paletteAt = kFileHeader + infoSize;
    if (paletteAt + colorsUsed * 4 > file.size()) return std::nullopt;
    for (std::uint32_t i = 0; i < colorsUsed; ++i) palette[i] = le(file, paletteAt + i * 4, 4) & 0xFFFFFF;
  }

  const std::uint64_t rowBytes = ((static_cast<std::uint64_t>(width) * bits + 31) / 32) * 4;
  if (dataOffset > file.size() || rowBytes * height > file.size() - dataOffset) return std::nullopt;

  Image img;
  img.width = width;
  img.height = height;
  img.pixels.resize(static_cast<std::size_t>(width) * height);
  for (std::int32_t y = 0; y < height; ++y) {
    const auto row =
        static_cast<std::size_t>(dataOffset + rowBytes * static_cast<std::uint64_t>(bottomUp ? height - 1 - y : y));
    std::uint32_t* out = &img.pixels[static_cast<std::size_t>(y) * width];
    for (std::int32_t x = 0; x < width; ++x) {
      switch (bits) {
        case 32:
        case 24: {
          const std::size_t at = row + static_cast<std::size_t>(x) * (bits / 8);
          out[x] = le(file, at, 3);
          break;
        }
        default: {
          const std::uint32_t bitPos = static_cast<std::uint32_t>(x) * bits;
          const std::uint8_t byte = file[row + bitPos / 8];
          const std::uint32_t shift = 8 - bits - bitPos % 8;
          out[x] = palette[(byte >> shift) & ((1u << bits) - 1)];
        }
      }
    }
  }
  return img;
}

const Image& storedPicture() {
  static const Image image = decoded(kStoredBmp);
  return image;
}

const Image& builtinPicture(PlugPicture which) {
  static const Image unplugged = decoded(kUnpluggedBmp);
  static const Image plugged = decoded(kPluggedBmp);
  return which == PlugPicture::Plugged ? plugged : unplugged;
}

}  // namespace dorvan
