#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "form/window_layout.h"

namespace dorvan {
namespace {

const TwipRect& rectOf(std::string_view name) { return controlSpec(controlId(name)).rect; }

bool overlapBy(const TwipRect& a, const TwipRect& b, int amount) {
  return a.right() - b.left == amount || b.bottom() - a.top == amount || a.bottom() - b.top == amount;
}

TEST(WindowLayout, HoldsEveryControlOnceWithItsKind) {
  std::set<std::string_view> names;
  for (const ControlSpec& c : kControls) EXPECT_TRUE(names.insert(c.name).second) << c.name;
  const auto count = [](Kind k) {
    return std::count_if(kControls.begin(), kControls.end(), [k](const ControlSpec& c) { return c.kind == k; });
  };
  EXPECT_EQ(count(Kind::TextBox), 50);
  EXPECT_EQ(count(Kind::Button), 8);
  EXPECT_EQ(count(Kind::PictureBox), 1);
  EXPECT_EQ(count(Kind::Label), 32);
  EXPECT_EQ(kMainWindow.clientWidth / 15, 987);
  EXPECT_EQ(kMainWindow.clientHeight / 15, 629);
}

TEST(WindowLayout, PortRowsStandOnTheirPitchAndColumnsShareLeftAndWidth) {
  for (int p = 1; p <= kPortCount; ++p) {
    const PortRow& row = kPortGrid[p - 1];
    const int boxTop = 1560 + 720 * (p - 1);
    for (std::string_view box : {row.startDate, row.startTime, row.endDate, row.endTime})
      EXPECT_EQ(rectOf(box).top, boxTop) << box;
    EXPECT_EQ(rectOf(row.portLabel).top, 1680 + 720 * (p - 1));
    const int indicatorTop = p == 1 ? 1560 : 1440 + 720 * (p - 1);
    EXPECT_EQ(rectOf(row.indicator).top, indicatorTop);
    EXPECT_EQ(rectOf(row.description).top, indicatorTop);
    EXPECT_EQ(controlSpec(controlId(row.portLabel)).caption, row.portCaption);
    EXPECT_EQ(rectOf(row.startDate).left, 8280);
    EXPECT_EQ(rectOf(row.endTime).left, 13320);
    EXPECT_EQ(rectOf(row.endDate).width, p == 10 ? 1815 : 1695) << "only Text37 is wider";
  }
  EXPECT_EQ(kPortGrid[9].endDate, "Text37");
  EXPECT_EQ(kPortGrid[6].portCaption, "PORT 07");
}

TEST(WindowLayout, NeighboursOverlapByOnePixel) {
  for (const PortRow& row : kPortGrid) {
    EXPECT_EQ(rectOf(row.indicator).right() - rectOf(row.description).left, 15);
    EXPECT_EQ(rectOf(row.portLabel).right() - rectOf(row.startDate).left, 15);
  }
  EXPECT_EQ(rectOf("Label23").bottom() - rectOf("Command31").top, 15);
  EXPECT_EQ(rectOf("Label13").bottom() - rectOf("Label14").top, 15);
  EXPECT_EQ(rectOf("Text37").right() - rectOf("Text35").left, 15);
  EXPECT_TRUE(overlapBy(rectOf("Text37"), rectOf("Text35"), 15));
}

TEST(WindowLayout, LimitsMatchTheClockTexts) {
  for (const PortRow& row : kPortGrid) {
    EXPECT_EQ(controlSpec(controlId(row.description)).maxLength, 29);
    EXPECT_EQ(controlSpec(controlId(row.startDate)).maxLength, 10);
    EXPECT_EQ(controlSpec(controlId(row.endDate)).maxLength, 10);
    EXPECT_EQ(controlSpec(controlId(row.startTime)).maxLength, 8);
    EXPECT_EQ(controlSpec(controlId(row.endTime)).maxLength, 8);
  }
}

TEST(WindowLayout, ButtonRowCaptionsAndColours) {
  EXPECT_EQ(controlSpec(controlId("Command25")).caption, "KADEME 1");
  EXPECT_EQ(controlSpec(controlId("Command34")).caption, "KADEME2");
  EXPECT_EQ(controlSpec(controlId("Command27")).caption, "KAYDET");
  EXPECT_EQ(controlSpec(controlId("Command27")).back, kGreen);
  for (std::string_view b : {"Command25", "Command34", "Command33", "Command32", "Command31", "Command29", "Command28"})
    EXPECT_EQ(controlSpec(controlId(b)).back, kBlue) << b;
  for (const PortRow& row : kPortGrid) EXPECT_EQ(controlSpec(controlId(row.indicator)).back, kBlue);
  EXPECT_EQ(controlSpec(controlId("Label12")).caption, "BAŞLANGIÇ");
  EXPECT_EQ(controlSpec(controlId("Label13")).caption, "BİTİŞ");
}

std::vector<std::string> tabWalk() {
  std::vector<std::string> names;
  for (ControlId id : creationOrder())
    if (controlSpec(id).tabIndex >= 0) names.emplace_back(controlSpec(id).name);
  return names;
}

TEST(WindowLayout, TabOrderRunsFromKademe2ThroughTheBoxesToText1) {
  const std::vector<std::string> walk = tabWalk();
  ASSERT_EQ(walk.size(), 8u + 50u + 1u);
  const std::vector<std::string> head(walk.begin(), walk.begin() + 10);
  EXPECT_EQ(head, (std::vector<std::string>{"Command34", "Command33", "Command32", "Command31", "Command29",
                                            "Command28", "Command27", "Command25", "Text60", "Text59"}));
  // Text60 down to Text49, Text42 down to Text35, Text30 down to Text2.
  const auto at = [&](std::string_view n) { return std::find(walk.begin(), walk.end(), n) - walk.begin(); };
  EXPECT_EQ(at("Text42"), at("Text49") + 1);
  EXPECT_EQ(at("Text30"), at("Text35") + 1);
  EXPECT_EQ(walk[walk.size() - 3], "Text2");
  EXPECT_EQ(walk[walk.size() - 2], "Picture1");
  EXPECT_EQ(walk.back(), "Text1");
}

TEST(WindowLayout, LabelsAreCreatedLastSoTheyLieBeneath) {
  const auto order = creationOrder();
  bool seenLabel = false;
  for (ControlId id : order) {
    if (controlSpec(id).kind == Kind::Label)
      seenLabel = true;
    else
      EXPECT_FALSE(seenLabel) << controlSpec(id).name << " would lie beneath a label";
  }
}

TEST(WindowLayout, PixelsAtOtherResolutionsScaleEdgesByOneFactor) {
  EXPECT_EQ(toPixels(rectOf("Text37"), 96), (PixelRect{768, 536, 121, 33}));
  const PixelRect a = toPixels(rectOf("Label21"), 144);
  const PixelRect b = toPixels(rectOf("Text1"), 144);
  EXPECT_GT(a.left + a.width, b.left) << "the indicator still reaches under its box at 150 %";
  EXPECT_EQ(toPixels({0, 0, 14805, 9435}, 192), (PixelRect{0, 0, 1974, 1258}));
}

}  // namespace
}  // namespace dorvan
