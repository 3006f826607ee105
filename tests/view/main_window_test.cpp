// The main window in this process, on what the end-to-end suite cannot see
// from outside: the font object and where the focus goes after a click.
// The test prefix registers no SQL Server, so the load ends with no server.
#include "app/win32/main_window.h"

#include <gtest/gtest.h>

#include <memory>

#include "app/win32/control_ids.h"
#include "tests/view/test_window.h"

namespace quorvel::app::win32::testing {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = MainWindow::Create(GetModuleHandleW(nullptr));
    ASSERT_NE(window_, nullptr);
    window_->Load();
    ShowWindow(window_->Handle(), SW_SHOWNORMAL);
    PumpMessages();
  }

  HWND Item(int id) const { return GetDlgItem(window_->Handle(), id); }

  // A key stroke through the program's own loop.
  void Key(WPARAM key) {
    for (UINT message : {UINT{WM_KEYDOWN}, UINT{WM_KEYUP}}) {
      MSG msg{};
      msg.hwnd = GetFocus();
      msg.message = message;
      msg.wParam = key;
      msg.lParam = message == WM_KEYUP ? static_cast<LPARAM>(0xC0000001) : 1;
      if (!window_->HandleDialogMessage(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      PumpMessages();
    }
  }

  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, EveryControlUsesMsSansSerif825) {
  const int height = -MulDiv(825, ScreenDpi(LOGPIXELSY), 7200);
  for (int id = kIdLabel1; id <= kIdLabel3; ++id) {
    SCOPED_TRACE(id);
    auto font =
        reinterpret_cast<HFONT>(SendMessageW(Item(id), WM_GETFONT, 0, 0));
    LOGFONTW log{};
    ASSERT_NE(GetObjectW(font, sizeof(log), &log), 0);
    EXPECT_STREQ(log.lfFaceName, L"MS Sans Serif");
    EXPECT_EQ(log.lfHeight, height);
    EXPECT_EQ(log.lfWeight, FW_NORMAL);
    EXPECT_EQ(log.lfCharSet, 0);
    EXPECT_FALSE(log.lfItalic);
  }
}

TEST_F(MainWindowTest, AButtonDisabledByItsOwnClickHandsTheFocusOn) {
  // "Desconectar", enabled by hand, disables itself when pressed.
  EnableWindow(Item(kIdCommand2), TRUE);
  SetFocus(Item(kIdCommand2));
  Key(VK_RETURN);  // presses nothing
  ASSERT_TRUE(IsWindowEnabled(Item(kIdCommand2)));
  Key(VK_SPACE);
  EXPECT_FALSE(IsWindowEnabled(Item(kIdCommand2)));
  // Next in tab order after "Desconectar" and enabled: the server chooser,
  // the grid and the file buttons being disabled.
  EXPECT_EQ(GetFocus(), Item(kIdCombo1));
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), Item(kIdCommand1));
}

}  // namespace
}  // namespace quorvel::app::win32::testing
