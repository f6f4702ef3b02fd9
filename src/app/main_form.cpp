#include "app/main_form.h"

#include <array>
#include <vector>

#include "app/messages.h"

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
      link_(library, slot, *this),
      selector_(form_, files, *this),
      ports_(form_, library, outputReport_) {
  form_.watchTexts(marks_);
}

bool MainForm::Form_Load() {
  appTitle_ = kMainWindow.caption;
  const std::uintptr_t handle = view_.nativeHandle();
  // Without its board library the program cannot switch anything: say why and end.
  if (const std::string problem = library_.load(); !problem.empty()) {
    view_.showMessage(appTitle_, problem, MessageKind::Error);
    view_.endProgram(1);
    return false;
  }
  link_.OpenHidLink(handle);
  if (start_.refused) view_.showMessage(appTitle_, messages::startArgumentRefused(*start_.refused), MessageKind::Error);
  // Started unattended (after a reboot, say) nobody is there to answer a prompt.
  if (start_.stage == 0) view_.showMessage(appTitle_, messages::kStartPrompt, MessageKind::Prompt);
  return true;
}

void MainForm::Form_Shown() {
  if (start_.stage == 0) return;
  selector_.pressStageButton(start_.stage);
  tick_.resume(form_, clock_, ports_);
}

void MainForm::Form_Unload(std::int16_t& /*cancel*/) {
  if (link_.isOpen()) link_.CloseHidLink();
}

void MainForm::click(ControlId button) {
  for (const ButtonHandler& h : kButtonHandlers)
    if (h.button == button) (this->*h.click)();
}

void MainForm::Timer1_Timer() { tick_.run(form_, clock_, ports_); }

// A board that comes back (a USB glitch, its own power gone) has every relay off.
void MainForm::OnPlugged(DeviceHandle pHandle) {
  if (showPlugPicture(pHandle, PlugPicture::Plugged)) ports_.resendCommanded();
}

void MainForm::OnUnplugged(DeviceHandle pHandle) { showPlugPicture(pHandle, PlugPicture::Unplugged); }

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

void MainForm::showError(std::string_view text) { view_.showMessage(appTitle_, text, MessageKind::Error); }

}  // namespace dorvan
