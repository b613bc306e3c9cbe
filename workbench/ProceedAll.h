#pragma once
// The batch dialog "Proceed All": applies one processing step to every sample
// of an experiment at once (subtract zero, plateau, area, sampling interval,
// smoothing, absorbance scale).  Each button asks for its parameters with the
// sample window's dialogs, proposes the values of the experiment's first
// sample and changes all samples at once, in list order.  The dialog only
// records what changed; refreshing the window that shows the experiment is
// the caller's part (RunProceedAll).
//
// A step that raises (the model, the list's index check for an experiment
// without samples, a sampling interval that is no number) shows the message
// in the default error box and leaves the dialog open: the samples before the
// failing one keep their change and neither flag is set by that press.

#include <QDialog>
#include <functional>

class QFrame;
class QPushButton;
class TAASExperiment;

namespace VelorSpec {

class TfrmProceedAll : public QDialog {
    Q_OBJECT
public:
    TfrmProceedAll(QWidget* Owner, TAASExperiment* Experiment);

    // Shows the dialog modally; true when it closed with OK.
    bool Execute();

    bool FChanged = false;         // some button applied a step
    bool FSeriesChanged = false;   // some step changed signal points: curves must be refilled
    TAASExperiment* FExperiment;   // not owned

    QPushButton* btnSubtractZero;
    QPushButton* btnDefinePlateau;
    QPushButton* btnCalcArea;
    QPushButton* btnChangeInterval;
    QPushButton* btnSmooth;
    QPushButton* btnAbsorbtion;
    QFrame* bvDivider;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // The steps; each raises its errors (the buttons show them).
    void btnSubtractZeroClick();
    void btnDefinePlateauClick();
    void btnCalcAreaClick();
    void btnChangeIntervalClick();
    void btnSmoothClick();
    void btnAbsorbtionClick();

protected:
    void showEvent(QShowEvent* Event) override;
};

// What the window that shows the experiment does after the batch dialog:
// one node per sample, in the experiment's order.
struct TProceedAllRefresh {
    QWidget* Owner = nullptr;                    // owns the dialog and the progress window
    std::function<int()> SampleNodeCount;        // number of sample nodes
    std::function<void(int)> RefillCurves;       // refills the curves of sample node i
    std::function<void(int)> RebuildInfo;        // rebuilds the info lines of sample node i
    std::function<void()> SetModified;           // marks the window modified
    std::function<void(bool)> SetTreeUpdating;   // true: suspend the tree's redrawing, false: resume
};

// "P&roceed All Samples...": runs the batch dialog on Experiment, then, when
// a step was applied (after OK, and also after Cancel, so that the window
// shows what the experiment now holds and closing asks about saving), marks
// the window modified and, with the progress window showing, rebuilds every
// sample node's info lines, refilling its curves when signal points changed.
// Returns whether the dialog closed with OK.  Errors of the refresh reach the
// caller after the progress window and the dialog are freed.
bool RunProceedAll(TAASExperiment& Experiment, const TProceedAllRefresh& Refresh);

}  // namespace VelorSpec
