// A service is ended with SIGTERM (systemctl stop, a shutdown), a terminal with
// SIGINT. Either ends the program as its close box does, so that the board link is
// closed and the journal gets its last line, whatever box is open at the time.
#pragma once

#include <QObject>

#include <functional>

namespace dorvan {

// Once, before the first event loop runs. stop is called from the event loop of the
// moment (a message box's own loop too), never from the signal handler.
void onStopSignals(QObject& context, std::function<void()> stop);

}  // namespace dorvan
