// One end-to-end session: Quorvel.exe started under a seeded registry and,
// when asked, over the registered ADO stand-in, with the verbs every suite
// uses. A suite's fixture is Session or derives from it:
//
//   Instances({L"MSSQLSERVER"});       the server list, before Start
//   UseStandin("open ok\n");           ADO answers as the scenario says
//   StartShown();                      started, loaded, window visible
//   Click(kIdCommand1);                a button, posted
//   TitleBecomes(kSuffixConnected);    the title, waited for
//   auto box = WaitBox(); Answer(*box, IDOK);
//   ChooseFiles(L"\"a.mdf\"", folder); "Seleccionar Ficheros" and the dialog
//   Rows(), Cell(row, column)          the grid
//   LinesOf("connection#1")            what the stand-in was asked
//
// Everything is undone when the test ends: the program is ended, the
// registry restored (the stand-in's registration with it) and scratch files
// removed.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/ado_standin/record.h"
#include "tests/e2e/controls.h"
#include "tests/e2e/file_dialog_driver.h"
#include "tests/e2e/listview.h"
#include "tests/e2e/process.h"
#include "tests/e2e/registry.h"
#include "tests/support/scratch.h"

namespace e2e {

inline constexpr wchar_t kSqlServerKey[] =
    L"SOFTWARE\\Microsoft\\Microsoft SQL Server";

// The program's title with one of its suffixes.
std::wstring Titled(const char16_t* suffix);

class Session : public testing::Test {
 protected:
  void TearDown() override;

  // Before Start: the registry and ADO the program will find.
  void Instances(const std::vector<std::wstring>& names, View view = View::k64);
  RegistrySeeder& registry() { return registry_; }
  // The stand-in takes ADO's place; what Quorvel.exe inherits tells it what
  // to answer and where to write what it was asked.
  void UseStandin(const std::string& scenario = "");

  // Starts the program; fails the test when no window comes up.
  void Start();
  // Waits until the window shows and the program has handled its queue.
  void Shown();
  void StartShown() {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Shown());
  }
  App& app() { return *app_; }
  const App& app() const { return *app_; }
  HWND Main() const { return app_->Main(); }
  HWND Control(int id) const { return app_->Control(id); }
  bool Enabled(int id) const { return e2e::Enabled(Control(id)); }
  bool Sync() const { return e2e::Sync(Main()); }
  HWND Focus() const { return FocusedWindow(app_->ThreadId()); }
  // The focus reaching the window within the time, or where it is instead.
  testing::AssertionResult FocusReaches(HWND window,
                                        int timeout_ms = 5000) const;
  // Posted, not sent: the click may open a box or dialog that waits for us.
  void Click(int id) const;
  std::wstring Title() const { return WindowText(Main()); }
  bool TitleBecomes(const char16_t* suffix, int timeout_ms = 10000) const;

  std::optional<MessageBoxInfo> WaitBox(int timeout_ms = 5000) const {
    return WaitMessageBox(app_->ThreadId(), timeout_ms);
  }
  bool NoBox() const { return !FindMessageBox(app_->ThreadId()).has_value(); }
  // Answers the box and waits until it is gone and the program has gone on.
  void Answer(const MessageBoxInfo& box, int id) const;
  // Waits for a box and answers it; what it said, or nothing if none came.
  std::optional<MessageBoxInfo> AnswerBox(int id = IDOK,
                                          int timeout_ms = 15000) const;
  // A box of the program's notices: its title, no icon, only OK.
  static void ExpectNotice(const MessageBoxInfo& box);

  // A folder for the test's files: the last one made, or a first one.
  ScratchFolder& Folder();
  ScratchFolder& NewFolder();
  // "Seleccionar Ficheros", and its dialog once it shows.
  std::optional<FileDialog> OpenFileDialog() const;
  // The text typed into the dialog and confirmed, in `folder` if one is
  // given, else where the dialog opens; returns once the dialog is closed.
  void ChooseFiles(const std::wstring& typed, const std::wstring& folder = {},
                   int timeout_ms = FileDialog::kWaitMs) const;

  HWND Grid() const;
  int Rows() const { return ListRowCount(Grid()); }
  bool WaitRows(int rows, int timeout_ms = 10000) const;
  std::wstring Cell(int row, int column) const {
    return ListCell(Grid(), row, column);
  }

  std::vector<quorvel::standin::RecordLine> Record() const;
  // The lines of one object, in order.
  std::vector<quorvel::standin::RecordLine> LinesOf(
      const std::string& object) const;
  // How many lines of that event the record holds.
  size_t Count(const std::string& event) const;
  static std::optional<std::u16string> ValueOf(
      const std::vector<quorvel::standin::RecordLine>& lines,
      const std::string& event);

  std::optional<App> app_;

 private:
  RegistrySeeder registry_;
  ScratchFolder standin_files_;
  std::wstring record_;
  std::vector<std::unique_ptr<ScratchFolder>> folders_;
};

}  // namespace e2e
