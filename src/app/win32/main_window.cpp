#include "app/win32/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "app/win32/box_text.h"
#include "app/win32/child_controls.h"
#include "app/win32/dpi.h"
#include "app/win32/extra_dialog_window.h"
#include "app/win32/owner_draw.h"
#include "app/win32/resource.h"
#include "app/win32/win32_names.h"
#include "base/win32/utf16.h"
#include "scheduler/port_table.h"

namespace dorvan::win32 {
namespace {

// Fixed frame: caption and close box, no minimise or maximise box, no sizing border.
constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kMainExStyle = 0;

// Posted by endProgram so that the window goes only after the handler that asked has returned.
constexpr UINT kEndProgramMessage = WM_APP + 1;
// Posted by showMessageLater, for the same reason.
constexpr UINT kShowLaterMessage = WM_APP + 2;

HICON loadIcon(HINSTANCE instance, int metricX, int metricY) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_DORVAN), IMAGE_ICON, GetSystemMetrics(metricX),
                                       GetSystemMetrics(metricY), LR_DEFAULTCOLOR));
}

RECT workAreaOf(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info)) return info.rcWork;
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance), picture_(storedPicture()) {
  for (std::size_t i = 0; i < kControls.size(); ++i) colors_[i] = kControls[i].back;
}

MainWindow::~MainWindow() {
  core_ = nullptr;
  destroy();
  for (std::size_t i = 0; i < brushes_.size(); ++i) forgetBrush(static_cast<ControlId>(i));
}

bool MainWindow::registerClasses() {
  WNDCLASSEXW owner{};
  owner.cbSize = sizeof owner;
  owner.lpfnWndProc = DefWindowProcW;
  owner.hInstance = instance_;
  owner.lpszClassName = kOwnerClass;
  if (!RegisterClassExW(&owner) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

  WNDCLASSEXW form{};
  form.cbSize = sizeof form;
  form.lpfnWndProc = &MainWindow::windowProc;
  form.hInstance = instance_;
  form.hIcon = loadIcon(instance_, SM_CXICON, SM_CYICON);
  form.hIconSm = loadIcon(instance_, SM_CXSMICON, SM_CYSMICON);
  form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  form.hbrBackground = CreateSolidBrush(static_cast<COLORREF>(kMainWindow.back));
  form.lpszClassName = kMainFormClass;
  return RegisterClassExW(&form) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool MainWindow::create() {
  if (!registerClasses()) return false;
  owner_ = CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_, nullptr);
  if (!owner_) return false;
  const std::wstring caption = widen(kMainWindow.caption);
  // The size is set in WM_CREATE, once the window knows the resolution of its screen.
  main_ = CreateWindowExW(kMainExStyle, kMainFormClass, caption.c_str(), kMainStyle, 0, 0, 0, 0, owner_, nullptr,
                          instance_, this);
  return main_ != nullptr;
}

void MainWindow::show() {
  RECT frame{};
  GetWindowRect(main_, &frame);
  const RECT work = workAreaOf(main_);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  // On a screen smaller than the window the title bar stays reachable.
  const int x = std::max<int>(work.left, work.left + (work.right - work.left - width) / 2);
  const int y = std::max<int>(work.top, work.top + (work.bottom - work.top - height) / 2);
  SetWindowPos(main_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(main_, SW_SHOWNORMAL);
  UpdateWindow(main_);
  lastFocus_ = firstInTabOrder();
  SetFocus(lastFocus_);
}

void MainWindow::destroy() {
  if (main_ && IsWindow(main_)) DestroyWindow(main_);
  main_ = nullptr;
  if (owner_ && IsWindow(owner_)) DestroyWindow(owner_);
  owner_ = nullptr;
}

// ---- FormView ----

void MainWindow::showText(ControlId id, std::string_view utf8) {
  HWND control = controls_[id];
  if (!control) return;
  // The core already holds this text; its echo as EN_CHANGE need not go back.
  const std::wstring text = widen(utf8);
  settingText_ = true;
  if (controlSpec(id).kind == Kind::TextBox)
    setBoxText(control, text);
  else
    SetWindowTextW(control, text.c_str());
  settingText_ = false;
  if (controlSpec(id).kind == Kind::Button) InvalidateRect(control, nullptr, FALSE);
  fitText(id);
}

void MainWindow::showBackColor(ControlId id, Color color) {
  colors_[id] = color;
  forgetBrush(id);
  if (controls_[id]) InvalidateRect(controls_[id], nullptr, TRUE);
}

void MainWindow::showMark(ControlId id, bool marked, std::string_view toolTip) {
  showBackColor(id, marked ? kMarkColor : kSystemColor);
  toolTips_.show(controls_[id], marked ? toolTip : std::string_view{});
}

void MainWindow::showPicture(ControlId id, const Image& image) {
  picture_ = image;
  if (controls_[id]) InvalidateRect(controls_[id], nullptr, FALSE);
}

void MainWindow::showMessage(std::string_view title, std::string_view text, MessageKind kind) {
  const std::wstring wideTitle = widen(title);
  const std::wstring wideText = widen(text);
  UINT type = MB_OK | MB_SETFOREGROUND;
  if (kind == MessageKind::Error) type |= MB_ICONERROR;
  MessageBoxW(main_, wideText.c_str(), wideTitle.c_str(), type);
}

void MainWindow::showMessageLater(std::string_view title, std::string_view text, MessageKind kind) {
  later_.push_back({std::string(title), std::string(text), kind});
  if (main_) PostMessageW(main_, kShowLaterMessage, 0, 0);
}

void MainWindow::endProgram(int exitCode) {
  exitCode_ = exitCode;
  ending_ = true;
  if (main_) PostMessageW(main_, kEndProgramMessage, 0, 0);
}

// ---- window procedure ----

LRESULT CALLBACK MainWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->main_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  return self->handleMessage(message, wParam, lParam);
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: return OnCreate();
    case WM_COMMAND: return OnCommand(wParam, lParam);
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_CONTEXTMENU: return OnContextMenu(reinterpret_cast<HWND>(wParam), lParam);
    case WM_TIMER: return OnTimer(wParam);
    case WM_DRAWITEM: return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLOREDIT: return OnCtlColorEdit(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case DM_GETDEFID: return OnGetDefId();
    case WM_ACTIVATE: return OnActivate(wParam, lParam);
    case WM_SETFOCUS: return OnSetFocus();
    case WM_CLOSE: return OnClose();
    case WM_DESTROY: return OnDestroy();
    case WM_ENDSESSION: return OnEndSession(wParam);
    case WM_DPICHANGED: return OnDpiChanged(wParam, *reinterpret_cast<const RECT*>(lParam));
    case kEndProgramMessage: return OnEndProgram();
    case kShowLaterMessage: return OnShowLater();
    default: return DefWindowProcW(main_, message, wParam, lParam);
  }
}

LRESULT MainWindow::OnCreate() {
  dpi_ = windowDpi(main_);
  sizeForDpi();
  font_.rebuild(dpi_);
  if (!createControls()) return -1;
  toolTips_.create(main_, dpi_);
  addIndicatorTips();
  lastFocus_ = firstInTabOrder();
  // Ticks run from the window's creation on, also while the start-up prompt is open.
  SetTimer(main_, kTimer1Id, kTimerIntervalMs, nullptr);
  return 0;
}

LRESULT MainWindow::OnCommand(WPARAM wParam, LPARAM lParam) {
  HWND from = reinterpret_cast<HWND>(lParam);
  const int id = controlOf(main_, from);
  if (id < 0 || !core_) return 0;
  const auto control = static_cast<ControlId>(id);
  const WORD code = HIWORD(wParam);
  if (controlSpec(control).kind == Kind::Button && code == BN_CLICKED) core_->click(control);
  if (controlSpec(control).kind == Kind::TextBox && code == EN_CHANGE && !settingText_) {
    core_->form().acceptTyped(control, narrow(windowText(from)));
    fitText(control);
  }
  if (isPortIndicator(control) && code == STN_DBLCLK) core_->doubleClick(control);
  return 0;
}

// An indicator's tooltip is about to show: its text is asked of the core now, not kept up on every tick.
LRESULT MainWindow::OnNotify(NMHDR& header) {
  if (header.hwndFrom != toolTips_.handle() || header.code != TTN_GETDISPINFOW || !core_) return 0;
  auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
  const int id = controlOf(main_, reinterpret_cast<HWND>(header.idFrom));
  tipText_ = id < 0 ? std::wstring() : widen(core_->indicatorToolTip(static_cast<ControlId>(id)));
  info.lpszText = tipText_.data();
  return 0;
}

// A right-click on a port's indicator opens the dialog of the port's extra windows.
LRESULT MainWindow::OnContextMenu(HWND from, LPARAM where) {
  const int id = controlOf(main_, from);
  const PortControls* port = id < 0 ? nullptr : portWithIndicator(static_cast<ControlId>(id));
  if (!port) return DefWindowProcW(main_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(from), where);
  if (core_ && !ending_ && !editExtraWindows(main_, *core_, port->port)) core_->reportProblem(kExtraDialogFailed);
  return 0;
}

LRESULT MainWindow::OnTimer(WPARAM timerId) {
  if (timerId == kTimer1Id && core_ && !ending_) core_->Timer1_Timer();
  return 0;
}

LRESULT MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
  const int id = controlOf(main_, item.hwndItem);
  if (id < 0) return FALSE;
  const auto control = static_cast<ControlId>(id);
  if (controlSpec(control).kind == Kind::Button) drawButton(item, colors_[control]);
  if (controlSpec(control).kind == Kind::PictureBox) drawPicture(item, picture_);
  return TRUE;
}

LRESULT MainWindow::OnCtlColorStatic(HDC dc, HWND control) {
  const int id = controlOf(main_, control);
  if (id < 0)
    return DefWindowProcW(main_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  const auto cid = static_cast<ControlId>(id);
  SetBkColor(dc, colorRef(colors_[cid], COLOR_BTNFACE));
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  return reinterpret_cast<LRESULT>(brushFor(cid));
}

// A box shows its usual background unless it is marked.
LRESULT MainWindow::OnCtlColorEdit(HDC dc, HWND control) {
  const int id = controlOf(main_, control);
  if (id < 0 || colors_[static_cast<ControlId>(id)] == kSystemColor)
    return DefWindowProcW(main_, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  const auto cid = static_cast<ControlId>(id);
  SetBkColor(dc, static_cast<COLORREF>(colors_[cid]));
  return reinterpret_cast<LRESULT>(brushFor(cid));
}

// Enter presses the focused button, as in a dialog; in a box it does nothing.
LRESULT MainWindow::OnGetDefId() {
  const int id = controlOf(main_, GetFocus());
  if (id >= 0 && controlSpec(static_cast<ControlId>(id)).kind == Kind::Button)
    return MAKELRESULT(childId(static_cast<ControlId>(id)), DC_HASDEFID);
  return 0;
}

// The focus comes back to the control that had it when the window was left.
LRESULT MainWindow::OnActivate(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (controlOf(main_, focus) >= 0) lastFocus_ = focus;
  }
  return DefWindowProcW(main_, WM_ACTIVATE, wParam, lParam);
}

LRESULT MainWindow::OnSetFocus() {
  if (lastFocus_ && IsWindow(lastFocus_)) SetFocus(lastFocus_);
  return 0;
}

LRESULT MainWindow::OnClose() {
  std::int16_t cancel = 0;
  if (core_) core_->Form_Unload(cancel);
  if (cancel == 0) DestroyWindow(main_);
  return 0;
}

LRESULT MainWindow::OnDestroy() {
  KillTimer(main_, kTimer1Id);
  // However the window goes, the board library is not left posting to a window that is gone.
  if (core_ && core_->hidLink().isOpen()) core_->hidLink().CloseHidLink();
  PostQuitMessage(exitCode_);
  return 0;
}

// The session ends: the board link is closed and the journal told, as on a close, and
// the process ends here. A message box may be open (the start-up prompt, say): its own
// loop dispatched this, and nothing that waits behind it may run on after the journal
// says the program has ended.
LRESULT MainWindow::OnEndSession(WPARAM ending) {
  if (!ending) return 0;
  if (core_) {
    std::int16_t cancel = 0;
    core_->Form_Unload(cancel);
  }
  ExitProcess(static_cast<UINT>(exitCode_));
}

LRESULT MainWindow::OnDpiChanged(WPARAM wParam, const RECT& suggested) {
  dpi_ = HIWORD(wParam);
  FormFont fresh;
  fresh.rebuild(dpi_);
  font_.swap(fresh);
  toolTips_.setDpi(dpi_);
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (!controls_[i]) continue;
    placeControl(controls_[i], static_cast<ControlId>(i), dpi_);
    if (controlSpec(static_cast<ControlId>(i)).kind != Kind::PictureBox)
      SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font_.handle()), FALSE);
    fitText(static_cast<ControlId>(i));
  }
  const SIZE frame =
      frameSizeForClient(kMainWindow.clientWidth, kMainWindow.clientHeight, kMainStyle, kMainExStyle, dpi_);
  SetWindowPos(main_, nullptr, suggested.left, suggested.top, frame.cx, frame.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(main_, nullptr, TRUE);
  return 0;
}

LRESULT MainWindow::OnEndProgram() {
  DestroyWindow(main_);
  return 0;
}

LRESULT MainWindow::OnShowLater() {
  if (later_.empty()) return 0;
  const LaterMessage m = later_.front();
  later_.pop_front();
  showMessage(m.title, m.text, m.kind);
  return 0;
}

// ---- helpers ----

void MainWindow::fitText(ControlId id) {
  if (controls_[id] && controlSpec(id).kind == Kind::TextBox) fitBoxText(controls_[id], font_);
}

void MainWindow::sizeForDpi() {
  const SIZE frame =
      frameSizeForClient(kMainWindow.clientWidth, kMainWindow.clientHeight, kMainStyle, kMainExStyle, dpi_);
  SetWindowPos(main_, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Each new child goes beneath the ones before it, so the creation order is both the
// Tab order and the stacking that keeps labels under the boxes they touch.
bool MainWindow::createControls() {
  for (ControlId id : creationOrder()) {
    controls_[id] = createControl(main_, id, dpi_, font_.handle());
    if (!controls_[id]) return false;
  }
  return true;
}

// The indicators' tooltips ask for their text when they show: what a port did last and
// does next is computed then, not on every tick.
void MainWindow::addIndicatorTips() {
  for (std::size_t i = 0; i < controls_.size(); ++i)
    if (isPortIndicator(static_cast<ControlId>(i))) toolTips_.ask(controls_[i]);
}

HBRUSH MainWindow::brushFor(ControlId id) {
  if (colors_[id] == kSystemColor) return GetSysColorBrush(COLOR_BTNFACE);
  if (!brushes_[id]) brushes_[id] = CreateSolidBrush(static_cast<COLORREF>(colors_[id]));
  return brushes_[id];
}

void MainWindow::forgetBrush(ControlId id) {
  if (brushes_[id]) DeleteObject(brushes_[id]);
  brushes_[id] = nullptr;
}

HWND MainWindow::firstInTabOrder() const {
  for (std::size_t i = 0; i < kControls.size(); ++i)
    if (kControls[i].tabIndex == 0) return controls_[i];
  return nullptr;
}

}  // namespace dorvan::win32
