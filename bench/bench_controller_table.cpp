// The time program at size: 10,000 rows holding 1 MB of received text in
// total.  Opening and saving the .ATP file (each beside reading or writing
// the same bytes raw, the floor any format has), posting an edited row, and
// a full repaint of the grid showing it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>

#include <string>

#include "BenchApp.h"
#include "FileUtils.h"
#include "ProgramModel.h"
#include "TimeProgram.h"

using namespace VelorTime;
using platform::tablestore::TValue;

namespace {

constexpr int Rows = 10000;

void Fill(TTimeProgram& P)
{
    std::vector<std::vector<TValue>> All;
    All.reserve(Rows);
    size_t Total = 0;
    for (int R = 0; R < Rows; ++R) {
        std::vector<TValue> Row(ProgramFieldCount);
        Row[fldSampleID] = std::int32_t{R + 1};
        Row[fldSampleName] = "Sample " + std::to_string(R + 1);
        Row[fldSampleType] = std::string(R % 10 == 0 ? "Standart" : "Sample");
        Row[fldReplicates] = std::int32_t{2};
        const double Times[6] = {5, 3, 6, 12, 1, 2};
        for (int I = 0; I < 6; ++I)
            Row[fldWashingTime + I] = Times[I];
        // About 100 bytes of readings per row: 1 MB in all.
        std::string Text;
        while (Text.size() < 100 && Total + Text.size() < (1u << 20))
            Text += "\r\n" + std::to_string(1000 + (R * 7 + static_cast<int>(Text.size())) % 9000);
        Text += "\r\n-1000";
        Total += Text.size();
        Row[fldReceivedData] = Text;
        All.push_back(std::move(Row));
    }
    P.Table().ReplaceRows(std::move(All));
}

struct Files {
    QTemporaryDir Dir;
    std::string Program = (Dir.path() + "/program.ATP").toStdString();
    std::string Raw = (Dir.path() + "/raw.bin").toStdString();
    std::string Bytes;
    Files()
    {
        TTimeProgram P;
        Fill(P);
        P.SaveToFile(Program);
        Bytes = ReadWholeFile(Program);
    }
};

Files& TheFiles()
{
    static Files F;
    return F;
}

void BM_OpenProgram(benchmark::State& State)
{
    TTimeProgram P;
    for (auto _ : State)
        P.LoadFromFile(TheFiles().Program);
    State.counters["rows"] = P.Table().RowCount();
    State.counters["bytes"] = static_cast<double>(TheFiles().Bytes.size());
}
BENCHMARK(BM_OpenProgram)->Unit(benchmark::kMillisecond);

void BM_OpenBaseline_ReadBytes(benchmark::State& State)
{
    for (auto _ : State)
        benchmark::DoNotOptimize(ReadWholeFile(TheFiles().Program));
}
BENCHMARK(BM_OpenBaseline_ReadBytes)->Unit(benchmark::kMillisecond);

void BM_SaveProgram(benchmark::State& State)
{
    TTimeProgram P;
    P.LoadFromFile(TheFiles().Program);
    for (auto _ : State)
        P.SaveToFile(TheFiles().Program);
}
BENCHMARK(BM_SaveProgram)->Unit(benchmark::kMillisecond);

void BM_SaveBaseline_WriteBytes(benchmark::State& State)
{
    for (auto _ : State)
        WriteFileReplacing(TheFiles().Raw, TheFiles().Bytes);
}
BENCHMARK(BM_SaveBaseline_WriteBytes)->Unit(benchmark::kMillisecond);

// Edit a row in the middle, change two times, post (checks included).
void BM_PostEditedRow(benchmark::State& State)
{
    TTimeProgram P;
    P.LoadFromFile(TheFiles().Program);
    TTable& T = P.Table();
    T.MoveTo(Rows / 2);
    double W = 5;
    for (auto _ : State) {
        T.Edit();
        W = W == 5 ? 4 : 5;
        T.SetAsFloat(fldWashingTime, W);
        T.SetText(fldSampleName, "edited");
        T.Post();
    }
}
BENCHMARK(BM_PostEditedRow)->Unit(benchmark::kMicrosecond);

using bench::App;

// A full repaint of the grid (a window of 1024 x 768) scrolled to the middle.
void BM_GridRepaint(benchmark::State& State)
{
    App();
    TTimeProgram P;
    P.LoadFromFile(TheFiles().Program);
    ProgramModel Model(P);
    ProgramGrid Grid;
    Grid.setProgramModel(&Model);
    Grid.resize(1024, 768);
    Grid.show();
    P.Table().MoveTo(Rows / 2);
    QPixmap Pixmap(Grid.size());
    for (auto _ : State)
        Grid.render(&Pixmap);
}
BENCHMARK(BM_GridRepaint)->Unit(benchmark::kMillisecond);

// Baseline: a plain table view over Qt's item model holding the same texts.
void BM_GridRepaintBaseline_PlainView(benchmark::State& State)
{
    App();
    TTimeProgram P;
    P.LoadFromFile(TheFiles().Program);
    const TTable& T = P.Table();
    QStandardItemModel Model(T.RowCount(), T.FieldCount());
    for (int R = 0; R < T.RowCount(); ++R)
        for (int C = 0; C < T.FieldCount(); ++C)
            Model.setItem(R, C, new QStandardItem(QString::fromStdString(T.DisplayTextAt(R, C))));
    QTableView View;
    View.setModel(&Model);
    View.resize(1024, 768);
    View.show();
    View.scrollTo(Model.index(Rows / 2, 0));
    QPixmap Pixmap(View.size());
    for (auto _ : State)
        View.render(&Pixmap);
}
BENCHMARK(BM_GridRepaintBaseline_PlainView)->Unit(benchmark::kMillisecond);

}  // namespace
