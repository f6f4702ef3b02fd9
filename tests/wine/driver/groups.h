// The test groups, one per behaviour of the program seen from outside, and the
// helpers they share.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "form/extra_dialog_layout.h"
#include "form/window_layout.h"
#include "report.h"
#include "session.h"

namespace wine_test {

struct Context {
  Report& report;
  Paths paths;
  std::wstring readyFile;  // screenshot mode
  std::wstring doneFile;
};

// Each returns false when it did not run at all (nothing to test with).
bool runStartup(Context& ctx);
// The window at a resolution other than 96 DPI (the prefix is set to one).
bool runGeometry(Context& ctx);
bool runHidLink(Context& ctx);
bool runStartFailures(Context& ctx);
bool runPictures(Context& ctx);
bool runBitness(Context& ctx);
bool runStages(Context& ctx);
bool runScheduler(Context& ctx);
bool runStorm(Context& ctx);
bool runUnattended(Context& ctx);
// Repeat words in a stage file, and the mark on a box that can never fire.
bool runRepeat(Context& ctx);
// Ports switched by hand from their indicators, and the journal of it.
bool runJournal(Context& ctx);
// A port's extra windows through their dialog, saved and switched.
bool runExtra(Context& ctx);
// The page's server: the state JSON and a switch over HTTP.
bool runWeb(Context& ctx);
// The program unpacked from the ZIP, started in place.
bool runPackage(Context& ctx);
// Not a test: holds the demo window open for tools/screenshot.sh.
bool runScreenshotHold(Context& ctx);
bool runScreenshotDialogHold(Context& ctx);

// Shared steps.
std::wstring windowCaption();
// Starts the session and returns the start-up prompt.
HWND launchToPrompt(Session& s, Case& c);
// Presses OK on the prompt and returns the then visible main window.
HWND acceptPrompt(Session& s, HWND prompt, Case& c);
HWND control(HWND main, std::string_view name, Case& c);
// A right-click on the port's indicator, and the extra windows' dialog it opens.
HWND openExtraDialog(Session& s, HWND main, int port, Case& c);
// A control of that dialog: a row's (row 0-7) or, with row -1, the others.
HWND dialogPart(HWND dialog, dorvan::DialogRole role, int row = -1,
                dorvan::WindowBox box = dorvan::WindowBox::StartDate);

// Local time arithmetic and the clock texts the window shows and compares.
SYSTEMTIME plusSeconds(const SYSTEMTIME& t, int seconds);
SYSTEMTIME plusMs(const SYSTEMTIME& t, int ms);
bool earlier(const SYSTEMTIME& a, const SYSTEMTIME& b);
std::wstring timeText(const SYSTEMTIME& t);  // HH:MM:SS
std::wstring dateText(const SYSTEMTIME& t);  // DD.MM.YYYY

// Fifty schedule values in file order; `stage` makes each stage's table its own.
using Table = std::array<std::wstring, 50>;
Table sampleTable(int stage);
std::string stageFileBytes(const Table& values, int lines = 50);
std::string_view boxOfPosition(int position);  // 1..50
// What the box shows for a value put into it: cut to the box's limit.
std::wstring asShownIn(std::string_view box, const std::wstring& value);

}  // namespace wine_test
