// The main window's controls as real child windows, made from their rows of kControls.
#pragma once

#include <windows.h>

#include "form/window_layout.h"

namespace dorvan::win32 {

// Creates the child window of one control with its caption, font and limit.
HWND createControl(HWND parent, ControlId id, int dpi, HFONT font);

// Puts a control where its row says, at this resolution.
void placeControl(HWND control, ControlId id, int dpi);

// The control a child window stands for, or -1 for any other window.
int controlOf(HWND parent, HWND child);

}  // namespace dorvan::win32
