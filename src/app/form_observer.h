// What the network is told of the program, and how it asks the program to act. Every
// call is made on the UI thread, as it happens: a remote subsystem keeps its own copy
// of whatever it sends elsewhere and never reads the window from another thread.
#pragma once

#include <cstdint>
#include <string_view>

#include "form/window_layout.h"
#include "hid/port_command.h"
#include "journal/journal.h"

namespace dorvan {

// What a remote switch asks of a port; Toggle is a double-click's: on when it is off.
enum class PortCommand : std::uint8_t { On, Off, Toggle };

class FormObserver {
 public:
  // A switching the journal records, whatever its cause.
  virtual void portSwitched(int /*port*/, PortState /*state*/, SwitchCause /*cause*/) {}
  // The board plugged in or pulled out.
  virtual void boardChanged(bool /*present*/) {}
  // A journal line as written to the file, without its line end.
  virtual void journalLine(std::string_view /*line*/) {}
  // One of the fifty schedule boxes changed its text: typing, a stage loaded, a remote edit.
  virtual void boxChanged(ControlId /*box*/) {}
  // A port's extra windows were replaced: a stage loaded, a dialog's TAMAM, a remote edit.
  virtual void extrasChanged(int /*port*/) {}
  // Another stage is the current one: a stage button, from wherever it was pressed.
  virtual void stageChanged(int /*stage*/) {}
  // The clock shows a new second: a port's next switching may have moved with it.
  virtual void secondShown() {}

 protected:
  ~FormObserver() = default;
};

}  // namespace dorvan
