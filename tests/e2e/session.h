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

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/frm_adjuntar.h"
#include "app/win32/control_ids.h"
#include "gtest/gtest.h"
#include "tests/ado_standin/protocol.h"
#include "tests/e2e/controls.h"
#include "tests/e2e/file_dialog_driver.h"
#include "tests/e2e/process.h"
#include "tests/e2e/registry.h"
#include "tests/support/support.h"

namespace e2e {

// GoogleTest's output with plain line ends under Wine, set before it runs.
inline const bool kBinaryOutput = _setmode(_fileno(stdout), _O_BINARY) != -1 &&
                                  _setmode(_fileno(stderr), _O_BINARY) != -1;

inline constexpr wchar_t kSqlServerKey[] =
    L"SOFTWARE\\Microsoft\\Microsoft SQL Server";

// The program's title with one of its suffixes.
inline std::wstring Titled(const char16_t* suffix) {
  return Wide(quorvel::app::kTitleBase) + Wide(suffix);
}

class Session : public testing::Test {
 protected:
  using RecordLine = quorvel::standin::RecordLine;

  void TearDown() override {
    app_.reset();  // ends Quorvel.exe before its files go
    SetEnvironmentVariableW(L"QUORVEL_ADO_SCENARIO", nullptr);
    SetEnvironmentVariableW(L"QUORVEL_ADO_RECORD", nullptr);
  }

  // Before Start: the registry and ADO the program will find.
  void Instances(const std::vector<std::wstring>& names,
                 View view = View::k64) {
    ASSERT_TRUE(registry_.SetMultiString(view, kSqlServerKey,
                                         L"InstalledInstances", names));
  }
  RegistrySeeder& registry() { return registry_; }
  // The stand-in takes ADO's place; what Quorvel.exe inherits tells it what
  // to answer and where to write what it was asked.
  void UseStandin(const std::string& scenario = "") {
    ASSERT_TRUE(
        ServeClassesFrom(registry_, ToWindowsPath(QUORVEL_ADO_STANDIN_DLL)));
    const std::wstring scenario_file =
        standin_files_.Write(L"scenario.txt", scenario);
    ASSERT_FALSE(scenario_file.empty());
    record_ = standin_files_.Write(L"record.txt", "");
    SetEnvironmentVariableW(L"QUORVEL_ADO_SCENARIO", scenario_file.c_str());
    SetEnvironmentVariableW(L"QUORVEL_ADO_RECORD", record_.c_str());
  }

  // Starts the program; fails the test when no window comes up.
  void Start() {
    app_.emplace();
    ASSERT_NE(app_->Main(), nullptr) << "Quorvel.exe did not open its window";
  }
  // Waits until the window shows and the program has handled its queue.
  void Shown() {
    ASSERT_TRUE(app_->WaitShown());
    ASSERT_TRUE(Sync());
  }
  void StartShown() {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Shown());
  }
  // Started over the stand-in with one server, which it connects to at load.
  void Connected(const std::string& scenario) {
    ASSERT_NO_FATAL_FAILURE(UseStandin(scenario));
    ASSERT_NO_FATAL_FAILURE(Instances({L"MSSQLSERVER"}));
    ASSERT_NO_FATAL_FAILURE(StartShown());
    ASSERT_EQ(Title(), Titled(quorvel::app::kSuffixConnected));
  }
  App& app() { return *app_; }
  HWND Main() const { return app_->Main(); }
  HWND Control(int id) const { return app_->Control(id); }
  bool Enabled(int id) const { return e2e::Enabled(Control(id)); }
  // Which of "Conectar", "Desconectar" and the server chooser are enabled.
  std::vector<bool> ConnectionControls() const {
    namespace ids = quorvel::app::win32;
    return {Enabled(ids::kIdCommand1), Enabled(ids::kIdCommand2),
            Enabled(ids::kIdCombo1)};
  }
  bool Sync() const { return e2e::Sync(Main()); }
  HWND Focus() const { return FocusedWindow(app_->ThreadId()); }
  // The focus reaching the window within the time, or where it is instead.
  testing::AssertionResult FocusReaches(HWND window,
                                        int timeout_ms = 5000) const {
    if (WaitFor([&] { return Focus() == window; }, timeout_ms)) {
      return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << "expected control " << GetDlgCtrlID(window) << ", focus on id "
           << GetDlgCtrlID(Focus());
  }
  // Posted, not sent: the click may open a box or dialog that waits for us.
  void Click(int id) const { PostMessageW(Control(id), BM_CLICK, 0, 0); }
  std::wstring Title() const { return WindowText(Main()); }
  // Draws the whole window again at once; true when the program has gone on.
  bool Redrawn() const {
    RedrawWindow(Main(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return Sync();
  }
  bool TitleBecomes(const char16_t* suffix, int timeout_ms = 10000) const {
    return WaitFor([&] { return Title() == Titled(suffix); }, timeout_ms);
  }

  std::optional<MessageBoxInfo> WaitBox(int timeout_ms = 5000) const {
    return WaitMessageBox(app_->ThreadId(), timeout_ms);
  }
  bool NoBox() const { return !FindMessageBox(app_->ThreadId()).has_value(); }
  // Answers the box and waits until it is gone and the program has gone on.
  void Answer(const MessageBoxInfo& box, int id) const {
    PressButton(box.hwnd, id);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.hwnd); }));
    ASSERT_TRUE(Sync());
  }
  // Waits for a box and answers it; what it said, or nothing if none came.
  std::optional<MessageBoxInfo> AnswerBox(int id = IDOK,
                                          int timeout_ms = 15000) const {
    const auto box = WaitBox(timeout_ms);
    if (box) Answer(*box, id);
    return box;
  }
  // A box of the program's notices: its title, no icon, only OK.
  static void ExpectNotice(const MessageBoxInfo& box) {
    EXPECT_EQ(box.caption, Wide(quorvel::app::kApplicationTitle));
    EXPECT_FALSE(box.has_icon);
    EXPECT_EQ(box.ButtonIds(), std::vector<int>{IDOK});
  }

  // A folder for the test's files: the last one made, or a first one.
  ScratchFolder& Folder() {
    return folders_.empty() ? NewFolder() : *folders_.back();
  }
  ScratchFolder& NewFolder() {
    return *folders_.emplace_back(std::make_unique<ScratchFolder>());
  }
  // A new folder holding these empty files.
  ScratchFolder& FolderWith(const std::vector<std::wstring>& names) {
    ScratchFolder& folder = NewFolder();
    for (const std::wstring& name : names) folder.Add(name);
    return folder;
  }
  // "Seleccionar Ficheros", and its dialog once it shows.
  std::optional<FileDialog> OpenFileDialog() const {
    Click(quorvel::app::win32::kIdCommand3);
    return FileDialog::Wait(app_->ThreadId());
  }
  // The text typed into the dialog and confirmed, in `folder` if one is
  // given, else where the dialog opens; returns once the dialog is closed.
  void ChooseFiles(const std::wstring& typed, const std::wstring& folder = {},
                   int timeout_ms = FileDialog::kWaitMs) const {
    const auto dialog = OpenFileDialog();
    ASSERT_TRUE(dialog) << "no file dialog";
    if (!folder.empty()) {
      ASSERT_TRUE(dialog->Open(folder));
    }
    ASSERT_TRUE(dialog->Confirm(typed));
    ASSERT_TRUE(dialog->WaitClosed(timeout_ms));
  }
  // Every file of the folder chosen at once, as quoted names typed there;
  // returns once the grid has that many rows and the program has gone on.
  void ChooseAll(const ScratchFolder& folder, int rows,
                 int timeout_ms = FileDialog::kWaitMs) const {
    std::wstring typed;
    for (const auto& name : folder.names()) typed += L"\"" + name + L"\" ";
    ASSERT_NO_FATAL_FAILURE(ChooseFiles(typed, folder.path(), timeout_ms));
    ASSERT_TRUE(WaitRows(rows, timeout_ms)) << "rows: " << Rows();
    ASSERT_TRUE(Sync());
  }

  HWND Grid() const { return Control(quorvel::app::win32::kIdGrid); }
  int Rows() const { return ListRowCount(Grid()); }
  bool WaitRows(int rows, int timeout_ms = 10000) const {
    return WaitFor([&] { return Rows() == rows; }, timeout_ms);
  }
  std::wstring Cell(int row, int column) const {
    return ListCell(Grid(), row, column);
  }

  std::vector<RecordLine> Record() const {
    return quorvel::standin::ReadRecord(record_);
  }
  // The lines of one object, in order.
  std::vector<RecordLine> LinesOf(const std::string& object) const {
    std::vector<RecordLine> lines;
    for (const RecordLine& line : Record()) {
      if (line.object == object) lines.push_back(line);
    }
    return lines;
  }
  // How many lines of that event the record holds.
  size_t Count(const std::string& event) const {
    size_t count = 0;
    for (const RecordLine& line : Record()) count += line.event == event;
    return count;
  }
  // "event value" of each line of one object, in order.
  std::vector<std::wstring> CallsOf(const std::string& object) const {
    std::vector<std::wstring> calls;
    for (const RecordLine& line : LinesOf(object)) {
      calls.push_back(Wide(FromUtf8(line.event + " ") + line.value));
    }
    return calls;
  }

 private:
  std::optional<App> app_;
  RegistrySeeder registry_;
  ScratchFolder standin_files_;
  std::wstring record_;
  std::vector<std::unique_ptr<ScratchFolder>> folders_;
};

}  // namespace e2e
