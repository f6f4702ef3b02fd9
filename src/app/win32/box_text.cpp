#include "app/win32/box_text.h"

#include "base/win32/utf16.h"

namespace dorvan::win32 {
namespace {

// While the letter that made the text too wide was typed the box scrolled, and a
// smaller font does not scroll it back: a text that fits is shown from its first letter.
void scrollToStart(HWND box) {
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  SendMessageW(box, EM_SETSEL, 0, 0);
  SendMessageW(box, EM_SCROLLCARET, 0, 0);
  SendMessageW(box, EM_SETSEL, start, static_cast<LPARAM>(end));
  SendMessageW(box, EM_SCROLLCARET, 0, 0);
}

}  // namespace

void setBoxText(HWND box, const std::wstring& text) {
  const bool keepCaret = GetFocus() == box;
  DWORD caret = 0;
  if (keepCaret) {
    SendMessageW(box, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    const int removed = GetWindowTextLengthW(box) - static_cast<int>(text.size());
    if (removed > 0) caret = caret > static_cast<DWORD>(removed) ? caret - static_cast<DWORD>(removed) : 0;
  }
  SetWindowTextW(box, text.c_str());
  if (keepCaret) SendMessageW(box, EM_SETSEL, caret, static_cast<LPARAM>(caret));
}

void fitBoxText(HWND box, FormFont& font) {
  const std::wstring text = windowText(box);
  bool fits = true;
  // The margins go with the font: a second pass measures in the room the first one left.
  for (int pass = 0; pass < 2; ++pass) {
    RECT format{};
    SendMessageW(box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    // One pixel stays free for the caret after the last letter.
    HFONT wanted = font.fitting(text, format.right - format.left - 1, fits);
    if (reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)) == wanted) break;
    SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(wanted), TRUE);
  }
  if (fits) scrollToStart(box);
}

}  // namespace dorvan::win32
