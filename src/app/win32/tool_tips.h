// One tooltip control for the controls of a window: a fixed text that a control shows
// while it has one (a marked box), or a text asked of the window each time it is about
// to show (an indicator). Without the control a window works as before, only without tips.
#pragma once

#include <windows.h>

#include <string_view>

namespace dorvan::win32 {

class ToolTips {
 public:
  // Owned by `owner`, which gets the TTN_GETDISPINFOW of the asking controls.
  void create(HWND owner, int dpi);
  void setDpi(int dpi);
  HWND handle() const { return tips_; }

  // A control's fixed text; an empty text takes its tip away.
  void show(HWND control, std::string_view utf8);
  // A control whose text is asked for (LPSTR_TEXTCALLBACKW) each time its tip shows.
  void ask(HWND control);

 private:
  void add(HWND control, wchar_t* text);

  HWND owner_ = nullptr;
  HWND tips_ = nullptr;
};

}  // namespace dorvan::win32
