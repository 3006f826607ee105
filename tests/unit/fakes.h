// In-memory controls, dialog, message boxes and a scripted ADO client, plus a
// fixture that wires them to a FrmAdjuntar. Every fake appends what it is
// asked to do to one shared event log, so tests can check the order of steps
// across controls.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/frm_adjuntar.h"

namespace quorvel::testing {

// Readable ASCII rendering of UTF-16 text for logs and assertions.
std::string Narrow(const Text& text);

using EventLog = std::vector<std::string>;

class FakeButton final : public Button {
 public:
  FakeButton(std::string name, EventLog& log, bool enabled_as_placed)
      : enabled(enabled_as_placed), name_(std::move(name)), log_(log) {}
  void SetEnabled(bool enabled) override;
  bool enabled;

 private:
  std::string name_;
  EventLog& log_;
};

class FakeCombo final : public ComboBox {
 public:
  explicit FakeCombo(EventLog& log) : log_(log) {}
  void SetEnabled(bool enabled) override;
  void AddItem(const Text& item) override { items.push_back(item); }
  int32_t ListCount() const override {
    return static_cast<int32_t>(items.size());
  }
  bool SetListIndex(int32_t index) override;
  Text CurrentText() const override;

  std::vector<Text> items;
  int32_t selected = -1;
  bool enabled = true;
  std::function<void()> on_click;

 private:
  EventLog& log_;
};

class FakeLabel final : public Label {
 public:
  void SetCaption(const Text& text) override { caption = text; }
  Text caption;
};

class FakeWindow final : public WindowTitle {
 public:
  explicit FakeWindow(EventLog& log) : log_(log) {}
  void SetTitle(const Text& text) override;
  Text title = kTitleBase;

 private:
  EventLog& log_;
};

class FakeGrid final : public Grid {
 public:
  explicit FakeGrid(EventLog& log) : log_(log) {}
  void SetEnabled(bool enabled) override;
  int32_t RowCount() const override {
    return static_cast<int32_t>(rows.size());
  }
  void SetRowCount(int32_t count) override;
  int32_t ColumnCount() const override { return columns; }
  void SetColumnCount(int32_t count) override;
  void SetFixedRowCount(int32_t count) override;
  void SetFixedColumnCount(int32_t count) override;
  Text CellText(int32_t row, int32_t column) const override;
  void SetCellText(int32_t row, int32_t column, const Text& text) override;
  void AddRow(const Text& item) override;
  void RemoveRow(int32_t row) override;
  int32_t CurrentRow() const override { return current_row; }
  void SelectRange(int32_t row1, int32_t column1, int32_t row2,
                   int32_t column2) override;
  void SetColumnWidth(int32_t column, int32_t width) override;
  int32_t Width() const override { return width; }
  void SetSelectionAlwaysVisible(bool visible) override;

  // Adds a file row directly, as the file selection would.
  void AppendFile(const Text& path, const Text& name);

  std::vector<std::vector<Text>> rows{std::vector<Text>(2)};
  int32_t columns = 2;
  int32_t current_row = 0;
  int32_t width = 7020;
  bool enabled = false;
  std::map<int32_t, int32_t> column_widths;
  std::vector<int32_t> selection;  // row1, column1, row2, column2

 private:
  EventLog& log_;
};

class FakeDialog final : public FileDialog {
 public:
  explicit FakeDialog(EventLog& log) : log_(log) {}
  void SetDialogTitle(const Text& title) override;
  void SetCancelError(bool raise_error) override;
  void SetFilter(const Text& filter) override;
  void SetFilterIndex(int32_t index) override;
  void SetFlags(uint32_t flags) override;
  void SetMaxFileSize(int32_t size) override;
  PendingError ShowOpen() override;
  Text FileName() const override { return result_text; }

  // What the next ShowOpen gives.
  PendingError outcome;
  Text result_text;

 private:
  EventLog& log_;
};

class FakeMessages final : public MessageBoxes {
 public:
  explicit FakeMessages(EventLog& log) : log_(log) {}
  MessageAnswer Show(const Text& text, MessageStyle style) override;

  struct Shown {
    Text text;
    MessageStyle style;
  };
  std::vector<Shown> shown;
  std::deque<MessageAnswer> answers;  // default: OK, or No for questions

 private:
  EventLog& log_;
};

// A server that answers as a test scripts it and records every call.
class ScriptedAdo final : public AdoClient {
 public:
  explicit ScriptedAdo(EventLog& log) : log_(log) {}
  Created<AdoConnection> CreateConnection() override;
  Created<AdoCommand> CreateCommand() override;

  PendingError open_result;  // answer of the next Open calls
  PendingError close_result;
  // Execute failures by database name bound to @dbname.
  std::map<Text, PendingError> execute_failures;
  bool fail_creation = false;

  int connections_created = 0;
  int connections_alive = 0;
  int commands_created = 0;
  int commands_alive = 0;
  std::vector<std::pair<Text, Text>> executed;  // (@dbname, @physname)

  EventLog& log() { return log_; }

 private:
  EventLog& log_;
};

// All fakes and a form over them. The registry is supplied by the test.
struct FormFixture {
  explicit FormFixture(RegistryApi& registry);

  FrmAdjuntar& form() { return *form_; }
  // Events logged since the last call, then cleared.
  EventLog TakeEvents();

  EventLog events;
  FakeWindow window{events};
  FakeCombo combo{events};
  FakeButton command1{"Command1", events, true};
  FakeButton command2{"Command2", events, true};
  FakeButton command3{"Command3", events, false};
  FakeButton command4{"Command4", events, false};
  FakeLabel label3;
  FakeGrid grid{events};
  FakeDialog dialog{events};
  FakeMessages messages{events};
  ScriptedAdo ado{events};

 private:
  std::unique_ptr<FrmAdjuntar> form_;
};

// A registry with nothing in it: every open fails.
class EmptyRegistry final : public RegistryApi {
 public:
  int32_t OpenKey(RootKey, const Text&, uint32_t, RegistryKey*) override;
  int32_t QueryValueSize(RegistryKey, const Text&, uint32_t*,
                         uint32_t*) override;
  int32_t QueryValueData(RegistryKey, const Text&, uint32_t*, uint8_t*,
                         uint32_t*) override;
  void CloseKey(RegistryKey) override {}
  Text DecodeAnsi(const uint8_t* bytes, std::size_t count) const override;
};

}  // namespace quorvel::testing
