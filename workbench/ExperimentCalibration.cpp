#include "ExperimentCalibration.h"

#include <QAction>
#include <QTabWidget>
#include <QTreeWidgetItem>
#include <QVBoxLayout>

#include <string>

#include "AASCls.h"
#include "ActionList.h"
#include "CalibrationView.h"
#include "DefineStandart.h"
#include "Dialogs.h"
#include "Experiment.h"
#include "ProceedAll.h"
#include "Sample.h"
#include "SysUtils.h"

namespace VelorSpec {

namespace {

constexpr int CalibrationPage = 1;

// Rebuilds the info lines of every sample node, in tree order, without
// repainting the tree in between.
void UpdateAllSampleInfo(TfrmExperiment& Window)
{
    QTreeWidgetItem* Root = Window.RootNode();
    if (!Root)
        return;
    const bool Updates = Window.tviewExperiment->updatesEnabled();
    Window.tviewExperiment->setUpdatesEnabled(false);
    for (int I = 0; I < Root->childCount(); ++I)
        Window.UpdateSampleInfo(Window.NodeSample(Root->child(I)), Root->child(I));
    Window.tviewExperiment->setUpdatesEnabled(Updates);
}

// Why the batch dialog cannot work on the experiment, or "" when it can:
// every step proposes its values from the first sample's replicates.
std::string ProceedAllRefusal(const TAASExperiment& Experiment)
{
    if (Experiment.Count() == 0)
        return "Can't proceed all samples: the experiment has no samples.";
    const TAASSample& First = *Experiment.GetItem(0);
    if (First.Count() > 0)
        return {};
    const std::string Named =
        First.Title().empty() ? std::string("sample 1") : Format("sample 1 \"%s\"", QuoteInMessage(First.Title()));
    return Format("Can't proceed all samples: %s has no replicates.\r\n"
                  "Every step proposes its values from the first sample's replicates.",
                  Named);
}

}  // namespace

TCalibrationView* AttachCalibration(TfrmExperiment& Window)
{
    auto* View = new TCalibrationView(Window.tsCalibrationView);
    View->setObjectName(QStringLiteral("CalibrationView"));
    View->SetExperiment(Window.Experiment);
    auto* Layout = new QVBoxLayout(Window.tsCalibrationView);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(View);
    Window.CalibChart = View->CalibChart;
    Window.CalibChartView = View->CalibChartView;
    TfrmExperiment* W = &Window;
    View->OnConcentrationsChanged = [W] { UpdateAllSampleInfo(*W); };
    QObject::connect(Window.pctrlExperiment, &QTabWidget::currentChanged, View, [View](int Index) {
        if (Index == CalibrationPage)
            View->Activate();
    });

    const gui::TActionList::Handler Execute = [W](QAction* Sender) { acSampleStandartExecute(*W, Sender); };
    const gui::TActionList::Handler Update = [W](QAction* Sender) { acSampleStandartUpdate(*W, Sender); };
    for (QAction* Action : {Window.acSampleStandart, Window.acSampleSample, Window.acSampleZero}) {
        Action->setCheckable(true);
        Window.acList->SetHandlers(Action, Execute, Update);
    }
    Window.acList->SetExecute(Window.acExpProceedAll, [W](QAction* Sender) { acExpProceedAllExecute(*W, Sender); });
    return View;
}

TCalibrationView* CalibrationView(const TfrmExperiment& Window)
{
    return Window.tsCalibrationView ? Window.tsCalibrationView->findChild<TCalibrationView*>() : nullptr;
}

void acSampleStandartUpdate(TfrmExperiment& Window, QAction* Sender)
{
    const TAASSample* Sample = Window.SelectedSample();
    Sender->setEnabled(Sample != nullptr);
    bool Checked = false;
    if (Sample) {
        switch (gui::TActionList::Tag(Sender)) {
        case 0:
            Checked = Sample->Standart();
            break;
        case 1:
            Checked = !Sample->Standart() && !Sample->Zero();
            break;
        case 2:
            Checked = Sample->Zero();
            break;
        default:
            break;
        }
    }
    Sender->setChecked(Checked);
}

void acSampleStandartExecute(TfrmExperiment& Window, QAction* Sender)
{
    TAASSample* Sample = Window.SelectedSample();
    QTreeWidgetItem* Node = Window.SelectedSampleNode();
    if (!Sample || Sender->isChecked())
        return;
    switch (gui::TActionList::Tag(Sender)) {
    case 0: {
        TfrmDefineStandart Dialog(&Window);
        if (Dialog.Execute()) {
            Sample->SetStandart(true);
            Sample->SetConcentration(Dialog.ConcentrationPpm());
            Sample->SetZero(false);
        }
        break;
    }
    case 1:
        Sample->SetStandart(false);
        Sample->SetConcentration(NotSet);
        Sample->SetConcentrationStr("ppm");
        Sample->SetZero(false);
        break;
    case 2:
        Sample->SetZero(true);
        Sample->SetStandart(false);
        Sample->SetConcentration(NotSet);
        Sample->SetConcentrationStr("ppm");
        break;
    default:
        return;
    }
    Window.SetModified();
    Window.UpdateSampleInfo(Sample, Node);
    // The node's colour follows the sample's kind.
    Window.tviewExperiment->viewport()->update();
}

void acExpProceedAllExecute(TfrmExperiment& Window, QAction*)
{
    const std::string Refusal = ProceedAllRefusal(*Window.Experiment);
    if (!Refusal.empty()) {
        gui::MessageDlg(QString::fromStdString(Refusal), gui::MsgDlgType::Error, gui::mbOK, &Window);
        return;
    }
    TfrmExperiment* W = &Window;
    TProceedAllRefresh Refresh;
    Refresh.Owner = W;
    Refresh.SampleNodeCount = [W] { return W->RootNode() ? W->RootNode()->childCount() : 0; };
    // The axes change once, after every curve is refilled: each change makes
    // every shown curve lay itself out again.
    Refresh.RefillCurves = [W](int I) { W->RefreshSampleSeries(W->SampleNode(I), false); };
    Refresh.RebuildInfo = [W](int I) { W->UpdateSampleInfo(W->Experiment->GetItem(I), W->SampleNode(I)); };
    Refresh.SetModified = [W] { W->SetModified(); };
    Refresh.SetTreeUpdating = [W](bool On) {
        W->tviewExperiment->setUpdatesEnabled(!On);
        if (!On)
            W->UpdateAxisRanges();
    };
    RunProceedAll(*W->Experiment, Refresh);
}

}  // namespace VelorSpec
