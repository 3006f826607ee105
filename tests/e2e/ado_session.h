// Shared by the connection and attach end-to-end tests: the scripted ADO
// stand-in registered in the prefix, its scenario and record files, and the
// server list seeded so that the program has something to connect to.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/win32/control_ids.h"
#include "common/win32/windows_api.h"
#include "gtest/gtest.h"
#include "tests/ado_standin/record.h"
#include "tests/e2e/harness.h"

namespace e2e {

inline constexpr wchar_t kConnectionClsid[] =
    L"{00000514-0000-0010-8000-00AA006D2EA4}";
inline constexpr wchar_t kCommandClsid[] =
    L"{00000507-0000-0010-8000-00AA006D2EA4}";
inline constexpr wchar_t kSqlServerKey[] =
    L"SOFTWARE\\Microsoft\\Microsoft SQL Server";
inline constexpr wchar_t kTitleBase[] = L"Adjuntar Base de datos Sql server.";

inline std::wstring TempPath(const std::wstring& stem) {
  static int serial = 0;
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  wchar_t full[MAX_PATH];
  GetLongPathNameW(folder, full, MAX_PATH);
  return std::wstring(full) + L"quorvel-e2e-" +
         std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(++serial) + L"-" + stem;
}

inline bool WriteUtf8(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()),
                            &written, nullptr);
  CloseHandle(file);
  return ok && written == text.size();
}

inline std::wstring Wide(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}

class AdoSession : public testing::Test {
 protected:
  void TearDown() override {
    app_.reset();  // ends Quorvel.exe before its files go
    SetEnvironmentVariableW(L"QUORVEL_ADO_SCENARIO", nullptr);
    SetEnvironmentVariableW(L"QUORVEL_ADO_RECORD", nullptr);
    for (const std::wstring& file : files_) DeleteFileW(file.c_str());
  }

  // The stand-in takes ADO's place; what Quorvel.exe inherits tells it what
  // to answer and where to write what it was asked.
  void UseStandin(const std::string& scenario) {
    ASSERT_TRUE(registry_.RegisterInprocServer(
        kConnectionClsid, ToWindowsPath(Widen(QUORVEL_ADO_STANDIN_DLL))));
    ASSERT_TRUE(registry_.RegisterInprocServer(
        kCommandClsid, ToWindowsPath(Widen(QUORVEL_ADO_STANDIN_DLL))));
    const std::wstring scenario_file = TempPath(L"scenario.txt");
    ASSERT_TRUE(WriteUtf8(scenario_file, scenario));
    record_ = TempPath(L"record.txt");
    files_ = {scenario_file, record_};
    SetEnvironmentVariableW(L"QUORVEL_ADO_SCENARIO", scenario_file.c_str());
    SetEnvironmentVariableW(L"QUORVEL_ADO_RECORD", record_.c_str());
  }

  void Instances(const std::vector<std::wstring>& names) {
    ASSERT_TRUE(registry_.SetMultiString(View::k64, kSqlServerKey,
                                         L"InstalledInstances", names));
  }

  void Start() {
    app_.emplace(App::Start());
    ASSERT_NE(app_->Main(), nullptr) << "Quorvel.exe did not open its window";
  }
  void Shown() {
    ASSERT_TRUE(app_->WaitShown());
    ASSERT_TRUE(Sync(app_->Main()));
  }

  HWND Control(int id) const { return app_->Control(id); }
  // Posted, not sent: the click may open a modal box that waits for us.
  void Click(int id) const { PostMessageW(Control(id), BM_CLICK, 0, 0); }
  std::wstring Title() const { return WindowText(app_->Main()); }
  bool TitleBecomes(const std::wstring& suffix, int timeout_ms = 10000) const {
    return WaitFor([&] { return Title() == kTitleBase + suffix; }, timeout_ms);
  }

  std::vector<quorvel::standin::RecordLine> Record() const {
    return quorvel::standin::ReadRecord(record_);
  }
  // The lines of one object, in order.
  std::vector<quorvel::standin::RecordLine> LinesOf(
      const std::string& object) const {
    std::vector<quorvel::standin::RecordLine> lines;
    for (const auto& line : Record()) {
      if (line.object == object) lines.push_back(line);
    }
    return lines;
  }
  static std::optional<std::u16string> ValueOf(
      const std::vector<quorvel::standin::RecordLine>& lines,
      const std::string& event) {
    for (const auto& line : lines) {
      if (line.event == event) return line.value;
    }
    return std::nullopt;
  }

  RegistrySeeder registry_;
  std::optional<App> app_;
  std::wstring record_;
  std::vector<std::wstring> files_;
};

}  // namespace e2e
