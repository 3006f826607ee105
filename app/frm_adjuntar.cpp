#include "app/frm_adjuntar.h"

namespace quorvel {

FrmAdjuntar::FrmAdjuntar(const FormControls& controls,
                         const FormServices& services)
    : controls_(controls), services_(services) {}

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

void FrmAdjuntar::Form_Load() {
  SetTitle(kSuffixDisconnected);
  LoadServerList();
  // Raises Combo1_Click, which shows the first server's version. With an
  // empty list there is nothing to select and nothing happens.
  controls_.Combo1.SetListIndex(0);

  const int32_t entries = controls_.Combo1.ListCount();
  controls_.Command1.SetEnabled(entries > 0);
  controls_.Command2.SetEnabled(false);
  if (entries == 1) {
    ConnectToServer();
  }

  SetUpFileGrid();
}

}  // namespace quorvel
