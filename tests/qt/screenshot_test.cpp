// What the X server really shows: the window grabbed from the screen under Xvfb,
// with a stage chosen and port 1 switched on.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QScreen>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <map>

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

}  // namespace

class ScreenshotTest : public QObject {
  Q_OBJECT

 private slots:
  void indicatorsAndButtonsShowTheirColours();
};

void ScreenshotTest::indicatorsAndButtonsShowTheirColours() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) QSKIP("needs an X server (xvfb-run)");
  QTemporaryDir dir;
  const QString previous = QDir::currentPath();
  QDir::setCurrent(dir.path());
  QFile stage(QStringLiteral("kademe3.txt"));
  QVERIFY(stage.open(QIODevice::WriteOnly));
  stage.write(QByteArray("\r\n").repeated(50));
  stage.close();

  testing::RecordingHidLibrary library;
  testing::FixedClock clock;
  MainWindow window(library, clock, systemFileOps());
  QTimer dismiss;
  QObject::connect(&dismiss, &QTimer::timeout, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
  });
  dismiss.start(20);
  QVERIFY(window.start());
  QVERIFY(QTest::qWaitForWindowExposed(&window));

  QTest::mouseClick(window.control(controlId("Command33")), Qt::LeftButton);
  QTest::keyClicks(window.control(controlId("Text2")), QStringLiteral("06.12.2026"));
  QTest::keyClicks(window.control(controlId("Text5")), QStringLiteral("07:30:00"));
  QTRY_VERIFY_WITH_TIMEOUT(!library.writes.empty(), 2000);
  QTest::qWait(200);  // let the repaint reach the server

  const QImage shot = window.screen()->grabWindow(window.winId()).toImage();
  QVERIFY(!shot.isNull());
  const auto at = [&](std::string_view name) {
    const QRectF r = window.control(controlId(name))->geometry().toRectF();
    const qreal ratio = shot.devicePixelRatio();
    return QRectF(r.topLeft() * ratio, r.size() * ratio).toRect();
  };
  QCOMPARE(colourAtCentre(shot, at("Label21")), QColor(255, 0, 0));    // port 1 switched on
  QCOMPARE(colourAtCentre(shot, at("Label32")), QColor(0, 0, 255));    // port 2 as it was
  QCOMPARE(colourAtCentre(shot, at("Command33")), QColor(255, 0, 0));  // the chosen stage
  QCOMPARE(colourAtCentre(shot, at("Command25")), QColor(0, 0, 255));
  QCOMPARE(colourAtCentre(shot, at("Command27")), QColor(0, 255, 0));  // KAYDET
  if (!qEnvironmentVariableIsEmpty("DORVAN_SCREENSHOT")) shot.save(qEnvironmentVariable("DORVAN_SCREENSHOT"));

  window.close();
  QDir::setCurrent(previous);
}

}  // namespace dorvan

int main(int argc, char** argv) { return dorvan::testing::runQtTest<dorvan::ScreenshotTest>(argc, argv); }

#include "screenshot_test.moc"
