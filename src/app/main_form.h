// MainForm: the program's only window, as the core sees it. A binding creates the
// real window from kControls, constructs a MainForm over it and forwards what
// happens: clicks, typing, timer ticks, close. The board's notifications reach
// OnPlugged/OnUnplugged/OnChanged/OnRead through the hook of HIDDLLInterface.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/box_marks.h"
#include "app/form_observer.h"
#include "app/start_arguments.h"
#include "base/clock.h"
#include "base/file_ops.h"
#include "form/form_state.h"
#include "form/form_view.h"
#include "hid/hid_library.h"
#include "hid/hid_link.h"
#include "hid/port_command.h"
#include "journal/journal.h"
#include "scheduler/scheduler.h"
#include "stages/stage_selector.h"

namespace dorvan {

class MainForm final : public DeviceEvents,
                       private ErrorReporter,
                       private JournalProblems,
                       private JournalListener,
                       private SwitchListener,
                       private StageListener,
                       private TextWatcher {
 public:
  MainForm(FormView& view, HidLibrary& library, WindowProcSlot& slot, Clock& clock, FileOps& files);

  // The command line, before Form_Load: a stage number starts that stage unattended.
  void takeStartArguments(const std::vector<std::string>& args) { start_ = parseStartArguments(args); }

  // After the window and its controls exist, before it is shown. Returns false when
  // the program cannot go on (the board library is unusable); the message has been
  // shown and endProgram asked for. With a start stage there is no prompt.
  bool Form_Load();
  // Once the window is shown: the start stage, if one was asked for, is loaded as
  // its button loads it, and the ports are brought to the state its schedule says.
  void Form_Shown();
  // The program ends: the board link is closed and the journal says so, once. From
  // then on ticks switch nothing.
  void Form_Unload(std::int16_t& cancel);

  void Command25_Click() { selector_.pressStageButton(1); }
  void Command34_Click() { selector_.pressStageButton(2); }
  void Command33_Click() { selector_.pressStageButton(3); }
  void Command32_Click() { selector_.pressStageButton(4); }
  void Command31_Click() { selector_.pressStageButton(5); }
  void Command29_Click() { selector_.pressStageButton(6); }
  void Command28_Click() { selector_.pressStageButton(7); }
  void Command27_Click() { selector_.saveCurrentStage(); }
  // A press of any button, by control.
  void click(ControlId button);

  void Timer1_Timer();

  // A double-click on a port's indicator switches the port: on when it is blue, off when red.
  void doubleClick(ControlId indicator);
  // A port switched from elsewhere (the network), as a double-click switches it: one
  // report, remembered for a re-arm, journaled with its cause and, for the web, the
  // address it came from. An unknown port is ignored.
  void switchPort(int port, PortCommand command, SwitchCause cause, std::string_view who = {});
  // A stage button or KAYDET pressed from elsewhere; `by` names who, for the journal
  // ("mqtt", "web 192.168.1.20"). Its messages are journaled and shown as the window's
  // own are, but a box opens only once the caller has returned, so that the caller can
  // be answered at once; the texts are returned for it to show.
  std::vector<std::string> clickFromRemote(ControlId button, std::string_view by);
  // Told of what happens, until the program ends.
  void observe(FormObserver& observer) { observers_.push_back(&observer); }
  // An observer that goes before the program ends says so first.
  void forget(const FormObserver& observer) { std::erase(observers_, &observer); }
  bool boardPresent() const { return boardPresent_; }
  const std::optional<PortRecord>& lastSwitching(int port) const { return ports_.last(port); }
  // The clock now, as the tick reads it.
  LocalTime now() { return clock_.now(); }
  // Where DORVAN is, from the settings file: the sun words fire only once it is known.
  void setPlace(std::optional<Location> place);
  const Almanac& almanac() const { return almanac_; }

  // What the indicator's tooltip says now; asked each time the tooltip is about to show.
  std::string indicatorToolTip(ControlId indicator);
  // A line in the journal alone, shown nowhere: the network's comings and goings. Nothing
  // is journaled after DORVAN KAPANDI.
  void note(std::string_view event);
  // A problem found by the board library on a thread of its own, told as every message is.
  void reportProblem(std::string_view text) { tell(text); }
  // Several problems found at once: each journaled, in their order, before one message
  // shows them all. A window closed while it is open ends the journal after them.
  void reportProblems(const std::vector<std::string>& texts);

  void OnPlugged(DeviceHandle pHandle) override;
  void OnUnplugged(DeviceHandle pHandle) override;
  void OnChanged() override;
  void OnRead(DeviceHandle pHandle) override;

  FormState& form() { return form_; }
  const BoxMarks& marks() const { return marks_; }
  HIDDLLInterface& hidLink() { return link_; }
  std::string_view applicationTitle() const { return appTitle_; }
  std::uint8_t currentStage() const { return selector_.currentStage(); }
  const Report& InputReport() const { return inputReport_; }
  const Report& OutputReport() const { return outputReport_; }

 private:
  // Every message but the start-up prompt: into the journal, then on the screen.
  void tell(std::string_view text);
  void recordEnd();
  // A problem the board library finds may come before Form_Load has set the title.
  std::string_view title() const { return appTitle_.empty() ? kMainWindow.caption : std::string_view(appTitle_); }
  void showError(std::string_view text) override { tell(text); }
  void journalFailed(std::string_view message) override;
  void journalLine(std::string_view line) override;
  void portSwitched(int port, PortState state, SwitchCause cause) override;
  void stageChanged(int stage) override;
  void textChanged(const FormState& form, ControlId id) override;
  void extrasChanged(const FormState& form, int port) override;
  // True when the notification was the board's.
  bool showPlugPicture(DeviceHandle pHandle, PlugPicture which);

  FormView& view_;
  HidLibrary& library_;
  Clock& clock_;
  FileOps& files_;
  FormState form_;
  Almanac almanac_;
  BoxMarks marks_;
  Journal journal_;
  HIDDLLInterface link_;
  StageSelector selector_;
  std::string appTitle_;
  Report inputReport_{};
  Report outputReport_{};
  PortSwitch ports_;
  ClockTick tick_;
  StartRequest start_;
  std::vector<FormObserver*> observers_;
  // While a remote caller waits, the messages it is to be answered with.
  std::vector<std::string>* remoteMessages_ = nullptr;
  bool boardPresent_ = false;
  bool unloaded_ = false;
  bool ended_ = false;  // DORVAN KAPANDI is journaled
};

}  // namespace dorvan
