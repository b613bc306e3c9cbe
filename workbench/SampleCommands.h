#pragma once
// The sample commands that the sample window and the experiment window share:
// each asks for its parameters (interval dialog, smoothing dialog, input
// query, confirmation), runs one operation of the sample and then has the
// window refresh itself through the host's callbacks.  Cancel changes
// nothing.  None of them catches the sample's errors: an error ends the
// command, what the sample changed before it stays, and the refresh and the
// modified flag of that command do not happen (the action list shows the
// message).
//
// Also the sample-file helpers both windows use: reading a sample file (".AAT"
// after six leading lines) and writing one (".AST", or the binary writer for
// ".ASB" followed by the text file under the ".AST" name).

#include <QString>
#include <functional>

class QWidget;
class TAASSample;

namespace VelorSpec {

// What a command needs of the window that runs it.
struct TSampleCommandHost {
    QWidget* Owner = nullptr;        // owns the interval dialog; parent of the boxes
    TAASSample* Sample = nullptr;    // the sample the command works on
    std::function<void()> RefreshCurves;   // refill the sample's curves
    std::function<void()> RefreshInfo;     // rebuild the report or the info lines
    std::function<void()> SetModified;     // mark the window modified
};

namespace SampleCommands {

// Interval dialog "Subtract Zero" (one to two steps); subtracts the zero
// level; then curves, modified, info.
void SubtractZero(const TSampleCommandHost& Host);
// Interval dialog "Define Plateau" proposed by the replicates' steepest rise
// and fall; start setter, then end setter; then modified, info.
void DefinePlateau(const TSampleCommandHost& Host);
// Interval dialog "Calculate Area" proposed by the plateau (or one to two
// steps); start setter, then end setter; then modified, info.
void CalculateArea(const TSampleCommandHost& Host);
// Input query with Caption and Format(PromptFormat, resolution), text
// Format("%.2f", 5 * resolution); a text that is no number raises
// "\"%s\" is not a valid resolution."; re-bins; then curves, modified, info
// (modified also when the sample kept its step).
void ChangeResolution(const TSampleCommandHost& Host, const QString& Caption, const char* PromptFormat);
// The query of ChangeResolution for a sample at Resolution: false on Cancel,
// else the answer in NewResolution; a text that is no number raises.
bool AskResolution(QWidget* Owner, const QString& Caption, const char* PromptFormat, long double Resolution,
                   double& NewResolution);
// The whole part of a field value as an int (saturating; 0 for no number).
int WholePart(double Value);
// Smoothing dialog (points up to half of replicate 0's points less one;
// hourglass from the start); smooths; then curves, modified, info.
void SmoothSignal(const TSampleCommandHost& Host);
// Switches the absorbance scale; then curves and info; the modified flag stays.
void Absorbtion(const TSampleCommandHost& Host);
// Asks Format("Are you really want to delete %s ?", NodeText); Yes removes
// the replicate at Index (the sample rebuilds its ensemble), then RemoveNode
// (the window drops the node and its curve), curves, info, modified.
void DeleteReplicate(const TSampleCommandHost& Host, const QString& NodeText, int Index,
                     const std::function<void()>& RemoveNode);
// A worker of its own with a copy of the sample; nobody waits for it.
void SendToExcel(const TAASSample& Sample);

}  // namespace SampleCommands

// Upper-cased extension of a file name from its last "." (after the last path
// separator), the dot included; empty when there is none.
QString UpperFileExt(const QString& FileName);
// The file name with its extension replaced (appended when it has none).
QString ChangeFileExt(const QString& FileName, const QString& Ext);

// Reads a sample text file into Sample (six leading lines skipped when the
// extension is ".AAT" in any letter case); returns the reader's result.
bool LoadSampleFile(TAASSample& Sample, const QString& FileName);
// Writes Sample under FileName with its extension replaced by ".AST" (a
// ".ASB" name goes to the binary writer first, which writes nothing) and
// returns that name.  A file that could not be written raises
// "Cannot save the sample to \"%s\"." and leaves any old file as it was.
QString WriteSampleFile(const TAASSample& Sample, const QString& FileName);

}  // namespace VelorSpec
