// DORVAN on Linux: the Qt window over the core, the board through hidapi.
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QStyleFactory>

#include <memory>
#include <string>
#include <vector>

#include "app/network.h"
#include "app/qt/event_poster.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_ui_thread.h"
#include "app/qt/stop_signals.h"
#include "base/clock.h"
#include "base/file_ops.h"
#include "hid/board_library.h"
#include "hid/linux/hidapi_library.h"

namespace {

// Beside the program in the build tree, in share/pixmaps once installed.
QIcon programIcon() {
  const QDir dir(QCoreApplication::applicationDirPath());
  for (const QString& path :
       {dir.filePath(QStringLiteral("dorvan.png")), dir.filePath(QStringLiteral("../share/pixmaps/dorvan.png"))})
    if (QFile::exists(path)) return QIcon(path);
  return QIcon::fromTheme(QStringLiteral("dorvan"));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // One look everywhere, so that the coloured buttons and sunken boxes read the same on every desktop.
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QApplication::setWindowIcon(programIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("dorvan"));

  // The poster outlives the library, whose threads call it until Disconnect.
  dorvan::EventPoster poster;
  dorvan::setBoardLibraryHooks(poster.hooks());
  const std::unique_ptr<dorvan::HidLibrary> library = dorvan::makeBoardLibrary();

  dorvan::MainWindow window(*library, dorvan::systemClock(), dorvan::systemFileOps());
  // Run as a service (QT_QPA_PLATFORM=offscreen) there is nobody to click a message away.
  window.setMessagesToStandardError(QGuiApplication::platformName() == QStringLiteral("offscreen"));
  dorvan::onStopSignals(window, [&window] { window.stop(); });
  poster.attach(window);
  // QApplication has taken its own options out of argv; what is left is the program's.
  window.core().takeStartArguments(std::vector<std::string>(argv + 1, argv + argc));
  dorvan::QtUiThread ui(window);
  dorvan::Network network(window.core(), ui, dorvan::systemFileOps());
  network.load();
  const bool started = window.start();
  if (started) network.start();
  // A stop signal while a message about ag.txt was open has ended the program already.
  const int exitCode = started && !window.ending() ? QApplication::exec() : window.exitCode();
  network.stop();
  ui.stop();
  poster.detach();
  return exitCode;
}
