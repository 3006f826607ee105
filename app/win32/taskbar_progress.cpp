#include "app/win32/taskbar_progress.h"

namespace quorvel::app::win32 {
namespace {

TBPFLAG FlagOf(ProgressState state) {
  switch (state) {
    case ProgressState::kNormal:
      return TBPF_NORMAL;
    case ProgressState::kError:
      return TBPF_ERROR;
    case ProgressState::kNone:
      break;
  }
  return TBPF_NOPROGRESS;
}

}  // namespace

TaskbarProgress::TaskbarProgress(HWND window)
    : window_(window),
      button_created_(RegisterWindowMessageW(L"TaskbarButtonCreated")) {
  if (button_created_ != 0) {
    ChangeWindowMessageFilterEx(window_, button_created_, MSGFLT_ALLOW,
                                nullptr);
  }
}

TaskbarProgress::~TaskbarProgress() {
  // Before the apartment goes.
  taskbar_.Reset();
}

void TaskbarProgress::OnButtonCreated() {
  if (!taskbar_) {
    if (!apartment_) apartment_.emplace();
    if (FAILED(apartment_->Failure())) return;
    com::ComPtr<ITaskbarList3> taskbar;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr,
                                CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                &taskbar)) ||
        !taskbar || FAILED(taskbar->HrInit())) {
      return;
    }
    taskbar_ = taskbar;
  }
  Apply(true);
}

void TaskbarProgress::Show(const Progress& progress) {
  wanted_ = progress;
  Apply(false);
}

// Only what changed, unless the button is new and shows nothing yet.
void TaskbarProgress::Apply(bool again) {
  if (!taskbar_) return;
  if (again || wanted_.state != shown_.state) {
    taskbar_->SetProgressState(window_, FlagOf(wanted_.state));
  }
  if (wanted_.state != ProgressState::kNone &&
      (again || wanted_.done != shown_.done || wanted_.total != shown_.total)) {
    taskbar_->SetProgressValue(window_, static_cast<ULONGLONG>(wanted_.done),
                               static_cast<ULONGLONG>(wanted_.total));
  }
  shown_ = wanted_;
}

}  // namespace quorvel::app::win32
