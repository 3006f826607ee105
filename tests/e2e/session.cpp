#include "tests/e2e/session.h"

#include "app/frm_adjuntar.h"
#include "app/win32/control_ids.h"
#include "tests/support/utf8.h"

namespace e2e {

using quorvel::standin::RecordLine;
namespace ids = quorvel::app::win32;

std::wstring Titled(const char16_t* suffix) {
  return Wide(quorvel::app::kTitleBase) + Wide(suffix);
}

void Session::TearDown() {
  app_.reset();  // ends Quorvel.exe before its files go
  SetEnvironmentVariableW(L"QUORVEL_ADO_SCENARIO", nullptr);
  SetEnvironmentVariableW(L"QUORVEL_ADO_RECORD", nullptr);
}

void Session::Instances(const std::vector<std::wstring>& names, View view) {
  ASSERT_TRUE(registry_.SetMultiString(view, kSqlServerKey,
                                       L"InstalledInstances", names));
}

void Session::UseStandin(const std::string& scenario) {
  ASSERT_TRUE(ServeAdoFrom(registry_, ToWindowsPath(QUORVEL_ADO_STANDIN_DLL)));
  const std::wstring scenario_file =
      standin_files_.Write(L"scenario.txt", scenario);
  ASSERT_FALSE(scenario_file.empty());
  record_ = standin_files_.Write(L"record.txt", "");
  SetEnvironmentVariableW(L"QUORVEL_ADO_SCENARIO", scenario_file.c_str());
  SetEnvironmentVariableW(L"QUORVEL_ADO_RECORD", record_.c_str());
}

void Session::Start() {
  app_.emplace(App::Start());
  ASSERT_NE(app_->Main(), nullptr) << "Quorvel.exe did not open its window";
}

void Session::Shown() {
  ASSERT_TRUE(app_->WaitShown());
  ASSERT_TRUE(Sync());
}

testing::AssertionResult Session::FocusReaches(HWND window,
                                               int timeout_ms) const {
  if (WaitFor([&] { return Focus() == window; }, timeout_ms)) {
    return testing::AssertionSuccess();
  }
  return testing::AssertionFailure()
         << "expected control " << GetDlgCtrlID(window) << ", focus on id "
         << GetDlgCtrlID(Focus());
}

void Session::Click(int id) const { PostMessageW(Control(id), BM_CLICK, 0, 0); }

bool Session::TitleBecomes(const char16_t* suffix, int timeout_ms) const {
  return WaitFor([&] { return Title() == Titled(suffix); }, timeout_ms);
}

void Session::Answer(const MessageBoxInfo& box, int id) const {
  AnswerMessageBox(box.hwnd, id);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.hwnd); }));
  ASSERT_TRUE(Sync());
}

std::optional<MessageBoxInfo> Session::AnswerBox(int id, int timeout_ms) const {
  const auto box = WaitBox(timeout_ms);
  if (box) Answer(*box, id);
  return box;
}

void Session::ExpectNotice(const MessageBoxInfo& box) {
  EXPECT_EQ(box.caption, Wide(quorvel::app::kApplicationTitle));
  EXPECT_FALSE(box.has_icon);
  EXPECT_EQ(box.ButtonIds(), std::vector<int>{IDOK});
}

ScratchFolder& Session::Folder() {
  return folders_.empty() ? NewFolder() : *folders_.back();
}

ScratchFolder& Session::NewFolder() {
  folders_.push_back(std::make_unique<ScratchFolder>());
  return *folders_.back();
}

std::optional<FileDialog> Session::OpenFileDialog() const {
  Click(ids::kIdCommand3);
  return FileDialog::Wait(app_->ThreadId());
}

void Session::ChooseFiles(const std::wstring& typed, const std::wstring& folder,
                          int timeout_ms) const {
  const auto dialog = OpenFileDialog();
  ASSERT_TRUE(dialog) << "no file dialog";
  if (!folder.empty()) {
    ASSERT_TRUE(dialog->Open(folder));
  }
  ASSERT_TRUE(dialog->Confirm(typed));
  ASSERT_TRUE(dialog->WaitClosed(timeout_ms));
}

HWND Session::Grid() const { return Control(ids::kIdGrid); }

bool Session::WaitRows(int rows, int timeout_ms) const {
  return WaitFor([&] { return Rows() == rows; }, timeout_ms);
}

std::vector<RecordLine> Session::Record() const {
  return quorvel::standin::ReadRecord(record_);
}

std::vector<RecordLine> Session::LinesOf(const std::string& object) const {
  std::vector<RecordLine> lines;
  for (const RecordLine& line : Record()) {
    if (line.object == object) lines.push_back(line);
  }
  return lines;
}

size_t Session::Count(const std::string& event) const {
  size_t count = 0;
  for (const RecordLine& line : Record()) count += line.event == event;
  return count;
}

std::optional<std::u16string> Session::ValueOf(
    const std::vector<RecordLine>& lines, const std::string& event) {
  for (const RecordLine& line : lines) {
    if (line.event == event) return line.value;
  }
  return std::nullopt;
}

}  // namespace e2e
