#pragma once
// What the experiment window gets from the calibration code: the page
// "Calibration View" (TCalibrationView), the commands that mark the selected
// sample as a standard with its concentration, an ordinary sample or a zero
// sample, and the batch command "P&roceed All Samples...".
//
// Marking never runs the calibration; the page recalibrates whenever it is
// made active or its statistic changes, and then rebuilds every sample's
// info lines.  Neither the page nor marking redraws the other.

class QAction;

namespace VelorSpec {

class TCalibrationView;
class TfrmExperiment;

// Fills the window's calibration page, sets its CalibChart / CalibChartView
// and binds the marking and batch commands.  Called once by the window's
// constructor, after its commands exist.
TCalibrationView* AttachCalibration(TfrmExperiment& Window);
// The window's calibration page (null before AttachCalibration).
TCalibrationView* CalibrationView(const TfrmExperiment& Window);

// Standart (Tag 0), Sample (Tag 1) and Zero (Tag 2): one execute and one
// update handler told apart by the sender's tag.  A checked command does
// nothing; otherwise the sample takes the new kind, the window is marked
// modified (also after Cancel in the standard's dialog) and the sample's info
// lines are rebuilt.
void acSampleStandartExecute(TfrmExperiment& Window, QAction* Sender);
void acSampleStandartUpdate(TfrmExperiment& Window, QAction* Sender);
// "P&roceed All Samples...": the batch dialog on the window's experiment and
// the window's refresh after it.  An experiment without samples, or whose
// first sample has no replicates (a file read only in part), gets an error
// box that says so, naming that sample, and no dialog: nothing changes.
void acExpProceedAllExecute(TfrmExperiment& Window, QAction* Sender);

}  // namespace VelorSpec
