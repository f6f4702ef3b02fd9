#include "ui.h"

#include <algorithm>
#include <map>

#include "app/win32/win32_names.h"

namespace wine_test {

bool waitUntil(const std::function<bool()>& condition, DWORD ms, DWORD stepMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= ms) return false;
    Sleep(stepMs);
  }
}

LRESULT sendTo(HWND h, UINT msg, WPARAM wp, LPARAM lp, DWORD timeoutMs) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(h, msg, wp, lp, SMTO_NORMAL, timeoutMs, &result)) return 0;
  return static_cast<LRESULT>(result);
}

std::wstring textOf(HWND h) {
  // WM_GETTEXT rather than GetWindowText, which does not ask controls of other processes.
  const auto length = static_cast<std::size_t>(sendTo(h, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  const auto got = static_cast<std::size_t>(
      sendTo(h, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data())));
  text.resize(std::min(got, length));
  return text;
}

std::wstring classOf(HWND h) {
  wchar_t cls[256] = L"";
  GetClassNameW(h, cls, 256);
  return cls;
}

LONG styleOf(HWND h) { return GetWindowLongW(h, GWL_STYLE); }
LONG exStyleOf(HWND h) { return GetWindowLongW(h, GWL_EXSTYLE); }

RECT rectIn(HWND h, HWND parent) {
  RECT r{};
  GetWindowRect(h, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

RECT screenRectOf(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return r;
}

std::string describe(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
         std::to_string(r.bottom - r.top) + ")";
}

HWND controlWindow(HWND main, dorvan::ControlId id) { return GetDlgItem(main, dorvan::win32::childId(id)); }
HWND controlWindow(HWND main, std::string_view name) { return controlWindow(main, dorvan::controlId(name)); }

HWND focusOf(HWND main) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

void pressKey(HWND target, UINT vk) {
  const auto scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(target, WM_KEYDOWN, vk, scan | 1);
  PostMessageW(target, WM_KEYUP, vk, scan | 1 | (LPARAM{1} << 30) | static_cast<LPARAM>(0x80000000u));
}

void mouseOn(HWND control, std::initializer_list<DWORD> buttons) {
  const RECT r = screenRectOf(control);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  for (DWORD flags : buttons) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    in.mi.dx = flags == MOUSEEVENTF_MOVE ? 1 : 0;
    SendInput(1, &in, sizeof in);
  }
}

void typeInto(HWND edit, const std::wstring& text) {
  sendTo(edit, EM_SETSEL, 0, -1);
  sendTo(edit, WM_CHAR, VK_BACK, 1);
  for (wchar_t ch : text) sendTo(edit, WM_CHAR, static_cast<WPARAM>(ch), 1);
}

void clickAndWait(HWND button) { sendTo(button, BM_CLICK, 0, 0, 10000); }
void postClick(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

Pixels captureScreen(const RECT& r) {
  Pixels out;
  out.width = std::max(0L, r.right - r.left);
  out.height = std::max(0L, r.bottom - r.top);
  if (out.width == 0 || out.height == 0) return out;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = out.width;
  bi.bmiHeader.biHeight = -out.height;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, dib);
  BitBlt(mem, 0, 0, out.width, out.height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const auto* px = static_cast<const std::uint32_t*>(bits);
  out.colors.resize(static_cast<std::size_t>(out.width) * out.height);
  for (std::size_t i = 0; i < out.colors.size(); ++i) {
    const std::uint32_t v = px[i] & 0xFFFFFFu;  // 0x00RRGGBB in memory order B,G,R
    out.colors[i] = ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
  }
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return out;
}

dorvan::Color dominantColor(HWND h, int inset) {
  RECT r = screenRectOf(h);
  InflateRect(&r, -inset, -inset);
  const Pixels p = captureScreen(r);
  std::map<dorvan::Color, int> counts;
  for (dorvan::Color c : p.colors) ++counts[c];
  dorvan::Color best = 0;
  int bestCount = -1;
  for (const auto& [c, n] : counts)
    if (n > bestCount) best = c, bestCount = n;
  return best;
}

std::string colorName(dorvan::Color c) {
  switch (c) {
    case dorvan::kRed: return "red";
    case dorvan::kBlue: return "blue";
    case dorvan::kGreen: return "green";
    default: break;
  }
  char buf[16];
  wsprintfA(buf, "0x%06X", static_cast<unsigned>(c));
  return buf;
}

bool loadBitmapFile(const std::wstring& path, Pixels& out) {
  HBITMAP bmp = static_cast<HBITMAP>(
      LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (bmp == nullptr) return false;
  BITMAP info{};
  GetObjectW(bmp, sizeof info, &info);
  out.width = info.bmWidth;
  out.height = std::abs(info.bmHeight);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = out.width;
  bi.bmiHeader.biHeight = -out.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint32_t> raw(static_cast<std::size_t>(out.width) * out.height);
  HDC screen = GetDC(nullptr);
  const int lines = GetDIBits(screen, bmp, 0, static_cast<UINT>(out.height), raw.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(bmp);
  if (lines != out.height) return false;
  out.colors.resize(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const std::uint32_t v = raw[i] & 0xFFFFFFu;
    out.colors[i] = ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
  }
  return true;
}

namespace {

std::vector<HWND> childrenOf(HWND parent) {
  std::vector<HWND> out;
  for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  return out;
}

bool isIconStatic(HWND h) {
  return lstrcmpiW(classOf(h).c_str(), L"Static") == 0 && (styleOf(h) & SS_TYPEMASK) == SS_ICON;
}

}  // namespace

std::wstring messageBoxText(HWND box) {
  std::wstring text;
  for (HWND c : childrenOf(box)) {
    if (lstrcmpiW(classOf(c).c_str(), L"Static") != 0 || isIconStatic(c)) continue;
    const std::wstring t = textOf(c);
    if (t.empty()) continue;
    if (!text.empty()) text += L"\n";
    text += t;
  }
  return text;
}

bool messageBoxShowsIcon(HWND box) {
  for (HWND c : childrenOf(box))
    if (isIconStatic(c) && IsWindowVisible(c) && sendTo(c, STM_GETICON, 0, 0) != 0) return true;
  return false;
}

void dismissMessageBox(HWND box) {
  for (HWND c : childrenOf(box))
    if (lstrcmpiW(classOf(c).c_str(), L"Button") == 0) {
      postClick(c);
      return;
    }
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

}  // namespace wine_test
