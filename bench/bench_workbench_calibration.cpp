// The calibration page and the batch dialog on a large experiment: 100
// samples of 5 replicates of 1,000 points, the first ten of them standards
// (1 to 10 ppm), every plateau and area interval set.
//  - Calibration: a change of the statistic on the shown calibration page
//    (regression, drawing, the info lines of all 100 samples, repaint),
//    beside the model's regression alone (target: under 100 ms).
//  - Batch steps: each button of "Proceed All" followed by OK and the
//    window's refresh, with every curve on the data chart and a repaint,
//    beside the same model operation on all samples alone (target: under
//    2 s each).
//
// Run on the offscreen platform (set by the program when nothing else is).

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidgetItem>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AASCls.h"
#include "BenchSampleWindow.h"
#include "CalibrationView.h"
#include "Dialogs.h"
#include "EditCtrls.h"
#include "Experiment.h"
#include "ExperimentCalibration.h"
#include "Interval.h"
#include "ProceedAll.h"
#include "Sample.h"
#include "SmoothDlg.h"
#include "SpinEdit.h"

using namespace VelorSpec;

namespace {

using bench::App;

constexpr int Samples = 100;
constexpr int Replicates = 5;
constexpr int Points = 1000;
constexpr int Standards = 10;

void BuildExperiment(TAASExperiment& e)
{
    for (int s = 0; s < Samples; ++s) {
        std::string name = "S";
        name += std::to_string(s + 1);
        auto* sample = new TAASSample(name, true);
        const double height = 200.0 * (1 + s % 17);
        for (int r = 0; r < Replicates; ++r) {
            auto* rep = new TAASReplicate;
            for (int j = 0; j < Points; ++j) {
                const double t = j * 0.02;
                rep->Add(100 + r + height * std::exp(-((t - 10) * (t - 10)) / 8) + (j * 7919 % 13));
            }
            sample->Add(rep);
        }
        sample->SetPeakStart(8);
        sample->SetPeakEnd(12);
        sample->SetAreaStart(2);
        sample->SetAreaEnd(18);
        if (s < Standards) {
            sample->SetStandart(true);
            sample->SetConcentration(s + 1);
        }
        e.Add(sample);
    }
}

const QString& ExperimentFile()
{
    static QTemporaryDir dir;
    static QString path = [] {
        TAASExperiment e("Big", true);
        BuildExperiment(e);
        const QString p = dir.filePath("Calib.AXP");
        e.SaveToFile(p.toStdString());
        return p;
    }();
    return path;
}

std::unique_ptr<TfrmExperiment> ShownWindow()
{
    auto w = std::make_unique<TfrmExperiment>(nullptr, ExperimentFile());
    w->resize(1000, 700);
    w->show();
    QCoreApplication::processEvents();
    return w;
}

// Answers every modal request: the batch dialog presses one button and OK,
// the step's own dialog gets its values.
class Answers {
public:
    explicit Answers(std::function<void(TfrmProceedAll&)> press)
    {
        FPrevious = gui::SetResponder([press](const gui::DialogRequest& r) {
            gui::DialogReply reply;
            if (auto* d = dynamic_cast<TfrmProceedAll*>(r.form)) {
                press(*d);
                d->btnOK->click();
                return reply;
            }
            if (auto* i = dynamic_cast<TfrmInterval*>(r.form)) {
                i->sedStart->SetValue(1);
                i->sedEnd->SetValue(3);
            }
            if (auto* s = dynamic_cast<TfrmSmooth*>(r.form))
                s->sedPoints->SetValue(3);
            reply.result = gui::mrOk;
            reply.value = QStringLiteral("0.04");
            return reply;
        });
    }
    ~Answers() { gui::SetResponder(FPrevious); }

private:
    gui::Responder FPrevious;
};

// ---------------------------------------------------------------------------

void BM_RegressionOnly(benchmark::State& state)
{
    TAASExperiment e("Big", true);
    BuildExperiment(e);
    std::uint8_t statistic = 0;
    for (auto _ : state) {
        statistic ^= 1;
        e.SetUsedStatistic(statistic);
        std::vector<double> x, y;
        e.DoRegression(x, y);
        benchmark::DoNotOptimize(e.B1());
    }
}
BENCHMARK(BM_RegressionOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CalibrationWithDrawingAndInfoLines(benchmark::State& state)
{
    App();
    auto w = ShownWindow();
    TCalibrationView* view = CalibrationView(*w);
    w->pctrlExperiment->setCurrentIndex(1);
    QCoreApplication::processEvents();
    int item = 0;
    for (auto _ : state) {
        item ^= 1;
        view->rgrUsedStats->Button(item)->click();
        QCoreApplication::processEvents();
        view->CalibChartView->repaint();
        w->tviewExperiment->repaint();
        state.PauseTiming();
        if (w->Experiment->UsedStatistic() != item || w->CalibChart->series().size() != 3)
            state.SkipWithError("the calibration did not run");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CalibrationWithDrawingAndInfoLines)->Unit(benchmark::kMillisecond)->UseRealTime();

// One batch step on every sample with the model alone.
void ModelStep(TAASExperiment& e, int step)
{
    for (TAASSample* s : e) {
        switch (step) {
        case 0: s->SubtractZero(1, 3); break;
        case 1: s->SetPeakStart(1); s->SetPeakEnd(3); break;
        case 2: s->SetAreaStart(1); s->SetAreaEnd(3); break;
        case 3: s->SetResolution(0.04); break;
        case 4: s->Smooth(0, 3); break;
        default: s->SetAbsorbtion(true); break;
        }
    }
}

const char* const StepNames[] = {"SubtractZero", "DefinePlateau", "CalculateArea",
                                 "ChangeSamplingInterval", "Smooth", "Absorbtion"};

void BM_BatchStepModelOnly(benchmark::State& state)
{
    const int step = static_cast<int>(state.range(0));
    state.SetLabel(StepNames[step]);
    for (auto _ : state) {
        state.PauseTiming();
        auto e = std::make_unique<TAASExperiment>("Big", true);
        BuildExperiment(*e);
        state.ResumeTiming();
        ModelStep(*e, step);
        state.PauseTiming();
        e.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BatchStepModelOnly)->DenseRange(0, 5)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BatchStepWithWindowRefresh(benchmark::State& state)
{
    App();
    const int step = static_cast<int>(state.range(0));
    state.SetLabel(StepNames[step]);
    QPushButton* TfrmProceedAll::*const buttons[] = {
        &TfrmProceedAll::btnSubtractZero, &TfrmProceedAll::btnDefinePlateau, &TfrmProceedAll::btnCalcArea,
        &TfrmProceedAll::btnChangeInterval, &TfrmProceedAll::btnSmooth, &TfrmProceedAll::btnAbsorbtion};
    Answers answers([button = buttons[step]](TfrmProceedAll& d) { (d.*button)->click(); });
    for (auto _ : state) {
        state.PauseTiming();
        auto w = ShownWindow();
        w->acList->Execute(w->acTreeSelectAll);
        QCoreApplication::processEvents();
        w->MainChartView->repaint();
        w->FModified = false;
        state.ResumeTiming();

        w->acList->Execute(w->acExpProceedAll);
        QCoreApplication::processEvents();
        w->MainChartView->repaint();
        w->tviewExperiment->repaint();

        state.PauseTiming();
        if (!w->FModified)
            state.SkipWithError("the step was not applied");
        w->FModified = false;
        w.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BatchStepWithWindowRefresh)->DenseRange(0, 5)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
