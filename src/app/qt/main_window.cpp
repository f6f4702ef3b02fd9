#include "app/qt/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QToolTip>

#include <cstdio>

#include "app/qt/extra_dialog_window.h"
#include "app/qt/picture_box.h"
#include "app/qt/qt_events.h"
#include "app/qt/widget_look.h"
#include "scheduler/port_table.h"

namespace dorvan {

namespace {

bool isRunningEventLoop() { return QThread::currentThread()->loopLevel() > 0; }

}  // namespace

MainWindow::MainWindow(HidLibrary& library, Clock& clock, FileOps& files)
    : slot_(*this), core_(*this, library, slot_, clock, files), dpi_(logicalDpi()) {
  slot_.setHook([this](std::uintptr_t window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return core_.hidLink().HidWindowProc(window, message, wParam, lParam);
  });

  setObjectName(toQString(kMainWindow.name));
  setWindowTitle(toQString(kMainWindow.caption));
  // A utility window: title and close box only, and no taskbar entry.
  setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setAttribute(Qt::WA_QuitOnClose, true);  // Qt::Tool clears it; this is the program's only window
  setFixedSize(toQRect(toPixels({0, 0, kMainWindow.clientWidth, kMainWindow.clientHeight}, dpi_)).size());
  setFont(windowFont(dpi_));
  QPalette background = palette();
  background.setColor(QPalette::Window, toQColor(kMainWindow.back, background.color(QPalette::Window)));
  setPalette(background);
  setAutoFillBackground(true);

  buildControls();

  timer1_.setInterval(kTimerIntervalMs);
  connect(&timer1_, &QTimer::timeout, this, &MainWindow::tick);
  timer1_.start();
}

MainWindow::~MainWindow() { removeEventFilter(&slot_); }

void MainWindow::buildControls() {
  for (ControlId id : creationOrder()) controls_[id] = createControl(id);
  chainTabOrder();
  stackLikeCreationOrder();
  controls_[controlId("Command34")]->setFocus();
}

QWidget* MainWindow::createControl(ControlId id) {
  const ControlSpec& s = controlSpec(id);
  QWidget* widget = nullptr;
  switch (s.kind) {
    case Kind::Label: widget = createLabel(s); break;
    case Kind::TextBox: widget = createTextBox(id); break;
    case Kind::Button: widget = createButton(id); break;
    case Kind::PictureBox: widget = createPictureBox(s); break;
  }
  widget->setObjectName(toQString(s.name));
  // Set on each control, not inherited: re-setting a button's style sheet to recolour
  // it would otherwise drop it to the application's default font.
  widget->setFont(font());
  widget->setGeometry(toQRect(toPixels(s.rect, dpi_)));
  return widget;
}

QLabel* MainWindow::createLabel(const ControlSpec& s) {
  auto* label = new QLabel(toQString(s.caption), this);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setMargin(0);
  label->setIndent(0);
  label->setFocusPolicy(Qt::NoFocus);
  label->setAutoFillBackground(true);
  QPalette p = label->palette();
  p.setColor(QPalette::Window, toQColor(s.back, p.color(QPalette::Button)));
  p.setColor(QPalette::WindowText, p.color(QPalette::ButtonText));
  label->setPalette(p);
  if (isPortIndicator(controlId(s.name))) label->installEventFilter(this);
  return label;
}

QLineEdit* MainWindow::createTextBox(ControlId id) {
  const ControlSpec& s = controlSpec(id);
  auto* box = new QLineEdit(this);
  if (s.maxLength > 0) box->setMaxLength(s.maxLength);
  box->setStyleSheet(textBoxStyle(false));
  connect(box, &QLineEdit::textEdited, this, [this, id](const QString& text) { forwardTyping(id, text); });
  // Typed or shown, the size of the letters is chosen when the text changes, never on a tick.
  connect(box, &QLineEdit::textChanged, this, [this, box] { fitText(box, font()); });
  return box;
}

QPushButton* MainWindow::createButton(ControlId id) {
  const ControlSpec& s = controlSpec(id);
  auto* button = new QPushButton(toQString(s.caption), this);
  button->setAutoDefault(false);
  button->setFocusPolicy(Qt::StrongFocus);
  button->setStyleSheet(
      buttonStyle(toQColor(s.back, palette().color(QPalette::Button)), palette().color(QPalette::ButtonText)));
  connect(button, &QPushButton::clicked, this, [this, id] { pressButton(id); });
  return button;
}

PictureBox* MainWindow::createPictureBox(const ControlSpec& s) {
  auto* box = new PictureBox(this);
  box->setFocusPolicy(Qt::StrongFocus);
  box->setAutoFillBackground(true);
  QPalette p = box->palette();
  p.setColor(QPalette::Window, toQColor(s.back, p.color(QPalette::Button)));
  box->setPalette(p);
  box->setImage(storedPicture());
  return box;
}

// creationOrder() lists the controls that take the focus first, in Tab order.
void MainWindow::chainTabOrder() {
  QWidget* previous = nullptr;
  for (ControlId id : creationOrder()) {
    if (controlSpec(id).tabIndex < 0) continue;
    if (previous) setTabOrder(previous, controls_[id]);
    previous = controls_[id];
  }
}

// Sibling windows on Windows stack with the first created on top, so the labels,
// created last, lie beneath what they touch; Qt stacks the other way round.
void MainWindow::stackLikeCreationOrder() {
  for (ControlId id : creationOrder()) controls_[id]->lower();
}

void MainWindow::moveToScreenCentre() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  move(area.center() - QPoint(width() / 2, height() / 2));
}

bool MainWindow::start() {
  const bool goOn = core_.Form_Load();
  if (!goOn || ending_) return false;
  moveToScreenCentre();
  show();
  core_.Form_Shown();
  return !ending_;
}

void MainWindow::stop() {
  if (!ending_) {
    std::int16_t cancel = 0;
    core_.Form_Unload(cancel);
    ending_ = true;
  }
  timer1_.stop();
  // A hidden dialog leaves its loop; any other modal window goes with the event loops below.
  for (int open = 0; open < 8; ++open) {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) break;
    modal->hide();
  }
  hide();
  // Every event loop of the thread returns, the message boxes' ones included.
  QCoreApplication::exit(exitCode_);
}

void MainWindow::showText(ControlId id, std::string_view utf8) {
  QWidget* widget = controls_[id];
  if (!widget) return;  // the core may speak before the controls exist
  const QString text = toQString(utf8);
  if (auto* box = qobject_cast<QLineEdit*>(widget)) {
    if (box->text() == text) return;
    const int cursor = box->cursorPosition();
    box->setText(text);
    box->setCursorPosition(std::min(cursor, static_cast<int>(text.size())));
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(text);
  }
}

void MainWindow::showBackColor(ControlId id, Color color) {
  QWidget* widget = controls_[id];
  if (!widget) return;
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setStyleSheet(
        buttonStyle(toQColor(color, palette().color(QPalette::Button)), palette().color(QPalette::ButtonText)));
    return;
  }
  QPalette p = widget->palette();
  const QPalette::ColorRole role = qobject_cast<QLineEdit*>(widget) ? QPalette::Base : QPalette::Window;
  const QColor system =
      qobject_cast<QLineEdit*>(widget) ? QPalette().color(QPalette::Base) : QPalette().color(QPalette::Button);
  p.setColor(role, toQColor(color, system));
  widget->setPalette(p);
}

void MainWindow::showMark(ControlId id, bool marked, std::string_view toolTip) {
  auto* box = qobject_cast<QLineEdit*>(controls_[id]);
  if (!box) return;
  box->setStyleSheet(textBoxStyle(marked));
  box->setToolTip(marked ? toQString(toolTip) : QString());
}

void MainWindow::showPicture(ControlId id, const Image& image) {
  if (auto* box = dynamic_cast<PictureBox*>(controls_[id])) box->setImage(image);
}

void MainWindow::showMessage(std::string_view title, std::string_view text, MessageKind kind) {
  if (ending_) return;  // nobody is there to read it once the program ends
  if (messagesToStandardError_) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(title.size()), title.data(), static_cast<int>(text.size()),
                 text.data());
    return;
  }
  const QMessageBox::Icon icon = kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon;
  QMessageBox box(icon, toQString(title), toQString(text), QMessageBox::Ok, isVisible() ? this : nullptr);
  box.exec();
}

void MainWindow::showMessageLater(std::string_view title, std::string_view text, MessageKind kind) {
  // Queued, not inside the running handler: a box opened in a timer's slot would also stop that timer.
  QMetaObject::invokeMethod(
      this, [this, t = std::string(title), m = std::string(text), kind] { showMessage(t, m, kind); },
      Qt::QueuedConnection);
}

std::uintptr_t MainWindow::nativeHandle() { return QtWindowProcSlot::handleOf(*this); }

void MainWindow::endProgram(int exitCode) {
  ending_ = true;
  exitCode_ = exitCode;
  timer1_.stop();
  hide();
  // Before the main loop runs, start() reports the end instead; an exit() now would
  // leave every later event loop of this thread returning at once.
  if (isRunningEventLoop()) QCoreApplication::exit(exitCode);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (ending_) {
    event->accept();
    return;
  }
  std::int16_t cancel = 0;
  core_.Form_Unload(cancel);
  if (cancel != 0) {
    event->ignore();
    return;
  }
  timer1_.stop();
  event->accept();
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == ProblemEvent::eventType()) {
    core_.reportProblem(static_cast<ProblemEvent*>(event)->text().toStdString());
    return true;
  }
  return QWidget::event(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  for (std::size_t i = 0; i < controls_.size(); ++i)
    if (controls_[i] == watched) return indicatorEvent(static_cast<ControlId>(i), event);
  return QWidget::eventFilter(watched, event);
}

// The tooltip's text is asked of the core as it is about to show, never on a tick.
bool MainWindow::indicatorEvent(ControlId indicator, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonDblClick: core_.doubleClick(indicator); return true;
    case QEvent::ContextMenu:
      if (!ending_)
        openExtraDialog(*this, core_.form(), portWithIndicator(indicator)->port, core_.almanac().place().has_value());
      return true;
    case QEvent::ToolTip:
      QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), toQString(core_.indicatorToolTip(indicator)),
                         controls_[indicator]);
      return true;
    default: return false;
  }
}

void MainWindow::forwardTyping(ControlId id, const QString& text) { core_.form().acceptTyped(id, text.toStdString()); }

void MainWindow::pressButton(ControlId id) { core_.click(id); }

void MainWindow::tick() { core_.Timer1_Timer(); }

}  // namespace dorvan
