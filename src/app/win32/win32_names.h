// Names the Windows program and its test driver agree on.
#pragma once

#include "form/window_layout.h"

namespace dorvan::win32 {

inline constexpr wchar_t kMainFormClass[] = L"DORVAN.MainForm";
// The hidden owner that keeps the main window out of the taskbar.
inline constexpr wchar_t kOwnerClass[] = L"DORVAN.Owner";
inline constexpr unsigned kTimer1Id = 1;

// The child-window ID of a control: its place in kControls plus 1000.
constexpr int childId(ControlId id) { return 1000 + id; }
// The child-window ID of a control of the extra windows' dialog: its place in
// kExtraDialogControls plus 1000, clear of IDOK and IDCANCEL, which Enter and Escape send.
constexpr int dialogChildId(int index) { return 1000 + index; }

}  // namespace dorvan::win32
