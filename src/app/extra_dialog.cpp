#include "app/extra_dialog.h"

#include "form/messages.h"

namespace dorvan {

ExtraDialog::ExtraDialog(const FormState& form, int port, bool placeKnown)
    : port_(port),
      placeKnown_(placeKnown),
      title_(std::string(kPortGrid[port - 1].portCaption) + " — ek çizelge"),
      rows_(form.extras(port)),
      revision_(form.extrasRevision(port)) {}

bool ExtraDialog::accept(FormState& form) {
  if (form.extrasRevision(port_) != revision_) {
    revision_ = form.extrasRevision(port_);
    return false;
  }
  form.setExtras(port_, rows_);
  return true;
}

std::string ExtraDialog::changedElsewhere() const { return messages::extrasChangedElsewhere(port_); }

bool ExtraDialog::type(int row, WindowBox box, std::string_view typed) {
  std::string kept = acceptExtraTyped(typed, box);
  const bool refused = kept != typed;
  rows_[row].boxes[static_cast<int>(box)] = std::move(kept);
  return refused;
}

bool ExtraDialog::add() {
  if (!canAdd()) return false;
  rows_.emplace_back();
  return true;
}

void ExtraDialog::remove(int row) {
  if (row >= 0 && row < static_cast<int>(rows_.size())) rows_.erase(rows_.begin() + row);
}

}  // namespace dorvan
