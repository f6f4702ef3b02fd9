// What the X server really shows: the window grabbed from the screen under Xvfb,
// with a stage chosen and port 1 switched on, and a port's extra windows in their dialog.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <map>

#include "app/qt/extra_dialog_window.h"
#include "app/qt/main_window.h"
#include "base/file_ops.h"
#include "form/window_layout.h"
#include "qt_fakes.h"
#include "qtest_main.h"

namespace dorvan {

namespace {

// The colour most of an 11 x 11 patch shows, leaving out the caption's black strokes.
QColor colourAtCentre(const QImage& shot, const QRect& control) {
  std::map<QRgb, int> count;
  const QPoint c = control.center();
  for (int y = c.y() - 5; y <= c.y() + 5; ++y)
    for (int x = c.x() - 5; x <= c.x() + 5; ++x)
      if (const QRgb rgb = shot.pixel(x, y) & 0xFFFFFF; rgb != 0) ++count[rgb];
  if (count.empty()) return Qt::black;
  auto best = count.begin();
  for (auto it = count.begin(); it != count.end(); ++it)
    if (it->second > best->second) best = it;
  return QColor(best->first);
}

// Where a control lies in a grab of its window.
QRect placeIn(const QImage& shot, const QWidget* control) {
  const QRectF r = control->geometry().toRectF();
  const qreal ratio = shot.devicePixelRatio();
  return QRectF(r.topLeft() * ratio, r.size() * ratio).toRect();
}

QImage grabFromScreen(QWidget& window) {
  QTest::qWait(200);  // let the repaint reach the server
  return window.screen()->grabWindow(window.winId()).toImage();
}

// The window shown, over a stage 3 made of `stageFile`, which is chosen; messages are answered.
struct ShownWindow {
  explicit ShownWindow(const QByteArray& stageFile) {
    QDir::setCurrent(dir.path());
    QFile stage(QStringLiteral("kademe3.txt"));
    ok = stage.open(QIODevice::WriteOnly) && stage.write(stageFile) == stageFile.size();
    stage.close();
    QObject::connect(&dismiss, &QTimer::timeout, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
    });
    dismiss.start(20);
    ok = ok && window.start() && QTest::qWaitForWindowExposed(&window);
    QTest::mouseClick(window.control(controlId("Command33")), Qt::LeftButton);
  }
  ~ShownWindow() {
    window.close();
    QDir::setCurrent(previous);
  }

  QTemporaryDir dir;
  QString previous = QDir::currentPath();
  testing::RecordingHidLibrary library;
  testing::FixedClock clock;
  MainWindow window{library, clock, systemFileOps()};
  QTimer dismiss;
  bool ok = false;
};

}  // namespace

class ScreenshotTest : public QObject {
  Q_OBJECT

 private slots:
  void indicatorsAndButtonsShowTheirColours();
  void theExtraWindowsDialogShowsItsRowsAndMarks();
};

void ScreenshotTest::indicatorsAndButtonsShowTheirColours() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) QSKIP("needs an X server (xvfb-run)");
  ShownWindow shown(QByteArray("\r\n").repeated(50));
  QVERIFY(shown.ok);
  MainWindow& window = shown.window;
  QTest::keyClicks(window.control(controlId("Text2")), QStringLiteral("06.12.2026"));
  QTest::keyClicks(window.control(controlId("Text5")), QStringLiteral("07:30:00"));
  QTRY_VERIFY_WITH_TIMEOUT(!shown.library.writes.empty(), 2000);

  const QImage shot = grabFromScreen(window);
  QVERIFY(!shot.isNull());
  const auto at = [&](std::string_view name) { return placeIn(shot, window.control(controlId(name))); };
  QCOMPARE(colourAtCentre(shot, at("Label21")), QColor(255, 0, 0));    // port 1 switched on
  QCOMPARE(colourAtCentre(shot, at("Label32")), QColor(0, 0, 255));    // port 2 as it was
  QCOMPARE(colourAtCentre(shot, at("Command33")), QColor(255, 0, 0));  // the chosen stage
  QCOMPARE(colourAtCentre(shot, at("Command25")), QColor(0, 0, 255));
  QCOMPARE(colourAtCentre(shot, at("Command27")), QColor(0, 255, 0));  // KAYDET
  if (!qEnvironmentVariableIsEmpty("DORVAN_SCREENSHOT")) shot.save(qEnvironmentVariable("DORVAN_SCREENSHOT"));
}

void ScreenshotTest::theExtraWindowsDialogShowsItsRowsAndMarks() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) QSKIP("needs an X server (xvfb-run)");
  ShownWindow shown(QByteArray("\r\n").repeated(50) +
                    "PORT 05;HER G\xDCN;06:30:00;;+20 DK\r\n"
                    "PORT 05;HAFTA SONU;DO\xD0U\xDE+30;HAFTA SONU;BATI\xDE\r\n"
                    "PORT 05;06.12.2026;7:30;06.12.2026;08:00:00\r\n");
  QVERIFY(shown.ok);
  MainWindow& window = shown.window;
  QWidget* indicator = window.control(controlId(kPortGrid[4].indicator));
  QTest::mouseClick(window.windowHandle(), Qt::RightButton, {}, indicator->mapTo(&window, QPoint(3, 3)));
  auto* dialog = dynamic_cast<ExtraDialogWindow*>(QApplication::activeModalWidget());
  QVERIFY(dialog);
  QVERIFY(QTest::qWaitForWindowExposed(dialog));

  const QImage shot = grabFromScreen(*dialog);
  QVERIFY(!shot.isNull());
  const auto at = [&](int row, WindowBox box) { return placeIn(shot, dialog->box(row, box)); };
  // No place is known: the sun words are marked, and so is the time that can never fire.
  QCOMPARE(colourAtCentre(shot, at(0, WindowBox::EndTime)), QColor(255, 255, 255));
  QCOMPARE(colourAtCentre(shot, at(1, WindowBox::StartTime)), QColor(255, 200, 200));
  QCOMPARE(colourAtCentre(shot, at(2, WindowBox::StartTime)), QColor(255, 200, 200));
  QCOMPARE(colourAtCentre(shot, at(3, WindowBox::StartTime)), QColor(214, 223, 247));  // no fourth row
  if (!qEnvironmentVariableIsEmpty("DORVAN_DIALOG_SCREENSHOT"))
    shot.save(qEnvironmentVariable("DORVAN_DIALOG_SCREENSHOT"));
  dialog->reject();
}

}  // namespace dorvan

int main(int argc, char** argv) { return dorvan::testing::runQtTest<dorvan::ScreenshotTest>(argc, argv); }

#include "screenshot_test.moc"
