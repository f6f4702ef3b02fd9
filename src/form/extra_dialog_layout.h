// The dialog of a port's extra windows described as data, as the main window is: a row
// of column headings, eight rows of a label, the four boxes and SİL, and EKLE, TAMAM and
// İPTAL under them. Both window bindings create it by walking this table; rows past the
// port's windows are hidden.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "form/extra_windows.h"
#include "form/window_layout.h"

namespace dorvan {

enum class DialogRole : std::uint8_t { Heading, RowLabel, Box, Remove, Add, Ok, Cancel };

struct DialogControl {
  DialogRole role;
  Kind kind;
  TwipRect rect;
  std::string_view caption;  // UTF-8
  int row;                   // 0-7 for a row's controls, -1 for the rest
  WindowBox box;             // for a Box and a Heading
  int maxLength;             // characters; 0 = no limit
};

inline constexpr int kDialogClientWidth = 8475;   // twips
inline constexpr int kDialogClientHeight = 6090;  // twips

namespace extra_dialog_layout {

inline constexpr std::array<int, kWindowBoxes> kBoxLeft{960, 2775, 4230, 6045};
inline constexpr std::array<int, kWindowBoxes> kBoxWidth{1695, 1335, 1695, 1335};
inline constexpr std::array<std::string_view, kWindowBoxes> kHeadings{"BAŞLANGIÇ", "SAAT", "BİTİŞ", "SAAT"};
inline constexpr std::array<std::string_view, kMaxExtraWindows> kRowCaptions{"EK 1", "EK 2", "EK 3", "EK 4",
                                                                             "EK 5", "EK 6", "EK 7", "EK 8"};
inline constexpr int kBoxHeight = 495;
constexpr int rowTop(int row) { return 540 + 600 * row; }
inline constexpr int kButtonTop = 5475;
inline constexpr int kControlCount = kWindowBoxes + kMaxExtraWindows * (2 + kWindowBoxes) + 3;

constexpr std::array<DialogControl, kControlCount> build() {
  std::array<DialogControl, kControlCount> out{};
  int i = 0;
  for (int b = 0; b < kWindowBoxes; ++b)
    out[i++] = {DialogRole::Heading,
                Kind::Label,
                {kBoxLeft[b], 120, kBoxWidth[b], 375},
                kHeadings[b],
                -1,
                static_cast<WindowBox>(b),
                0};
  for (int r = 0; r < kMaxExtraWindows; ++r) {
    out[i++] = {DialogRole::RowLabel,
                Kind::Label,
                {120, rowTop(r) + 90, 780, 375},
                kRowCaptions[r],
                r,
                WindowBox::StartDate,
                0};
    for (int b = 0; b < kWindowBoxes; ++b)
      out[i++] = {
          DialogRole::Box,           Kind::TextBox,      {kBoxLeft[b], rowTop(r), kBoxWidth[b], kBoxHeight}, "", r,
          static_cast<WindowBox>(b), kWindowBoxLimits[b]};
    out[i++] = {
        DialogRole::Remove, Kind::Button, {7500, rowTop(r), 855, kBoxHeight}, "SİL", r, WindowBox::StartDate, 0};
  }
  out[i++] = {DialogRole::Add, Kind::Button, {960, kButtonTop, 1335, kBoxHeight}, "EKLE", -1, WindowBox::StartDate, 0};
  out[i++] = {DialogRole::Ok, Kind::Button, {5565, kButtonTop, 1335, kBoxHeight}, "TAMAM", -1, WindowBox::StartDate, 0};
  out[i++] = {
      DialogRole::Cancel, Kind::Button, {7020, kButtonTop, 1335, kBoxHeight}, "İPTAL", -1, WindowBox::StartDate, 0};
  return out;
}

}  // namespace extra_dialog_layout

// In creation order, which is also the order of the Tab key.
inline constexpr std::array<DialogControl, extra_dialog_layout::kControlCount> kExtraDialogControls =
    extra_dialog_layout::build();

}  // namespace dorvan
