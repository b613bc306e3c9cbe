#include "ProceedAll.h"

#include <QCoreApplication>
#include <QFont>
#include <QFrame>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <cstdint>

#include "AASCls.h"
#include "Dialogs.h"
#include "EditCtrls.h"
#include "Interval.h"
#include "Progress.h"
#include "SampleCommands.h"
#include "SmoothDlg.h"
#include "SpinEdit.h"
#include "SysUtils.h"
#include "WindowFit.h"
#include "WaitCursor.h"

namespace VelorSpec {

namespace {

// Asks for an interval proposed as [Start; End] for the first sample; on OK
// hands the two values to every sample's start and end setters, in this
// order.  Returns whether the samples were changed.
bool ApplyInterval(TfrmProceedAll& Dialog, const QString& Caption, double Start, double End,
                   void (TAASSample::*SetStart)(double), void (TAASSample::*SetEnd)(double))
{
    TAASExperiment& Experiment = *Dialog.FExperiment;
    TfrmInterval Interval(&Dialog);
    SetupIntervalDialog(Interval, *Experiment.GetItem(0), Caption, Start, End);
    if (!Interval.Execute())
        return false;
    const double NewStart = Interval.sedStart->Value();
    const double NewEnd = Interval.sedEnd->Value();
    TWaitCursor Wait;
    for (TAASSample* Sample : Experiment) {
        (Sample->*SetStart)(NewStart);
        (Sample->*SetEnd)(NewEnd);
    }
    return true;
}

}  // namespace

TfrmProceedAll::TfrmProceedAll(QWidget* Owner, TAASExperiment* Experiment)
    : QDialog(Owner), FExperiment(Experiment)
{
    setWindowTitle(QStringLiteral("Proceed All"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("Times New Roman")));

    auto* Layout = new QVBoxLayout(this);
    const auto AddButton = [this, Layout](const char* Caption, void (TfrmProceedAll::*Click)()) {
        auto* Button = new QPushButton(QString::fromLatin1(Caption), this);
        Button->setFixedWidth(150);
        Button->setAutoDefault(false);
        Layout->addWidget(Button, 0, Qt::AlignHCenter);
        if (Click)
            connect(Button, &QPushButton::clicked, this,
                    [this, Click] { gui::RunGuarded([this, Click] { (this->*Click)(); }, this); });
        return Button;
    };
    btnSubtractZero = AddButton("S&ubtract Zero...", &TfrmProceedAll::btnSubtractZeroClick);
    btnDefinePlateau = AddButton("D&efine Plateau...", &TfrmProceedAll::btnDefinePlateauClick);
    btnCalcArea = AddButton("C&alculate Area...", &TfrmProceedAll::btnCalcAreaClick);
    btnChangeInterval = AddButton("C&hange Sampling Interval...", &TfrmProceedAll::btnChangeIntervalClick);
    btnSmooth = AddButton("S&mooth Signal...", &TfrmProceedAll::btnSmoothClick);
    btnAbsorbtion = AddButton("A&bsorbtion", &TfrmProceedAll::btnAbsorbtionClick);

    bvDivider = new QFrame(this);
    bvDivider->setFrameShape(QFrame::HLine);
    bvDivider->setFrameShadow(QFrame::Sunken);
    Layout->addWidget(bvDivider);

    btnOK = AddButton("&OK", nullptr);
    btnCancel = AddButton("Ca&ncel", nullptr);
    connect(btnOK, &QPushButton::clicked, this, [this] { done(gui::mrOk); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(gui::mrCancel); });

    setFixedSize(gui::FitFirstSize(this, QSize(179, 253)));
}

bool TfrmProceedAll::Execute()
{
    return gui::ExecModal(*this) == gui::mrOk;
}

void TfrmProceedAll::showEvent(QShowEvent* Event)
{
    QDialog::showEvent(Event);
    CentreOnOwner(this);
}

// ---------------------------------------------------------------------------
// The steps.  Every step proposes the first sample's values and then changes
// the samples in list order; samples that already had their zero subtracted
// get it subtracted again.

void TfrmProceedAll::btnSubtractZeroClick()
{
    const TAASSample& First = *FExperiment->GetItem(0);
    const long double Resolution = First.GetResolution();
    TfrmInterval Interval(this);
    SetupIntervalDialog(Interval, First, QStringLiteral("Subtract Zero"), static_cast<double>(Resolution),
                        static_cast<double>(2 * Resolution));
    if (!Interval.Execute())
        return;
    const double Start = Interval.sedStart->Value();
    const double End = Interval.sedEnd->Value();
    TWaitCursor Wait;
    for (TAASSample* Sample : *FExperiment)
        Sample->SubtractZero(Start, End);
    FChanged = true;
    FSeriesChanged = true;
}

void TfrmProceedAll::btnDefinePlateauClick()
{
    double Start = 0;
    double End = 0;
    FExperiment->GetItem(0)->FindEdges(Start, End);
    if (ApplyInterval(*this, QStringLiteral("Define Plateau"), Start, End, &TAASSample::SetPeakStart,
                      &TAASSample::SetPeakEnd))
        FChanged = true;
}

void TfrmProceedAll::btnCalcAreaClick()
{
    const TAASSample& First = *FExperiment->GetItem(0);
    const long double Resolution = First.GetResolution();
    const double Start = First.PeakStart() != NotSet ? First.PeakStart() : static_cast<double>(Resolution);
    const double End = First.PeakEnd() != NotSet ? First.PeakEnd() : static_cast<double>(2 * Resolution);
    if (ApplyInterval(*this, QStringLiteral("Calculate Area"), Start, End, &TAASSample::SetAreaStart,
                      &TAASSample::SetAreaEnd))
        FChanged = true;
}

void TfrmProceedAll::btnChangeIntervalClick()
{
    double NewResolution = 0;
    if (!SampleCommands::AskResolution(this, QStringLiteral("Change Sampling Interval"),
                                       "Enter new sampling interval... (current: %.2f seconds)",
                                       FExperiment->GetItem(0)->GetResolution(), NewResolution))
        return;
    TWaitCursor Wait;
    // Each sample re-bins only when the value exceeds its own step.
    for (TAASSample* Sample : *FExperiment)
        Sample->SetResolution(NewResolution);
    FChanged = true;
    FSeriesChanged = true;
}

void TfrmProceedAll::btnSmoothClick()
{
    TWaitCursor Wait;
    TfrmSmooth Smooth(nullptr);
    Smooth.sedPoints->SetMaxValue(FExperiment->GetItem(0)->GetItem(0)->Count() / 2 - 1);
    if (!Smooth.Execute())
        return;
    const auto Kind = static_cast<std::uint8_t>(Smooth.rgMethod->ItemIndex());
    const int Points = SampleCommands::WholePart(Smooth.sedPoints->Value());
    for (TAASSample* Sample : *FExperiment)
        Sample->Smooth(Kind, Points);
    FChanged = true;
    FSeriesChanged = true;
}

void TfrmProceedAll::btnAbsorbtionClick()
{
    // There is no way back to raw numbers from here.
    for (TAASSample* Sample : *FExperiment)
        Sample->SetAbsorbtion(true);
    FChanged = true;
    FSeriesChanged = true;
    btnAbsorbtion->setEnabled(false);
}

// ---------------------------------------------------------------------------

bool RunProceedAll(TAASExperiment& Experiment, const TProceedAllRefresh& Refresh)
{
    TfrmProceedAll Dialog(Refresh.Owner, &Experiment);
    const bool Ok = Dialog.Execute();
    // Cancel after an applied step refreshes as OK does: steps are not undone,
    // so the window must show them and keep them for saving.
    if (!Ok && !Dialog.FChanged)
        return false;

    TfrmProgress Progress(Refresh.Owner);
    Progress.prbarProgress->setMaximum(Experiment.Count());
    Progress.show();
    if (Dialog.FChanged) {
        Refresh.SetModified();
        TWaitCursor Wait;
        QCoreApplication::processEvents();
        struct TTreeUpdate {
            const TProceedAllRefresh& R;
            explicit TTreeUpdate(const TProceedAllRefresh& Refresh) : R(Refresh) { R.SetTreeUpdating(true); }
            ~TTreeUpdate() { R.SetTreeUpdating(false); }
        };
        {
            TTreeUpdate Updating(Refresh);
            const int Count = Refresh.SampleNodeCount();
            for (int I = 0; I < Count; ++I) {
                if (Dialog.FSeriesChanged)
                    Refresh.RefillCurves(I);
                Refresh.RebuildInfo(I);
                Progress.prbarProgress->setValue(Progress.prbarProgress->value() + 1);
            }
        }
    }
    return Ok;
}

}  // namespace VelorSpec
