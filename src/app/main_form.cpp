#include "app/main_form.h"

#include <array>
#include <vector>

#include "app/indicator_tip.h"
#include "form/messages.h"

namespace dorvan {
namespace {

constexpr ControlId kPicture1 = controlId("Picture1");
constexpr ControlId kTimeLabel = controlId("Label18");
constexpr ControlId kSaveButton = controlId("Command27");
// A picture file larger than this is not a picture for a 149 x 53 box.
constexpr std::size_t kMaxPictureFile = 32 * 1024 * 1024;

struct ButtonHandler {
  ControlId button;
  void (MainForm::*click)();
};

constexpr std::array<ButtonHandler, 8> kButtonHandlers{{
    {controlId("Command25"), &MainForm::Command25_Click},
    {controlId("Command34"), &MainForm::Command34_Click},
    {controlId("Command33"), &MainForm::Command33_Click},
    {controlId("Command32"), &MainForm::Command32_Click},
    {controlId("Command31"), &MainForm::Command31_Click},
    {controlId("Command29"), &MainForm::Command29_Click},
    {controlId("Command28"), &MainForm::Command28_Click},
    {controlId("Command27"), &MainForm::Command27_Click},
}};

}  // namespace

MainForm::MainForm(FormView& view, HidLibrary& library, WindowProcSlot& slot, Clock& clock, FileOps& files)
    : view_(view),
      library_(library),
      clock_(clock),
      files_(files),
      form_(view),
      almanac_(clock),
      marks_(view, almanac_),
      journal_(files, clock, *this),
      link_(library, slot, *this),
      selector_(form_, files, *this, journal_),
      ports_(form_, library, outputReport_, journal_) {
  form_.watchTexts(*this);
  journal_.listen(this);
  ports_.listen(this);
  selector_.listen(this);
}

bool MainForm::Form_Load() {
  appTitle_ = kMainWindow.caption;
  journal_.record(journal_events::started(start_.stage));
  const std::uintptr_t handle = view_.nativeHandle();
  // Without its board library the program cannot switch anything: say why and end.
  if (const std::string problem = library_.load(); !problem.empty()) {
    tell(problem);
    recordEnd();
    view_.endProgram(1);
    return false;
  }
  link_.OpenHidLink(handle);
  if (start_.refused) tell(messages::startArgumentRefused(*start_.refused));
  // Started unattended (after a reboot, say) nobody is there to answer a prompt.
  if (start_.stage == 0) view_.showMessage(appTitle_, messages::kStartPrompt, MessageKind::Prompt);
  return true;
}

void MainForm::Form_Shown() {
  if (start_.stage == 0 || unloaded_) return;
  selector_.pressStageButton(start_.stage);
  // A stop while the stage's message was open: nothing more is switched.
  if (unloaded_) return;
  tick_.resume(form_, clock_, almanac_, ports_);
}

void MainForm::Form_Unload(std::int16_t& /*cancel*/) {
  unloaded_ = true;
  if (!link_.isOpen()) return;  // closed already: a session's end and then the window's
  link_.CloseHidLink();
  recordEnd();
}

void MainForm::recordEnd() {
  journal_.record(journal_events::kEnded);
  ended_ = true;
}

void MainForm::note(std::string_view event) {
  if (!ended_) journal_.record(event);
}

void MainForm::reportProblems(const std::vector<std::string>& texts) {
  if (texts.empty() || ended_) return;
  for (const std::string& text : texts) journal_.record(journal_events::warning(text));
  std::string all;
  for (const std::string& text : texts) all += (all.empty() ? "" : "\n\n") + text;
  view_.showMessage(title(), all, MessageKind::Error);
}

void MainForm::click(ControlId button) {
  for (const ButtonHandler& h : kButtonHandlers)
    if (h.button == button) (this->*h.click)();
}

void MainForm::Timer1_Timer() {
  if (!unloaded_) tick_.run(form_, clock_, almanac_, ports_);
}

void MainForm::doubleClick(ControlId indicator) {
  if (const PortControls* port = portWithIndicator(indicator))
    switchPort(port->port, PortCommand::Toggle, SwitchCause::Hand);
}

// Now, not from now on: the next instant that falls due switches the port as usual.
void MainForm::switchPort(int port, PortCommand command, SwitchCause cause, std::string_view who) {
  if (port < 1 || port > kPortCount) return;
  const std::optional<PortRecord>& last = ports_.last(port);
  const bool on = last && last->state == PortState::On;
  const bool turnOn = command == PortCommand::On || (command == PortCommand::Toggle && !on);
  const LocalTime now = clock_.now();
  ports_.turn(kPortTable[port - 1], turnOn ? PortState::On : PortState::Off, cause, now, wallSecond(now), who);
}

std::vector<std::string> MainForm::clickFromRemote(ControlId button, std::string_view by) {
  std::vector<std::string> messages;
  remoteMessages_ = &messages;
  if (button == kSaveButton) selector_.saveCurrentStage(by);
  for (const StageButton& b : kStageButtons)
    if (controlId(b.button) == button) selector_.pressStageButton(b.stage, by);
  remoteMessages_ = nullptr;
  return messages;
}

std::string MainForm::indicatorToolTip(ControlId indicator) {
  const PortControls* port = portWithIndicator(indicator);
  if (!port) return {};
  return indicatorTip(form_, *port, ports_.last(port->port), wallSecond(clock_.now()), almanac_);
}

void MainForm::setPlace(std::optional<Location> place) {
  if (almanac_.place() == place) return;
  almanac_.setPlace(place);
  marks_.refresh(form_);
}

// A board that comes back (a USB glitch, its own power gone) has every relay off.
void MainForm::OnPlugged(DeviceHandle pHandle) {
  if (!showPlugPicture(pHandle, PlugPicture::Plugged)) return;
  const LocalTime now = clock_.now();
  journal_.record(now, journal_events::kBoardPlugged);
  boardPresent_ = true;
  for (FormObserver* o : observers_) o->boardChanged(true);
  ports_.resendCommanded(now);
}

void MainForm::OnUnplugged(DeviceHandle pHandle) {
  if (!showPlugPicture(pHandle, PlugPicture::Unplugged)) return;
  journal_.record(journal_events::kBoardUnplugged);
  boardPresent_ = false;
  for (FormObserver* o : observers_) o->boardChanged(false);
}

void MainForm::OnChanged() {
  // Asked also when no board is attached; the library answers for what it has.
  const DeviceHandle h = library_.GetHandle(kBoardVendorId, kBoardProductId);
  library_.SetReadNotify(h, true);
}

void MainForm::OnRead(DeviceHandle pHandle) { library_.Read(pHandle, inputReport_.data()); }

bool MainForm::showPlugPicture(DeviceHandle pHandle, PlugPicture which) {
  const std::uint32_t vendor = library_.GetVendorID(pHandle);
  const std::uint32_t product = library_.GetProductID(pHandle);
  if (vendor != kBoardVendorId || product != kBoardProductId) return false;
  const char* file = which == PlugPicture::Plugged ? "fis_2.bmp" : "fis_1.bmp";
  std::vector<std::uint8_t> bytes;
  std::optional<Image> image;
  if (readWholeFile(files_, file, kMaxPictureFile, bytes).ok()) image = decodeBmp(bytes);
  // A missing picture must not stop a program that may be switching a heater.
  view_.showPicture(kPicture1, image ? *image : builtinPicture(which));
  return true;
}

void MainForm::tell(std::string_view text) {
  // A thread's problem that comes as the window goes: the journal has said its last.
  if (ended_) return;
  journal_.record(journal_events::warning(text));
  if (remoteMessages_) {
    remoteMessages_->emplace_back(text);
    view_.showMessageLater(title(), text, MessageKind::Error);
    return;
  }
  view_.showMessage(title(), text, MessageKind::Error);
}

// It may come in the middle of a tick, and a modal box there would hold the tick.
void MainForm::journalFailed(std::string_view message) {
  journal_.record(journal_events::warning(message));
  view_.showMessageLater(title(), message, MessageKind::Error);
}

void MainForm::journalLine(std::string_view line) {
  for (FormObserver* o : observers_) o->journalLine(line);
}

void MainForm::portSwitched(int port, PortState state, SwitchCause cause) {
  for (FormObserver* o : observers_) o->portSwitched(port, state, cause);
}

void MainForm::stageChanged(int stage) {
  for (FormObserver* o : observers_) o->stageChanged(stage);
}

// Every text change passes here, the clock's every second too: only the schedule boxes go on.
void MainForm::textChanged(const FormState& form, ControlId id) {
  marks_.textChanged(form, id);
  if (id == kTimeLabel) {
    for (FormObserver* o : observers_) o->secondShown();
    return;
  }
  if (controlSpec(id).kind != Kind::TextBox) return;
  for (FormObserver* o : observers_) o->boxChanged(id);
}

void MainForm::extrasChanged(const FormState&, int port) {
  for (FormObserver* o : observers_) o->extrasChanged(port);
}

}  // namespace dorvan
