// One selection of 32767 names: how long the form takes to turn the dialog's
// result text into rows, in memory and in the real ListView grid, against
// adding 32767 empty items to a plain ListView (drawing held off while they
// go in, as a bulk fill is normally done) in the same run. Prints
// figures; fails only when rows go missing, never on a slow machine.
#include <fcntl.h>
#include <io.h>

#include "common/win32/windows_api.h"
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "fakes/fake_form.h"
#include "files/win32/listview_grid.h"
#include "tests/view/test_window.h"

namespace {

using quorvel::Text;

constexpr int kDefaultNames = 32767;
int kNames = kDefaultNames;  // a smaller count may be given for a quick look
constexpr int kRounds = 3;

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
      .count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The form with its dialog giving that result, over the grid given and the
// unit tests' fakes for the rest, after "Seleccionar Ficheros".
void SelectInto(quorvel::files::Grid& grid, const Text& result) {
  quorvel::testing::FormFixture form(nullptr, &grid);
  form.dialog.result_text = result;
  form.form().Command3_Click();
}

// A real window holding a ListView, shown so that it draws.
class Host {
 public:
  explicit Host(DWORD list_style)
      : list_(window_.AddChild(WC_LISTVIEWW, list_style, 1, 468, 300)) {}
  HWND list() const { return list_; }
  void Serve(quorvel::files::win32::ListViewGrid* grid) {
    window_.ServeGrid(grid);
  }
  // Lets the window draw what it now holds.
  void Settle() const {
    UpdateWindow(window_.Handle());
    quorvel::app::win32::testing::PumpMessages();
  }

 private:
  quorvel::app::win32::testing::TestWindow window_{/*shown=*/true};
  HWND list_;
};

void AddColumns(HWND list) {
  for (int column = 0; column < 2; ++column) {
    LVCOLUMNW lvc{};
    lvc.mask = LVCF_WIDTH;
    lvc.cx = column == 0 ? 320 : 100;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&lvc));
  }
}

constexpr char16_t kFolder[] = u"C:\\Datos\\Bases de prueba";

// "base_000001" and so on: the database name of the i-th file.
Text BaseName(int i) {
  const std::string digits = std::to_string(i);
  Text name = u"base_";
  name.append(6 - std::min<std::size_t>(digits.size(), 6), u'0');
  for (char c : digits) name += static_cast<char16_t>(c);
  return name;
}

Text SelectionText() {
  Text text = kFolder;
  for (int i = 1; i <= kNames; ++i) {
    text += u'\0';
    text += BaseName(i) + u".mdf";
  }
  return text;
}

// 32767 empty items the usual bulk way, drawing held off until done.
double TimeBaseline(bool& complete) {
  Host host(LVS_REPORT);
  AddColumns(host.list());
  host.Settle();
  const double seconds = Seconds([&] {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    wchar_t empty[] = L"";
    item.pszText = empty;
    SendMessageW(host.list(), WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < kNames; ++i) {
      item.iItem = i;
      SendMessageW(host.list(), LVM_INSERTITEMW, 0,
                   reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(host.list(), WM_SETREDRAW, TRUE, 0);
    host.Settle();
  });
  complete =
      complete && SendMessageW(host.list(), LVM_GETITEMCOUNT, 0, 0) == kNames;
  return seconds;
}

// The whole selection into the program's own grid, drawn.
double TimeGrid(const Text& result, bool& complete) {
  Host host(quorvel::files::win32::kListViewGridStyle);
  quorvel::files::win32::ListViewGrid grid(host.list(), 7020, 96);
  host.Serve(&grid);
  quorvel::testing::FormFixture(nullptr, &grid).form().SetUpFileGrid();
  host.Settle();
  const double seconds = Seconds([&] {
    SelectInto(grid, result);
    grid.ShowAddedRows();
    host.Settle();
  });
  complete = complete && grid.RowCount() == kNames + 1 &&
             SendMessageW(host.list(), LVM_GETITEMCOUNT, 0, 0) == kNames &&
             grid.CellText(kNames, 0) ==
                 Text(kFolder) + u"\\" + BaseName(kNames) + u".mdf";
  return seconds;
}

void PrintFigures(double core, double grid, double baseline, int rounds) {
  std::printf("selection bench: %d names, median of %d round(s)\n", kNames,
              rounds);
  std::printf("  core, result text to rows in memory       : %8.3f s\n", core);
  std::printf(
      "  whole selection into the real grid         : %8.3f s  (goal < 0.5 s: "
      "%s)\n",
      grid, grid < 0.5 ? "met" : "not met");
  std::printf("  baseline, %d empty ListView items (bulk) : %8.3f s\n", kNames,
              baseline);
  std::printf(
      "  grid / baseline                            : %8.2f   (goal <= 1.5: "
      "%s)\n",
      grid / baseline, grid / baseline <= 1.5 ? "met" : "not met");
  std::printf("  core / baseline                            : %8.2f\n",
              core / baseline);
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc > 1) kNames = std::clamp(std::atoi(argv[1]), 1, kDefaultNames);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);

  const Text result = SelectionText();
  std::vector<double> core_times;
  std::vector<double> grid_times;
  std::vector<double> baseline_times;
  bool complete = true;
  for (int round = 0; round < kRounds; ++round) {
    // Rows in the unit tests' grid, plain memory: the core's own cost.
    quorvel::testing::EventLog log;
    quorvel::testing::FakeGrid memory(log);
    core_times.push_back(Seconds([&] { SelectInto(memory, result); }));
    complete = complete && memory.RowCount() == kNames + 1 &&
               memory.CellText(kNames, 1) == BaseName(kNames);
    baseline_times.push_back(TimeBaseline(complete));
    grid_times.push_back(TimeGrid(result, complete));
    std::printf("  round %d: core %.3f s, baseline %.3f s, grid %.3f s\n",
                round + 1, core_times.back(), baseline_times.back(),
                grid_times.back());
    std::fflush(stdout);
    // A grid this slow would keep CI busy for long: one round tells enough.
    if (grid_times.back() > 20.0) break;
  }
  PrintFigures(Median(core_times), Median(grid_times), Median(baseline_times),
               static_cast<int>(grid_times.size()));
  if (!complete) {
    std::printf("selection bench: rows went missing\n");
    return 1;
  }
  return 0;
}
