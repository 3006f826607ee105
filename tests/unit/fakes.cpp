#include "fakes.h"

namespace quorvel::testing {

namespace {

std::string Flag(bool value) { return value ? "1" : "0"; }

// Names an object of the scripted server, counts it while it lives and logs
// what is asked of it.
class ScriptedObject {
 public:
  ScriptedObject(ScriptedAdo& server, const std::string& kind, int serial,
                 int& alive)
      : server_(server),
        name_(kind + "#" + std::to_string(serial)),
        alive_(alive) {
    ++alive_;
  }
  ~ScriptedObject() {
    --alive_;
    Log("Released");
  }
  ScriptedObject(const ScriptedObject&) = delete;
  ScriptedObject& operator=(const ScriptedObject&) = delete;
  const std::string& name() const { return name_; }

 protected:
  PendingError Log(const std::string& what) {
    server_.log().push_back(name_ + "." + what);
    return {};
  }
  ScriptedAdo& server_;

 private:
  std::string name_;
  int& alive_;
};

class ScriptedConnection final : public AdoConnection, public ScriptedObject {
 public:
  ScriptedConnection(ScriptedAdo& server, int serial)
      : ScriptedObject(server, "Connection", serial, server.connections_alive) {
  }
  PendingError SetCommandTimeout(int32_t seconds) override {
    return Log("CommandTimeout=" + std::to_string(seconds));
  }
  PendingError SetProvider(const Text& provider) override {
    return Log("Provider=" + Narrow(provider));
  }
  PendingError SetConnectionString(const Text& text) override {
    return Log("ConnectionString=" + Narrow(text));
  }
  PendingError Open() override {
    Log("Open");
    return server_.open_result;
  }
  PendingError Close() override {
    Log("Close");
    return server_.close_result;
  }
};

class ScriptedCommand final : public AdoCommand, public ScriptedObject {
 public:
  ScriptedCommand(ScriptedAdo& server, int serial)
      : ScriptedObject(server, "Command", serial, server.commands_alive) {}
  PendingError SetActiveConnection(AdoConnection& connection) override {
    return Log("ActiveConnection=" +
               static_cast<ScriptedConnection&>(connection).name());
  }
  PendingError SetCommandType(int32_t type) override {
    return Log("CommandType=" + std::to_string(type));
  }
  PendingError SetCommandText(const Text& text) override {
    return Log("CommandText=" + Narrow(text));
  }
  PendingError RefreshParameters() override {
    refreshed_ = true;
    return Log("Refresh");
  }
  PendingError SetParameterValue(const Text& name, const Text& value) override {
    if (!refreshed_) {
      return {3265, u"Item cannot be found in the collection."};
    }
    values_[name] = value;
    return Log(Narrow(name) + "=" + Narrow(value));
  }
  PendingError Execute() override {
    Log("Execute");
    const Text dbname = values_[u"@dbname"];
    server_.executed.emplace_back(dbname, values_[u"@physname"]);
    const auto failure = server_.execute_failures.find(dbname);
    return failure == server_.execute_failures.end() ? PendingError{}
                                                     : failure->second;
  }

 private:
  bool refreshed_ = false;
  std::map<Text, Text> values_;
};

}  // namespace

std::string Narrow(const Text& text) {
  std::string narrow;
  for (char16_t c : text) {
    if (c == u'\0') {
      narrow += "\\0";
    } else if (c < 0x80) {
      narrow += static_cast<char>(c);
    } else {
      narrow += "\\u" + std::to_string(static_cast<unsigned>(c));
    }
  }
  return narrow;
}

void FakeButton::SetEnabled(bool value) {
  enabled = value;
  log_.push_back(name_ + ".Enabled=" + Flag(value));
}

void FakeCombo::SetEnabled(bool value) {
  enabled = value;
  log_.push_back("Combo1.Enabled=" + Flag(value));
}

bool FakeCombo::SetListIndex(int32_t index) {
  if (index < 0 || index >= ListCount()) {
    return false;
  }
  selected = index;
  log_.push_back("Combo1.ListIndex=" + std::to_string(index));
  if (on_click) {
    on_click();
  }
  return true;
}

Text FakeCombo::CurrentText() const {
  return selected < 0 ? Text() : items[static_cast<std::size_t>(selected)];
}

void FakeWindow::SetTitle(const Text& text) {
  title = text;
  log_.push_back("Title=" + Narrow(text));
}

void FakeGrid::SetEnabled(bool value) {
  enabled = value;
  log_.push_back("Grid.Enabled=" + Flag(value));
}

void FakeGrid::SetRowCount(int32_t count) {
  rows.resize(static_cast<std::size_t>(count),
              std::vector<Text>(static_cast<std::size_t>(columns)));
  log_.push_back("Grid.RowCount=" + std::to_string(count));
}

void FakeGrid::SetColumnCount(int32_t count) {
  columns = count;
  for (auto& row : rows) {
    row.resize(static_cast<std::size_t>(count));
  }
  log_.push_back("Grid.ColumnCount=" + std::to_string(count));
}

void FakeGrid::SetFixedRowCount(int32_t count) {
  log_.push_back("Grid.FixedRowCount=" + std::to_string(count));
}

void FakeGrid::SetFixedColumnCount(int32_t count) {
  log_.push_back("Grid.FixedColumnCount=" + std::to_string(count));
}

Text FakeGrid::CellText(int32_t row, int32_t column) const {
  return rows.at(static_cast<std::size_t>(row))
      .at(static_cast<std::size_t>(column));
}

void FakeGrid::SetCellText(int32_t row, int32_t column, const Text& text) {
  rows.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column)) =
      text;
  if (row == 0) {
    log_.push_back("Grid.Header(" + std::to_string(column) +
                   ")=" + Narrow(text));
  }
}

void FakeGrid::AddRow(const Text& item) {
  rows.emplace_back(static_cast<std::size_t>(columns));
  rows.back()[0] = item;
}

void FakeGrid::RemoveRow(int32_t row) {
  rows.erase(rows.begin() + row);
  log_.push_back("Grid.RemoveRow(" + std::to_string(row) + ")");
}

void FakeGrid::SelectRange(int32_t row1, int32_t column1, int32_t row2,
                           int32_t column2) {
  selection = {row1, column1, row2, column2};
}

void FakeGrid::SetColumnWidth(int32_t column, int32_t value) {
  column_widths[column] = value;
  log_.push_back("Grid.ColumnWidth(" + std::to_string(column) +
                 ")=" + std::to_string(value));
}

void FakeGrid::SetSelectionAlwaysVisible(bool visible) {
  log_.push_back("Grid.SelectionAlwaysVisible=" + Flag(visible));
}

void FakeGrid::AppendFile(const Text& path, const Text& name) {
  rows.push_back({path, name});
}

void FakeDialog::SetDialogTitle(const Text& title) {
  log_.push_back("Dialog.Title=" + Narrow(title));
}
void FakeDialog::SetCancelError(bool raise_error) {
  log_.push_back("Dialog.CancelError=" + Flag(raise_error));
}
void FakeDialog::SetFilter(const Text& filter) {
  log_.push_back("Dialog.Filter=" + Narrow(filter));
}
void FakeDialog::SetFilterIndex(int32_t index) {
  log_.push_back("Dialog.FilterIndex=" + std::to_string(index));
}
void FakeDialog::SetFlags(uint32_t flags) {
  log_.push_back("Dialog.Flags=" + std::to_string(flags));
}
void FakeDialog::SetMaxFileSize(int32_t size) {
  log_.push_back("Dialog.MaxFileSize=" + std::to_string(size));
}
PendingError FakeDialog::ShowOpen() {
  log_.push_back("Dialog.ShowOpen");
  return outcome;
}

MessageAnswer FakeMessages::Show(const Text& text, MessageStyle style) {
  shown.push_back({text, style});
  log_.push_back("Message(" + std::to_string(static_cast<int>(style)) +
                 ")=" + Narrow(text));
  if (!answers.empty()) {
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  return style == MessageStyle::kOkOnly ? MessageAnswer::kOk
                                        : MessageAnswer::kNo;
}

Created<AdoConnection> ScriptedAdo::CreateConnection() {
  if (fail_creation) {
    return {nullptr, {-2147221164, u"Class not registered"}};
  }
  return {std::make_unique<ScriptedConnection>(*this, ++connections_created),
          {}};
}

Created<AdoCommand> ScriptedAdo::CreateCommand() {
  if (fail_creation) {
    return {nullptr, {-2147221164, u"Class not registered"}};
  }
  return {std::make_unique<ScriptedCommand>(*this, ++commands_created), {}};
}

FormFixture::FormFixture(RegistryApi& registry) {
  const FormControls controls{window,   combo,  command1, command2, command3,
                              command4, label3, grid,     dialog,   messages};
  form_ = std::make_unique<FrmAdjuntar>(controls, FormServices{registry, ado});
  combo.on_click = [this] { form_->Combo1_Click(); };
}

EventLog FormFixture::TakeEvents() { return std::exchange(events, {}); }

int32_t EmptyRegistry::OpenKey(RootKey, const Text&, uint32_t, RegistryKey*) {
  return 2;  // ERROR_FILE_NOT_FOUND
}
int32_t EmptyRegistry::QueryValueSize(RegistryKey, const Text&, uint32_t*,
                                      uint32_t*) {
  return 6;  // ERROR_INVALID_HANDLE
}
int32_t EmptyRegistry::QueryValueData(RegistryKey, const Text&, uint32_t*,
                                      uint8_t*, uint32_t*) {
  return 6;
}
Text EmptyRegistry::DecodeAnsi(const uint8_t* bytes, std::size_t count) const {
  return Text(bytes, bytes + count);
}

}  // namespace quorvel::testing
