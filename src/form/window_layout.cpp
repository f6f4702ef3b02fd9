#include "form/window_layout.h"

#include <algorithm>
#include <numeric>

namespace dorvan {

std::array<ControlId, kControls.size()> creationOrder() {
  std::array<ControlId, kControls.size()> order{};
  std::iota(order.begin(), order.end(), ControlId{0});
  // Focus-taking controls by tab place; the rest (labels) after them, in table order.
  std::stable_sort(order.begin(), order.end(), [](ControlId a, ControlId b) {
    const int ta = controlSpec(a).tabIndex;
    const int tb = controlSpec(b).tabIndex;
    if ((ta < 0) != (tb < 0)) return tb < 0;
    return ta >= 0 && ta < tb;
  });
  return order;
}

}  // namespace dorvan
