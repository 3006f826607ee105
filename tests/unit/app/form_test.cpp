// The form's own handlers over the fakes: the load sequence, the title, the
// two window states, and "Conectar" and "Desconectar" over the scripted
// server; then the file rows: "Seleccionar Ficheros" with the dialog's
// settings, rows appended only for a confirmed choice, and a row removed
// with the Delete key.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_form.h"
#include "fakes/simulated_registry.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char16_t kServerKey[] = u"SOFTWARE\\Microsoft\\Microsoft SQL Server";
constexpr char kNoConnection[] =
    "Title=Adjuntar Base de datos Sql server. No conectado.";
constexpr char kConnected[] =
    "Title=Adjuntar Base de datos Sql server. Conectado.";

class FormLoad : public ::testing::Test, protected FormFixture {
 protected:
  void Install(const std::vector<std::string>& instances) {
    registry.SetValue(View::k32Bit, kServerKey, u"InstalledInstances",
                      MultiSz(instances));
    registry.SetValue(View::k32Bit,
                      u"SOFTWARE\\Microsoft\\MSSQLSERVER\\MSSQLServer\\"
                      u"CurrentVersion",
                      u"CurrentVersion", Sz("15.0.2000.5"));
  }
};

TEST_F(FormLoad, NoServerLeavesBothConnectionButtonsOff) {
  form().Form_Load();

  EXPECT_THAT(
      TakeEvents(),
      ElementsAre(kNoConnection, "Command1.Enabled=0", "Command2.Enabled=0",
                  "Grid.RowCount=1", "Grid.FixedRowCount=1",
                  "Grid.ColumnCount=2", "Grid.FixedColumnCount=0",
                  "Grid.Header(0)=Ruta", "Grid.Header(1)=Base Datos",
                  "Grid.ColumnWidth(1)=100", "Grid.LastColumnFillsWidth=1",
                  "Grid.ColumnWidth(0)=4914"));
  EXPECT_THAT(combo.items, IsEmpty());
  EXPECT_TRUE(combo.enabled);
  EXPECT_EQ(label3.caption, u"");
  EXPECT_EQ(ado.connections_created, 0);
  // Nothing was selected, so no version was looked up: only the two reads
  // of the instance list.
  EXPECT_EQ(registry.opens().size(), 2u);
}

TEST_F(FormLoad, OneServerConnectsBeforeTheGridIsSetUp) {
  Install({"MSSQLSERVER"});
  form().Form_Load();

  const EventLog events = TakeEvents();
  ASSERT_GE(events.size(), 18u);
  EXPECT_THAT(
      std::vector<std::string>(events.begin(), events.begin() + 14),
      ElementsAre(kNoConnection, "Combo1.ListIndex=0", "Command1.Enabled=1",
                  "Command2.Enabled=0", "Window.Busy=1",
                  "Connection#1.CommandTimeout=3600",
                  "Connection#1.Provider=SQLOLEDB",
                  "Connection#1.ConnectionString=Data "
                  "Source=(LOCAL);Integrated security=SSPI",
                  "Connection#1.Open", "Window.Busy=0", "Command1.Enabled=0",
                  "Command2.Enabled=1", "Combo1.Enabled=0", "Grid.Enabled=1"));
  EXPECT_EQ(events[16], kConnected);
  EXPECT_EQ(events[17], "Grid.RowCount=1");
  EXPECT_EQ(label3.caption, u"15.0.2000.5");
  EXPECT_EQ(window.title, u"Adjuntar Base de datos Sql server. Conectado.");
}

TEST_F(FormLoad, OneServerThatRefusesShowsItsErrorDuringLoad) {
  Install({"MSSQLSERVER"});
  ado.open_result = {-2147467259, u"[DBNETLIB]SQL Server does not exist"};
  form().Form_Load();

  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, u"[DBNETLIB]SQL Server does not exist");
  EXPECT_EQ(messages.shown[0].style, MessageStyle::kOkOnly);
  EXPECT_EQ(window.title, u"Adjuntar Base de datos Sql server. No conectado.");
  EXPECT_TRUE(command1.enabled);
  EXPECT_FALSE(command2.enabled);
  EXPECT_EQ(grid.CellText(0, 1), u"Base Datos");
}

TEST_F(FormLoad, TwoServersSelectTheFirstAndWait) {
  Install({"MSSQLSERVER", "Ventas"});
  form().Form_Load();

  EXPECT_THAT(combo.items, ElementsAre(u"(LOCAL)", u"(LOCAL)\\Ventas"));
  EXPECT_EQ(combo.selected, 0);
  EXPECT_EQ(label3.caption, u"15.0.2000.5");
  EXPECT_TRUE(command1.enabled);
  EXPECT_FALSE(command2.enabled);
  EXPECT_EQ(ado.connections_created, 0);
  EXPECT_EQ(window.title, u"Adjuntar Base de datos Sql server. No conectado.");
}

TEST_F(FormLoad, ASingleViewSystemWithOneInstanceConnectsAtLoad) {
  SimulatedRegistry single(/*single_view=*/true);
  FormFixture one_view{&single};
  single.SetValue(View::k32Bit, kServerKey, u"InstalledInstances",
                  MultiSz({"MSSQLSERVER"}));
  one_view.form().Form_Load();
  EXPECT_THAT(one_view.combo.items, ElementsAre(u"(LOCAL)"));
  EXPECT_EQ(one_view.ado.connections_created, 1);
  EXPECT_FALSE(one_view.command1.enabled);  // connected
}

class WindowStates : public ::testing::Test, protected FormFixture {};

TEST_F(WindowStates, ApplyTheirFlagsInOrder) {
  form().SetUpFileGrid();
  grid.AppendFile(u"C:\\a.mdf", u"a");
  TakeEvents();

  form().EnterConnectedState();
  EXPECT_THAT(
      TakeEvents(),
      ElementsAre("Command1.Enabled=0", "Command2.Enabled=1",
                  "Combo1.Enabled=0", "Grid.Enabled=1", "Command3.Enabled=1",
                  "Command4.Enabled=1", kConnected));
  EXPECT_EQ(grid.RowCount(), 2);

  form().EnterDisconnectedState();
  EXPECT_THAT(
      TakeEvents(),
      ElementsAre("Command1.Enabled=1", "Command2.Enabled=0",
                  "Combo1.Enabled=1", "Grid.Enabled=0", "Command3.Enabled=0",
                  "Command4.Enabled=0", "Grid.RowCount=1", kNoConnection));
  EXPECT_EQ(grid.RowCount(), 1);
  EXPECT_EQ(grid.CellText(0, 0), u"Ruta");
}

class Connection : public ::testing::Test, protected FormFixture {
 protected:
  Connection() {
    Servers({u"(LOCAL)", u"(LOCAL)\\N\u00D3MINA"});
    form().SetUpFileGrid();
    TakeEvents();
  }
};

TEST_F(Connection, SuccessEntersTheConnectedState) {
  form().Command1_Click();

  EXPECT_THAT(
      TakeEvents(),
      ElementsAre("Window.Busy=1", "Connection#1.CommandTimeout=3600",
                  "Connection#1.Provider=SQLOLEDB",
                  "Connection#1.ConnectionString=Data "
                  "Source=(LOCAL);Integrated security=SSPI",
                  "Connection#1.Open", "Window.Busy=0", "Command1.Enabled=0",
                  "Command2.Enabled=1", "Combo1.Enabled=0", "Grid.Enabled=1",
                  "Command3.Enabled=1", "Command4.Enabled=1", kConnected));
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(ado.connections_alive, 1);
}

TEST_F(Connection, FailureShowsTheDescriptionAndChangesNoFlag) {
  ado.open_result = {-2147467259, u"Login failed for user 'X'."};
  form().Command1_Click();

  EXPECT_THAT(
      TakeEvents(),
      ElementsAre("Window.Busy=1", ::testing::_, ::testing::_, ::testing::_,
                  "Connection#1.Open", "Window.Busy=0", kNoConnection,
                  "Message(0)=Login failed for user 'X'."));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, u"Login failed for user 'X'.");
}

TEST_F(Connection, EveryAttemptUsesANewConnectionObject) {
  ado.open_result = {-1, u"down"};
  form().Command1_Click();
  ado.open_result = {};
  form().Command1_Click();

  EXPECT_EQ(ado.connections_created, 2);
  EXPECT_EQ(ado.connections_alive, 1);
  const EventLog events = TakeEvents();
  EXPECT_THAT(events, ::testing::Contains("Connection#1.Released"));
  EXPECT_THAT(events, ::testing::Contains("Connection#2.Open"));
}

TEST_F(Connection, AnObjectThatCannotBeCreatedIsReportedNotConnected) {
  ado.fail_creation = true;
  form().Command1_Click();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, u"Class not registered");
  EXPECT_FALSE(command3.enabled);
  EXPECT_EQ(window.title, u"Adjuntar Base de datos Sql server. No conectado.");
}

TEST_F(Connection, DisconnectClosesReleasesAndEmptiesTheGridEvenIfCloseFails) {
  form().Command1_Click();
  grid.AppendFile(u"C:\\a.mdf", u"a");
  TakeEvents();
  ado.close_result = {-2147467259, u"Connection failure"};

  form().Command2_Click();

  EXPECT_THAT(
      TakeEvents(),
      ElementsAre("Connection#1.Close", "Connection#1.Released",
                  "Command1.Enabled=1", "Command2.Enabled=0",
                  "Combo1.Enabled=1", "Grid.Enabled=0", "Command3.Enabled=0",
                  "Command4.Enabled=0", "Grid.RowCount=1", kNoConnection));
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(ado.connections_alive, 0);
  EXPECT_EQ(grid.CellText(0, 1), u"Base Datos");
}

class FileSelection : public ::testing::Test, protected FormFixture {
 protected:
  FileSelection() {
    form().SetUpFileGrid();
    TakeEvents();
  }

  void Choose(const Text& result_text) {
    dialog.outcome = {};
    dialog.result_text = result_text;
    form().Command3_Click();
  }

  std::vector<std::vector<Text>> FileRows() {
    return {grid.rows.begin() + 1, grid.rows.end()};
  }
};

TEST_F(FileSelection, SetsTheDialogUpInOrderBeforeShowingIt) {
  Choose(u"C:\\Data\\sales.mdf");
  EXPECT_THAT(TakeEvents(),
              ElementsAre("Dialog.Title=Seleccionar ficheros",
                          "Dialog.CancelError=1", "Dialog.Filter=*.mdf|*.mdf",
                          "Dialog.FilterIndex=0", "Dialog.Flags=2621956",
                          "Dialog.MaxFileSize=32000", "Dialog.ShowOpen"));
}

TEST_F(FileSelection, OneFileAndThenSeveralAreAppended) {
  Choose(u"C:\\Data\\sales.mdf");
  Choose(
      NulJoined({u"C:\\Data", u"Sales.MDF", u"archive.mdf.bak", u"sales.mdf"}));
  EXPECT_THAT(
      FileRows(),
      ElementsAre(ElementsAre(u"C:\\Data\\sales.mdf", u"sales"),
                  ElementsAre(u"C:\\Data\\Sales.MDF", u"Sales"),
                  ElementsAre(u"C:\\Data\\archive.mdf.bak", u"archive.mdf"),
                  ElementsAre(u"C:\\Data\\sales.mdf", u"sales")));
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileSelection, CancelAndFailureAddNothingAndSayNothing) {
  dialog.result_text = u"C:\\Data\\sales.mdf";
  dialog.outcome = {kDialogCancelled, u"Cancel was selected."};
  form().Command3_Click();
  dialog.outcome = {20476, u"Buffer too small"};
  form().Command3_Click();
  EXPECT_EQ(grid.RowCount(), 1);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileSelection, AChoiceConfirmedAsTheWindowClosesAddsNoRow) {
  dialog.result_text = u"C:\\Data\\sales.mdf";
  dialog.while_shown = [this] { form().Form_Unload(); };
  form().Command3_Click();
  EXPECT_EQ(grid.RowCount(), 1);
}

class DeleteKey : public ::testing::Test, protected FormFixture {
 protected:
  DeleteKey() {
    form().SetUpFileGrid();
    AddFiles({u"a", u"b", u"c"});
    TakeEvents();
  }

  void Press(int16_t key, int16_t shift = 0) {
    int16_t key_code = key;
    form().vsFlexGrid1_KeyDown(key_code, shift);
    EXPECT_EQ(key_code, key) << "the key goes on to the grid unchanged";
  }

  Text NameAt(int32_t row) { return grid.CellText(row, 1); }
};

TEST_F(DeleteKey, AsksOnlyForDeleteOnAFileRow) {
  grid.current_row = 0;  // the header row
  Press(kDeleteKeyCode);
  grid.current_row = 2;
  Press(13);  // Enter
  Press(8);   // Backspace
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(grid.RowCount(), 4);
}

TEST_F(DeleteKey, YesRemovesTheRowAndTheRowsBelowMoveUp) {
  grid.current_row = 2;
  messages.answers = {MessageAnswer::kYes};
  Press(kDeleteKeyCode);

  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text,
            u"Desea eliminar la l\u00EDnea seleccionada?");
  EXPECT_EQ(messages.shown[0].style, MessageStyle::kYesNoQuestion);
  EXPECT_EQ(grid.RowCount(), 3);
  EXPECT_EQ(NameAt(1), u"a");
  EXPECT_EQ(NameAt(2), u"c");
}

TEST_F(DeleteKey, NoKeepsTheRowSelectedAcrossBothColumns) {
  grid.current_row = 3;
  messages.answers = {MessageAnswer::kNo};
  Press(kDeleteKeyCode);

  EXPECT_EQ(grid.RowCount(), 4);
  EXPECT_THAT(grid.selection, ElementsAre(3, 0, 3, 1));
}

TEST_F(DeleteKey, ShiftCtrlAndAltAreIgnored) {
  grid.current_row = 1;
  messages.answers = {MessageAnswer::kYes, MessageAnswer::kYes,
                      MessageAnswer::kYes};
  Press(kDeleteKeyCode, 1);
  Press(kDeleteKeyCode, 2);
  Press(kDeleteKeyCode, 4);
  EXPECT_EQ(messages.shown.size(), 3u);
  EXPECT_EQ(grid.RowCount(), 1);
}

TEST_F(DeleteKey, ReachesRowsBeyondSixteenBits) {
  for (int i = 0; i < 40000; ++i) grid.AppendFile(u"C:\\x.mdf", u"x");
  grid.AppendFile(u"C:\\last.mdf", u"last");
  const int32_t last = grid.RowCount() - 1;
  grid.current_row = last;
  messages.answers = {MessageAnswer::kYes};
  Press(kDeleteKeyCode);
  EXPECT_EQ(grid.RowCount(), last);
  EXPECT_EQ(NameAt(last - 1), u"x");
}

}  // namespace
}  // namespace quorvel::testing
