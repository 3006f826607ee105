// Identifiers of the main window and its controls, shared with the
// end-to-end driver so it can find every control with GetDlgItem.
#pragma once

namespace quorvel::app::win32 {

// Class of the one top-level window.
inline constexpr wchar_t kMainWindowClass[] = L"QuorvelFrmAdjuntar";

// Child control identifiers. None is IDOK (1) or IDCANCEL (2): those commands
// mean Enter and Esc, which must press nothing.
inline constexpr int kIdLabel1 = 101;    // "Servidor"
inline constexpr int kIdCombo1 = 102;    // server chooser
inline constexpr int kIdCommand1 = 103;  // "Conectar"
inline constexpr int kIdCommand2 = 104;  // "Desconectar"
inline constexpr int kIdGrid = 105;      // vsFlexGrid1, a report ListView
inline constexpr int kIdCommand3 = 106;  // "Seleccionar Ficheros"
inline constexpr int kIdCommand4 = 107;  // "Adjuntar"
inline constexpr int kIdLabel2 = 108;    // "Version"
inline constexpr int kIdLabel3 = 109;    // version display

}  // namespace quorvel::app::win32
