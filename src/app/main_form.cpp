#include "app/main_form.h"

#include <array>
#include <vector>

#include "app/indicator_tip.h"
#include "form/messages.h"

namespace dorvan {
namespace {

constexpr ControlId kPicture1 = controlId("Picture1");
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
      marks_(view),
      journal_(files, clock, *this),
      link_(library, slot, *this),
      selector_(form_, files, *this, journal_),
      ports_(form_, library, outputReport_, journal_) {
  form_.watchTexts(marks_);
}

bool MainForm::Form_Load() {
  appTitle_ = kMainWindow.caption;
  journal_.record(journal_events::started(start_.stage));
  const std::uintptr_t handle = view_.nativeHandle();
  // Without its board library the program cannot switch anything: say why and end.
  if (const std::string problem = library_.load(); !problem.empty()) {
    tell(problem);
    journal_.record(journal_events::kEnded);
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
  tick_.resume(form_, clock_, ports_);
}

void MainForm::Form_Unload(std::int16_t& /*cancel*/) {
  unloaded_ = true;
  if (!link_.isOpen()) return;  // closed already: a session's end and then the window's
  link_.CloseHidLink();
  journal_.record(journal_events::kEnded);
}

void MainForm::click(ControlId button) {
  for (const ButtonHandler& h : kButtonHandlers)
    if (h.button == button) (this->*h.click)();
}

void MainForm::Timer1_Timer() {
  if (!unloaded_) tick_.run(form_, clock_, ports_);
}

// By hand means now, not from now on: the next instant that falls due switches the port as usual.
void MainForm::doubleClick(ControlId indicator) {
  const PortControls* port = portWithIndicator(indicator);
  if (!port) return;
  const std::optional<PortRecord>& last = ports_.last(port->port);
  const PortState to = last && last->state == PortState::On ? PortState::Off : PortState::On;
  const LocalTime now = clock_.now();
  ports_.turn(*port, to, SwitchCause::Hand, now, wallSecond(now));
}

std::string MainForm::indicatorToolTip(ControlId indicator) {
  const PortControls* port = portWithIndicator(indicator);
  if (!port) return {};
  return indicatorTip(form_, *port, ports_.last(port->port), wallSecond(clock_.now()));
}

// A board that comes back (a USB glitch, its own power gone) has every relay off.
void MainForm::OnPlugged(DeviceHandle pHandle) {
  if (!showPlugPicture(pHandle, PlugPicture::Plugged)) return;
  const LocalTime now = clock_.now();
  journal_.record(now, journal_events::kBoardPlugged);
  ports_.resendCommanded(now);
}

void MainForm::OnUnplugged(DeviceHandle pHandle) {
  if (showPlugPicture(pHandle, PlugPicture::Unplugged)) journal_.record(journal_events::kBoardUnplugged);
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
  journal_.record(journal_events::warning(text));
  view_.showMessage(title(), text, MessageKind::Error);
}

// It may come in the middle of a tick, and a modal box there would hold the tick.
void MainForm::journalFailed(std::string_view message) {
  journal_.record(journal_events::warning(message));
  view_.showMessageLater(title(), message, MessageKind::Error);
}

}  // namespace dorvan
