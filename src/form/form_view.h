// What the core asks of a window binding. The core holds the window's state
// (FormState) and tells the binding what to show; the binding tells the core what
// the user did.
#pragma once

#include <cstdint>
#include <string_view>

#include "form/picture.h"
#include "form/window_layout.h"

namespace dorvan {

enum class MessageKind : std::uint8_t {
  Prompt,  // the start-up prompt: OK only, no icon
  Error,   // something the user should know about: OK only, error icon
};

class FormView {
 public:
  virtual ~FormView() = default;
  // Caption of a label or button, text of a box.
  virtual void showText(ControlId id, std::string_view utf8) = 0;
  virtual void showBackColor(ControlId id, Color color) = 0;
  // A marked box has the background kMarkColor and this tooltip; an unmarked one its
  // usual background and no tooltip.
  virtual void showMark(ControlId id, bool marked, std::string_view toolTip) = 0;
  // The picture box shows this image unscaled at its top-left, cut at its edges.
  virtual void showPicture(ControlId id, const Image& image) = 0;
  // Modal; returns when the user has dismissed it. Ticks and device notifications
  // keep being dispatched meanwhile.
  virtual void showMessage(std::string_view title, std::string_view text, MessageKind kind) = 0;
  // The same, once the handler running now has returned: a box opened half way
  // through a tick or a re-arm would hold up the ports still to be switched.
  virtual void showMessageLater(std::string_view title, std::string_view text, MessageKind kind) = 0;
  // The native handle handed to the board library.
  virtual std::uintptr_t nativeHandle() = 0;
  // Ends the program once the current handler returns, with this exit code.
  virtual void endProgram(int exitCode) = 0;
};

}  // namespace dorvan
