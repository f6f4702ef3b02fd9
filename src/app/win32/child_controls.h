// The windows' controls as real child windows, made from their rows of a table of controls.
#pragma once

#include <windows.h>

#include <string_view>

#include "form/window_layout.h"

namespace dorvan::win32 {

// What a child window is made from, whichever table its row is in.
struct ChildControl {
  Kind kind;
  TwipRect rect;
  std::string_view caption;  // UTF-8
  int childId;
  DWORD style;    // added to what its kind has
  int maxLength;  // characters; 0 = no limit
};

// Creates a child window with its caption, font and limit.
HWND createChild(HWND parent, const ChildControl& control, int dpi, HFONT font);

// Creates the child window of one control of the main window.
HWND createControl(HWND parent, ControlId id, int dpi, HFONT font);

// Puts a child where its rectangle says, at this resolution.
void placeChild(HWND control, const TwipRect& rect, int dpi);
inline void placeControl(HWND control, ControlId id, int dpi) { placeChild(control, controlSpec(id).rect, dpi); }

// The control a child window of the main window stands for, or -1 for any other window.
int controlOf(HWND parent, HWND child);

}  // namespace dorvan::win32
