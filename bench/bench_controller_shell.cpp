// The main window's grid at size: a time program of 10,000 rows holding 1 MB
// of received text, scrolled through page by page in the main window (each
// step a scroll and a synchronous repaint of the grid), and the whole window
// repainted.  Beside each, the same on a plain table view over a model that
// hands out the same texts from memory: the floor of Qt's own view.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>

#include <memory>
#include <string>

#include "BenchApp.h"
#include "Main.h"
#include "Registry.h"
#include "TimeProgram.h"

using namespace VelorTime;
using platform::tablestore::TValue;

namespace {

constexpr int Rows = 10000;

using bench::App;

struct WithApp {
    WithApp() { App(); }
};

// The window with the program loaded from its file, 1024 x 768, shown.
struct Fixture : WithApp {
    QTemporaryDir dir;
    std::unique_ptr<TfrmMain> window;
    QStandardItemModel plainModel;
    QTableView plainView;

    Fixture()
    {
        platform::registry::SetBaseFolder(dir.path() + QStringLiteral("/registry"));
        qputenv("XDG_DATA_HOME", (dir.path() + QStringLiteral("/data")).toLocal8Bit());

        TTimeProgram program;
        std::vector<std::vector<TValue>> all;
        size_t total = 0;
        for (int r = 0; r < Rows; ++r) {
            std::vector<TValue> row(ProgramFieldCount);
            row[fldSampleID] = std::int32_t{r + 1};
            row[fldSampleName] = "Sample " + std::to_string(r + 1);
            row[fldSampleType] = std::string(r % 10 == 0 ? "Standart" : "Sample");
            row[fldReplicates] = std::int32_t{2};
            const double times[6] = {5, 3, 6, 12, 1, 2};
            for (int i = 0; i < 6; ++i)
                row[fldWashingTime + i] = times[i];
            // Every third row holds readings (coloured), about 300 bytes each: 1 MB in all.
            if (r % 3 == 0) {
                std::string text;
                while (text.size() < 300 && total + text.size() < (1u << 20))
                    text += "\r\n" + std::to_string(1000 + (r * 7 + int(text.size())) % 9000);
                text += "\r\n-1000";
                total += text.size();
                row[fldReceivedData] = text;
            }
            all.push_back(std::move(row));
        }
        program.Table().ReplaceRows(std::move(all));
        const QString file = dir.path() + QStringLiteral("/big.ATP");
        program.SaveToFile(file.toStdString());

        window = std::make_unique<TfrmMain>();
        window->resize(1024, 768);
        window->show();
        window->OpenProgram(file);
        QCoreApplication::processEvents();

        // The baseline: the same texts in a plain model and view of the same size.
        const TTable& table = window->cdsProgram.Table();
        plainModel.setRowCount(Rows);
        plainModel.setColumnCount(table.FieldCount());
        for (int r = 0; r < Rows; ++r)
            for (int c = 0; c < table.FieldCount(); ++c)
                plainModel.setItem(r, c, new QStandardItem(QString::fromStdString(table.DisplayTextAt(r, c))));
        plainView.setModel(&plainModel);
        plainView.setFont(window->DBGrid->font());
        plainView.verticalHeader()->setDefaultSectionSize(window->DBGrid->verticalHeader()->defaultSectionSize());
        plainView.resize(window->DBGrid->size());
        plainView.show();
        QCoreApplication::processEvents();
    }
};

Fixture& TheFixture()
{
    static Fixture f;
    return f;
}

// One page down (back to the top after the end) and a synchronous repaint,
// from the given fraction of the program on.
void ScrollPages(benchmark::State& state, QTableView* view)
{
    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(int(bar->maximum() * (state.range(0) / 100.0)));
    for (auto _ : state) {
        const int next = bar->value() + bar->pageStep();
        bar->setValue(next > bar->maximum() ? 0 : next);
        view->viewport()->repaint();
    }
    state.counters["rows_per_page"] = bar->pageStep();
    state.counters["pages_to_end"] = bar->pageStep() > 0 ? double(Rows) / bar->pageStep() : 0;
}

void BM_GridScrollPage(benchmark::State& state)
{
    ScrollPages(state, TheFixture().window->DBGrid);
}
BENCHMARK(BM_GridScrollPage)->Arg(0)->Arg(50)->Arg(95)->Unit(benchmark::kMillisecond);

void BM_GridScrollPage_PlainView(benchmark::State& state)
{
    ScrollPages(state, &TheFixture().plainView);
}
BENCHMARK(BM_GridScrollPage_PlainView)->Arg(0)->Arg(50)->Arg(95)->Unit(benchmark::kMillisecond);

// The whole way from the first row to the last, a page at a time.
void BM_GridScrollThroughAll(benchmark::State& state)
{
    QTableView* view = TheFixture().window->DBGrid;
    QScrollBar* bar = view->verticalScrollBar();
    for (auto _ : state) {
        for (int v = 0; v <= bar->maximum(); v += bar->pageStep()) {
            bar->setValue(v);
            view->viewport()->repaint();
        }
    }
}
BENCHMARK(BM_GridScrollThroughAll)->Unit(benchmark::kMillisecond);

// The whole main window repainted, scrolled to the middle of the program.
void BM_WindowRepaint(benchmark::State& state)
{
    TfrmMain& w = *TheFixture().window;
    QScrollBar* bar = w.DBGrid->verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    QPixmap pixmap(w.size());
    for (auto _ : state)
        w.render(&pixmap);
}
BENCHMARK(BM_WindowRepaint)->Unit(benchmark::kMillisecond);

// The grid alone, in the window, against the plain view of the same size.
void GridRepaint(benchmark::State& state, QTableView& v)
{
    v.verticalScrollBar()->setValue(v.verticalScrollBar()->maximum() / 2);
    QPixmap pixmap(v.size());
    for (auto _ : state)
        v.render(&pixmap);
}

void BM_GridRepaint(benchmark::State& state)
{
    GridRepaint(state, *TheFixture().window->DBGrid);
}
BENCHMARK(BM_GridRepaint)->Unit(benchmark::kMillisecond);

void BM_GridRepaint_PlainView(benchmark::State& state)
{
    GridRepaint(state, TheFixture().plainView);
}
BENCHMARK(BM_GridRepaint_PlainView)->Unit(benchmark::kMillisecond);

}  // namespace
