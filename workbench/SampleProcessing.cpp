// The processing commands of the sample window's "&Sample" menu: subtract a
// zero level, define the plateau, calculate the area, change the resolution,
// smooth, switch to the absorbance scale, delete a replicate and send the
// sample to the spreadsheet.
//
// Each command asks for its parameters, calls one operation of the sample and
// then refreshes the window.  None of them catches the sample's errors: the
// action list shows the message in the default error box; what the sample
// changed before the error stays, and the refresh and the modified flag of
// the failing command do not happen.

#include <QAction>
#include <QKeySequence>
#include <QTreeWidgetItem>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "AASCls.h"
#include "Dialogs.h"
#include "EditCtrls.h"
#include "Interval.h"
#include "Sample.h"
#include "SmoothDlg.h"
#include "WaitCursor.h"
#include "XlsThread.h"

namespace VelorSpec {

namespace {

QString Q(const std::string& S)
{
    return QString::fromStdString(S);
}

const QString AnsambledNodeText = QStringLiteral("Ansambled Replicate");

// Whole part of a field value as an Integer (saturating outside its range).
int WholePart(double Value)
{
    if (std::isnan(Value))
        return 0;
    const double W = std::trunc(Value);
    if (W <= static_cast<double>(INT_MIN))
        return INT_MIN;
    if (W >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(W);
}

// Asks for an interval proposed as [Start; End] and hands its two values to
// the sample's start and end setters, in this order; then the report is
// rebuilt and the window marked modified.  The curves do not change.
void SetIntervalBounds(TfrmSample& Window, const QString& Caption, double Start, double End,
                       void (TAASSample::*SetStart)(double), void (TAASSample::*SetEnd)(double))
{
    TfrmInterval Dialog(&Window);
    SetupIntervalDialog(Dialog, *Window.FSample, Caption, Start, End);
    if (!Dialog.Execute())
        return;
    TWaitCursor Wait;
    (Window.FSample->*SetStart)(Dialog.sedStart->Value());
    (Window.FSample->*SetEnd)(Dialog.sedEnd->Value());
    Window.FModified = true;
    Window.UpdateStatistics();
}

}  // namespace

void TfrmSample::CreateProcessingActions()
{
    const auto run = [this](void (TfrmSample::*Handler)(QAction*)) {
        return gui::TActionList::Handler([this, Handler](QAction* Sender) { (this->*Handler)(Sender); });
    };
    const auto add = [this](const char* Name, const char* Caption, const char* Hint, const QKeySequence& Key) {
        return acList->Add(QString::fromLatin1(Name), QString::fromLatin1(Caption), QString::fromLatin1(Hint), Key);
    };

    acSubtractZero = add("acSubtractZero", "S&ubtract Zero...", "Subtracts zero", QKeySequence(Qt::CTRL | Qt::Key_0));
    acList->SetHandlers(acSubtractZero, run(&TfrmSample::acSubtractZeroExecute),
                        run(&TfrmSample::acSubtractZeroUpdate));

    acDefinePlateau = add("acDefinePlateau", "D&efine Plateau...", "Define plateau interval",
                          QKeySequence(Qt::CTRL | Qt::Key_D));
    acList->SetExecute(acDefinePlateau, run(&TfrmSample::acDefinePlateauExecute));

    acCalculateArea = add("acCalculateArea", "C&aculate Area...", "Calculates signal area in desired interval",
                          QKeySequence(Qt::CTRL | Qt::Key_F));
    acList->SetExecute(acCalculateArea, run(&TfrmSample::acCalculateAreaExecute));

    acChangeResolution = add("acChangeResolution", "C&hange Resolution...", "Changes current resolution",
                             QKeySequence(Qt::CTRL | Qt::Key_R));
    acList->SetExecute(acChangeResolution, run(&TfrmSample::acChangeResolutionExecute));

    acSmoothSignal = add("acSmoothSignal", "S&mooth Signal...", "Smooths signal by selected method",
                         QKeySequence(Qt::CTRL | Qt::Key_M));
    acList->SetHandlers(acSmoothSignal, run(&TfrmSample::acSmoothSignalExecute),
                        run(&TfrmSample::acSmoothSignalUpdate));

    acAbsorbtion = add("acAbsorbtion", "A&bsorbtion", "Converts raw numbers to absorbtion",
                       QKeySequence(Qt::CTRL | Qt::Key_A));
    acAbsorbtion->setCheckable(true);
    acList->SetHandlers(acAbsorbtion, run(&TfrmSample::acAbsorbtionExecute), run(&TfrmSample::acAbsorbtionUpdate));

    acDeleteReplicate = add("acDeleteReplicate", "&Delete Replicate...", "Deletes selected replicate",
                            QKeySequence(Qt::CTRL | Qt::Key_Delete));
    acList->SetHandlers(acDeleteReplicate, run(&TfrmSample::acDeleteReplicateExecute),
                        run(&TfrmSample::acDeleteReplicateUpdate));

    acSendToExcel = add("acSendToExcel", "Se&nd To MS Excel", "Sends sample data to MS Excel",
                        QKeySequence(Qt::CTRL | Qt::Key_E));
    acList->SetHandlers(acSendToExcel, run(&TfrmSample::acSendToExcelExecute),
                        run(&TfrmSample::acSmoothSignalUpdate));
}

// ---------------------------------------------------------------------------
// Subtract Zero: the mean of every replicate's points in the interval is
// subtracted; the command is disabled once a zero level was subtracted.

void TfrmSample::acSubtractZeroExecute(QAction*)
{
    TfrmInterval Dialog(this);
    const long double Resolution = FSample->GetResolution();
    SetupIntervalDialog(Dialog, *FSample, QStringLiteral("Subtract Zero"), static_cast<double>(Resolution),
                        static_cast<double>(2 * Resolution));
    if (!Dialog.Execute())
        return;
    TWaitCursor Wait;
    FSample->SubtractZero(Dialog.sedStart->Value(), Dialog.sedEnd->Value());
    RefreshSeries();
    FModified = true;
    UpdateStatistics();
}

void TfrmSample::acSubtractZeroUpdate(QAction* Sender)
{
    Sender->setEnabled(!FSample->ZeroSubtracted());
}

// ---------------------------------------------------------------------------
// Define Plateau: proposes the replicates' mean steepest rise and fall.  The
// curves do not change.

void TfrmSample::acDefinePlateauExecute(QAction*)
{
    double Start = 0;
    double End = 0;
    FSample->FindEdges(Start, End);
    SetIntervalBounds(*this, QStringLiteral("Define Plateau"), Start, End, &TAASSample::SetPeakStart,
                      &TAASSample::SetPeakEnd);
}

// ---------------------------------------------------------------------------
// Calculate Area: proposes the plateau interval, or one to two steps when no
// plateau is set.  The curves do not change.

void TfrmSample::acCalculateAreaExecute(QAction*)
{
    const long double Resolution = FSample->GetResolution();
    const double Start = FSample->PeakStart() != NotSet ? FSample->PeakStart() : static_cast<double>(Resolution);
    const double End = FSample->PeakEnd() != NotSet ? FSample->PeakEnd() : static_cast<double>(2 * Resolution);
    SetIntervalBounds(*this, QStringLiteral("Calculate Area"), Start, End, &TAASSample::SetAreaStart,
                      &TAASSample::SetAreaEnd);
}

// ---------------------------------------------------------------------------
// Change Resolution: re-bins to a coarser step.  The sample ignores a step
// that is not larger than its own; the window is marked modified all the same.

void TfrmSample::acChangeResolutionExecute(QAction*)
{
    const long double Resolution = FSample->GetResolution();
    QString Answer = Q(Format("%.2f", 5 * Resolution));
    if (!gui::InputQuery(QStringLiteral("Change Resolution"),
                         Q(Format("Enter new resolution... (current: %.2f seconds)", Resolution)), Answer, this))
        return;
    const std::string Text = Answer.toStdString();
    long double Value = 0;
    if (!TryStrToFloat(Text, Value))
        throw EConvertError(Format("\"%s\" is not a valid resolution.", Text));
    const double NewResolution = ToDouble(Value);
    TWaitCursor Wait;
    FSample->SetResolution(NewResolution);
    RefreshSeries();
    FModified = true;
    UpdateStatistics();
}

// ---------------------------------------------------------------------------
// Smooth Signal: the points field offers half of replicate 0's points less
// one; the hourglass shows while the dialog is open too.

void TfrmSample::acSmoothSignalExecute(QAction*)
{
    TWaitCursor Wait;
    TfrmSmooth Dialog(nullptr);
    Dialog.sedPoints->SetMaxValue(FSample->GetItem(0)->Count() / 2 - 1);
    if (!Dialog.Execute())
        return;
    const auto Kind = static_cast<std::uint8_t>(Dialog.rgMethod->ItemIndex());
    FSample->Smooth(Kind, WholePart(Dialog.sedPoints->Value()));
    RefreshSeries();
    FModified = true;
    UpdateStatistics();
}

void TfrmSample::acSmoothSignalUpdate(QAction* Sender)
{
    Sender->setEnabled(FSample->Count() > 0);
}

// ---------------------------------------------------------------------------
// Absorbtion: toggles the absorbance scale.  A change of scale is not a change
// of the data: the modified flag stays as it was.

void TfrmSample::acAbsorbtionExecute(QAction*)
{
    FSample->SetAbsorbtion(!FSample->Absorbtion());
    RefreshSeries();
    UpdateStatistics();
}

void TfrmSample::acAbsorbtionUpdate(QAction* Sender)
{
    Sender->setEnabled(FSample->Count() > 0);
    Sender->setChecked(FSample->Absorbtion());
}

// ---------------------------------------------------------------------------
// Delete Replicate: removes the selected replicate, its node and its curve.
// The other nodes keep their texts.

void TfrmSample::acDeleteReplicateExecute(QAction*)
{
    QTreeWidgetItem* Node = tviewSample->currentItem();
    if (!Node || !Node->parent())
        return;
    const QString Question = QStringLiteral("Are you really want to delete %1 ?").arg(Node->text(0));
    if (gui::MessageDlg(Question, gui::MsgDlgType::Confirmation, gui::mbYesNo, this) != gui::mrYes)
        return;
    const int Index = Node->parent()->indexOfChild(Node);
    FSample->Remove(FSample->GetItem(Index));
    DeleteReplicateNode(Node);
    RefreshSeries();
    UpdateStatistics();
    FModified = true;
}

void TfrmSample::acDeleteReplicateUpdate(QAction* Sender)
{
    const QTreeWidgetItem* Node = tviewSample->currentItem();
    Sender->setEnabled(FSample->Count() > 1 && Node && Node->parent() && Node->text(0) != AnsambledNodeText);
}

// ---------------------------------------------------------------------------
// Send To MS Excel: a worker of its own with a copy of the sample; the window
// neither waits for it nor hears from it again.

void TfrmSample::acSendToExcelExecute(QAction*)
{
    TxlsThread::SendToExcel(FSample);
}

}  // namespace VelorSpec
