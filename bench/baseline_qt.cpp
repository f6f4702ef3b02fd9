// The least a Qt program with a clock can do: a message box, then one window with
// one label updated by a 100 ms timer. DORVAN's idle cost is compared with this.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTime>
#include <QTimer>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label;
  label.setWindowTitle("BASELINE");
  label.resize(987, 629);
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, &label,
                   [&label] { label.setText(QTime::currentTime().toString("HH:mm:ss")); });
  timer.start(100);
  QMessageBox::information(nullptr, "BASELINE", "BASELINE PROMPT");
  label.show();
  return app.exec();
}
