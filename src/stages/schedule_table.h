// The schedule table: fifty values, five per port, in stage-file order. Position p
// (1-50) is port (p - 1) / 5 + 1, value (p - 1) % 5 of description, start date,
// start time, end date, end time.
#pragma once

#include <array>

#include "form/window_layout.h"

namespace dorvan {

inline constexpr int kValuesPerPort = 5;
inline constexpr int kTableSize = kPortCount * kValuesPerPort;

constexpr std::array<ControlId, kTableSize> buildPositionToBox() {
  std::array<ControlId, kTableSize> out{};
  int i = 0;
  for (const PortRow& row : kPortGrid)
    for (std::string_view box : {row.description, row.startDate, row.startTime, row.endDate, row.endTime})
      out[i++] = controlId(box);
  return out;
}

// Index 0 is position 1.
inline constexpr std::array<ControlId, kTableSize> kPositionToBox = buildPositionToBox();

constexpr std::array<int, kTableSize> buildPositionLimits() {
  std::array<int, kTableSize> out{};
  for (int i = 0; i < kTableSize; ++i) out[i] = controlSpec(kPositionToBox[i]).maxLength;
  return out;
}

// The character limit of each position's box: 29, 10 or 8.
inline constexpr std::array<int, kTableSize> kPositionLimits = buildPositionLimits();

}  // namespace dorvan
