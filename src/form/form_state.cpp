#include "form/form_state.h"

#include "base/cp1254.h"
#include "base/utf8.h"

namespace dorvan {

std::string_view cutToCharacters(std::string_view text, int limit) {
  if (limit <= 0) return text;
  std::size_t pos = 0;
  for (int n = 0; n < limit && pos < text.size(); ++n) utf8::next(text, pos);
  return text.substr(0, pos);
}

FormState::FormState(FormView& view) : view_(view) {
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    texts_[i] = kControls[i].caption;
    colors_[i] = kControls[i].back;
  }
}

void FormState::setText(ControlId id, std::string_view text) {
  const std::string_view cut = cutToCharacters(text, controlSpec(id).maxLength);
  if (texts_[id] == cut) return;
  changeText(id, cut);
  view_.showText(id, texts_[id]);
  if (watcher_) watcher_->textChanged(*this, id);
}

void FormState::setBackColor(ControlId id, Color color) {
  if (colors_[id] == color) return;
  colors_[id] = color;
  view_.showBackColor(id, color);
}

void FormState::acceptTyped(ControlId id, std::string_view typed) {
  const std::string kept = cp1254::keepRepresentable(typed);
  const std::string_view accepted = cutToCharacters(kept, controlSpec(id).maxLength);
  const bool refused = accepted.size() != typed.size();
  const bool changed = texts_[id] != accepted;
  if (changed) changeText(id, accepted);
  if (refused) view_.showText(id, texts_[id]);
  if (changed && watcher_) watcher_->textChanged(*this, id);
}

void FormState::setExtras(int port, ExtraWindows windows) {
  if (windows.size() > kMaxExtraWindows) windows.resize(kMaxExtraWindows);
  for (ExtraWindow& w : windows)
    for (int b = 0; b < kWindowBoxes; ++b) w.boxes[b].resize(cutToCharacters(w.boxes[b], kWindowBoxLimits[b]).size());
  ExtraWindows& kept = extras_[port - 1];
  if (kept == windows) return;
  kept = std::move(windows);
  ++extrasRevisions_[port - 1];
  if (watcher_) watcher_->extrasChanged(*this, port);
}

std::string acceptExtraTyped(std::string_view typed, WindowBox box) {
  std::string kept = cp1254::keepRepresentable(typed);
  // A line break would end the stage file's line early; no control character belongs in a box.
  std::erase_if(kept, [](char c) { return c == kExtraSeparator || static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
  kept.resize(cutToCharacters(kept, kWindowBoxLimits[static_cast<int>(box)]).size());
  return kept;
}

bool fitsExtraBox(std::string_view text, WindowBox box) { return acceptExtraTyped(text, box) == text; }

void FormState::changeText(ControlId id, std::string_view text) {
  texts_[id].assign(text);
  ++revisions_[id];
}

}  // namespace dorvan
