// The one window, FrmAdjuntar: creates the controls from the layout table,
// wires them to the form logic and forwards their events.
#pragma once

#include <memory>
#include <optional>

#include "app/frm_adjuntar.h"
#include "app/win32/win32_controls.h"
#include "common/win32/handles.h"
#include "common/win32/windows_api.h"
#include "connection/win32/ado_com_client.h"
#include "files/win32/listview_grid.h"
#include "files/win32/open_file_dialog.h"
#include "registry/win32/win32_registry.h"

namespace quorvel::app::win32 {

class MainWindow {
 public:
  // Creates the window and its controls, hidden; nullptr if that fails.
  static std::unique_ptr<MainWindow> Create(HINSTANCE instance);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  HWND Handle() const { return window_; }
  // The window's load event, then the grid's tooltip: runs before the window
  // is first shown.
  void Load();
  // The message loop's step for a queued message: Tab and Shift+Tab move the
  // focus as in a dialog, Enter and Esc press nothing. False when the message
  // is not for this window; the loop then dispatches it itself.
  bool HandleDialogMessage(MSG& message);

 private:
  MainWindow() = default;
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam,
                                    LPARAM lparam);
  bool CreateControls(HINSTANCE instance);
  void CreateTooltip(HINSTANCE instance);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void OnCommand(int id, int code, HWND control);
  LRESULT OnNotify(const NMHDR& header);
  void OnGridKey(WORD key);
  bool OnSetCursor();
  void OnActivate(bool active);
  LRESULT OnSysCommand(WPARAM command, LPARAM lparam);
  void OnClose();
  void FocusFirstControl();
  // A control disabled while it had the focus hands it on, as in a dialog.
  void KeepFocusAfter(HWND control);
  void KeepNoDefaultButton();

  HWND window_ = nullptr;
  HWND tooltip_ = nullptr;
  HWND saved_focus_ = nullptr;
  int dpi_x_ = 96;
  int dpi_y_ = 96;
  GdiObject<HFONT> font_;

  std::optional<Win32Window> form_window_;
  std::optional<Win32ComboBox> combo1_;
  std::optional<Win32Button> command1_;
  std::optional<Win32Button> command2_;
  std::optional<Win32Button> command3_;
  std::optional<Win32Button> command4_;
  std::optional<Win32Label> label3_;
  std::optional<Win32MessageBoxes> messages_;
  std::optional<files::win32::ListViewGrid> grid_;
  files::win32::OpenFileDialog file_dialog_;
  registry::win32::Win32Registry registry_;
  connection::win32::AdoComClient ado_;
  std::unique_ptr<FrmAdjuntar> form_;
};

}  // namespace quorvel::app::win32
