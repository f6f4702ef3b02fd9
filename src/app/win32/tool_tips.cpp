#include "app/win32/tool_tips.h"

#include <commctrl.h>

#include <string>

#include "base/win32/utf16.h"

namespace dorvan::win32 {
namespace {

// Tooltips are a sentence or two: wrapped at this width (pixels at 96 DPI).
constexpr int kTipWidth = 420;

TOOLINFOW toolFor(HWND owner, HWND control) {
  TOOLINFOW tool{};
  // The version-5 size: the one every common-controls library takes, manifest or not.
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = owner;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  return tool;
}

}  // namespace

void ToolTips::create(HWND owner, int dpi) {
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
  InitCommonControlsEx(&classes);
  owner_ = owner;
  tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                          reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)), nullptr);
  if (!tips_) return;
  setDpi(dpi);
  // Long enough to read the whole sentence.
  SendMessageW(tips_, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
}

void ToolTips::setDpi(int dpi) {
  if (tips_) SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, MulDiv(kTipWidth, dpi, 96));
}

void ToolTips::show(HWND control, std::string_view utf8) {
  if (!tips_ || !control) return;
  std::wstring text = widen(utf8);
  TOOLINFOW tool = toolFor(owner_, control);
  SendMessageW(tips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  if (!text.empty()) add(control, text.data());
}

void ToolTips::ask(HWND control) {
  if (tips_ && control) add(control, LPSTR_TEXTCALLBACKW);
}

void ToolTips::add(HWND control, wchar_t* text) {
  TOOLINFOW tool = toolFor(owner_, control);
  tool.lpszText = text;
  SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace dorvan::win32
