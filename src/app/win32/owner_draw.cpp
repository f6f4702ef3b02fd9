#include "app/win32/owner_draw.h"

#include "base/win32/utf16.h"

#include <algorithm>
#include <string>

namespace dorvan::win32 {
namespace {

void fill(HDC dc, RECT r, COLORREF color) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  SetBkColor(dc, color);
  // ExtTextOut with ETO_OPAQUE fills without making a brush.
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void drawCaption(HDC dc, HWND button, RECT r, bool pressed, bool disabled) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0));
  HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  if (pressed) OffsetRect(&r, 1, 1);
  const std::wstring caption = windowText(button);
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &r,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (oldFont) SelectObject(dc, oldFont);
}

}  // namespace

COLORREF colorRef(Color color, int systemColorIndex) {
  return color == kSystemColor ? GetSysColor(systemColorIndex) : static_cast<COLORREF>(color);
}

void drawButton(const DRAWITEMSTRUCT& item, Color back) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  fill(dc, r, colorRef(back, COLOR_BTNFACE));
  DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
  drawCaption(dc, item.hwndItem, r, pressed, (item.itemState & ODS_DISABLED) != 0);
  // Space presses the focused button, so the focus is always shown, also before the first key.
  if (item.itemState & ODS_FOCUS) {
    RECT focus = r;
    InflateRect(&focus, -2, -2);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &focus);
  }
}

void drawPicture(const DRAWITEMSTRUCT& item, const Image& image) {
  HDC dc = item.hDC;
  const RECT box = item.rcItem;
  const bool drawable = image.width > 0 && image.height > 0 &&
                        image.pixels.size() == static_cast<std::size_t>(image.width) * image.height;
  const LONG shownWidth = drawable ? std::min<LONG>(image.width, box.right) : 0;
  const LONG shownHeight = drawable ? std::min<LONG>(image.height, box.bottom) : 0;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  fill(dc, RECT{box.left + shownWidth, box.top, box.right, box.bottom}, face);
  fill(dc, RECT{box.left, box.top + shownHeight, box.left + shownWidth, box.bottom}, face);
  if (!drawable) return;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top-down rows, as Image holds them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  // 0x00RRGGBB in memory is the B, G, R, unused byte order of a 32-bit DIB.
  StretchDIBits(dc, box.left, box.top, image.width, image.height, 0, 0, image.width, image.height, image.pixels.data(),
                &info, DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace dorvan::win32
