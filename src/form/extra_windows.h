// A port's more windows: besides its row's start and end, up to eight more, each with
// the row's four boxes and their limits. They have no description of their own and no
// control in the main window: a dialog, the page and the stage file show them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dorvan {

inline constexpr int kMaxExtraWindows = 8;

// The four boxes of a window, in the order of a port's row.
enum class WindowBox : std::uint8_t { StartDate, StartTime, EndDate, EndTime };
inline constexpr int kWindowBoxes = 4;
inline constexpr std::array<int, kWindowBoxes> kWindowBoxLimits{10, 8, 10, 8};

struct ExtraWindow {
  std::array<std::string, kWindowBoxes> boxes;  // UTF-8
  const std::string& box(WindowBox b) const { return boxes[static_cast<int>(b)]; }
  bool operator==(const ExtraWindow&) const = default;
};
using ExtraWindows = std::vector<ExtraWindow>;

// The separator of a stage file's extra window lines, which no box of one may hold.
inline constexpr char kExtraSeparator = ';';

// What a box of an extra window keeps of a typed text: the characters a stage file can
// hold, without the separator or a control character, up to the box's limit.
std::string acceptExtraTyped(std::string_view typed, WindowBox box);
// Whether a text can be kept in the box as it is: nothing refused, nothing cut.
bool fitsExtraBox(std::string_view text, WindowBox box);

}  // namespace dorvan
