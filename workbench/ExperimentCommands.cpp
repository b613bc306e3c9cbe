// The experiment window's commands on single samples: adding samples from
// sample files, removing the selected sample, the sample window's processing
// commands applied to the sample selected in the tree (the same code serves
// both windows, SampleCommands.h), deleting a replicate and exporting the
// selected sample as a sample text file.

#include <QAction>
#include <QKeySequence>
#include <QTreeWidgetItem>
#include <memory>

#include "AASCls.h"
#include "Dialogs.h"
#include "Experiment.h"
#include "Main.h"
#include "Sample.h"
#include "SampleCommands.h"
#include "SysUtils.h"
#include "WaitCursor.h"

namespace VelorSpec {

namespace {

const QString AnsambledNodeText = QStringLiteral("Ansambled Replicate");

// The frame's file dialog state when there is a frame, else one of our own.
gui::FileDialogOptions& OpenDialogState()
{
    static gui::FileDialogOptions Own = [] {
        gui::FileDialogOptions O;
        O.multiSelect = true;
        return O;
    }();
    return frmMain ? frmMain->dlgOpen : Own;
}

gui::FileDialogOptions& SaveDialogState()
{
    static gui::FileDialogOptions Own;
    return frmMain ? frmMain->dlgSave : Own;
}

// Puts a dialog's filter back when the command ends, however it ends.
class TKeepFilter {
public:
    explicit TKeepFilter(gui::FileDialogOptions& Dialog) : FDialog(Dialog), FFilter(Dialog.filter) {}
    ~TKeepFilter() { FDialog.filter = FFilter; }
    TKeepFilter(const TKeepFilter&) = delete;
    TKeepFilter& operator=(const TKeepFilter&) = delete;

private:
    gui::FileDialogOptions& FDialog;
    QString FFilter;
};

}  // namespace

void TfrmExperiment::CreateSampleCommandActions()
{
    using Key = QKeySequence;
    const auto run = [this](void (TfrmExperiment::*Handler)(QAction*)) {
        return gui::TActionList::Handler([this, Handler](QAction* Sender) { (this->*Handler)(Sender); });
    };
    const auto add = [this](const char* Name, const char* Caption, const char* Hint, const Key& Shortcut) {
        return acList->Add(QString::fromLatin1(Name), QString::fromLatin1(Caption), QString::fromLatin1(Hint),
                           Shortcut);
    };
    const auto SampleSelected = run(&TfrmExperiment::acSampleNodeUpdate);

    acSampleSubtractZero = add("acSampleSubtractZero", "S&ubtract Zero...", "Subtracts zero", Key(Qt::CTRL | Qt::Key_0));
    acList->SetHandlers(acSampleSubtractZero, run(&TfrmExperiment::acSampleSubtractZeroExecute),
                        run(&TfrmExperiment::acSampleSubtractZeroUpdate));
    acSampleDefinePlateau =
        add("acSampleDefinePlateau", "D&efine Plateau...", "Define plateau interval", Key(Qt::CTRL | Qt::Key_D));
    acList->SetHandlers(acSampleDefinePlateau, run(&TfrmExperiment::acSampleDefinePlateauExecute), SampleSelected);
    acSampleCalculateArea = add("acSampleCalculateArea", "C&aculate Area...",
                                "Calculates signal area in desired interval", Key(Qt::CTRL | Qt::Key_F));
    acList->SetHandlers(acSampleCalculateArea, run(&TfrmExperiment::acSampleCalculateAreaExecute), SampleSelected);
    acSampleChangeResolution = add("acSampleChangeResolution", "C&hange Sampling Interval...",
                                   "Changes current sampling interval", Key(Qt::CTRL | Qt::Key_R));
    acList->SetHandlers(acSampleChangeResolution, run(&TfrmExperiment::acSampleChangeResolutionExecute),
                        SampleSelected);
    acSampleSmoothSignal = add("acSampleSmoothSignal", "S&mooth Signal...", "Smooths signal by selected method",
                               Key(Qt::CTRL | Qt::Key_M));
    acList->SetHandlers(acSampleSmoothSignal, run(&TfrmExperiment::acSampleSmoothSignalExecute), SampleSelected);
    acSampleAbsorbtion = add("acSampleAbsorbtion", "A&bsorbtion", "Converts raw numbers to absorbtion",
                             Key(Qt::CTRL | Qt::Key_A));
    acSampleAbsorbtion->setCheckable(true);
    acList->SetHandlers(acSampleAbsorbtion, run(&TfrmExperiment::acSampleAbsorbtionExecute),
                        run(&TfrmExperiment::acSampleAbsorbtionUpdate));
    acSampleDeleteReplicate = add("acSampleDeleteReplicate", "&Delete Replicate...", "Deletes selected replicate",
                                  Key(Qt::CTRL | Qt::Key_Delete));
    acList->SetHandlers(acSampleDeleteReplicate, run(&TfrmExperiment::acSampleDeleteReplicateExecute),
                        run(&TfrmExperiment::acSampleDeleteReplicateUpdate));
    acSampleSendToExcel = add("acSampleSendToExcel", "Se&nd To MS Excel", "Sends sample data to MS Excel",
                              Key(Qt::CTRL | Qt::Key_E));
    acList->SetHandlers(acSampleSendToExcel, run(&TfrmExperiment::acSampleSendToExcelExecute), SampleSelected);
    acSampleExport = add("acSampleExport", "Export...", "Exports selected sample", Key(Qt::CTRL | Qt::Key_H));
    acList->SetHandlers(acSampleExport, run(&TfrmExperiment::acSampleExportExecute), SampleSelected);

    acExpAddSample = add("acExpAddSample", "Add Sample(s)...", "Adds sample(s) from file", Key(Qt::CTRL | Qt::Key_L));
    acList->SetExecute(acExpAddSample, run(&TfrmExperiment::acExpAddSampleExecute));
    acExpRemoveSample =
        add("acExpRemoveSample", "Remove Sample", "Removes selected sample", Key(Qt::SHIFT | Qt::Key_Delete));
    acList->SetHandlers(acExpRemoveSample, run(&TfrmExperiment::acExpRemoveSampleExecute), SampleSelected);
}

TSampleCommandHost TfrmExperiment::CommandHost()
{
    QTreeWidgetItem* Node = SelectedSampleNode();
    TAASSample* Sample = NodeSample(Node);
    TSampleCommandHost Host;
    Host.Owner = this;
    Host.Sample = Sample;
    Host.RefreshCurves = [this, Node] { RefreshSampleSeries(Node); };
    Host.RefreshInfo = [this, Sample, Node] { UpdateSampleInfo(Sample, Node); };
    Host.SetModified = [this] { FModified = true; };
    return Host;
}

// ---------------------------------------------------------------------------
// Adding and removing samples

void TfrmExperiment::acExpAddSampleExecute(QAction*)
{
    gui::FileDialogOptions& Dialog = OpenDialogState();
    TKeepFilter Keep(Dialog);
    Dialog.filter = SampleFilesFilter;
    if (!gui::ExecuteOpenDialog(Dialog, this))
        return;
    const QStringList Names = Dialog.fileNames.isEmpty() ? QStringList(Dialog.fileName) : Dialog.fileNames;
    TWaitCursor Wait;
    FModified = true;
    QStringList Unread;
    for (const QString& Name : Names) {
        auto Sample = std::make_unique<TAASSample>("Sample", true);
        if (!LoadSampleFile(*Sample, Name)) {
            // Not added; the files after it are still read.
            Unread << Name;
            continue;
        }
        TAASSample* Added = Sample.get();
        Experiment->Add(Sample.release());
        try {
            AddSampleNode(Added);
        } catch (...) {
            // Neither the node nor the sample stays half-made.
            if (QTreeWidgetItem* Root = RootNode())
                if (Root->childCount() >= Experiment->Count()) {
                    QTreeWidgetItem* Node = Root->child(Experiment->Count() - 1);
                    FreeNodeCurves(Node);
                    delete Node;
                }
            Experiment->Remove(Added);
            throw;
        }
    }
    if (!Unread.isEmpty())
        gui::MessageDlg(QStringLiteral("These files could not be read as samples and were not added:\r\n") +
                            Unread.join(QStringLiteral("\r\n")),
                        gui::MsgDlgType::Error, gui::mbOK, this);
}

void TfrmExperiment::acExpRemoveSampleExecute(QAction*)
{
    QTreeWidgetItem* Node = SelectedSampleNode();
    TAASSample* Sample = NodeSample(Node);
    if (!Sample)
        return;
    const QString Question = QString::fromStdString(
        Format("Are you really want to remove \"%s\" sample ?", QuoteInMessage(Sample->Title())));
    if (gui::MessageDlg(Question, gui::MsgDlgType::Confirmation, gui::mbYesNo, this) != gui::mrYes)
        return;
    FreeNodeCurves(Node);
    Experiment->Remove(Sample);
    delete Node;
    FModified = true;
}

// ---------------------------------------------------------------------------
// Processing commands of the selected sample (shared with the sample window)

void TfrmExperiment::acSampleSubtractZeroExecute(QAction*)
{
    SampleCommands::SubtractZero(CommandHost());
}

void TfrmExperiment::acSampleSubtractZeroUpdate(QAction* Sender)
{
    const TAASSample* Sample = SelectedSample();
    Sender->setEnabled(Sample && !Sample->ZeroSubtracted());
}

void TfrmExperiment::acSampleDefinePlateauExecute(QAction*)
{
    SampleCommands::DefinePlateau(CommandHost());
}

void TfrmExperiment::acSampleCalculateAreaExecute(QAction*)
{
    SampleCommands::CalculateArea(CommandHost());
}

void TfrmExperiment::acSampleChangeResolutionExecute(QAction*)
{
    SampleCommands::ChangeResolution(CommandHost(), QStringLiteral("Change Sampling Interval"),
                                     "Enter new sampling interval... (current: %.2f seconds)");
}

void TfrmExperiment::acSampleSmoothSignalExecute(QAction*)
{
    SampleCommands::SmoothSignal(CommandHost());
}

void TfrmExperiment::acSampleAbsorbtionExecute(QAction*)
{
    SampleCommands::Absorbtion(CommandHost());
}

void TfrmExperiment::acSampleAbsorbtionUpdate(QAction* Sender)
{
    const TAASSample* Sample = SelectedSample();
    Sender->setEnabled(Sample && Sample->Count() > 0);
    Sender->setChecked(Sample && Sample->Absorbtion());
}

void TfrmExperiment::acSampleSendToExcelExecute(QAction*)
{
    if (const TAASSample* Sample = SelectedSample())
        SampleCommands::SendToExcel(*Sample);
}

// ---------------------------------------------------------------------------
// Delete Replicate: the replicate of the selected replicate node.  The other
// nodes keep their texts; the sample's curves are refilled at once, so the
// ensemble curve shows the new mean.

void TfrmExperiment::acSampleDeleteReplicateExecute(QAction*)
{
    QTreeWidgetItem* Node = tviewExperiment->currentItem();
    if (NodeLevel(Node) != 2)
        return;
    QTreeWidgetItem* Parent = Node->parent();
    TAASSample* Sample = NodeSample(Parent);
    if (!Sample)
        return;
    TSampleCommandHost Host;
    Host.Owner = this;
    Host.Sample = Sample;
    Host.RefreshCurves = [this, Parent] { RefreshSampleSeries(Parent); };
    Host.RefreshInfo = [this, Sample, Parent] { UpdateSampleInfo(Sample, Parent); };
    Host.SetModified = [this] { FModified = true; };
    SampleCommands::DeleteReplicate(Host, Node->text(0), Parent->indexOfChild(Node), [this, Node] {
        FChart->FreeSeries(NodeSeries(Node));
        delete Node;
    });
}

void TfrmExperiment::acSampleDeleteReplicateUpdate(QAction* Sender)
{
    const QTreeWidgetItem* Node = tviewExperiment->currentItem();
    const TAASSample* Sample = NodeLevel(Node) == 2 ? NodeSample(Node->parent()) : nullptr;
    Sender->setEnabled(Sample && TSampleTreeView::NodeState(Node) != -1 && Node->text(0) != AnsambledNodeText &&
                       Sample->Count() > 1);
}

// ---------------------------------------------------------------------------
// Export: the selected sample as a sample text file.  A file that cannot be
// written is reported; the window's flag and the recent-file list stay.

void TfrmExperiment::acSampleExportExecute(QAction*)
{
    const TAASSample* Sample = SelectedSample();
    if (!Sample)
        return;
    gui::FileDialogOptions& Dialog = SaveDialogState();
    Dialog.filter = SampleFilesFilter;
    if (!gui::ExecuteSaveDialog(Dialog, this))
        return;
    WriteSampleFile(*Sample, Dialog.fileName);
}

}  // namespace VelorSpec
