// The attach run on the real program: files chosen in the open-file dialog,
// "Adjuntar" pressed, the messages read, and the calls the scripted ADO
// stand-in received checked row by row. Also the 10,000-row benchmark.
#include "common/win32/windows_api.h"
// The shell's header needs windows.h before it.
#include <shobjidl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/frm_adjuntar.h"
#include "app/win32/control_ids.h"
#include "tests/e2e/pictures.h"
#include "tests/e2e/session.h"
#include "tests/support/support.h"

namespace {

using quorvel::standin::RecordLine;
using namespace quorvel::app::win32;

// One row of the grid as the stand-in must see it bound.
struct Row {
  std::wstring path;
  std::wstring name;
};

class AttachRun : public e2e::Session {
 protected:
  // An empty .mdf file in the folder last made. Wine's open dialog takes
  // longer to open a folder the more files it holds, well beyond linearly:
  // thousands of files go into folders of their own.
  Row MakeFile(const std::wstring& name) {
    Folder().Add(name + L".mdf");
    return {Folder().Path(name + L".mdf"), name};
  }

  // One dialog a row, each typed as its full path.
  void ChooseRows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
      const int before = Rows();
      ASSERT_NO_FATAL_FAILURE(ChooseFiles(row.path, {}, 60000));
      ASSERT_TRUE(WaitRows(before + 1, 60000)) << "rows: " << Rows();
      ASSERT_TRUE(Sync());
    }
  }

  // Answers the boxes of a run in order until the run has made `calls`
  // calls and no box is left; returns their texts.
  std::vector<std::wstring> Messages(size_t calls, int timeout_ms = 20000) {
    std::vector<std::wstring> texts;
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < end) {
      if (auto box = e2e::FindMessageBox(app().ThreadId())) {
        texts.push_back(box->text);
        ExpectNotice(*box);
        Answer(*box, IDOK);
        continue;
      }
      if (Count("Execute") >= calls && Sync() && NoBox()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return texts;
  }

  // Four rows chosen at once in a folder of their own.
  void ChooseFour() {
    ASSERT_NO_FATAL_FAILURE(ChooseAll(
        FolderWith({L"uno.mdf", L"dos.mdf", L"tres.mdf", L"cuatro.mdf"}), 4,
        60000));
  }

  // Each row's command in the record, from the first command named: every
  // call with its value, and its release only once the next row's command
  // is made, before that one is used.
  void ExpectCalls(const std::vector<Row>& rows, int first_command) {
    const std::vector<RecordLine> record = Record();
    const auto command = [&](size_t row) {
      return "command#" + std::to_string(first_command + static_cast<int>(row));
    };
    // Where the object's first line of that event is in the record.
    const auto at = [&](const std::string& object, const std::string& event) {
      return std::find_if(record.begin(), record.end(),
                          [&](const RecordLine& line) {
                            return line.object == object && line.event == event;
                          }) -
             record.begin();
    };
    for (size_t i = 0; i < rows.size(); ++i) {
      SCOPED_TRACE(command(i));
      EXPECT_EQ(
          CallsOf(command(i)),
          (std::vector<std::wstring>{
              L"create ", L"ActiveConnection connection#1", L"CommandType 4",
              L"CommandText sp_attach_single_file_db", L"Parameters ",
              L"Parameters.Refresh ", L"Parameters ",
              L"Parameters.Item @dbname", L"Value @dbname " + rows[i].name,
              L"Parameters ", L"Parameters.Item @physname",
              L"Value @physname " + rows[i].path,
              L"Execute RecordsAffected=empty Parameters=missing "
              L"Options=-1",
              L"release "}));
      if (i + 1 < rows.size()) {
        EXPECT_LT(at(command(i + 1), "create"), at(command(i), "release"));
        EXPECT_LT(at(command(i), "release"),
                  at(command(i + 1), "ActiveConnection"));
      }
    }
  }
};

TEST_F(AttachRun, ASecondRowThatFailsIsReportedAloneAndTheRunGoesOn) {
  ASSERT_NO_FATAL_FAILURE(
      Connected("execute fail ventas 80040E14 Unable to open the physical file "
                "\"C:\\Data\\ventas.mdf\". Operating system error 2.\n"));
  const std::vector<Row> rows = {MakeFile(L"stock"), MakeFile(L"ventas"),
                                 MakeFile(L"compras a\u00F1o 2024")};
  ASSERT_NO_FATAL_FAILURE(ChooseRows(rows));

  Click(kIdCommand4);
  EXPECT_EQ(Messages(3),
            std::vector<std::wstring>{
                L"Unable to open the physical file "
                L"\"C:\\Data\\ventas.mdf\". Operating system error 2.. "
                L"En ventas"});
  ExpectCalls(rows, 1);
  EXPECT_EQ(Rows(), 3) << "the run leaves the list alone";
}

TEST_F(AttachRun, EveryCallSucceedingEndsWithFinDelProcesoEachRun) {
  ASSERT_NO_FATAL_FAILURE(Connected("open ok\n"));
  const std::vector<Row> rows = {MakeFile(L"uno"), MakeFile(L"dos")};
  ASSERT_NO_FATAL_FAILURE(ChooseRows(rows));
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    Click(kIdCommand4);
    EXPECT_EQ(Messages(rows.size() * static_cast<size_t>(run + 1)),
              std::vector<std::wstring>{L"Fin del proceso"});
    ExpectCalls(rows, 1 + run * static_cast<int>(rows.size()));
  }
}

TEST_F(AttachRun, EveryRowFailingGivesOneMessageEachInRowOrder) {
  ASSERT_NO_FATAL_FAILURE(Connected(
      "execute fail * 80004005 [DBNETLIB][ConnectionWrite (send()).]General "
      "network error.\n"));
  const std::vector<Row> rows = {MakeFile(L"a1"), MakeFile(L"b2"),
                                 MakeFile(L"c3")};
  ASSERT_NO_FATAL_FAILURE(ChooseRows(rows));
  Click(kIdCommand4);
  const std::wstring text =
      L"[DBNETLIB][ConnectionWrite (send()).]General network error.. En ";
  EXPECT_EQ(Messages(3), (std::vector<std::wstring>{text + L"a1", text + L"b2",
                                                    text + L"c3"}));
}

TEST_F(AttachRun, ClosingTheWindowAtAFailureBoxEndsTheRunAndTheProgram) {
  ASSERT_NO_FATAL_FAILURE(Connected("execute fail * 80004005 refused\n"));
  const std::vector<Row> rows = {MakeFile(L"a1"), MakeFile(L"b2")};
  // The window is disabled under the box: another program's WM_CLOSE, then
  // the taskbar's SC_CLOSE.
  for (const WPARAM command : {WPARAM{0}, WPARAM{SC_CLOSE}}) {
    SCOPED_TRACE(command);
    if (command != 0) {
      ASSERT_NO_FATAL_FAILURE(StartShown());
    }
    ASSERT_NO_FATAL_FAILURE(ChooseRows(rows));
    const size_t calls_before = Count("Execute");
    Click(kIdCommand4);
    const auto box = WaitBox(20000);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"refused. En a1");
    PostMessageW(Main(), command == 0 ? WM_CLOSE : WM_SYSCOMMAND, command, 0);
    EXPECT_TRUE(app().WaitExit(10000).has_value()) << "still running";
    EXPECT_EQ(Count("Execute"), calls_before + 1) << "a call after the close";
  }
}

// Polls the window from another thread with WM_NULL, as the system's check
// for a hung window does, and keeps the longest wait for an answer.
class Responsiveness {
 public:
  explicit Responsiveness(HWND window)
      : poller_([this, window] {
          for (; !stop_; std::this_thread::sleep_for(kPause)) {
            const auto asked = std::chrono::steady_clock::now();
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(window, WM_NULL, 0, 0,
                                SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000, &ignored);
            longest_ms_ = std::max<long long>(
                longest_ms_, (std::chrono::steady_clock::now() - asked) /
                                 std::chrono::milliseconds(1));
          }
        }) {}
  ~Responsiveness() { Stop(); }
  long long Stop() {
    if (!stop_.exchange(true)) {
      poller_.join();
      std::printf("longest unanswered stretch: %lld ms\n", longest_ms_.load());
    }
    return longest_ms_;
  }

 private:
  static constexpr std::chrono::milliseconds kPause{100};
  std::atomic<bool> stop_{false};
  std::atomic<long long> longest_ms_{0};
  std::thread poller_;
};

TEST_F(AttachRun, TheWindowAnswersThroughLongCallsAndTakesNoInputMeanwhile) {
  UseStandin("delay Open 1 6000\ndelay Execute 2 7000\n");
  Instances({L"MSSQLSERVER", L"Compras"});
  ASSERT_NO_FATAL_FAILURE(StartShown());
  {
    Responsiveness window(Main());
    Click(kIdCommand1);
    EXPECT_TRUE(TitleBecomes(quorvel::app::kSuffixConnected, 15000));
    EXPECT_LT(window.Stop(), 500) << "during a 6-s Open";
  }
  ASSERT_NO_FATAL_FAILURE(ChooseFour());
  const SIZE button = e2e::ClientSize(Control(kIdCommand2));
  const POINT disconnect{button.cx / 2, button.cy / 2};
  {
    Responsiveness window(Main());
    Click(kIdCommand4);
    ASSERT_TRUE(e2e::WaitFor([&] { return Count("Execute") == 1; }, 10000));
    // Inside the 7-s call: a real click on "Desconectar".
    EXPECT_TRUE(e2e::SendClick(Control(kIdCommand2), disconnect));
    const auto box = WaitBox(20000);
    EXPECT_LT(window.Stop(), 500) << "during a run with a 7-s call";
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"Fin del proceso");
    Answer(*box, IDOK);
  }
  // The click was acted on neither during the run nor after it.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_TRUE(Sync());
  EXPECT_EQ(Title(), e2e::Titled(quorvel::app::kSuffixConnected));
  EXPECT_EQ(Rows(), 4);
  EXPECT_EQ(Count("Close"), 0u);
  EXPECT_EQ(Count("Execute"), 4u);
  // Every ADO object is called on the thread that made it, never the window's.
  std::map<std::string, DWORD> made_on;
  for (const RecordLine& line : Record()) {
    if (line.event == "create") made_on.emplace(line.object, line.thread);
    const auto maker = made_on.find(line.object);
    EXPECT_TRUE(maker == made_on.end() || maker->second == line.thread)
        << line.object << " " << line.event << " on " << line.thread;
    EXPECT_NE(line.thread, app().ThreadId())
        << line.object << " " << line.event;
  }
  EXPECT_GE(made_on.size(), 2u);
  // The same click once the window waits for nothing disconnects.
  EXPECT_TRUE(e2e::SendClick(Control(kIdCommand2), disconnect));
  EXPECT_TRUE(TitleBecomes(quorvel::app::kSuffixDisconnected));
}

TEST_F(AttachRun, ClosingDuringALongCallEndsTheProgramWithNoFurtherCall) {
  ASSERT_NO_FATAL_FAILURE(Connected("delay Execute 2 7000\n"));
  ASSERT_NO_FATAL_FAILURE(ChooseFour());
  Click(kIdCommand4);
  ASSERT_TRUE(e2e::WaitFor([&] { return Count("Execute") == 1; }, 10000));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const HWND window = Main();
  PostMessageW(window, WM_CLOSE, 0, 0);
  // Gone from the screen at once; without a window manager Wine takes two
  // seconds more to destroy a top-level window.
  EXPECT_TRUE(e2e::WaitFor([&] { return !IsWindowVisible(window); }, 1000))
      << "the window stays during the call";
  EXPECT_TRUE(NoBox());
  EXPECT_TRUE(app().WaitExit(15000).has_value()) << "still running";
  EXPECT_EQ(Count("Execute"), 2u) << "a call after the close";
}

// Clicks and keys that another program sends while a handler waits start
// nothing: the handler runs to its end alone.
TEST_F(AttachRun, SentClicksAndKeysStartNoSecondHandler) {
  ASSERT_NO_FATAL_FAILURE(Connected("execute fail * 80004005 refused\n"));
  const auto send_click = [&](int id) {
    DWORD_PTR ignored = 0;
    EXPECT_TRUE(SendMessageTimeoutW(Control(id), BM_CLICK, 0, 0, SMTO_NORMAL,
                                    5000, &ignored));
  };
  // Under the file dialog: the chosen rows land in the connected grid.
  auto dialog = OpenFileDialog();
  ASSERT_TRUE(dialog.has_value());
  send_click(kIdCommand2);
  MakeFile(L"a1");
  ASSERT_TRUE(dialog->Confirm(Folder().Path(L"a1.mdf")));
  ASSERT_TRUE(WaitRows(1));
  ASSERT_NO_FATAL_FAILURE(ChooseRows({MakeFile(L"b2"), MakeFile(L"c3")}));
  // Under the first failure box of a run.
  Click(kIdCommand4);
  const auto first = WaitBox(20000);
  ASSERT_TRUE(first.has_value());
  send_click(kIdCommand2);
  send_click(kIdCommand4);
  Answer(*first, IDOK);
  const std::wstring refused = L"refused. En ";
  EXPECT_EQ(Messages(3),
            (std::vector<std::wstring>{refused + L"b2", refused + L"c3"}));
  EXPECT_EQ(Count("Execute"), 3u) << "a second run";
  EXPECT_EQ(Count("Close"), 0u);
  EXPECT_EQ(Title(), e2e::Titled(quorvel::app::kSuffixConnected));
  // Three Delete keys posted at once: one question.
  ASSERT_TRUE(e2e::SetListCurrent(Grid(), 0));
  for (int key = 0; key < 3; ++key) {
    PostMessageW(Grid(), WM_KEYDOWN, VK_DELETE, 0);
  }
  const auto question = WaitBox();
  ASSERT_TRUE(question.has_value());
  Answer(*question, IDNO);
  EXPECT_FALSE(WaitBox(1500).has_value()) << "a second question";
  EXPECT_EQ(Rows(), 3);
  EXPECT_TRUE(app().Running());
}

// The run's outcome at a glance: a mark on every row, and the progress on
// the taskbar button once Explorer has said the button is there.
TEST_F(AttachRun, EveryRowIsMarkedAndTheTaskbarButtonShowsTheRun) {
  ASSERT_TRUE(e2e::ServeClassesFrom(registry(),
                                    e2e::ToWindowsPath(QUORVEL_ADO_STANDIN_DLL),
                                    {CLSID_TaskbarList}));
  ASSERT_NO_FATAL_FAILURE(Connected("execute fail dos 80004005 refused\n"));
  ASSERT_NO_FATAL_FAILURE(ChooseFour());
  const auto run = [&](size_t calls) {
    Click(kIdCommand4);
    EXPECT_EQ(Messages(calls), std::vector<std::wstring>{L"refused. En dos"});
  };
  run(4);
  EXPECT_TRUE(LinesOf("taskbar#1").empty()) << "no button, no call";

  const UINT button_created = RegisterWindowMessageW(L"TaskbarButtonCreated");
  DWORD_PTR ignored = 0;
  ASSERT_TRUE(SendMessageTimeoutW(Main(), button_created, 0, 0, SMTO_NORMAL,
                                  5000, &ignored));
  run(8);
  std::vector<int> marks;
  for (int item = 0; item < Rows(); ++item)
    marks.push_back(e2e::ListImage(Grid(), item));
  EXPECT_EQ(marks, (std::vector<int>{0, 1, 0, 0}));

  wchar_t handle[16];
  swprintf(handle, 16, L"%08lX",
           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(Main())));
  const std::wstring w = handle;
  EXPECT_EQ(CallsOf("taskbar#1"),
            (std::vector<std::wstring>{
                L"create ", L"HrInit ", L"SetProgressState " + w + L" 00000000",
                L"SetProgressState " + w + L" 00000002",
                L"SetProgressValue " + w + L" 0/4",
                L"SetProgressValue " + w + L" 1/4",
                L"SetProgressState " + w + L" 00000004",
                L"SetProgressValue " + w + L" 2/4",
                L"SetProgressValue " + w + L" 3/4",
                L"SetProgressValue " + w + L" 4/4",
                L"SetProgressState " + w + L" 00000000"}));
}

// The marks at the system's small-icon size for the window's DPI, drawn at
// that size: the badge spans its whole room. Run at 96 DPI and, by its own
// ctest, at 192; the picture is the README's.
class RowMarks : public AttachRun {};

TEST_F(RowMarks, AreDrawnAtTheSmallIconSizeOfTheScreen) {
  ASSERT_NO_FATAL_FAILURE(Connected("execute fail dos 80004005 refused\n"));
  ASSERT_NO_FATAL_FAILURE(ChooseFour());
  Click(kIdCommand4);
  EXPECT_EQ(Messages(4), std::vector<std::wstring>{L"refused. En dos"});
  const int dpi = e2e::WindowDpi(Main());
  const int size = MulDiv(16, dpi, 96);
  ASSERT_TRUE(Redrawn());
  const e2e::Picture shown = e2e::CaptureClient(Main());
  ASSERT_FALSE(shown.bgr.empty());
  // Along the middle of each row's image, the pixels of its badge.
  const auto badge_span = [&](int item, COLORREF colour) {
    RECT icon = e2e::ListItemRect(Grid(), item, LVIR_ICON);
    EXPECT_EQ(icon.right - icon.left, size) << "item " << item;
    MapWindowPoints(Grid(), Main(), reinterpret_cast<POINT*>(&icon), 2);
    int span = 0;
    for (int x = icon.left; x < icon.right; ++x) {
      const COLORREF pixel = shown.Colour(x, (icon.top + icon.bottom) / 2);
      span += pixel != CLR_INVALID &&
              std::abs(GetRValue(pixel) - GetRValue(colour)) < 24 &&
              std::abs(GetGValue(pixel) - GetGValue(colour)) < 24 &&
              std::abs(GetBValue(pixel) - GetBValue(colour)) < 24;
    }
    return span;
  };
  // Badges of #2E7D32 and #C62828 with a white glyph across the middle.
  EXPECT_GE(badge_span(0, RGB(0x2E, 0x7D, 0x32)), size / 3);
  EXPECT_GE(badge_span(1, RGB(0xC6, 0x28, 0x28)), size / 3);
  EXPECT_TRUE(
      e2e::SaveClientPng(Main(), e2e::PicturePath(L"quorvel-marks", dpi)));
}

// Prints figures only: a slow machine makes no failure.
TEST_F(AttachRun, Benchmark10000Rows) {
  constexpr int kRows = 10000;
  constexpr int kPerSelection = 2000;
  ASSERT_NO_FATAL_FAILURE(Connected("open ok\n"));
  for (int first = 0; first < kRows; first += kPerSelection) {
    std::vector<std::wstring> names;
    for (int i = first; i < first + kPerSelection; ++i) {
      wchar_t name[16];
      swprintf(name, 16, L"r%05d.mdf", i);
      names.push_back(name);
    }
    ASSERT_NO_FATAL_FAILURE(
        ChooseAll(FolderWith(names), first + kPerSelection, 60000));
  }
  // Rounds of the same run: its own cost per row is their median.
  constexpr int kRounds = 3;
  std::vector<double> own_us;
  for (int round = 1; round <= kRounds; ++round) {
    const std::vector<RecordLine> before = Record();
    const double standin_before = before.empty() ? 0 : before.back().total_us;
    const auto start = std::chrono::steady_clock::now();
    Click(kIdCommand4);
    const auto box = WaitBox(600000);
    const auto end = std::chrono::steady_clock::now();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"Fin del proceso");
    Answer(*box, IDOK);
    EXPECT_EQ(Count("Execute"), static_cast<size_t>(kRows * round));
    const double total_us =
        std::chrono::duration<double, std::micro>(end - start).count();
    const double standin_us = Record().back().total_us - standin_before;
    own_us.push_back((total_us - standin_us) / kRows);
    std::printf(
        "attach run of %d rows, round %d: %.1f us per row in all, %.1f us "
        "per row in the stand-in, %.1f us per row the program's own (ratio "
        "all/stand-in %.2f)\n",
        kRows, round, total_us / kRows, standin_us / kRows, own_us.back(),
        total_us / standin_us);
  }
  std::sort(own_us.begin(), own_us.end());
  std::printf(
      "attach run: the program's own cost, median of %d rounds: %.1f "
      "us per row (goal <= 200: %s)\n",
      kRounds, own_us[kRounds / 2],
      own_us[kRounds / 2] <= 200 ? "met" : "not met");
}

}  // namespace
