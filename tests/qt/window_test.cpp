// The Qt window against the table it is built from, and the core driven through
// the real widgets: the prompt, stage buttons, KAYDET, typing, the clock tick and
// the device-notification hook.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "app/box_marks.h"
#include "app/qt/event_poster.h"
#include "app/qt/extra_dialog_window.h"
#include "app/qt/main_window.h"
#include "app/qt/picture_box.h"
#include "app/qt/qt_events.h"
#include "base/file_ops.h"
#include "fake_devices.h"
#include "form/window_layout.h"
#include "qt_fakes.h"
#include "qtest_main.h"

namespace dorvan {
namespace {

using testing::FixedClock;
using testing::RecordingHidLibrary;

struct SeenMessage {
  QString title;
  QString text;
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
  bool windowVisible;
};

// Answers every message box with OK as soon as it is up, noting what it showed.
class MessageCatcher {
 public:
  explicit MessageCatcher(QWidget& window) : window_(window) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { dismissOpenBox(); });
    timer_.start(10);
  }
  const std::vector<SeenMessage>& seen() const { return seen_; }

 private:
  void dismissOpenBox() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen_.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons(), window_.isVisible()});
    box->accept();
  }
  QWidget& window_;
  QTimer timer_;
  std::vector<SeenMessage> seen_;
};

// QTest::keyClicks knows only ASCII.
void typeCharacter(QWidget* widget, const QString& character) {
  QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, character, Qt::NoModifier);
}

void typeText(QWidget* widget, const QString& text) {
  for (const QChar letter : text) typeCharacter(widget, QString(letter));
}

QColor pixelNear(QWidget* widget, QPoint at) { return widget->grab().toImage().pixelColor(at); }

// The face of a button or label, clear of its border and caption.
QColor faceColor(QWidget* widget) { return pixelNear(widget, QPoint(4, widget->height() - 5)); }

QString caption(const ControlSpec& s) {
  return QString::fromUtf8(s.caption.data(), static_cast<qsizetype>(s.caption.size()));
}

QByteArray fiftyLines(const std::vector<QByteArray>& values) {
  QByteArray out;
  for (int i = 0; i < 50; ++i) out += (i < static_cast<int>(values.size()) ? values[i] : QByteArray()) + "\r\n";
  return out;
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void windowFollowsTheTable();
  void tabOrderAndFocusFollowTheTable();
  void captionsAndClockTextsFit();
  void everyRepeatWordShowsWholeInADateBox();
  void promptComesBeforeTheWindow();
  void aStageArgumentStartsWithoutPromptAndResumes();
  void unusableLibraryEndsBeforeTheWindow();
  void stageLoadAndSaveThroughTheWidgets();
  void typingRefusesWhatAStageFileCannotHold();
  void aTimeThatCanNeverFireIsMarkedUntilItCan();
  void tickSwitchesAPortAndItsIndicator();
  void aDoubleClickOnAnIndicatorSwitchesItsPort();
  void aRightClickOnAnIndicatorEditsItsExtraWindows();
  void hookSeesNotificationsUntilTheWindowCloses();
  void posterDeliversOnlyToItsAttachedWindow();
  void aBoardPresentAtStartIsShownAndAReplugGetsItsPortsBack();

 private:
  QWidget* widget(std::string_view name) { return window_->control(controlId(name)); }
  ExtraDialogWindow* rightClickIndicator(int port);
  QLineEdit* box(std::string_view name) { return qobject_cast<QLineEdit*>(widget(name)); }

  RecordingHidLibrary library_;
  FixedClock clock_;
  std::unique_ptr<MainWindow> window_;
  QTemporaryDir workDir_;
  QString previousDir_;
};

void WindowTest::init() {
  library_ = RecordingHidLibrary{};
  library_.ids[7] = {kBoardVendorId, kBoardProductId};
  library_.ids[8] = {kBoardVendorId, 1};
  previousDir_ = QDir::currentPath();
  QVERIFY(workDir_.isValid());
  QDir::setCurrent(workDir_.path());
  window_ = std::make_unique<MainWindow>(library_, clock_, systemFileOps());
}

void WindowTest::cleanup() {
  window_.reset();
  QDir::setCurrent(previousDir_);
  QDir(workDir_.path()).removeRecursively();
  QDir().mkpath(workDir_.path());
}

void WindowTest::windowFollowsTheTable() {
  QCOMPARE(window_->dpi(), 96);
  QCOMPARE(window_->size(), QSize(987, 629));
  QCOMPARE(window_->windowTitle(), QStringLiteral("KAVRUN 18F2550 MERVALTO"));
  QVERIFY(window_->minimumSize() == window_->maximumSize());
  const Qt::WindowFlags flags = window_->windowFlags();
  QVERIFY(flags & Qt::WindowCloseButtonHint);
  QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
  QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
  QCOMPARE(window_->palette().color(QPalette::Window), QColor(214, 223, 247));

  const QColor buttonFace = window_->palette().color(QPalette::Button);
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    const ControlSpec& s = kControls[i];
    QWidget* w = window_->control(static_cast<ControlId>(i));
    const QByteArray name(s.name.data(), static_cast<qsizetype>(s.name.size()));
    QVERIFY2(w, name);
    QCOMPARE(w->objectName(), QString::fromLatin1(name));
    const PixelRect r = toPixels(s.rect, 96);
    QCOMPARE(w->geometry(), QRect(r.left, r.top, r.width, r.height));
    switch (s.kind) {
      case Kind::Label: {
        auto* label = qobject_cast<QLabel*>(w);
        QVERIFY2(label, name);
        QCOMPARE(label->text(), caption(s));
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        QVERIFY(label->alignment() & Qt::AlignTop);
        const QColor expected = s.back == kSystemColor ? buttonFace : QColor(0, 0, 255);
        QCOMPARE(faceColor(label), expected);
        break;
      }
      case Kind::TextBox: {
        auto* edit = qobject_cast<QLineEdit*>(w);
        QVERIFY2(edit, name);
        QVERIFY(edit->text().isEmpty());
        QCOMPARE(edit->maxLength(), s.maxLength);
        break;
      }
      case Kind::Button: {
        auto* button = qobject_cast<QPushButton*>(w);
        QVERIFY2(button, name);
        QCOMPARE(button->text(), caption(s));
        const QColor expected = s.back == kGreen ? QColor(0, 255, 0) : QColor(0, 0, 255);
        QCOMPARE(faceColor(button), expected);
        break;
      }
      case Kind::PictureBox:
        // The stored picture fills the inner height and leaves the background at the right.
        QCOMPARE(w->contentsRect(), QRect(2, 2, 149, 53));
        QCOMPARE(pixelNear(w, QPoint(150, 30)), buttonFace);
        break;
    }
  }
}

void WindowTest::tabOrderAndFocusFollowTheTable() {
  QCOMPARE(window_->focusWidget(), widget("Command34"));

  std::vector<const ControlSpec*> byTab;
  for (const ControlSpec& s : kControls)
    if (s.tabIndex >= 0) byTab.push_back(&s);
  std::sort(byTab.begin(), byTab.end(), [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });

  QWidget* w = widget("Command34");
  for (const ControlSpec* s : byTab) {
    QCOMPARE(w->objectName().toStdString(), std::string(s->name));
    do w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus));
  }
  QCOMPARE(w, widget("Command34"));  // the chain closes
}

void WindowTest::captionsAndClockTextsFit() {
  const QFont font = window_->font();
  QVERIFY(font.bold());
  QCOMPARE(font.pixelSize(), 18);
  const QFontMetrics metrics(font);
  for (const ControlSpec& s : kControls) {
    if (s.caption.empty()) continue;
    QWidget* w = window_->control(controlId(s.name));
    // Buttons lose their 2-pixel border on each side.
    const int room = s.kind == Kind::Button ? w->width() - 4 : w->width();
    QVERIFY2(metrics.horizontalAdvance(caption(s)) <= room, std::string(s.name).c_str());
    QVERIFY(metrics.height() <= w->height());
  }
  // The widest clock texts the tick writes and the boxes are compared with.
  const int timeWidth = metrics.horizontalAdvance(QStringLiteral("00:00:00"));
  const int dateWidth = metrics.horizontalAdvance(QStringLiteral("28.12.2026"));
  QVERIFY(timeWidth <= widget("Label18")->width());
  QVERIFY(dateWidth <= widget("Label20")->width());
  // A box keeps 2 pixels of border and 2 of margin on each side.
  QVERIFY(timeWidth <= widget("Text5")->width() - 8);
  QVERIFY(dateWidth <= widget("Text2")->width() - 8);
}

void WindowTest::everyRepeatWordShowsWholeInADateBox() {
  // Shown by the core (a stage loaded) in one box, typed in the other; a date last.
  QLineEdit* shown = box("Text2");
  QLineEdit* typed = box("Text19");
  for (const char* text :
       {"HAFTA SONU", "PAZARTESİ", "CUMARTESİ", "HAFTA İÇİ", "ÇARŞAMBA", "PERŞEMBE", "HER GÜN", "28.12.2026"}) {
    window_->showText(controlId("Text2"), text);
    typed->clear();
    typeText(typed, QString::fromUtf8(text));
    for (QLineEdit* edit : {shown, typed}) {
      QCOMPARE(edit->text(), QString::fromUtf8(text));
      // The border and QLineEdit's margin on each side.
      const int room = edit->contentsRect().width() - 8;
      QVERIFY2(QFontMetrics(edit->font()).horizontalAdvance(edit->text()) <= room, text);
    }
  }
  QCOMPARE(shown->font(), window_->font());
  QCOMPARE(typed->font(), window_->font());
}

void WindowTest::promptComesBeforeTheWindow() {
  MessageCatcher catcher(*window_);
  QVERIFY(window_->start());
  QVERIFY(window_->isVisible());
  QCOMPARE(catcher.seen().size(), std::size_t{1});
  const SeenMessage& prompt = catcher.seen()[0];
  QVERIFY(!prompt.windowVisible);
  QCOMPARE(prompt.title, window_->windowTitle());
  QCOMPARE(prompt.text, QStringLiteral("KADEME SEÇİMİ YAPINIZ"));
  QCOMPARE(prompt.icon, QMessageBox::NoIcon);
  QCOMPARE(prompt.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  QCOMPARE(library_.connects, std::vector<std::uintptr_t>{window_->nativeHandle()});
}

void WindowTest::aStageArgumentStartsWithoutPromptAndResumes() {
  clock_.time = {2026, 12, 6, 7, 30, 0, 0};
  QFile file(QStringLiteral("kademe3.txt"));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(fiftyLines({"port 1", "06.12.2026", "07:00:00", "06.12.2026", "08:00:00"}));
  file.close();
  window_->core().takeStartArguments({"3"});
  MessageCatcher catcher(*window_);
  QVERIFY(window_->start());
  QVERIFY(window_->isVisible());
  QVERIFY(catcher.seen().empty());
  QCOMPARE(box("Text1")->text(), QStringLiteral("port 1"));
  QCOMPARE(library_.writes, (std::vector<Report>{{0, 1, 1, 0, 0, 0, 0, 0, 0}}));
}

void WindowTest::unusableLibraryEndsBeforeTheWindow() {
  library_.loadProblem = "kitaplık yok";
  MessageCatcher catcher(*window_);
  QVERIFY(!window_->start());
  QCOMPARE(window_->exitCode(), 1);
  QVERIFY(!window_->isVisible());
  QCOMPARE(catcher.seen().size(), std::size_t{1});
  QCOMPARE(catcher.seen()[0].icon, QMessageBox::Critical);
  QCOMPARE(catcher.seen()[0].text, QStringLiteral("kitaplık yok"));
  QVERIFY(library_.connects.empty());
}

void WindowTest::stageLoadAndSaveThroughTheWidgets() {
  std::vector<QByteArray> values(50);
  values[0] = "ISITICI \xDE";  // Ş in Windows-1254
  values[2] = "07:30:00";
  values[30] = "POMPA";
  values[49] = "08:00:00";
  QFile file(QStringLiteral("kademe2.txt"));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(fiftyLines(values));
  file.close();

  MessageCatcher catcher(*window_);
  QVERIFY(window_->start());
  QTest::mouseClick(widget("Command34"), Qt::LeftButton);
  QCOMPARE(box("Text1")->text(), QStringLiteral("ISITICI Ş"));
  QCOMPARE(box("Text5")->text(), QStringLiteral("07:30:00"));
  QCOMPARE(box("Text60")->text(), QStringLiteral("POMPA"));
  QCOMPARE(box("Text35")->text(), QStringLiteral("08:00:00"));
  QCOMPARE(faceColor(widget("Command34")), QColor(255, 0, 0));
  QCOMPARE(faceColor(widget("Command25")), QColor(0, 0, 255));
  // Recolouring restyles the button; it must keep the window's font.
  QCOMPARE(widget("Command34")->fontInfo().pixelSize(), 18);
  QVERIFY(widget("Command34")->fontInfo().bold());

  box("Text3")->setFocus();
  QTest::keyClicks(box("Text3"), QStringLiteral("FAN"));
  QTest::mouseClick(widget("Command27"), Qt::LeftButton);
  QCOMPARE(catcher.seen().size(), std::size_t{1});  // the prompt only

  values[5] = "FAN";
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), fiftyLines(values));
}

void WindowTest::typingRefusesWhatAStageFileCannotHold() {
  MessageCatcher catcher(*window_);
  QVERIFY(window_->start());
  QLineEdit* description = box("Text1");
  QTest::keyClicks(description, QStringLiteral("AB"));
  typeCharacter(description, QStringLiteral("中"));  // no place for it in Windows-1254
  typeCharacter(description, QStringLiteral("Ç"));
  QTest::keyClicks(description, QStringLiteral("D"));
  QCOMPARE(description->text(), QStringLiteral("ABÇD"));
  QCOMPARE(std::string(window_->core().form().text(controlId("Text1"))), std::string("ABÇD"));

  QLineEdit* time = box("Text5");
  QTest::keyClicks(time, QStringLiteral("07:30:00:9"));
  QCOMPARE(time->text(), QStringLiteral("07:30:00"));
}

void WindowTest::aTimeThatCanNeverFireIsMarkedUntilItCan() {
  MessageCatcher catcher(*window_);
  QVERIFY(window_->start());
  QLineEdit* date = box("Text2");
  QLineEdit* time = box("Text5");
  const QColor usual = faceColor(time);
  QTest::keyClicks(date, QStringLiteral("her gun"));
  QTest::keyClicks(time, QStringLiteral("7:30"));
  QCOMPARE(faceColor(time), QColor(255, 200, 200));
  QCOMPARE(time->toolTip(), QString::fromUtf8(faultText(BoxFault::NotATime)));
  QCOMPARE(faceColor(date), usual);
  QVERIFY(date->toolTip().isEmpty());

  time->selectAll();
  QTest::keyClicks(time, QStringLiteral("07:30:00"));
  QCOMPARE(faceColor(time), usual);
  QVERIFY(time->toolTip().isEmpty());
}

void WindowTest::tickSwitchesAPortAndItsIndicator() {
  MessageCatcher catcher(*window_);
  QVERIFY(window_->start());
  QTest::keyClicks(box("Text2"), QStringLiteral("06.12.2026"));
  QTest::keyClicks(box("Text5"), QStringLiteral("07:30:00"));
  // Port 2 is due to go off in the same second: its indicator stays blue.
  QTest::keyClicks(box("Text20"), QStringLiteral("06.12.2026"));
  QTest::keyClicks(box("Text22"), QStringLiteral("07:30:00"));

  QTRY_VERIFY_WITH_TIMEOUT(library_.writes.size() >= 2, 2000);
  QCOMPARE(qobject_cast<QLabel*>(widget("Label18"))->text(), QStringLiteral("07:30:00"));
  QCOMPARE(qobject_cast<QLabel*>(widget("Label20"))->text(), QStringLiteral("06.12.2026"));
  QCOMPARE(library_.writes[0], (Report{0, 1, 1, 0, 0, 0, 0, 0, 0}));
  QCOMPARE(library_.writes[1], (Report{0, 2, 0, 0, 0, 0, 0, 0, 0}));
  QCOMPARE(faceColor(widget("Label21")), QColor(255, 0, 0));
  QCOMPARE(faceColor(widget("Label32")), QColor(0, 0, 255));

  // The next second matches nothing: no more reports.
  clock_.time.second = 1;
  QTest::qWait(250);
  const std::size_t sent = library_.writes.size();
  QTest::qWait(250);
  QCOMPARE(library_.writes.size(), sent);
  QCOMPARE(faceColor(widget("Label21")), QColor(255, 0, 0));
}

void WindowTest::aDoubleClickOnAnIndicatorSwitchesItsPort() {
  MessageCatcher catcher(*window_);
  QVERIFY(window_->start());
  clock_.time.second = 5;  // nothing is due: only the double-clicks switch
  QWidget* indicator = widget("Label31");
  QTest::mouseDClick(indicator, Qt::LeftButton);
  QCOMPARE(library_.writes, (std::vector<Report>{{0, 3, 1, 0, 0, 0, 0, 0, 0}}));
  QCOMPARE(faceColor(indicator), QColor(255, 0, 0));

  QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), indicator->mapToGlobal(QPoint(2, 2)));
  QCoreApplication::sendEvent(indicator, &hover);
  QCOMPARE(QToolTip::text(),
           QStringLiteral("PORT 03 — çift tıklayınca kapanır. Son: AÇIK, 06.12.2026 07:30:05 (elle)."));

  QTest::mouseDClick(indicator, Qt::LeftButton);
  QCOMPARE(library_.writes.back(), (Report{0, 3, 0, 0, 0, 0, 0, 0, 0}));
  QCOMPARE(faceColor(indicator), QColor(0, 0, 255));
  QFile journal(QStringLiteral("gunluk.txt"));
  QVERIFY(journal.open(QIODevice::ReadOnly));
  QCOMPARE(QString::fromUtf8(journal.readAll()).split('\n').mid(1),
           (QStringList{"06.12.2026 07:30:05 PORT 03 AÇIK (elle)", "06.12.2026 07:30:05 PORT 03 KAPALI (elle)", ""}));
}

// A right-click as the platform sends it, through the window, not to the label itself.
ExtraDialogWindow* WindowTest::rightClickIndicator(int port) {
  QWidget* indicator = widget(kPortGrid[port - 1].indicator);
  QTest::mouseClick(window_->windowHandle(), Qt::RightButton, {}, indicator->mapTo(window_.get(), QPoint(3, 3)));
  return dynamic_cast<ExtraDialogWindow*>(QApplication::activeModalWidget());
}

void WindowTest::aRightClickOnAnIndicatorEditsItsExtraWindows() {
  QFile file(QStringLiteral("kademe2.txt"));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(fiftyLines({}));
  file.close();
  MessageCatcher catcher(*window_);
  QVERIFY(window_->start());
  QTest::mouseClick(widget("Command34"), Qt::LeftButton);

  QPointer<ExtraDialogWindow> dialog = rightClickIndicator(5);
  QVERIFY(dialog);
  QCOMPARE(dialog->windowTitle(), QStringLiteral("PORT 05 — ek çizelge"));
  const auto shownRows = [&] {
    int n = 0;
    while (n < kMaxExtraWindows && dialog->box(n, WindowBox::StartDate)->isVisible()) ++n;
    return n;
  };
  QCOMPARE(shownRows(), 0);
  for (int i = 0; i < kMaxExtraWindows; ++i) QTest::mouseClick(dialog->button(DialogRole::Add), Qt::LeftButton);
  QCOMPARE(shownRows(), 8);
  QVERIFY(!dialog->button(DialogRole::Add)->isEnabled());

  // Each row types its number into its start time; SİL takes row 2 and the rest move up.
  for (int r = 0; r < 3; ++r) QTest::keyClicks(dialog->box(r, WindowBox::StartTime), QString::number(r + 1));
  QTest::mouseClick(dialog->removeButton(1), Qt::LeftButton);
  QCOMPARE(shownRows(), 7);
  QVERIFY(dialog->button(DialogRole::Add)->isEnabled());
  QCOMPARE(dialog->box(1, WindowBox::StartTime)->text(), QStringLiteral("3"));
  while (shownRows() > 1) QTest::mouseClick(dialog->removeButton(1), Qt::LeftButton);

  // The separator is refused where it is typed; a time that can never fire is marked as typed.
  QLineEdit* startDate = dialog->box(0, WindowBox::StartDate);
  typeText(startDate, QStringLiteral("HER G;ÜN"));
  QCOMPARE(startDate->text(), QStringLiteral("HER GÜN"));
  QLineEdit* startTime = dialog->box(0, WindowBox::StartTime);
  startTime->selectAll();
  QTest::keyClicks(startTime, QStringLiteral("18:00"));
  QCOMPARE(faceColor(startTime), QColor(255, 200, 200));
  QCOMPARE(startTime->toolTip(), QString::fromUtf8(faultText(BoxFault::NotATime)));
  QTest::keyClicks(startTime, QStringLiteral(":00"));
  QVERIFY(startTime->toolTip().isEmpty());
  typeText(dialog->box(0, WindowBox::EndDate), QStringLiteral("HER GÜN"));
  QTest::keyClicks(dialog->box(0, WindowBox::EndTime), QStringLiteral("18:30:00"));
  QTest::mouseClick(dialog->button(DialogRole::Ok), Qt::LeftButton);
  QTRY_VERIFY(!dialog);

  const ExtraWindows expected{{{"HER GÜN", "18:00:00", "HER GÜN", "18:30:00"}}};
  QCOMPARE(window_->core().form().extras(5), expected);
  QTest::mouseClick(widget("Command27"), Qt::LeftButton);
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), fiftyLines({}) + "PORT 05;HER G\xDCN;18:00:00;HER G\xDCN;18:30:00\r\n");
  file.close();

  // İPTAL, Escape and the close box leave the form as it was.
  const std::vector<std::function<void(ExtraDialogWindow*)>> drops{
      [](ExtraDialogWindow* d) { QTest::mouseClick(d->button(DialogRole::Cancel), Qt::LeftButton); },
      [](ExtraDialogWindow* d) { QTest::keyClick(d, Qt::Key_Escape); }, [](ExtraDialogWindow* d) { d->close(); }};
  for (const auto& drop : drops) {
    dialog = rightClickIndicator(5);
    QVERIFY(dialog);
    QCOMPARE(dialog->box(0, WindowBox::StartDate)->text(), QStringLiteral("HER GÜN"));
    QTest::mouseClick(dialog->removeButton(0), Qt::LeftButton);
    QTest::mouseClick(dialog->button(DialogRole::Add), Qt::LeftButton);
    drop(dialog);
    QTRY_VERIFY(!dialog);
    QCOMPARE(window_->core().form().extras(5), expected);
  }
}

void WindowTest::hookSeesNotificationsUntilTheWindowCloses() {
  MessageCatcher catcher(*window_);
  QVERIFY(window_->start());
  auto* picture = widget("Picture1");
  const QImage stored = picture->grab().toImage();

  // Another product of the same vendor leaves the picture alone.
  QCoreApplication::postEvent(window_.get(), new DeviceNotificationEvent(1, 8));
  QCoreApplication::processEvents();
  QCOMPARE(library_.vendorQueries, std::vector<DeviceHandle>{8});
  QCOMPARE(picture->grab().toImage(), stored);

  QCoreApplication::postEvent(window_.get(), new DeviceNotificationEvent(1, 7));
  QCoreApplication::processEvents();
  QCOMPARE(library_.vendorQueries, (std::vector<DeviceHandle>{8, 7}));
  QVERIFY(picture->grab().toImage() != stored);

  QVERIFY(window_->close());
  QCOMPARE(library_.disconnects, 1);
  QCoreApplication::postEvent(window_.get(), new DeviceNotificationEvent(2, 7));
  QCoreApplication::processEvents();
  QCOMPARE(library_.vendorQueries.size(), std::size_t{2});
}

void WindowTest::posterDeliversOnlyToItsAttachedWindow() {
  EventPoster poster;
  HidapiHooks hooks = poster.hooks();
  const std::uintptr_t handle = window_->nativeHandle();
  hooks.reportProblem("erişim yok");  // found while connecting, before any window
  poster.attach(*window_);

  MessageCatcher catcher(*window_);
  QVERIFY(window_->start());
  // It comes up over the start prompt, whose loop delivers it.
  QTRY_COMPARE(catcher.seen().size(), std::size_t{2});
  const auto problem = std::find_if(catcher.seen().begin(), catcher.seen().end(),
                                    [](const SeenMessage& m) { return m.text == QStringLiteral("erişim yok"); });
  QVERIFY(problem != catcher.seen().end());
  QCOMPARE(problem->icon, QMessageBox::Critical);
  QCOMPARE(problem->title, window_->windowTitle());

  std::thread([&] {
    hooks.post(handle, 1, 7);
    hooks.post(handle + 1, 1, 8);  // not this window
  }).join();
  QCoreApplication::processEvents();
  QCOMPARE(library_.vendorQueries, std::vector<DeviceHandle>{7});

  poster.detach();
  hooks.post(handle, 1, 8);
  QCoreApplication::processEvents();
  QCOMPARE(library_.vendorQueries, std::vector<DeviceHandle>{7});
}

void WindowTest::aBoardPresentAtStartIsShownAndAReplugGetsItsPortsBack() {
  clock_.time = {2026, 12, 6, 7, 29, 0, 0};
  testing::World world;
  const HidDeviceInfo board{"/dev/hidraw1", 0x1784, 0x07D8};
  world.plug(board);
  const auto written = [&] {
    std::lock_guard lock(world.mutex);
    return world.written[board.path];
  };
  EventPoster poster;
  const std::unique_ptr<HidLibrary> hidapi =
      makeHidapiLibrary(poster.hooks(), std::make_unique<testing::FakeBackend>(world));
  MainWindow window(*hidapi, clock_, systemFileOps());
  poster.attach(window);
  MessageCatcher catcher(window);
  QVERIFY(window.start());
  auto* picture = dynamic_cast<PictureBox*>(window.control(controlId("Picture1")));
  QVERIFY(picture);
  QTRY_VERIFY(picture->image() == toQImage(builtinPicture(PlugPicture::Plugged)));

  const PortRow& port4 = kPortGrid[3];
  window.core().form().acceptTyped(controlId(port4.startDate), "06.12.2026");
  window.core().form().acceptTyped(controlId(port4.startTime), "07:30:00");
  clock_.time.minute = 30;
  window.core().Timer1_Timer();
  clock_.time.second = 1;  // the timer's own ticks switch nothing more
  const Report on{0, 4, 1, 0, 0, 0, 0, 0, 0};
  QCOMPARE(written(), std::vector<Report>{on});

  world.unplug(board);
  QTRY_VERIFY(picture->image() == toQImage(builtinPicture(PlugPicture::Unplugged)));
  world.plug(board);
  QTRY_COMPARE(written(), (std::vector<Report>{on, on}));
  QVERIFY(window.close());
  poster.detach();
}

}  // namespace dorvan

int main(int argc, char** argv) { return dorvan::testing::runQtTest<dorvan::WindowTest>(argc, argv); }

#include "window_test.moc"
