// The least a Win32 program with a clock can do: a message box, then one window
// with one static control updated by a 100 ms timer.
#include <windows.h>

#include <cwchar>

namespace {

HWND g_label = nullptr;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER: {
      SYSTEMTIME st;
      GetLocalTime(&st);
      wchar_t text[16];
      std::swprintf(text, 16, L"%02u:%02u:%02u", st.wHour, st.wMinute, st.wSecond);
      SetWindowTextW(g_label, text);
      return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"BASELINE";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, L"BASELINE", L"BASELINE", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                              CW_USEDEFAULT, 1000, 660, nullptr, nullptr, instance, nullptr);
  g_label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 8, 8, 200, 24, hwnd, nullptr, instance, nullptr);
  SetTimer(hwnd, 1, 100, nullptr);
  MessageBoxW(hwnd, L"BASELINE PROMPT", L"BASELINE", MB_OK);
  ShowWindow(hwnd, show);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
