#include "fakes/fake_form.h"

#include <string>
#include <utility>

namespace quorvel::testing {

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

void FakeWindow::SetBusy(bool value) {
  busy = value;
  log_.push_back("Window.Busy=" + Flag(value));
}

void FakeWindow::ShowProgress(const Progress& value) {
  progress.push_back(value);
  static constexpr const char* kStates[] = {"none", "normal", "error"};
  log_.push_back(
      "Window.Progress=" + std::string(kStates[static_cast<int>(value.state)]) +
      " " + std::to_string(value.done) + "/" + std::to_string(value.total));
}

MessageAnswer FakeMessages::Show(const Text& text, MessageStyle style) {
  shown.push_back({text, style});
  if (while_shown) while_shown();
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
