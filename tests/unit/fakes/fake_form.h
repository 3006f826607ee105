// In-memory controls and message boxes, and a fixture that wires them, the
// file fakes, the scripted ADO client and a registry to a FrmAdjuntar.
#pragma once

#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/frm_adjuntar.h"
#include "fakes/event_log.h"
#include "fakes/fake_files.h"
#include "fakes/scripted_ado.h"
#include "fakes/simulated_registry.h"

namespace quorvel::testing {

// The fakes stand in for these interfaces, under their own names.
using namespace ::quorvel::app;

// A control whose enabled flag is kept and logged under its name.
template <typename Control>
class FakeEnabled : public Control {
 public:
  FakeEnabled(std::string name, EventLog& log, bool enabled_as_placed)
      : enabled(enabled_as_placed), name_(std::move(name)), log_(log) {}
  void SetEnabled(bool value) override {
    enabled = value;
    log_.push_back(name_ + ".Enabled=" + Flag(value));
  }
  bool enabled;

 protected:
  std::string name_;
  EventLog& log_;
};

using FakeButton = FakeEnabled<Button>;

class FakeCombo final : public FakeEnabled<ComboBox> {
 public:
  explicit FakeCombo(EventLog& log) : FakeEnabled("Combo1", log, true) {}
  void AddItem(const Text& item) override { items.push_back(item); }
  int32_t ListCount() const override {
    return static_cast<int32_t>(items.size());
  }
  bool SetListIndex(int32_t index) override {
    if (index < 0 || index >= ListCount()) return false;
    selected = index;
    log_.push_back("Combo1.ListIndex=" + std::to_string(index));
    if (on_click) on_click();
    return true;
  }
  Text CurrentText() const override {
    return selected < 0 ? Text() : items[static_cast<std::size_t>(selected)];
  }

  std::vector<Text> items;
  int32_t selected = -1;
  std::function<void()> on_click;
};

class FakeLabel final : public Label {
 public:
  void SetCaption(const Text& text) override { caption = text; }
  Text caption;
};

class FakeWindow final : public FormWindow {
 public:
  explicit FakeWindow(EventLog& log) : log_(log) {}
  void SetTitle(const Text& text) override {
    title = text;
    log_.push_back("Title=" + Narrow(text));
  }
  void SetBusy(bool value) override {
    log_.push_back("Window.Busy=" + Flag(value));
  }
  void ShowProgress(const Progress& value) override {
    progress.push_back(value);
    static constexpr const char* kStates[] = {"none", "normal", "error"};
    log_.push_back("Window.Progress=" +
                   std::string(kStates[static_cast<int>(value.state)]) + " " +
                   std::to_string(value.done) + "/" +
                   std::to_string(value.total));
  }
  Text title = kTitleBase;
  std::vector<Progress> progress;

 private:
  EventLog& log_;
};

class FakeMessages final : public MessageBoxes {
 public:
  explicit FakeMessages(EventLog& log) : log_(log) {}
  MessageAnswer Show(const Text& text, MessageStyle style) override {
    shown.push_back({text, style});
    if (while_shown) while_shown();
    log_.push_back("Message(" + std::to_string(static_cast<int>(style)) +
                   ")=" + Narrow(text));
    if (answers.empty()) {
      return style == MessageStyle::kOkOnly ? MessageAnswer::kOk
                                            : MessageAnswer::kNo;
    }
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  struct Shown {
    Text text;
    MessageStyle style;
  };
  std::vector<Shown> shown;
  std::deque<MessageAnswer> answers;  // default: OK, or No for questions
  // Runs while a box is up, as another event would (the window closing).
  std::function<void()> while_shown;

 private:
  EventLog& log_;
};

// All fakes and a form over them, over the registry and grid given or the
// fixture's own.
struct FormFixture {
  explicit FormFixture(RegistryApi* other_registry = nullptr,
                       files::Grid* other_grid = nullptr) {
    const FormControls controls{
        window,   combo,    command1, command2,
        command3, command4, label3,   other_grid ? *other_grid : grid,
        dialog,   messages};
    const FormServices services{other_registry ? *other_registry : registry,
                                ado};
    form_ = std::make_unique<FrmAdjuntar>(controls, services);
    combo.on_click = [this] { form_->Combo1_Click(); };
  }

  FrmAdjuntar& form() { return *form_; }
  // Events logged since the last call, then cleared.
  EventLog TakeEvents() { return std::exchange(event_log, {}); }
  // The entries of the server chooser, the first one selected.
  void Servers(std::initializer_list<Text> entries) {
    for (const Text& entry : entries) combo.AddItem(entry);
    combo.selected = 0;
  }
  // A file row "C:\Data\<name>.mdf" and <name> for each name.
  void AddFiles(std::initializer_list<const char16_t*> names) {
    for (const char16_t* name : names) {
      grid.AppendFile(Text(u"C:\\Data\\") + name + u".mdf", name);
    }
  }

  SimulatedRegistry registry;  // empty unless a test fills it
  EventLog event_log;
  FakeWindow window{event_log};
  FakeCombo combo{event_log};
  FakeButton command1{"Command1", event_log, true};
  FakeButton command2{"Command2", event_log, true};
  FakeButton command3{"Command3", event_log, false};
  FakeButton command4{"Command4", event_log, false};
  FakeLabel label3;
  FakeGrid grid{event_log};
  FakeDialog dialog{event_log};
  FakeMessages messages{event_log};
  ScriptedAdo ado{event_log};

 private:
  std::unique_ptr<FrmAdjuntar> form_;
};

}  // namespace quorvel::testing
