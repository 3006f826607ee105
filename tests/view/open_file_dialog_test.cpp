// The open-file dialog adapter, shown for real in this process and worked
// from a second thread the way a user would: type names, pick files in the
// list, confirm or cancel.
#include "files/win32/open_file_dialog.h"

#include <windows.h>
// The dialog headers need the base types above.
#include <cderr.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "files/file_selection.h"
#include "tests/e2e/file_dialog_driver.h"
#include "tests/e2e/harness.h"

namespace quorvel {
namespace {

using files::kInitialResultSize;
using files::kOpenFileFlags;
using files::SplitAtNul;

constexpr char16_t kTitle[] = u"Seleccionar ficheros";
constexpr int kWaitMs = e2e::FileDialog::kWaitMs;

std::wstring W(const Text& text) {
  return std::wstring(reinterpret_cast<const wchar_t*>(text.data()),
                      text.size());
}

// What the driver thread saw; checked on the test thread afterwards.
struct DriverLog {
  bool found = false;
  std::wstring title;
  std::wstring filter_shown;
  bool read_only_box_visible = true;
  std::vector<std::string> problems;
};

HWND FileList(const e2e::FileDialog& dialog) {
  HWND view =
      FindWindowExW(dialog.hwnd(), nullptr, L"SHELLDLL_DefView", nullptr);
  return view != nullptr
             ? FindWindowExW(view, nullptr, L"SysListView32", nullptr)
             : nullptr;
}

// Selects every file the list shows once it shows `count` of them.
bool SelectAll(const e2e::FileDialog& dialog, int count) {
  const auto shown = [&] {
    return SendMessageW(FileList(dialog), LVM_GETITEMCOUNT, 0, 0);
  };
  if (!e2e::WaitFor([&] { return shown() >= count; }, kWaitMs)) {
    return false;
  }
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  item.state = LVIS_SELECTED;
  SendMessageW(FileList(dialog), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(&item));
  return SendMessageW(FileList(dialog), LVM_GETSELECTEDCOUNT, 0, 0) == count;
}

std::wstring FilterShown(const e2e::FileDialog& dialog) {
  HWND combo = GetDlgItem(dialog.hwnd(), cmb1);
  const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (index < 0) {
    return L"<none>";
  }
  wchar_t text[256] = {};
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text));
  return text;
}

bool ReadOnlyBoxVisible(const e2e::FileDialog& dialog) {
  HWND box = GetDlgItem(dialog.hwnd(), chx1);
  return box != nullptr && IsWindowVisible(box);
}

// Works the dialog it finds on `thread`, then makes sure it goes.
void Drive(DWORD thread, DriverLog& log,
           const std::function<void(const e2e::FileDialog&)>& steps) {
  const auto shown = e2e::FileDialog::Wait(thread, kWaitMs);
  log.found = shown.has_value();
  if (!shown) {
    log.problems.push_back("dialog never appeared");
    return;
  }
  log.title = e2e::WindowText(shown->hwnd());
  log.filter_shown = FilterShown(*shown);
  log.read_only_box_visible = ReadOnlyBoxVisible(*shown);
  steps(*shown);
  // Whatever the steps did, the dialog must not outlive the test.
  if (!shown->WaitClosed(kWaitMs)) {
    log.problems.push_back("dialog still open after the steps");
    shown->Press(IDCANCEL);
  }
}

// Moves the dialog into the folder, noting it when it cannot.
void Browse(const e2e::FileDialog& d, const std::wstring& folder,
            DriverLog& log) {
  if (!d.Open(folder)) {
    log.problems.push_back("could not open the folder");
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
  for (const Text& piece : SplitAtNul(text)) {
    pieces.push_back(W(piece));
  }
  return pieces;
}

TEST(OpenFileDialogTest, ShowsTheSettingsAndReturnsOneTypedPath) {
  e2e::ScratchFolder folder;
  folder.Add(L"sales.mdf");
  const std::wstring path = folder.path() + L"\\sales.mdf";
  OpenFileDialog dialog;
  Configure(dialog);
  DriverLog log;
  const PendingError error = ShowWorked(
      dialog, log, [&](const e2e::FileDialog& d) { d.Confirm(path); });
  ASSERT_TRUE(log.found);
  EXPECT_TRUE(log.problems.empty()) << log.problems.front();
  EXPECT_EQ(log.title, L"Seleccionar ficheros");
  EXPECT_EQ(log.filter_shown, L"*.mdf");
  EXPECT_FALSE(log.read_only_box_visible);
  EXPECT_EQ(error.number, 0);
  EXPECT_EQ(W(dialog.FileName()), path);
}

TEST(OpenFileDialogTest, SeveralNamesComeBackAsFolderThenNames) {
  e2e::ScratchFolder folder;
  for (const wchar_t* name : {L"a.mdf", L"b.mdf", L"c.mdf"}) {
    folder.Add(name);
  }
  OpenFileDialog dialog;
  Configure(dialog);
  DriverLog log;
  const PendingError error =
      ShowWorked(dialog, log, [&](const e2e::FileDialog& d) {
        Browse(d, folder.path(), log);
        d.Confirm(L"\"a.mdf\" \"b.mdf\" \"c.mdf\"");
      });
  ASSERT_TRUE(log.found);
  EXPECT_TRUE(log.problems.empty()) << log.problems.front();
  EXPECT_EQ(error.number, 0);
  const std::vector<std::wstring> pieces = Pieces(dialog.FileName());
  ASSERT_EQ(pieces.size(), 4u) << W(dialog.FileName());
  EXPECT_TRUE(e2e::SameText(pieces[0], folder.path()));
  EXPECT_EQ(pieces[1], L"a.mdf");
  EXPECT_EQ(pieces[2], L"b.mdf");
  EXPECT_EQ(pieces[3], L"c.mdf");
  EXPECT_NE(dialog.FileName().back(), u'\0');
}

TEST(OpenFileDialogTest, CancelIsAnErrorOnlyWhenAskedAndClearsTheLastResult) {
  e2e::ScratchFolder folder;
  folder.Add(L"first.mdf");
  OpenFileDialog dialog;
  Configure(dialog);
  DriverLog chosen;
  ShowWorked(dialog, chosen, [&](const e2e::FileDialog& d) {
    d.Confirm(folder.path() + L"\\first.mdf");
  });
  ASSERT_FALSE(dialog.FileName().empty());

  DriverLog raised;
  const PendingError cancelled = ShowWorked(
      dialog, raised, [](const e2e::FileDialog& d) { d.Press(IDCANCEL); });
  ASSERT_TRUE(raised.found);
  EXPECT_EQ(cancelled.number, kDialogCancelled);
  EXPECT_EQ(cancelled.description, Text(u"Cancel was selected."));
  EXPECT_TRUE(dialog.FileName().empty());

  dialog.SetCancelError(false);
  DriverLog quiet;
  const PendingError silent = ShowWorked(
      dialog, quiet, [](const e2e::FileDialog& d) { d.Press(IDCANCEL); });
  ASSERT_TRUE(quiet.found);
  EXPECT_EQ(silent.number, 0);
  EXPECT_TRUE(silent.description.empty());
  EXPECT_TRUE(dialog.FileName().empty());
}

// Names long enough that 800 of them need far more than 32000 characters.
std::wstring LongName(int i) {
  return L"database-with-a-rather-long-file-name-number-" + std::to_wstring(i) +
         L".mdf";
}

TEST(OpenFileDialogTest, SelectionBeyondTheBufferIsReturnedWhole) {
  constexpr int kFiles = 800;
  e2e::ScratchFolder folder;
  std::size_t characters = 0;
  for (int i = 0; i < kFiles; ++i) {
    folder.Add(LongName(i));
    characters += LongName(i).size() + 1;
  }
  ASSERT_EQ(folder.names().size(), static_cast<std::size_t>(kFiles));
  ASSERT_GT(characters, static_cast<std::size_t>(kInitialResultSize));

  OpenFileDialog dialog;
  Configure(dialog);
  DriverLog log;
  const PendingError error =
      ShowWorked(dialog, log, [&](const e2e::FileDialog& d) {
        Browse(d, folder.path(), log);
        if (!SelectAll(d, kFiles)) {
          log.problems.push_back("could not select every file");
        }
        d.Press(IDOK);
      });
  ASSERT_TRUE(log.found);
  EXPECT_TRUE(log.problems.empty()) << log.problems.front();
  EXPECT_EQ(error.number, 0) << W(error.description);
  std::vector<std::wstring> pieces = Pieces(dialog.FileName());
  ASSERT_EQ(pieces.size(), static_cast<std::size_t>(kFiles) + 1);
  std::vector<std::wstring> names(pieces.begin() + 1, pieces.end());
  std::vector<std::wstring> expected = folder.names();
  std::sort(names.begin(), names.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
  EXPECT_GT(dialog.LastBufferSize(), characters);
}

TEST(OpenFileDialogTest, TypedNamesBeyondATinyBufferAreReturnedWhole) {
  e2e::ScratchFolder folder;
  std::wstring typed;
  for (int i = 0; i < 40; ++i) {
    folder.Add(LongName(i));
    typed += L"\"" + LongName(i) + L"\" ";
  }
  OpenFileDialog dialog;
  Configure(dialog);
  dialog.SetMaxFileSize(64);  // not even the folder fits at first
  DriverLog log;
  const PendingError error =
      ShowWorked(dialog, log, [&](const e2e::FileDialog& d) {
        Browse(d, folder.path(), log);
        d.Confirm(typed);
      });
  ASSERT_TRUE(log.found);
  EXPECT_TRUE(log.problems.empty()) << log.problems.front();
  EXPECT_EQ(error.number, 0) << W(error.description);
  const std::vector<std::wstring> pieces = Pieces(dialog.FileName());
  ASSERT_EQ(pieces.size(), 41u);
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(pieces[static_cast<std::size_t>(i) + 1], LongName(i));
  }
}

TEST(OpenFileDialogTest, FailuresCarryANumberAndAText) {
  OpenFileDialog dialog;
  Configure(dialog);

  // A window that has gone away cannot own the dialog.
  HWND gone = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr,
                              nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  dialog.SetOwner(gone);
  const PendingError orphan = dialog.ShowOpen();
  EXPECT_EQ(orphan.number, static_cast<int32_t>(CDERR_DIALOGFAILURE));
  EXPECT_NE(orphan.number, kDialogCancelled);
  EXPECT_FALSE(orphan.description.empty());
  EXPECT_TRUE(dialog.FileName().empty());

  // A buffer this process cannot allocate fails before any window shows.
  dialog.SetOwner(nullptr);
  dialog.SetMaxFileSize(INT32_MAX);
  const PendingError huge = dialog.ShowOpen();
  EXPECT_EQ(huge.number, static_cast<int32_t>(CDERR_MEMALLOCFAILURE));
  EXPECT_EQ(huge.description, DialogErrorText(CDERR_MEMALLOCFAILURE));
  EXPECT_TRUE(dialog.FileName().empty());
}

TEST(OpenFileDialogTextTest, FilterBecomesTheNulSeparatedList) {
  EXPECT_EQ(DialogFilterList(u"*.mdf|*.mdf"), Text(u"*.mdf\0*.mdf\0\0", 13));
  EXPECT_EQ(DialogFilterList(u"Datos|*.mdf|Todo|*.*"),
            Text(u"Datos\0*.mdf\0Todo\0*.*\0\0", 22));
  // An unpaired description is left out rather than misread as a pattern.
  EXPECT_EQ(DialogFilterList(u"Datos|*.mdf|Todo"),
            Text(u"Datos\0*.mdf\0\0", 13));
  EXPECT_TRUE(DialogFilterList(u"").empty());
  EXPECT_TRUE(DialogFilterList(u"solo").empty());
}

TEST(OpenFileDialogTextTest, BufferIsReadUpToTheDoubleNulAndNoFurther) {
  const char16_t one[] = u"C:\\Data\\sales.mdf\0\0junk";
  EXPECT_EQ(ResultTextFromBuffer(one, std::size(one)),
            Text(u"C:\\Data\\sales.mdf"));
  const char16_t several[] = u"C:\\Data\0a.mdf\0b.mdf\0\0c.mdf";
  EXPECT_EQ(ResultTextFromBuffer(several, std::size(several)),
            Text(u"C:\\Data\0a.mdf\0b.mdf", 19));
  // No terminator inside the buffer: stop at its end.
  const char16_t cut[] = {u'C', u':', u'\\', u'x', u'\0', u'a', u'b'};
  EXPECT_EQ(ResultTextFromBuffer(cut, std::size(cut)), Text(u"C:\\x\0ab", 7));
  EXPECT_TRUE(ResultTextFromBuffer(u"\0x", 3).empty());
  EXPECT_TRUE(ResultTextFromBuffer(nullptr, 10).empty());
}

TEST(OpenFileDialogTextTest, ErrorTextsAreReadableAndTellCodesApart) {
  const Text small = DialogErrorText(FNERR_BUFFERTOOSMALL);
  const Text failure = DialogErrorText(CDERR_DIALOGFAILURE);
  EXPECT_FALSE(small.empty());
  EXPECT_NE(small, failure);
  const Text unknown = DialogErrorText(0xBEEF);
  EXPECT_NE(unknown.find(u"0xBEEF"), Text::npos);
}

}  // namespace
}  // namespace quorvel
