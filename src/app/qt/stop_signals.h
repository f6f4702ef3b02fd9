// A service is ended with SIGTERM (systemctl stop, a shutdown), a terminal with
// SIGINT. Either closes the window as its close box does, so that the board link is
// closed and the journal gets its last line.
#pragma once

#include <QWidget>

namespace dorvan {

// Once, before the event loop runs.
void closeOnStopSignals(QWidget& window);

}  // namespace dorvan
