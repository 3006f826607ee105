// The open-file dialog adapter, shown for real in this process and worked
// from a second thread the way a user would: browse, type names, confirm or
// cancel.
#include "files/win32/open_file_dialog.h"

#include "common/win32/windows_api.h"
// The headers below need the base types above.
#include <dlgs.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "files/file_selection.h"
#include "tests/e2e/file_dialog_driver.h"
#include "tests/e2e/process.h"
#include "tests/support/support.h"

namespace quorvel::files::win32 {
namespace {

using files::ChosenPaths;
using files::kInitialResultSize;
using files::kOpenFileFlags;
using files::SplitAtNul;

constexpr char16_t kTitle[] = u"Seleccionar ficheros";
constexpr int kWaitMs = e2e::FileDialog::kWaitMs;

// What the driver thread saw; checked on the test thread afterwards.
struct DriverLog {
  bool found = false;
  std::vector<std::string> problems;
};

// Works the dialog it finds on `thread`, then makes sure it goes.
void Drive(DWORD thread, DriverLog& log,
           const std::function<void(const e2e::FileDialog&)>& steps) {
  const auto shown = e2e::FileDialog::Wait(thread, kWaitMs);
  log.found = shown.has_value();
  if (!shown) {
    log.problems.push_back("dialog never appeared");
    return;
  }
  steps(*shown);
  // Whatever the steps did, the dialog must not outlive the test.
  if (!shown->WaitClosed(kWaitMs)) {
    log.problems.push_back("dialog still open after the steps");
    shown->Press(IDCANCEL);
  }
}

// Shows the dialog on this thread while `steps` work it from another.
PendingError ShowWorked(
    OpenFileDialog& dialog, DriverLog& log,
    const std::function<void(const e2e::FileDialog&)>& steps) {
  std::thread driver(Drive, GetCurrentThreadId(), std::ref(log), steps);
  const PendingError error = dialog.ShowOpen();
  driver.join();
  return error;
}

void Configure(OpenFileDialog& dialog) {
  dialog.SetDialogTitle(kTitle);
  dialog.SetCancelError(true);
  dialog.SetFilter(u"*.mdf|*.mdf");
  dialog.SetFilterIndex(0);
  dialog.SetFlags(kOpenFileFlags);
  dialog.SetMaxFileSize(kInitialResultSize);
}

std::vector<std::wstring> Pieces(const Text& text) {
  std::vector<std::wstring> pieces;
  for (const Text& piece : SplitAtNul(text)) pieces.push_back(e2e::Wide(piece));
  return pieces;
}

TEST(OpenFileDialogTest, ShowsTheSettingsAndReturnsOneTypedPath) {
  e2e::ScratchFolder folder;
  folder.Add(L"sales.mdf");
  const std::wstring path = folder.path() + L"\\sales.mdf";
  OpenFileDialog dialog;
  Configure(dialog);
  DriverLog log;
  std::wstring title;
  std::vector<std::wstring> filter_shown;
  bool read_only_box_visible = true;
  const PendingError error =
      ShowWorked(dialog, log, [&](const e2e::FileDialog& d) {
        title = e2e::WindowText(d.hwnd());
        const HWND filters = GetDlgItem(d.hwnd(), cmb1);
        const std::vector<std::wstring> items = e2e::ComboItems(filters);
        const auto index = static_cast<size_t>(e2e::ComboSelection(filters));
        if (index < items.size()) filter_shown.push_back(items[index]);
        const HWND read_only = GetDlgItem(d.hwnd(), chx1);
        read_only_box_visible = read_only != nullptr && e2e::Visible(read_only);
        d.Confirm(path);
      });
  ASSERT_TRUE(log.found);
  EXPECT_TRUE(log.problems.empty()) << log.problems.front();
  EXPECT_EQ(title, L"Seleccionar ficheros");
  EXPECT_EQ(filter_shown, std::vector<std::wstring>{L"*.mdf"});
  EXPECT_FALSE(read_only_box_visible);
  EXPECT_EQ(error.number, 0);
  EXPECT_EQ(e2e::Wide(dialog.FileName()), path);
}

TEST(OpenFileDialogTest, SeveralNamesComeBackAsFolderThenNames) {
  e2e::ScratchFolder folder;
  for (const wchar_t* name : {L"a.mdf", L"b.mdf", L"c.mdf"}) folder.Add(name);
  OpenFileDialog dialog;
  Configure(dialog);
  DriverLog log;
  const PendingError error =
      ShowWorked(dialog, log, [&](const e2e::FileDialog& d) {
        if (!d.Open(folder.path()))
          log.problems.push_back("could not open the folder");
        d.Confirm(L"\"a.mdf\" \"b.mdf\" \"c.mdf\"");
      });
  ASSERT_TRUE(log.found);
  EXPECT_TRUE(log.problems.empty()) << log.problems.front();
  EXPECT_EQ(error.number, 0);
  const std::vector<std::wstring> pieces = Pieces(dialog.FileName());
  ASSERT_EQ(pieces.size(), 4u) << e2e::Wide(dialog.FileName());
  EXPECT_TRUE(e2e::SameText(pieces[0], folder.path()));
  EXPECT_EQ(std::vector<std::wstring>(pieces.begin() + 1, pieces.end()),
            (std::vector<std::wstring>{L"a.mdf", L"b.mdf", L"c.mdf"}));
  EXPECT_NE(dialog.FileName().back(), u'\0');
}

// How often the thread still has to leave its COM apartment to be in none;
// it is in none afterwards.
int LeaveApartment() {
  int left = 0;
  HRESULT joined = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  for (; joined == RPC_E_CHANGED_MODE && left < 100; ++left) {
    CoUninitialize();
    joined = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  }
  if (SUCCEEDED(joined)) CoUninitialize();
  return left;
}

TEST(OpenFileDialogTest, CancelIsAnErrorOnlyWhenAskedAndClearsTheLastResult) {
  // In an apartment already, as after connecting: each dialog joins it again
  // and must leave it as often.
  LeaveApartment();
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  e2e::ScratchFolder folder;
  folder.Add(L"first.mdf");
  OpenFileDialog dialog;
  Configure(dialog);
  DriverLog log;
  ShowWorked(dialog, log, [&](const e2e::FileDialog& d) {
    d.Confirm(folder.path() + L"\\first.mdf");
  });
  ASSERT_FALSE(dialog.FileName().empty());

  const PendingError cancelled = ShowWorked(
      dialog, log, [](const e2e::FileDialog& d) { d.Press(IDCANCEL); });
  ASSERT_TRUE(log.found);
  EXPECT_EQ(cancelled.number, kDialogCancelled);
  EXPECT_EQ(cancelled.description, Text(u"Cancel was selected."));
  EXPECT_TRUE(dialog.FileName().empty());

  dialog.SetCancelError(false);
  const PendingError silent = ShowWorked(
      dialog, log, [](const e2e::FileDialog& d) { d.Press(IDCANCEL); });
  ASSERT_TRUE(log.found);
  EXPECT_EQ(silent.number, 0);
  EXPECT_TRUE(silent.description.empty());
  EXPECT_TRUE(dialog.FileName().empty());

  CoUninitialize();
  // Wine's item dialog joins the apartment once more each time it is shown
  // and never leaves: three dialogs, three joins that are not ours.
  EXPECT_EQ(LeaveApartment(), e2e::RunningOnWine() ? 3 : 0);
}

// Names long enough that 800 of them need far more than 32000 characters.
std::wstring LongName(int i) {
  return L"database-with-a-rather-long-file-name-number-" + std::to_wstring(i) +
         L".mdf";
}

TEST(OpenFileDialogTest, HundredsOfTypedNamesAndAFullPathComeBackWhole) {
  constexpr int kNames = 800;
  e2e::ScratchFolder folder;
  folder.Add(L"shown.mdf");  // something for the list to show
  e2e::ScratchFolder elsewhere;
  const std::wstring full_path = elsewhere.Path(L"x.mdf");
  std::wstring typed = L"\"" + full_path + L"\" ";
  for (int i = 0; i < kNames; ++i) typed += L"\"" + LongName(i) + L"\" ";
  ASSERT_GT(typed.size(), static_cast<std::size_t>(kInitialResultSize));

  OpenFileDialog dialog;
  Configure(dialog);
  dialog.SetMaxFileSize(64);  // no buffer to outgrow
  DriverLog log;
  const PendingError error =
      ShowWorked(dialog, log, [&](const e2e::FileDialog& d) {
        if (!d.Open(folder.path()))
          log.problems.push_back("could not open the folder");
        d.Confirm(typed);
      });
  ASSERT_TRUE(log.found);
  EXPECT_TRUE(log.problems.empty()) << log.problems.front();
  EXPECT_EQ(error.number, 0) << e2e::Wide(error.description);
  // None of the names exists: nothing checks them. In the order typed, the
  // full path as it is.
  const std::vector<std::wstring> pieces = Pieces(dialog.FileName());
  ASSERT_EQ(pieces.size(), static_cast<std::size_t>(kNames) + 2);
  EXPECT_TRUE(e2e::SameText(pieces[0], folder.path()));
  EXPECT_EQ(pieces[1], full_path);
  for (int i = 0; i < kNames; ++i) {
    ASSERT_EQ(pieces[static_cast<std::size_t>(i) + 2], LongName(i)) << i;
  }
  const std::vector<Text> paths = ChosenPaths(dialog.FileName());
  ASSERT_EQ(paths.size(), static_cast<std::size_t>(kNames) + 1);
  EXPECT_EQ(e2e::Wide(paths[0]), full_path);
  EXPECT_EQ(e2e::Wide(paths[1]), pieces[0] + L"\\" + LongName(0));
}

TEST(OpenFileDialogTest, AFailureCarriesItsNumberAndAText) {
  // A window that has gone away cannot own the dialog.
  HWND gone = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr,
                              nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  OpenFileDialog dialog;
  Configure(dialog);
  dialog.SetOwner(gone);
  const PendingError orphan = dialog.ShowOpen();
  EXPECT_EQ(
      orphan.number,
      static_cast<int32_t>(HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE)));
  EXPECT_FALSE(orphan.description.empty());
  EXPECT_TRUE(dialog.FileName().empty());
}

}  // namespace
}  // namespace quorvel::files::win32
