// MainForm's window under Qt 6 Widgets: every control created from kControls,
// and the FormView the core draws through.
#pragma once

#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>

#include "app/main_form.h"
#include "app/qt/qt_window_proc_slot.h"
#include "form/form_view.h"
#include "form/window_layout.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace dorvan {

class PictureBox;

class MainWindow final : public QWidget, public FormView {
 public:
  MainWindow(HidLibrary& library, Clock& clock, FileOps& files);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Form_Load, then the window, centred. False when the program ends before its
  // window appears; exitCode() then says with what.
  bool start();
  // A stop has come: the program is ending.
  bool ending() const { return ending_; }
  int exitCode() const { return exitCode_; }
  // A stop signal: whatever box is open goes, the program ends as on a close, and
  // nothing that waited behind the box runs on. start() then returns false, or the
  // running event loop returns.
  void stop();

  // With no desktop to show them on (the offscreen platform of a service), messages
  // go to standard error and on at once: a modal box would wait for a click that cannot come.
  void setMessagesToStandardError(bool on) { messagesToStandardError_ = on; }

  MainForm& core() { return core_; }
  QWidget* control(ControlId id) const { return controls_[id]; }
  int dpi() const { return dpi_; }

  void showText(ControlId id, std::string_view utf8) override;
  void showBackColor(ControlId id, Color color) override;
  void showMark(ControlId id, bool marked, std::string_view toolTip) override;
  void showPicture(ControlId id, const Image& image) override;
  void showMessage(std::string_view title, std::string_view text, MessageKind kind) override;
  void showMessageLater(std::string_view title, std::string_view text, MessageKind kind) override;
  std::uintptr_t nativeHandle() override;
  void endProgram(int exitCode) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  // The port indicators' double-clicks, right-clicks and tooltips.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  QWidget* createControl(ControlId id);
  QLabel* createLabel(const ControlSpec& row);
  QLineEdit* createTextBox(ControlId id);
  QPushButton* createButton(ControlId id);
  PictureBox* createPictureBox(const ControlSpec& row);
  void chainTabOrder();
  void stackLikeCreationOrder();
  void moveToScreenCentre();

  void forwardTyping(ControlId id, const QString& text);
  void pressButton(ControlId id);
  void tick();
  bool indicatorEvent(ControlId indicator, QEvent* event);

  QtWindowProcSlot slot_;
  MainForm core_;
  int dpi_;
  std::array<QWidget*, kControls.size()> controls_{};
  QTimer timer1_;
  bool ending_ = false;
  bool messagesToStandardError_ = false;
  int exitCode_ = 0;
};

}  // namespace dorvan
