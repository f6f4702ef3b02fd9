// The window's state as the core sees it: the text and background colour of every
// control. Every change goes through here and on to the binding, and only when it
// changes something, so a tick that writes the same clock text twice repaints nothing.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "form/extra_windows.h"
#include "form/form_view.h"
#include "form/window_layout.h"

namespace dorvan {

class FormState;

// Told of every change of a control's text, whoever made it: typing, a stage loaded, a tick.
class TextWatcher {
 public:
  virtual void textChanged(const FormState& form, ControlId id) = 0;
  // A port's extra windows were replaced: a stage loaded, a dialog's TAMAM, a remote edit.
  virtual void extrasChanged(const FormState& /*form*/, int /*port*/) {}

 protected:
  ~TextWatcher() = default;
};

class FormState {
 public:
  explicit FormState(FormView& view);

  std::string_view text(ControlId id) const { return texts_[id]; }
  // Grows by one at every change of the control's text, so that whoever keeps what it
  // made of a text can tell at a glance that it is stale.
  std::uint32_t textRevision(ControlId id) const { return revisions_[id]; }
  Color backColor(ControlId id) const { return colors_[id]; }

  // Text put into a control from code; a box keeps only as many characters as its limit.
  void setText(ControlId id, std::string_view utf8);
  void setBackColor(ControlId id, Color color);

  // What the user typed or pasted into a box. Characters a stage file cannot hold
  // and characters past the box's limit are refused; when anything was refused the
  // binding is told to show the accepted text instead.
  void acceptTyped(ControlId id, std::string_view utf8);

  // A port's extra windows (port 1-10), in the order they are shown.
  const ExtraWindows& extras(int port) const { return extras_[port - 1]; }
  // Grows by one at every change of the port's extra windows.
  std::uint32_t extrasRevision(int port) const { return extrasRevisions_[port - 1]; }
  // Replaces a port's extra windows: no more than eight are kept, and each box is cut to
  // its limit. The caller has refused what a stage file cannot hold.
  void setExtras(int port, ExtraWindows windows);

  FormView& view() { return view_; }
  void watchTexts(TextWatcher& watcher) { watcher_ = &watcher; }

 private:
  void changeText(ControlId id, std::string_view text);

  FormView& view_;
  TextWatcher* watcher_ = nullptr;
  std::array<std::string, kControls.size()> texts_;
  std::array<std::uint32_t, kControls.size()> revisions_{};
  std::array<Color, kControls.size()> colors_;
  std::array<ExtraWindows, kPortCount> extras_;
  std::array<std::uint32_t, kPortCount> extrasRevisions_{};
};

// The first `limit` characters (code points) of a UTF-8 text; 0 = no limit.
std::string_view cutToCharacters(std::string_view utf8, int limit);

}  // namespace dorvan
