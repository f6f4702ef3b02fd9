#include "app/win32/extra_dialog_window.h"

#include <algorithm>
#include <array>
#include <string>

#include "app/extra_dialog.h"
#include "app/win32/box_text.h"
#include "app/win32/child_controls.h"
#include "app/win32/dpi.h"
#include "app/win32/form_font.h"
#include "app/win32/owner_draw.h"
#include "app/win32/tool_tips.h"
#include "app/win32/win32_names.h"
#include "base/win32/utf16.h"

namespace dorvan::win32 {
namespace {

using extra_dialog_layout::kControlCount;

constexpr int kFirstChildId = dialogChildId(0);

// The index in kExtraDialogControls of a row's control (-1 for the others).
constexpr int indexOf(DialogRole role, int row = -1, WindowBox box = WindowBox::StartDate) {
  for (int i = 0; i < kControlCount; ++i) {
    const DialogControl& c = kExtraDialogControls[i];
    if (c.role == role && c.row == row && (role != DialogRole::Box || c.box == box)) return i;
  }
  return -1;
}

constexpr int kAdd = indexOf(DialogRole::Add);
constexpr int kOk = indexOf(DialogRole::Ok);

// What a dialog template needs when the dialog makes its controls itself: no menu,
// the system's dialog class, and the title set once the dialog exists. It starts on a
// DWORD boundary.
struct alignas(DWORD) EmptyTemplate {
  DLGTEMPLATE head;
  WORD menu;
  WORD windowClass;
  WORD title;
};

class ExtraDialogWindow {
 public:
  ExtraDialogWindow(MainForm& core, int port)
      : core_(core), dialog_(core.form(), port, core.almanac().place().has_value()) {}
  ExtraDialogWindow(const ExtraDialogWindow&) = delete;
  ExtraDialogWindow& operator=(const ExtraDialogWindow&) = delete;
  ~ExtraDialogWindow() {
    if (markBrush_) DeleteObject(markBrush_);
  }

  // IDOK after TAMAM, IDCANCEL after İPTAL, -1 or 0 when the dialog could not be made.
  INT_PTR run(HWND owner);

 private:
  static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  INT_PTR OnInitDialog();
  INT_PTR OnCommand(WPARAM wParam);
  INT_PTR OnDrawItem(const DRAWITEMSTRUCT& item);
  INT_PTR OnCtlColorEdit(HDC dc, HWND control);
  INT_PTR OnGetDefId();
  INT_PTR OnDpiChanged(WPARAM wParam, const RECT& suggested);

  bool createControls();
  void sizeAndCentre();
  void showRows();
  void showMarks(int row);
  void typed(int index);
  void clicked(const DialogControl& button);
  void accept();
  void focusRow(int row);
  int indexOfChild(HWND child) const;
  // A message's result where a dialog procedure cannot simply return it.
  INT_PTR result(LRESULT value);

  MainForm& core_;
  ExtraDialog dialog_;
  HWND window_ = nullptr;
  std::array<HWND, kControlCount> controls_{};
  std::array<bool, kControlCount> marked_{};
  ToolTips toolTips_;
  FormFont font_;
  HBRUSH markBrush_ = nullptr;
  int dpi_ = kBaseDpi;
  bool settingText_ = false;
};

INT_PTR ExtraDialogWindow::run(HWND owner) {
  EmptyTemplate blank{};
  blank.head.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
  return DialogBoxIndirectParamW(instance, &blank.head, owner, &ExtraDialogWindow::dialogProc,
                                 reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ExtraDialogWindow::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<ExtraDialogWindow*>(lParam);
    self->window_ = window;
    SetWindowLongPtrW(window, DWLP_USER, lParam);
  }
  auto* self = reinterpret_cast<ExtraDialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
  return self ? self->handleMessage(message, wParam, lParam) : FALSE;
}

INT_PTR ExtraDialogWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_COMMAND: return OnCommand(wParam);
    case WM_DRAWITEM: return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_CTLCOLOREDIT: return OnCtlColorEdit(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case DM_GETDEFID: return OnGetDefId();
    case WM_DPICHANGED: return OnDpiChanged(wParam, *reinterpret_cast<const RECT*>(lParam));
    default: return FALSE;
  }
}

INT_PTR ExtraDialogWindow::OnInitDialog() {
  SetWindowTextW(window_, widen(dialog_.title()).c_str());
  dpi_ = windowDpi(window_);
  font_.rebuild(dpi_);
  markBrush_ = CreateSolidBrush(static_cast<COLORREF>(kMarkColor));
  if (!createControls() || !markBrush_) {
    EndDialog(window_, -1);
    return FALSE;
  }
  sizeAndCentre();
  toolTips_.create(window_, dpi_);
  showRows();
  focusRow(0);
  return FALSE;  // the focus is set
}

INT_PTR ExtraDialogWindow::OnCommand(WPARAM wParam) {
  const int index = LOWORD(wParam) - kFirstChildId;
  const WORD code = HIWORD(wParam);
  // Escape and the close box send IDCANCEL.
  if (LOWORD(wParam) == IDCANCEL) EndDialog(window_, IDCANCEL);
  if (index < 0 || index >= kControlCount) return TRUE;
  const DialogControl& c = kExtraDialogControls[index];
  if (c.role == DialogRole::Box && code == EN_CHANGE && !settingText_) typed(index);
  if (c.kind == Kind::Button && code == BN_CLICKED) clicked(c);
  return TRUE;
}

void ExtraDialogWindow::clicked(const DialogControl& button) {
  switch (button.role) {
    case DialogRole::Add:
      if (!dialog_.add()) return;
      showRows();
      focusRow(static_cast<int>(dialog_.rows().size()) - 1);
      return;
    case DialogRole::Remove:
      dialog_.remove(button.row);
      showRows();
      focusRow(button.row);
      return;
    case DialogRole::Ok: return accept();
    case DialogRole::Cancel: EndDialog(window_, IDCANCEL); return;
    default: return;
  }
}

INT_PTR ExtraDialogWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (indexOfChild(item.hwndItem) < 0) return FALSE;
  drawButton(item, kSystemColor);
  return TRUE;
}

// A box shows its usual background unless it is marked.
INT_PTR ExtraDialogWindow::OnCtlColorEdit(HDC dc, HWND control) {
  const int index = indexOfChild(control);
  if (index < 0 || !marked_[index]) return FALSE;
  SetBkColor(dc, static_cast<COLORREF>(kMarkColor));
  return reinterpret_cast<INT_PTR>(markBrush_);
}

// Enter presses the focused button; in a box it presses TAMAM.
INT_PTR ExtraDialogWindow::OnGetDefId() {
  const int index = indexOfChild(GetFocus());
  const bool button = index >= 0 && kExtraDialogControls[index].kind == Kind::Button;
  return result(MAKELRESULT(kFirstChildId + (button ? index : kOk), DC_HASDEFID));
}

INT_PTR ExtraDialogWindow::OnDpiChanged(WPARAM wParam, const RECT& suggested) {
  dpi_ = HIWORD(wParam);
  FormFont fresh;
  fresh.rebuild(dpi_);
  font_.swap(fresh);
  toolTips_.setDpi(dpi_);
  for (int i = 0; i < kControlCount; ++i) {
    placeChild(controls_[i], kExtraDialogControls[i].rect, dpi_);
    SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font_.handle()), FALSE);
    if (kExtraDialogControls[i].kind == Kind::TextBox) fitBoxText(controls_[i], font_);
  }
  const SIZE frame = frameSizeForClient(kDialogClientWidth, kDialogClientHeight,
                                        static_cast<DWORD>(GetWindowLongW(window_, GWL_STYLE)),
                                        static_cast<DWORD>(GetWindowLongW(window_, GWL_EXSTYLE)), dpi_);
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, frame.cx, frame.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window_, nullptr, TRUE);
  return TRUE;
}

// In the table's order, which is the Tab order.
bool ExtraDialogWindow::createControls() {
  for (int i = 0; i < kControlCount; ++i) {
    const DialogControl& c = kExtraDialogControls[i];
    const DWORD style = c.kind == Kind::Label ? 0 : WS_TABSTOP;
    controls_[i] =
        createChild(window_, {c.kind, c.rect, c.caption, kFirstChildId + i, style, c.maxLength}, dpi_, font_.handle());
    if (!controls_[i]) return false;
  }
  return true;
}

// Centred on the window that opened it.
void ExtraDialogWindow::sizeAndCentre() {
  const SIZE frame = frameSizeForClient(kDialogClientWidth, kDialogClientHeight,
                                        static_cast<DWORD>(GetWindowLongW(window_, GWL_STYLE)),
                                        static_cast<DWORD>(GetWindowLongW(window_, GWL_EXSTYLE)), dpi_);
  RECT owner{};
  GetWindowRect(GetWindow(window_, GW_OWNER), &owner);
  const int x = std::max<int>(0, owner.left + (owner.right - owner.left - frame.cx) / 2);
  const int y = std::max<int>(0, owner.top + (owner.bottom - owner.top - frame.cy) / 2);
  SetWindowPos(window_, nullptr, x, y, frame.cx, frame.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The rows the dialog holds, with their texts and marks; the rest hidden.
void ExtraDialogWindow::showRows() {
  const int count = static_cast<int>(dialog_.rows().size());
  settingText_ = true;
  for (int i = 0; i < kControlCount; ++i) {
    const DialogControl& c = kExtraDialogControls[i];
    if (c.row < 0) continue;
    ShowWindow(controls_[i], c.row < count ? SW_SHOWNA : SW_HIDE);
    if (c.role == DialogRole::Box && c.row < count) {
      setBoxText(controls_[i], widen(dialog_.text(c.row, c.box)));
      fitBoxText(controls_[i], font_);
    }
  }
  settingText_ = false;
  for (int row = 0; row < kMaxExtraWindows; ++row) showMarks(row);
  EnableWindow(controls_[kAdd], dialog_.canAdd());
}

// Each box of the row coloured and given its tooltip by its fault; a hidden row has none.
void ExtraDialogWindow::showMarks(int row) {
  const bool shown = row < static_cast<int>(dialog_.rows().size());
  const WindowFaults faults = shown ? dialog_.faults(row) : WindowFaults{};
  for (int b = 0; b < kWindowBoxes; ++b) {
    const int i = indexOf(DialogRole::Box, row, static_cast<WindowBox>(b));
    const BoxFault fault = faults.of(static_cast<WindowBox>(b));
    const bool marked = fault != BoxFault::None;
    toolTips_.show(controls_[i], marked ? faultText(fault) : std::string_view{});
    if (marked_[i] == marked) continue;
    marked_[i] = marked;
    InvalidateRect(controls_[i], nullptr, TRUE);
  }
}

// What the box now holds goes to the core; where it refused some of it, the box shows what it kept.
void ExtraDialogWindow::typed(int index) {
  const DialogControl& c = kExtraDialogControls[index];
  HWND box = controls_[index];
  if (dialog_.type(c.row, c.box, narrow(windowText(box)))) {
    settingText_ = true;
    setBoxText(box, widen(dialog_.text(c.row, c.box)));
    settingText_ = false;
  }
  fitBoxText(box, font_);
  showMarks(c.row);
}

// TAMAM. Over windows changed elsewhere while the dialog was open it says so and stays
// open: a second TAMAM writes the rows over them, İPTAL keeps what came.
void ExtraDialogWindow::accept() {
  if (dialog_.accept(core_.form())) {
    EndDialog(window_, IDOK);
    return;
  }
  MessageBoxW(window_, widen(dialog_.changedElsewhere()).c_str(), widen(dialog_.title()).c_str(),
              MB_OK | MB_ICONWARNING);
}

// The focus on the row's first box, on the last row's when the row is gone, on EKLE when none is left.
void ExtraDialogWindow::focusRow(int row) {
  const int count = static_cast<int>(dialog_.rows().size());
  if (row >= count) row = count - 1;
  SetFocus(controls_[row >= 0 ? indexOf(DialogRole::Box, row, WindowBox::StartDate) : kAdd]);
}

int ExtraDialogWindow::indexOfChild(HWND child) const {
  if (!child || GetParent(child) != window_) return -1;
  const int index = GetDlgCtrlID(child) - kFirstChildId;
  return index >= 0 && index < kControlCount ? index : -1;
}

INT_PTR ExtraDialogWindow::result(LRESULT value) {
  SetWindowLongPtrW(window_, DWLP_MSGRESULT, value);
  return TRUE;
}

}  // namespace

bool editExtraWindows(HWND owner, MainForm& core, int port) {
  ExtraDialogWindow dialog(core, port);
  const INT_PTR closed = dialog.run(owner);
  return closed == IDOK || closed == IDCANCEL;
}

}  // namespace dorvan::win32
