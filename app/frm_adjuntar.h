// The main window's logic: load sequence, states and every event handler.
// The view forwards events here and draws; nothing here knows about Win32.
#pragma once

#include <cstdint>
#include <memory>

#include "common/controls.h"
#include "connection/ado_client.h"
#include "files/file_dialog.h"
#include "files/grid.h"
#include "registry/registry_api.h"

namespace quorvel::app {

inline constexpr char16_t kTitleBase[] = u"Adjuntar Base de datos Sql server.";
inline constexpr char16_t kSuffixConnected[] = u" Conectado.";
inline constexpr char16_t kSuffixDisconnected[] = u" No conectado.";
inline constexpr char16_t kApplicationTitle[] = u"Velmora";
inline constexpr int16_t kDeleteKeyCode = 46;

struct FormControls {
  FormWindow& window;
  ComboBox& Combo1;
  Button& Command1;  // "Conectar"
  Button& Command2;  // "Desconectar"
  Button& Command3;  // "Seleccionar Ficheros"
  Button& Command4;  // "Adjuntar"
  Label& Label3;     // version display
  files::Grid& vsFlexGrid1;
  files::FileDialog& CommonDialog1;
  MessageBoxes& messages;
};

struct FormServices {
  registry::RegistryApi& registry;
  connection::AdoClient& ado;
};

class FrmAdjuntar {
 public:
  FrmAdjuntar(const FormControls& controls, const FormServices& services);

  // Events. One handler runs at a time, each to its end: an event that comes
  // while another handler waits for the server, a box or the dialog (sent by
  // another program, say) starts nothing, now or later.
  void Form_Load();
  void Combo1_Click();
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();
  void vsFlexGrid1_KeyDown(int16_t& KeyCode, int16_t Shift);
  // The window is closing, maybe from under a message box, the dialog or a
  // server call of a handler still running: from now on no handler calls the
  // server, shows a box or adds a row.
  void Form_Unload();

  // Window states.
  void SetTitle(const Text& suffix);
  void EnterConnectedState();
  void EnterDisconnectedState();
  void SetUpFileGrid();

  bool Closing() const { return closing_; }

 private:
  // Marks a handler as running for as long as it lives; false when another
  // one runs already, or the window is closing, and this one must not start.
  class Handler {
   public:
    explicit Handler(FrmAdjuntar& form);
    ~Handler();
    Handler(const Handler&) = delete;
    Handler& operator=(const Handler&) = delete;
    explicit operator bool() const { return started_; }

   private:
    FrmAdjuntar& form_;
    bool started_;
  };

  void LoadServerList();
  void ConnectToServer();
  void ShowVersion();

  FormControls controls_;
  FormServices services_;
  std::unique_ptr<connection::AdoConnection> ServerConnection;
  bool closing_ = false;
  bool handler_running_ = false;
  // The load sequence's own selection raises Combo1_Click inside it.
  bool selecting_first_server_ = false;
};

}  // namespace quorvel::app
