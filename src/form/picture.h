// Pictures shown in Picture1: the bitmap stored with the window, the two plug-state
// pictures read from "fis_1.bmp"/"fis_2.bmp", and built-in stand-ins for those two
// when their files are missing or unreadable.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace dorvan {

// Top-down rows of 0x00RRGGBB pixels.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Decodes an uncompressed Windows bitmap file (1, 4, 8, 24 or 32 bits per pixel,
// bottom-up or top-down). Anything else, or damaged data, gives nothing.
std::optional<Image> decodeBmp(std::span<const std::uint8_t> file);

enum class PlugPicture : std::uint8_t { Unplugged, Plugged };

// The 147 x 53 picture Picture1 shows until the first plug or unplug notification.
const Image& storedPicture();
// Shown when the picture file of that state cannot be loaded.
const Image& builtinPicture(PlugPicture which);

}  // namespace dorvan
