// The attach run on the real program: files chosen in the open-file dialog,
// "Adjuntar" pressed, the messages read, and the calls the scripted ADO
// stand-in received checked row by row. Also the 10,000-row benchmark.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/frm_adjuntar.h"
#include "app/win32/control_ids.h"
#include "tests/e2e/session.h"
#include "tests/support/utf8.h"

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
  void Connected(const std::string& scenario) {
    UseStandin(scenario);
    Instances({L"MSSQLSERVER"});
    StartShown();
    ASSERT_EQ(Title(), e2e::Titled(quorvel::app::kSuffixConnected));
  }

  // An empty .mdf file in the folder last made. Wine's open dialog takes
  // longer to open a folder the more files it holds, well beyond linearly:
  // thousands of files go into folders of their own.
  Row MakeFile(const std::wstring& name) {
    Folder().Add(name + L".mdf");
    return {Folder().Path(name + L".mdf"), name};
  }

  // "Seleccionar Ficheros", then the files typed into the dialog: one full
  // path, or the folder to go to and then the quoted names in it.
  void Choose(const std::vector<std::wstring>& names, size_t expect_rows) {
    std::wstring quoted;
    for (const std::wstring& name : names) quoted += L"\"" + name + L"\" ";
    if (names.size() == 1) {
      ASSERT_NO_FATAL_FAILURE(ChooseFiles(names[0], {}, 60000));
    } else {
      ASSERT_NO_FATAL_FAILURE(ChooseFiles(quoted, Folder().path(), 60000));
    }
    ASSERT_TRUE(WaitRows(static_cast<int>(expect_rows), 60000))
        << "rows: " << Rows();
    ASSERT_TRUE(Sync());
  }

  void ChooseRows(const std::vector<Row>& rows) {
    for (size_t i = 0; i < rows.size(); ++i) {
      ASSERT_NO_FATAL_FAILURE(Choose({rows[i].path}, i + 1));
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

  // Checks each row's command in the record, from the first command named.
  void ExpectCalls(const std::vector<Row>& rows, int first_command) {
    const std::vector<RecordLine> record = Record();
    for (size_t i = 0; i < rows.size(); ++i) {
      const std::string command =
          "command#" + std::to_string(first_command + static_cast<int>(i));
      SCOPED_TRACE(command);
      std::vector<std::string> events;
      std::vector<RecordLine> lines;
      size_t execute_at = 0;
      for (size_t at = 0; at < record.size(); ++at) {
        if (record[at].object != command) continue;
        lines.push_back(record[at]);
        events.push_back(record[at].event);
        if (record[at].event == "Execute") execute_at = at;
      }
      const std::vector<std::string> expected = {
          "create",      "ActiveConnection", "CommandType",
          "CommandText", "Parameters",       "Parameters.Refresh",
          "Parameters",  "Parameters.Item",  "Value @dbname",
          "Parameters",  "Parameters.Item",  "Value @physname",
          "Execute",     "release"};
      // (release is where the next row's command is stored, see below)
      EXPECT_EQ(events, expected);
      EXPECT_EQ(ValueOf(lines, "ActiveConnection"), u"connection#1");
      EXPECT_EQ(ValueOf(lines, "CommandType"), u"4");
      EXPECT_EQ(ValueOf(lines, "CommandText"), u"sp_attach_single_file_db");
      const auto name = ValueOf(lines, "Value @dbname");
      const auto path = ValueOf(lines, "Value @physname");
      ASSERT_TRUE(name && path);
      EXPECT_EQ(e2e::Wide(*name), rows[i].name);
      EXPECT_EQ(e2e::Wide(*path), rows[i].path);
      // Storing the next row's command lets this one go: it is released
      // after the next one is made and before that one is used.
      const std::string next =
          "command#" + std::to_string(first_command + static_cast<int>(i) + 1);
      size_t released_at = 0, next_made_at = 0, next_used_at = 0;
      for (size_t at = execute_at; at < record.size(); ++at) {
        if (record[at].object == command && record[at].event == "release") {
          released_at = at;
        } else if (record[at].object == next && next_made_at == 0) {
          next_made_at = at;
        } else if (record[at].object == next && next_used_at == 0) {
          next_used_at = at;
        }
      }
      EXPECT_NE(released_at, 0u) << "never released";
      if (i + 1 < rows.size()) {
        EXPECT_LT(next_made_at, released_at);
        EXPECT_LT(released_at, next_used_at);
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
  const std::vector<std::wstring> texts = Messages(3);
  EXPECT_EQ(texts, std::vector<std::wstring>{
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

// Prints figures only: a slow machine makes no failure.
TEST_F(AttachRun, Benchmark10000Rows) {
  constexpr int kRows = 10000;
  constexpr int kPerSelection = 2000;
  ASSERT_NO_FATAL_FAILURE(Connected("open ok\n"));
  for (int first = 0; first < kRows; first += kPerSelection) {
    NewFolder();
    std::vector<std::wstring> names;
    for (int i = first; i < first + kPerSelection; ++i) {
      wchar_t name[16];
      swprintf(name, 16, L"r%05d", i);
      Folder().Add(std::wstring(name) + L".mdf");
      names.push_back(std::wstring(name) + L".mdf");
    }
    ASSERT_NO_FATAL_FAILURE(
        Choose(names, static_cast<size_t>(first + kPerSelection)));
  }
  const std::vector<RecordLine> before = Record();
  const double standin_before = before.empty() ? 0 : before.back().total_us;

  const auto start = std::chrono::steady_clock::now();
  Click(kIdCommand4);
  const auto box = WaitBox(600000);
  const auto end = std::chrono::steady_clock::now();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, L"Fin del proceso");
  e2e::AnswerMessageBox(box->hwnd, IDOK);

  const std::vector<RecordLine> after = Record();
  EXPECT_EQ(Count("Execute"), static_cast<size_t>(kRows));
  const double total_us =
      std::chrono::duration<double, std::micro>(end - start).count();
  const double standin_us = after.back().total_us - standin_before;
  std::printf(
      "attach run of %d rows: %.1f us per row in all, %.1f us per row in the "
      "stand-in, %.1f us per row the program's own (ratio all/stand-in "
      "%.2f)\n",
      kRows, total_us / kRows, standin_us / kRows,
      (total_us - standin_us) / kRows, total_us / standin_us);
}

}  // namespace
