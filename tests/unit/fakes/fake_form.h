// In-memory controls and message boxes, and a fixture that wires them, the
// file fakes and the scripted ADO client to a FrmAdjuntar.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/frm_adjuntar.h"
#include "fakes/event_log.h"
#include "fakes/fake_files.h"
#include "fakes/scripted_ado.h"

namespace quorvel::testing {

// The fakes stand in for these interfaces, under their own names.
using namespace ::quorvel::app;
using namespace ::quorvel::registry;

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

class FakeWindow final : public FormWindow {
 public:
  explicit FakeWindow(EventLog& log) : log_(log) {}
  void SetTitle(const Text& text) override;
  void SetBusy(bool value) override;
  void ShowProgress(const Progress& value) override;
  Text title = kTitleBase;
  bool busy = false;
  std::vector<Progress> progress;

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
  // Runs while a box is up, as another event would (the window closing).
  std::function<void()> while_shown;

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
