#include <gtest/gtest.h>

#include <set>

#include "app/window_layout.h"

namespace dorvan {
namespace {

TEST(WindowLayout, ControlsHaveUniqueNamesAndTheNinetyOneOfTheWindow) {
  std::set<std::string_view> names;
  for (const ControlSpec& c : kControls) EXPECT_TRUE(names.insert(c.name).second) << c.name;
  EXPECT_EQ(kControls.size(), 91u);
}

}  // namespace
}  // namespace dorvan
