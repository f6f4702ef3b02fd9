// The dialog of a port's extra windows as a real Win32 dialog: made from
// kExtraDialogControls as the main window is made from kControls, and driven by the
// core's ExtraDialog, which holds the rows until TAMAM types them into the form.
#pragma once

#include <windows.h>

#include "app/main_form.h"

namespace dorvan::win32 {

inline constexpr char kExtraDialogFailed[] = "Ek çizelge penceresi açılamadı.";

// Opens the port's dialog over owner, which it disables until it closes, and returns
// then: TAMAM has typed the rows into the form; İPTAL, Escape and the close box have
// dropped them. False when the dialog could not be opened.
bool editExtraWindows(HWND owner, MainForm& core, int port);

}  // namespace dorvan::win32
