// Looking at and working the program's windows from outside its process.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "form/window_layout.h"

namespace wine_test {

bool waitUntil(const std::function<bool()>& condition, DWORD ms, DWORD stepMs = 50);

// Messages to the program's windows; a hung program answers 0 after a few seconds.
LRESULT sendTo(HWND h, UINT msg, WPARAM wp, LPARAM lp, DWORD timeoutMs = 5000);

std::wstring textOf(HWND h);
std::wstring classOf(HWND h);
LONG styleOf(HWND h);
LONG exStyleOf(HWND h);
// The window's rectangle in the client coordinates of parent.
RECT rectIn(HWND h, HWND parent);
RECT screenRectOf(HWND h);
std::string describe(const RECT& r);

HWND controlWindow(HWND main, dorvan::ControlId id);
HWND controlWindow(HWND main, std::string_view name);

// The window that holds the keyboard focus in the thread that owns main.
HWND focusOf(HWND main);
// A key pressed and released, posted as the keyboard would queue it.
void pressKey(HWND target, UINT vk);
// Real input: the cursor on the control's centre, then the buttons pressed and let go as given.
void mouseOn(HWND control, std::initializer_list<DWORD> buttons);
// Replaces the box's text by typing it, one character message at a time.
void typeInto(HWND edit, const std::wstring& text);
// A button press that returns once the program has handled it.
void clickAndWait(HWND button);
// A button press whose handling may open a modal box; returns at once.
void postClick(HWND button);

// Screen pixels as 0x00BBGGRR colour values, row by row.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<dorvan::Color> colors;
  dorvan::Color at(int x, int y) const { return colors[static_cast<std::size_t>(y) * width + x]; }
  bool operator==(const Pixels&) const = default;
};
Pixels captureScreen(const RECT& r);
// The most frequent colour in the window's rectangle, its outer inset pixels left
// out: the face colour of a control even where its caption covers the centre.
dorvan::Color dominantColor(HWND h, int inset = 4);
std::string colorName(dorvan::Color c);

// Bitmap file pixels, as the screen shows them (0x00BBGGRR).
bool loadBitmapFile(const std::wstring& path, Pixels& out);

// Message boxes.
std::wstring messageBoxText(HWND box);
bool messageBoxShowsIcon(HWND box);
// Presses the box's first button (its only one here).
void dismissMessageBox(HWND box);

}  // namespace wine_test
