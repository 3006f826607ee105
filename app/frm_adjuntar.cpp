#include "app/frm_adjuntar.h"

#include "connection/attach_run.h"
#include "connection/connection.h"
#include "files/file_grid.h"
#include "files/file_selection.h"
#include "servers/server_list.h"

namespace quorvel::app {

using connection::AdoConnection;
using connection::Created;
using files::FileDialog;
using files::Grid;

namespace {

// The grid's file rows as the attach run reads them. Each row gets its mark
// as its call returns, before a failure's own box; the taskbar button shows
// the share of rows done, in the error state from the first failure on.
class GridRows final : public connection::AttachRows {
 public:
  GridRows(Grid& grid, FormWindow& window, MessageBoxes& messages,
           const FrmAdjuntar& form, int32_t rows)
      : grid_(grid),
        window_(window),
        messages_(messages),
        form_(form),
        progress_{ProgressState::kNormal, 0, rows} {
    grid_.ClearRowMarks();
    if (rows > 0) window_.ShowProgress(progress_);
  }

  // A long run shows which file it is at; the window draws it while it
  // waits for the call.
  bool BeforeCall(int32_t row) override {
    if (form_.Closing()) return false;
    grid_.ShowRow(row);
    return true;
  }

  connection::AttachCall Read(int32_t row) override {
    return {grid_.CellText(row, 1), grid_.CellText(row, 0)};
  }

  void CallSucceeded(int32_t row) override {
    Returned(row, files::RowMark::kAttached);
  }

  void CallFailed(int32_t row, const PendingError& error) override {
    if (form_.Closing()) return;
    Returned(row, files::RowMark::kFailed);
    messages_.Show(error.description + u". En " + grid_.CellText(row, 1),
                   MessageStyle::kOkOnly);
  }

 private:
  void Returned(int32_t row, files::RowMark mark) {
    grid_.SetRowMark(row, mark);
    ++progress_.done;
    if (mark == files::RowMark::kFailed) {
      progress_.state = ProgressState::kError;
    }
    window_.ShowProgress(progress_);
  }

  Grid& grid_;
  FormWindow& window_;
  MessageBoxes& messages_;
  const FrmAdjuntar& form_;
  Progress progress_;
};

}  // namespace

FrmAdjuntar::FrmAdjuntar(const FormControls& controls,
                         const FormServices& services)
    : controls_(controls), services_(services) {}

FrmAdjuntar::Handler::Handler(FrmAdjuntar& form)
    : form_(form), started_(!form.handler_running_ && !form.closing_) {
  if (started_) form_.handler_running_ = true;
}

FrmAdjuntar::Handler::~Handler() {
  if (started_) form_.handler_running_ = false;
}

// ---- window states ----------------------------------------------------------

void FrmAdjuntar::SetTitle(const Text& suffix) {
  controls_.window.SetTitle(Text(kTitleBase) + suffix);
}

void FrmAdjuntar::EnterConnectedState() {
  controls_.Command1.SetEnabled(false);
  controls_.Command2.SetEnabled(true);
  controls_.Combo1.SetEnabled(false);
  controls_.vsFlexGrid1.SetEnabled(true);
  controls_.Command3.SetEnabled(true);
  controls_.Command4.SetEnabled(true);
  SetTitle(kSuffixConnected);
}

void FrmAdjuntar::EnterDisconnectedState() {
  controls_.Command1.SetEnabled(true);
  controls_.Command2.SetEnabled(false);
  controls_.Combo1.SetEnabled(true);
  controls_.vsFlexGrid1.SetEnabled(false);
  controls_.Command3.SetEnabled(false);
  controls_.Command4.SetEnabled(false);
  controls_.vsFlexGrid1.SetRowCount(1);
  SetTitle(kSuffixDisconnected);
}

void FrmAdjuntar::SetUpFileGrid() {
  files::SetUpFileGrid(controls_.vsFlexGrid1);
}

// ---- events ----------------------------------------------------------------

void FrmAdjuntar::Form_Load() {
  const Handler handler(*this);
  if (!handler) return;
  SetTitle(kSuffixDisconnected);
  LoadServerList();
  // Raises Combo1_Click, which shows the first server's version. With an
  // empty list there is nothing to select and nothing happens.
  selecting_first_server_ = true;
  controls_.Combo1.SetListIndex(0);
  selecting_first_server_ = false;

  const int32_t entries = controls_.Combo1.ListCount();
  controls_.Command1.SetEnabled(entries > 0);
  controls_.Command2.SetEnabled(false);
  if (entries == 1) ConnectToServer();

  SetUpFileGrid();
}

void FrmAdjuntar::Combo1_Click() {
  if (selecting_first_server_) {
    ShowVersion();
    return;
  }
  const Handler handler(*this);
  if (handler) ShowVersion();
}

void FrmAdjuntar::ShowVersion() {
  // Also an empty version replaces the one shown before.
  controls_.Label3.SetCaption(servers::ServerVersion(
      services_.registry, controls_.Combo1.CurrentText()));
}

void FrmAdjuntar::Command1_Click() {
  const Handler handler(*this);
  if (handler) ConnectToServer();
}

void FrmAdjuntar::Command2_Click() {
  const Handler handler(*this);
  if (!handler) return;
  connection::CloseAndRelease(ServerConnection);
  if (!closing_) EnterDisconnectedState();
}

void FrmAdjuntar::Command3_Click() {
  const Handler handler(*this);
  if (!handler) return;
  FileDialog& dialog = controls_.CommonDialog1;
  files::PrepareOpenDialog(dialog);
  // Cancel and failures alike end the handler without a word.
  if (dialog.ShowOpen().Failed() || closing_) return;
  for (const Text& path : files::ChosenPaths(dialog.FileName())) {
    files::AddFileRow(controls_.vsFlexGrid1, path);
  }
}

void FrmAdjuntar::Command4_Click() {
  const Handler handler(*this);
  if (!handler) return;
  Grid& grid = controls_.vsFlexGrid1;
  const int32_t last_row = grid.RowCount() - 1;
  GridRows rows(grid, controls_.window, controls_.messages, *this, last_row);
  connection::AttachRun run(ServerConnection.get());
  connection::AttachOutcome outcome;
  {
    BusyWindow busy(controls_.window);
    outcome = run.AttachEveryRow(last_row, rows);
  }
  if (closing_) return;
  if (outcome == connection::AttachOutcome::kEveryCallSucceeded) {
    controls_.messages.Show(u"Fin del proceso", MessageStyle::kOkOnly);
  }
  // The run's progress goes with its last box.
  controls_.window.ShowProgress({});
}

void FrmAdjuntar::vsFlexGrid1_KeyDown(int16_t& KeyCode, int16_t /*Shift*/) {
  const Handler handler(*this);
  if (!handler) return;
  Grid& grid = controls_.vsFlexGrid1;
  const bool file_row_current = grid.CurrentRow() > 0;
  const bool delete_pressed = KeyCode == kDeleteKeyCode;
  if (!(file_row_current && delete_pressed)) return;
  // A 32-bit row number reaches every row of a long list.
  const int32_t row = grid.CurrentRow();
  files::SelectWholeRow(grid, row);
  const MessageAnswer answer = controls_.messages.Show(
      u"Desea eliminar la línea seleccionada?", MessageStyle::kYesNoQuestion);
  if (answer == MessageAnswer::kYes && !closing_) grid.RemoveRow(row);
}

void FrmAdjuntar::Form_Unload() { closing_ = true; }

// ---- private routines -------------------------------------------------------

void FrmAdjuntar::LoadServerList() {
  for (const Text& entry : servers::ServerEntries(services_.registry)) {
    controls_.Combo1.AddItem(entry);
  }
}

void FrmAdjuntar::ConnectToServer() {
  Created<AdoConnection> created = services_.ado.CreateConnection();
  // Every attempt starts from a new object; the previous one goes here.
  ServerConnection = std::move(created.object);
  PendingError opened;
  if (ServerConnection) {
    BusyWindow busy(controls_.window);
    opened =
        connection::Open(*ServerConnection, controls_.Combo1.CurrentText());
  } else {
    opened = connection::AsFailure(created.error);
  }
  if (closing_) return;
  if (!opened.Failed()) {
    EnterConnectedState();
    return;
  }
  SetTitle(kSuffixDisconnected);
  controls_.messages.Show(opened.description, MessageStyle::kOkOnly);
}

}  // namespace quorvel::app
