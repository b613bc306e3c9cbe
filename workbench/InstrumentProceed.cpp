// The "Proceed..." page of the Instrument Data window: replicates from the
// received lines, samples built from them, and saving.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>

#include <algorithm>

#include "AASCls.h"
#include "ActionList.h"
#include "FileNames.h"
#include "Instrument.h"
#include "WaitCursor.h"

namespace VelorSpec {

namespace {

const QString SampleSaveFilter =
    QStringLiteral("AAS Sample Text File(*.AST)|*.AST|AAS Sample Binary File(*.ASB)|*.ASB");
const QString ExperimentSaveFilter = QStringLiteral("AAS Experiment(*.AXP)|*.AXP|Any File(*.*)|*.*");

constexpr int DataRole = Qt::UserRole;

// Runs a clean-up when the scope ends, also on failure.
template <class F>
struct Finally {
    F f;
    ~Finally() { f(); }
};
template <class F>
Finally(F) -> Finally<F>;

void setNodeData(QTreeWidgetItem* node, const void* p)
{
    node->setData(0, DataRole, QVariant::fromValue(reinterpret_cast<quintptr>(p)));
}

const void* nodeData(const QTreeWidgetItem* node)
{
    return node ? reinterpret_cast<const void*>(node->data(0, DataRole).value<quintptr>()) : nullptr;
}

bool isRoot(const QTreeWidgetItem* node)
{
    return node && !node->parent();
}

bool isLevel1(const QTreeWidgetItem* node)
{
    return node && node->parent() && !node->parent()->parent();
}

QString UpperExtension(const QString& name)
{
    const qsizetype at = gui::ExtensionStart(name);
    return at < 0 ? QString() : name.mid(at).toUpper();
}

using gui::ChangeFileExt;
using gui::LocalPath;

}  // namespace

TAASReplicate* TfrmInstrument::ReplicateOf(const QTreeWidgetItem* Node)
{
    return static_cast<TAASReplicate*>(const_cast<void*>(nodeData(Node)));
}

TAASSample* TfrmInstrument::SampleOf(const QTreeWidgetItem* Node)
{
    return static_cast<TAASSample*>(const_cast<void*>(nodeData(Node)));
}

void TfrmInstrument::CreateProceedPage()
{
    tsProceed = new QWidget;
    tsProceed->setObjectName(QStringLiteral("tsProceed"));
    auto* layout = new QHBoxLayout(tsProceed);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* splitter = new QSplitter(Qt::Horizontal, tsProceed);
    layout->addWidget(splitter);

    gboxReplicates = new QGroupBox(QStringLiteral("All Replicates"));
    gboxReplicates->setObjectName(QStringLiteral("gboxReplicates"));
    auto* left = new QVBoxLayout(gboxReplicates);
    tviewReplicates = new TInstrumentTree(gboxReplicates);
    tviewReplicates->setObjectName(QStringLiteral("tviewReplicates"));
    left->addWidget(tviewReplicates);
    splitter->addWidget(gboxReplicates);

    gboxSamples = new QGroupBox(QStringLiteral("Construct Samples"));
    gboxSamples->setObjectName(QStringLiteral("gboxSamples"));
    auto* right = new QHBoxLayout(gboxSamples);
    tbarSamples = new QToolBar(gboxSamples);
    tbarSamples->setObjectName(QStringLiteral("tbarSamples"));
    tbarSamples->setOrientation(Qt::Vertical);
    for (QAction* a : {acAddSample, acDelSample, acMoveRight, acMoveLeft, acSaveSamples, acSaveAsExperiment})
        tbarSamples->addAction(a);
    right->addWidget(tbarSamples);
    tviewSamples = new TInstrumentTree(gboxSamples);
    tviewSamples->setObjectName(QStringLiteral("tviewSamples"));
    right->addWidget(tviewSamples);
    splitter->addWidget(gboxSamples);
    splitter->setSizes({145, 300});

    for (TInstrumentTree* tree : {tviewReplicates, tviewSamples}) {
        tree->setHeaderHidden(true);
        tree->setColumnCount(1);
        tree->setSelectionMode(QAbstractItemView::SingleSelection);
        tree->setDragEnabled(true);
        tree->setAcceptDrops(true);
        tree->setDropIndicatorShown(true);
        tree->setDragDropMode(QAbstractItemView::DragDrop);
        tree->setDefaultDropAction(Qt::CopyAction);
    }
    tviewReplicates->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tviewSamples->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                  QAbstractItemView::SelectedClicked);

    tviewSamples->OnDragOver = [this](QTreeWidget* s, QTreeWidgetItem* t) { return tviewSamplesDragOver(s, t); };
    tviewSamples->OnDragDrop = [this](QTreeWidget* s, QTreeWidgetItem* t) { tviewSamplesDragDrop(s, t); };
    tviewReplicates->OnDragOver = [this](QTreeWidget* s, QTreeWidgetItem* t) {
        return tviewReplicatesDragOver(s, t);
    };
    tviewReplicates->OnDragDrop = [this](QTreeWidget* s, QTreeWidgetItem* t) { tviewReplicatesDragDrop(s, t); };
    connect(tviewSamples, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
        tviewSamplesEdited(item);
    });

    sdlgSamples.filter = SampleSaveFilter;
    sdlgSamples.overwritePrompt = true;
    pctrlData->addTab(tsProceed, QStringLiteral("Proceed..."));
}

void TfrmInstrument::ShowPage(int index)
{
    FProgramSwitch = true;
    Finally done{[this] { FProgramSwitch = false; }};
    pctrlData->setCurrentIndex(index);
}

void TfrmInstrument::pctrlDataChange()
{
    if (pctrlData->currentIndex() == 1) {
        if (FLines.Empty())
            ShowPage(0);
        else
            acProceedDataExecute();
    } else {
        ClearProceed();
    }
}

void TfrmInstrument::FreeSamples()
{
    if (!tviewSamples)
        return;
    for (int i = 0; i < tviewSamples->topLevelItemCount(); ++i)
        delete SampleOf(tviewSamples->topLevelItem(i));
    tviewSamples->clear();
}

void TfrmInstrument::ClearProceed()
{
    tviewReplicates->clear();
    FreeSamples();
    FReplicates.reset();
}

void TfrmInstrument::acProceedDataExecute()
{
    TWaitCursor wait;
    // The samples refer to the old replicates: they go before the list does.
    tviewReplicates->clear();
    FreeSamples();
    FReplicates = std::make_unique<TAASReplicateList>(true);
    auto current = std::make_unique<TAASReplicate>();
    int number = 1;

    const std::vector<std::string>& lines = FLines.FReceivedLines;
    const int count = static_cast<int>(lines.size());
    prgBar->setValue(0);
    prgBar->setMaximum(count);
    prgBar->show();
    Finally hideBar{[this] { prgBar->hide(); }};

    for (int i = 0; i < count; ++i) {
        const std::string& line = lines[static_cast<size_t>(i)];
        if (line == ReplicateEndMarker) {
            TAASReplicate* r = current.release();
            FReplicates->Add(r);
            auto* node = new QTreeWidgetItem(tviewReplicates,
                                             {QString::fromStdString(Format("Replicate #%.3d", number))});
            setNodeData(node, r);
            ++number;
            new QTreeWidgetItem(node, {QStringLiteral("Number Of Points: ") + QString::number(r->Count())});
            new QTreeWidgetItem(node, {QStringLiteral("Resolution: ") +
                                       QString::fromStdString(FloatToStr(r->Resolution()))});
            if (i != count - 1) {
                prgBar->setValue(i + 1);
                current = std::make_unique<TAASReplicate>();
            }
        } else if (!line.empty()) {
            current->Add(static_cast<double>(StrToFloat(line)));
        }
    }
    // Readings after the last marker go with the unfinished replicate.
    current.reset();
    ShowPage(1);
}

void TfrmInstrument::acProceedDataUpdate()
{
    acProceedData->setEnabled(!FLines.Empty());
}

void TfrmInstrument::acAddSampleExecute()
{
    auto* sample = new TAASSample("Sample", false);
    auto* node = new QTreeWidgetItem(tviewSamples, {QStringLiteral("Sample")});
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    setNodeData(node, sample);
}

void TfrmInstrument::DeleteSampleNode(QTreeWidgetItem* Node)
{
    delete SampleOf(Node);
    delete Node;
}

void TfrmInstrument::acDelSampleExecute()
{
    QTreeWidgetItem* node = tviewSamples->currentItem();
    if (!isRoot(node))
        return;
    if (node->childCount() > 0 &&
        gui::MessageDlg(QStringLiteral("Are you really want to delete this sample ?"), gui::MsgDlgType::Confirmation,
                        gui::mbYesNo, this) != gui::mrYes)
        return;
    const int n = node->childCount();
    for (int i = 0; i < n; ++i)
        CopyNode(node->child(i), tviewReplicates, nullptr);
    if (n > 0)
        SortReplicates();
    DeleteSampleNode(node);
}

void TfrmInstrument::acDelSampleUpdate()
{
    acDelSample->setEnabled(isRoot(tviewSamples->currentItem()));
}

QTreeWidgetItem* TfrmInstrument::CopyNode(const QTreeWidgetItem* Node, QTreeWidget* Tree, QTreeWidgetItem* Parent)
{
    auto* copy = Parent ? new QTreeWidgetItem(Parent, {Node->text(0)}) : new QTreeWidgetItem(Tree, {Node->text(0)});
    copy->setData(0, DataRole, Node->data(0, DataRole));
    for (int i = 0; i < Node->childCount(); ++i)
        new QTreeWidgetItem(copy, {Node->child(i)->text(0)});
    return copy;
}

void TfrmInstrument::SortReplicates()
{
    QList<QTreeWidgetItem*> nodes;
    while (tviewReplicates->topLevelItemCount() > 0)
        nodes << tviewReplicates->takeTopLevelItem(0);
    std::stable_sort(nodes.begin(), nodes.end(), [](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return QString::localeAwareCompare(a->text(0), b->text(0)) < 0;
    });
    tviewReplicates->addTopLevelItems(nodes);
}

void TfrmInstrument::ReturnReplicate(QTreeWidgetItem* Node)
{
    CopyNode(Node, tviewReplicates, nullptr);
    SortReplicates();
}

bool TfrmInstrument::MoveIntoSample(QTreeWidgetItem* R, QTreeWidgetItem* Target)
{
    TAASSample* sample = SampleOf(Target);
    TAASReplicate* replicate = ReplicateOf(R);
    if (!sample || !replicate || !sample->CanAdd(replicate))
        return false;
    sample->Add(replicate);
    CopyNode(R, nullptr, Target);
    return true;
}

void TfrmInstrument::acMoveRightExecute()
{
    QTreeWidgetItem* r = tviewReplicates->currentItem();
    QTreeWidgetItem* s = tviewSamples->currentItem();
    if (!isRoot(r) || !isRoot(s))
        return;
    if (MoveIntoSample(r, s))
        delete r;
}

void TfrmInstrument::acMoveRightUpdate()
{
    acMoveRight->setEnabled(isRoot(tviewReplicates->currentItem()) && isRoot(tviewSamples->currentItem()));
}

void TfrmInstrument::acMoveLeftExecute()
{
    QTreeWidgetItem* node = tviewSamples->currentItem();
    if (!isLevel1(node))
        return;
    SampleOf(node->parent())->Remove(ReplicateOf(node));
    ReturnReplicate(node);
    delete node;
}

void TfrmInstrument::acMoveLeftUpdate()
{
    acMoveLeft->setEnabled(isLevel1(tviewSamples->currentItem()));
}

bool TfrmInstrument::tviewSamplesDragOver(QTreeWidget* Source, QTreeWidgetItem* Target)
{
    if (!isRoot(Target) || !Source)
        return false;
    const QTreeWidgetItem* dragged = Source->currentItem();
    if (Source == tviewReplicates)
        return isRoot(dragged);
    if (Source == tviewSamples)
        return isLevel1(dragged) && dragged->parent() != Target;
    return false;
}

void TfrmInstrument::tviewSamplesDragDrop(QTreeWidget* Source, QTreeWidgetItem* Target)
{
    if (!tviewSamplesDragOver(Source, Target))
        return;
    QTreeWidgetItem* dragged = Source->currentItem();
    QTreeWidgetItem* from = Source == tviewSamples ? dragged->parent() : nullptr;
    if (!MoveIntoSample(dragged, Target))
        return;
    if (from)
        SampleOf(from)->Remove(ReplicateOf(dragged));
    delete dragged;
    Target->setExpanded(true);
}

bool TfrmInstrument::tviewReplicatesDragOver(QTreeWidget* Source, QTreeWidgetItem*)
{
    return Source == tviewSamples && isLevel1(Source->currentItem());
}

void TfrmInstrument::tviewReplicatesDragDrop(QTreeWidget* Source, QTreeWidgetItem* Target)
{
    if (!tviewReplicatesDragOver(Source, Target))
        return;
    QTreeWidgetItem* dragged = Source->currentItem();
    ReturnReplicate(dragged);
    SampleOf(dragged->parent())->Remove(ReplicateOf(dragged));
    delete dragged;
}

void TfrmInstrument::tviewSamplesEdited(QTreeWidgetItem* Node)
{
    if (isRoot(Node))
        if (TAASSample* sample = SampleOf(Node))
            sample->SetTitle(Node->text(0).toStdString());
}

void TfrmInstrument::acSaveSamplesExecute()
{
    for (int i = tviewSamples->topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* node = tviewSamples->topLevelItem(i);
        if (node->childCount() > 0)
            SaveSample(SampleOf(node));
        else
            DeleteSampleNode(node);
    }
}

void TfrmInstrument::acSaveSamplesUpdate()
{
    const bool any = tviewSamples->topLevelItemCount() > 0;
    acSaveSamples->setEnabled(any);
    acSaveAsExperiment->setEnabled(any);
}

void TfrmInstrument::SaveSample(TAASSample* Sample)
{
    if (!gui::ExecuteSaveDialog(sdlgSamples, this))
        return;
    const QString name = sdlgSamples.fileName;
    if (UpperExtension(name) == QLatin1String(".ASB")) {
        Sample->SaveToBinaryFile(LocalPath(name));
        return;
    }
    prgBar->setValue(0);
    prgBar->show();
    Finally hideBar{[this] { prgBar->hide(); }};
    // A sample that could not be written is reported (the writer leaves any
    // old file of that name untouched); the samples not offered yet stay in
    // the tree for the next Save Samples.
    const QString textName = ChangeFileExt(name, QStringLiteral(".AST"));
    if (!Sample->SaveToFile(LocalPath(textName), [this](int Current, int Total) { SaveProgress(Current, Total); }))
        throw Exception(Format("Cannot save the sample to \"%s\".", textName.toStdString()));
}

void TfrmInstrument::SaveProgress(int Current, int Total)
{
    prgBar->setMaximum(Total);
    prgBar->setValue(Current);
}

void TfrmInstrument::acSaveAsExperimentExecute()
{
    auto experiment = std::make_unique<TAASExperiment>("Untitled", false);
    for (int i = tviewSamples->topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* node = tviewSamples->topLevelItem(i);
        if (node->childCount() > 0)
            experiment->Add(SampleOf(node));
        else
            DeleteSampleNode(node);
    }
    SaveExperiment(experiment.get());
}

void TfrmInstrument::SaveExperiment(TAASExperiment* Experiment)
{
    sdlgSamples.filter = ExperimentSaveFilter;
    Finally restore{[this] { sdlgSamples.filter = SampleSaveFilter; }};
    if (!gui::ExecuteSaveDialog(sdlgSamples, this))
        return;
    TWaitCursor wait;
    Experiment->SaveToFile(LocalPath(ChangeFileExt(sdlgSamples.fileName, QStringLiteral(".AXP"))));
}

}  // namespace VelorSpec
