#include "app/win32/child_controls.h"

#include <string>

#include "app/win32/dpi.h"
#include "app/win32/win32_names.h"
#include "base/win32/utf16.h"

namespace dorvan::win32 {
namespace {

struct WindowKind {
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
};

WindowKind windowKindOf(Kind kind) {
  switch (kind) {
    case Kind::Label: return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0};
    case Kind::PictureBox: return {L"STATIC", SS_OWNERDRAW, WS_EX_CLIENTEDGE};
    case Kind::TextBox: return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case Kind::Button: return {L"BUTTON", BS_OWNERDRAW, 0};
  }
  return {L"STATIC", 0, 0};
}

}  // namespace

HWND createChild(HWND parent, const ChildControl& control, int dpi, HFONT font) {
  const WindowKind wk = windowKindOf(control.kind);
  // Siblings clip each other, so where a box or button overlaps a label by a pixel
  // the label does not paint over it.
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | wk.style | control.style;
  const PixelRect r = toPixels(control.rect, dpi);
  const std::wstring caption = widen(control.caption);
  HWND child = CreateWindowExW(wk.exStyle, wk.className, caption.c_str(), style, r.left, r.top, r.width, r.height,
                               parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.childId)),
                               reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
  if (!child) return nullptr;
  if (control.kind != Kind::PictureBox) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (control.kind == Kind::TextBox && control.maxLength > 0)
    SendMessageW(child, EM_LIMITTEXT, static_cast<WPARAM>(control.maxLength), 0);
  return child;
}

HWND createControl(HWND parent, ControlId id, int dpi, HFONT font) {
  const ControlSpec& c = controlSpec(id);
  DWORD style = c.tabIndex >= 0 ? WS_TABSTOP : 0;
  // A Static sends a double-click (STN_DBLCLK) and takes the mouse, for its tooltip, only with SS_NOTIFY.
  if (isPortIndicator(id)) style |= SS_NOTIFY;
  return createChild(parent, {c.kind, c.rect, c.caption, childId(id), style, c.maxLength}, dpi, font);
}

void placeChild(HWND control, const TwipRect& rect, int dpi) {
  const PixelRect r = toPixels(rect, dpi);
  SetWindowPos(control, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

int controlOf(HWND parent, HWND child) {
  if (!child || GetParent(child) != parent) return -1;
  const int id = GetDlgCtrlID(child) - childId(0);
  if (id < 0 || id >= static_cast<int>(kControls.size())) return -1;
  return id;
}

}  // namespace dorvan::win32
