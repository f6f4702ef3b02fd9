// The main window as a real Win32 window: the owner that keeps it out of the
// taskbar, the window itself with one child window per control, Timer1, and the
// FormView the core draws through.
#pragma once

#include <windows.h>

#include <array>
#include <deque>
#include <string>
#include <string_view>

#include "app/main_form.h"
#include "app/win32/form_font.h"
#include "app/win32/tool_tips.h"
#include "form/form_view.h"
#include "form/picture.h"
#include "form/window_layout.h"

namespace dorvan::win32 {

class MainWindow final : public FormView {
 public:
  explicit MainWindow(HINSTANCE instance);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow() override;

  // The window and all its controls, hidden, with Timer1 already running.
  bool create();
  // From now on clicks, typing, ticks and the close box reach the core.
  void attach(MainForm& core) { core_ = &core; }
  void detach() { core_ = nullptr; }
  // Centred on the work area, with the focus on the first control of the Tab order.
  void show();
  void destroy();

  HWND handle() const { return main_; }
  bool ending() const { return ending_; }
  int exitCode() const { return exitCode_; }

  void showText(ControlId id, std::string_view utf8) override;
  void showBackColor(ControlId id, Color color) override;
  void showMark(ControlId id, bool marked, std::string_view toolTip) override;
  void showPicture(ControlId id, const Image& image) override;
  void showMessage(std::string_view title, std::string_view text, MessageKind kind) override;
  void showMessageLater(std::string_view title, std::string_view text, MessageKind kind) override;
  std::uintptr_t nativeHandle() override { return reinterpret_cast<std::uintptr_t>(main_); }
  void endProgram(int exitCode) override;

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  LRESULT OnCreate();
  LRESULT OnCommand(WPARAM wParam, LPARAM lParam);
  LRESULT OnNotify(NMHDR& header);
  LRESULT OnContextMenu(HWND from, LPARAM where);
  LRESULT OnTimer(WPARAM timerId);
  LRESULT OnDrawItem(const DRAWITEMSTRUCT& item);
  LRESULT OnCtlColorStatic(HDC dc, HWND control);
  LRESULT OnCtlColorEdit(HDC dc, HWND control);
  LRESULT OnGetDefId();
  LRESULT OnActivate(WPARAM wParam, LPARAM lParam);
  LRESULT OnSetFocus();
  LRESULT OnClose();
  LRESULT OnDestroy();
  LRESULT OnEndSession(WPARAM ending);
  LRESULT OnDpiChanged(WPARAM wParam, const RECT& suggested);
  LRESULT OnEndProgram();
  LRESULT OnShowLater();

  bool registerClasses();
  void sizeForDpi();
  bool createControls();
  void fitText(ControlId id);
  void addIndicatorTips();
  HBRUSH brushFor(ControlId id);
  void forgetBrush(ControlId id);
  HWND firstInTabOrder() const;

  HINSTANCE instance_;
  HWND owner_ = nullptr;
  HWND main_ = nullptr;
  MainForm* core_ = nullptr;
  std::array<HWND, kControls.size()> controls_{};
  ToolTips toolTips_;  // the marked boxes' and the indicators' tooltips
  std::array<Color, kControls.size()> colors_{};
  std::array<HBRUSH, kControls.size()> brushes_{};
  Image picture_;
  FormFont font_;
  int dpi_ = 96;
  HWND lastFocus_ = nullptr;
  std::wstring tipText_;  // the shown tooltip's text, which the control reads from here
  struct LaterMessage {
    std::string title;
    std::string text;
    MessageKind kind;
  };
  std::deque<LaterMessage> later_;
  bool settingText_ = false;
  bool ending_ = false;
  int exitCode_ = 0;
};

}  // namespace dorvan::win32
