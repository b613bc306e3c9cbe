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

#include "AASCls.h"
#include "Sample.h"
#include "SampleCommands.h"

namespace VelorSpec {

namespace {

const QString AnsambledNodeText = QStringLiteral("Ansambled Replicate");

}  // namespace

TSampleCommandHost TfrmSample::CommandHost()
{
    TSampleCommandHost Host;
    Host.Owner = this;
    Host.Sample = FSample;
    Host.RefreshCurves = [this] { RefreshSeries(); };
    Host.RefreshInfo = [this] { UpdateStatistics(); };
    Host.SetModified = [this] { FModified = true; };
    return Host;
}

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
    SampleCommands::SubtractZero(CommandHost());
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
    SampleCommands::DefinePlateau(CommandHost());
}

// ---------------------------------------------------------------------------
// Calculate Area: proposes the plateau interval, or one to two steps when no
// plateau is set.  The curves do not change.

void TfrmSample::acCalculateAreaExecute(QAction*)
{
    SampleCommands::CalculateArea(CommandHost());
}

// ---------------------------------------------------------------------------
// Change Resolution: re-bins to a coarser step.  The sample ignores a step
// that is not larger than its own; the window is marked modified all the same.

void TfrmSample::acChangeResolutionExecute(QAction*)
{
    SampleCommands::ChangeResolution(CommandHost(), QStringLiteral("Change Resolution"),
                                     "Enter new resolution... (current: %.2f seconds)");
}

// ---------------------------------------------------------------------------
// Smooth Signal: the points field offers half of replicate 0's points less
// one; the hourglass shows while the dialog is open too.

void TfrmSample::acSmoothSignalExecute(QAction*)
{
    SampleCommands::SmoothSignal(CommandHost());
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
    SampleCommands::Absorbtion(CommandHost());
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
    SampleCommands::DeleteReplicate(CommandHost(), Node->text(0), Node->parent()->indexOfChild(Node),
                                    [this, Node] { DeleteReplicateNode(Node); });
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
    SampleCommands::SendToExcel(*FSample);
}

}  // namespace VelorSpec
