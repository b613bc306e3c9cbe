#include "Experiment.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidgetItem>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <algorithm>

#include "AASCls.h"
#include "Charts.h"
#include "Dialogs.h"
#include "DocumentLayout.h"
#include "ExperimentCalibration.h"
#include "Main.h"
#include "Sample.h"
#include "SysUtils.h"
#include "WaitCursor.h"

namespace VelorSpec {

namespace {

QString FromStd(const std::string& S)
{
    return QString::fromStdString(S);
}

gui::TMRUManager* RecentFiles()
{
    return frmMain ? frmMain->MRUManager : nullptr;
}

const QString AnsambledNodeText = QStringLiteral("Ansambled Replicate");

// The ten info lines of a sample node.  A value is printed only when it is
// greater than 0.
QStringList SampleInfoLines(const TAASSample& S)
{
    const char* const NotSetText = "Value not set";
    QStringList Lines;
    const auto Add = [&Lines](const std::string& Line) { Lines << FromStd(Line); };
    if (S.PeakStart() > 0 && S.PeakEnd() > 0)
        Add(Format("Peak Interval: %.2f - %.2f [s]", S.PeakStart(), S.PeakEnd()));
    else
        Add(Format("Peak Interval: %s", NotSetText));
    Add(S.PeakMean() > 0 ? Format("Peak Mean: %.4f [a.u.]", S.PeakMean()) : Format("Peak Mean: %s", NotSetText));
    Add(S.PeakSD() > 0 ? Format("Peak StdDev: %.4f [a.u.]", S.PeakSD()) : Format("Peak StdDev: %s", NotSetText));
    Add(S.PeakRSD() > 0 ? Format("Peak RSD: %.2f [%s]", S.PeakRSD(), "%") : Format("Peak RSD: %s", NotSetText));
    if (S.AreaStart() > 0 && S.AreaEnd() > 0)
        Add(Format("Area Interval: %.2f - %.2f [s]", S.AreaStart(), S.AreaEnd()));
    else
        Add(Format("Area Interval: %s", NotSetText));
    Add(S.AreaMean() > 0 ? Format("Area Mean: %.4f", S.AreaMean()) : Format("Area Mean: %s", NotSetText));
    Add(S.AreaSD() > 0 ? Format("Area StdDev: %.4f", S.AreaSD()) : Format("Area StdDev: %s", NotSetText));
    Add(S.AreaRSD() > 0 ? Format("Area RSD: %.2f [%s]", S.AreaRSD(), "%") : Format("Area RSD: %s", NotSetText));
    if (S.Standart())
        Add("Sample Type: STANDART");
    else if (S.Zero())
        Add("Sample Type: ZERO");
    else
        Add("Sample Type: SAMPLE");
    Add(S.Concentration() > 0 ? Format("Concentration: %.3f [%s]", S.Concentration(), S.ConcentrationStr())
                              : std::string("Concentration: Not known"));
    return Lines;
}

// Adds a menu's actions in groups with a separator between groups.
void AddGroups(QMenu* Menu, const QList<QList<QAction*>>& Groups)
{
    bool Any = false;
    for (const QList<QAction*>& Group : Groups) {
        bool InGroup = false;
        for (QAction* Action : Group) {
            if (!Action)
                continue;
            if (Any && !InGroup)
                Menu->addSeparator();
            Menu->addAction(Action);
            Any = InGroup = true;
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Creation

TfrmExperiment::TfrmExperiment(QWidget* Owner, const QString& FileName) : TChildForm(Owner)
{
    setObjectName(QStringLiteral("frmExperiment"));
    Experiment = new TAASExperiment("", true);
    FModified = false;

    CreateControls();
    acList = new gui::TActionList(this);
    acList->setObjectName(QStringLiteral("acList"));
    CreateActions();
    CreateSampleCommandActions();
    AttachCalibration(*this);
    CreateMenus();
    // The keys answer wherever the window is active, not only while its
    // menus are merged into the frame's.
    acList->AttachShortcuts(this);
    FormCreate();

    // 620 x 460, wider when the page tabs would not show whole.
    const int TabsWidth = pctrlExperiment->tabBar()->sizeHint().width() + 16;
    FFirstSize = QSize(std::max(620, 153 + RxSplitter->handleWidth() + TabsWidth),
                       std::max(460, minimumSizeHint().height()));
    resize(FFirstSize);

    LoadExperiment(FileName);
    FFileName = FileName;
}

TfrmExperiment::~TfrmExperiment()
{
    // The curves go first (off the chart), then the experiment.
    FChart.reset();
    delete Experiment;
    Experiment = nullptr;
}

void TfrmExperiment::FormCreate()
{
    pctrlExperiment->setCurrentIndex(0);
}

void TfrmExperiment::CreateControls()
{
    const TDocumentLayout Layout = CreateDocumentLayout(this, QStringLiteral("tviewExperiment"),
                                                        QStringLiteral("pctrlExperiment"), &pmTreeView);
    RxSplitter = Layout.Splitter;
    tviewExperiment = Layout.Tree;
    pctrlExperiment = Layout.Pages;
    tviewExperiment->OnMouseDown = [this](Qt::MouseButton B, const QPoint& P) { tviewExperimentMouseDown(B, P); };
    tviewExperiment->OnKeyDown = [this](int Key) { return tviewExperimentKeyDown(Key); };
    tviewExperiment->OnEditing = [this](QTreeWidgetItem* N, bool& Allow) { tviewExperimentEditing(N, Allow); };
    tviewExperiment->OnEdited = [this](QTreeWidgetItem* N, QString& S) { tviewExperimentEdited(N, S); };
    tviewExperiment->OnDragOver = [this](QTreeWidgetItem* T) { return tviewExperimentDragOver(T); };
    tviewExperiment->OnDragDrop = [this](QTreeWidgetItem* T) { tviewExperimentDragDrop(T); };
    tviewExperiment->OnNodeColor = [this](const QTreeWidgetItem* N, bool Selected) {
        return tviewExperimentNodeColor(N, Selected);
    };
    tviewExperiment->EnableNodeDrag();

    tsGraphicView = AddDocumentPage(pctrlExperiment, "tsGraphicView", "Graphic View");
    tsCalibrationView = AddDocumentPage(pctrlExperiment, "tsCalibrationView", "Calibration View");
    tsStatisticView = AddDocumentPage(pctrlExperiment, "tsStatisticView", "Statistic View");
    tsDescription = AddDocumentPage(pctrlExperiment, "tsDescription", "Description");

    FChart = std::make_unique<TSignalChart>(tsGraphicView);
    MainChart = FChart->Chart;
    MainChartBottomAxis = FChart->BottomAxis;
    MainChartLeftAxis = FChart->LeftAxis;
    MainChartView = FChart->View;
    MainChartView->OnBeforeDraw = [this] { MainChartBeforeDrawSeries(); };
    MainChartView->OnAfterDraw = [this] { MainChartAfterDraw(); };
    FillPage(tsGraphicView, MainChartView);

    redStats = CreateStatsBox(tsStatisticView);

    redDescription = new QPlainTextEdit(tsDescription);
    redDescription->setObjectName(QStringLiteral("redDescription"));
    connect(redDescription, &QPlainTextEdit::textChanged, this, &TfrmExperiment::redDescriptionChange);
    FillPage(tsDescription, redDescription);
}

void TfrmExperiment::CreateActions()
{
    using Key = QKeySequence;
    const auto run = [this](void (TfrmExperiment::*Handler)(QAction*)) {
        return gui::TActionList::Handler([this, Handler](QAction* Sender) { (this->*Handler)(Sender); });
    };
    const auto add = [this](const char* Name, const char* Caption, const char* Hint, const Key& Shortcut = {},
                            int Tag = 0) {
        return acList->Add(QString::fromLatin1(Name), QString::fromLatin1(Caption), QString::fromLatin1(Hint),
                           Shortcut, -1, Tag);
    };

    // Marking standards, samples and zero samples: bound by the calibration code.
    acSampleStandart = add("acSampleStandart", "Standart...", "Sets selected sample as standart",
                           Key(Qt::CTRL | Qt::Key_1), 0);
    acSampleSample = add("acSampleSample", "Sample", "Sets selected sample as sample", Key(Qt::CTRL | Qt::Key_2), 1);
    acSampleZero = add("acSampleZero", "Zero", "Sets selected sample as zero", Key(Qt::CTRL | Qt::Key_3), 2);

    acExpEditDescription = add("acExpEditDescription", "Edit De&scription", "Edit experiment description");
    acList->SetExecute(acExpEditDescription, run(&TfrmExperiment::acExpEditDescriptionExecute));
    acExpEditTitle = add("acExpEditTitle", "E&dit Title", "Edit experiment title", Key(Qt::CTRL | Qt::Key_T));
    acList->SetExecute(acExpEditTitle, run(&TfrmExperiment::acExpEditTitleExecute));
    // The batch command: bound by the batch code.
    acExpProceedAll = add("acExpProceedAll", "P&roceed All Samples...", "Proceeds all samples with selected procedure",
                          Key(Qt::CTRL | Qt::Key_W));
    acExpCopyDataChart = add("acExpCopyDataChart", "Copy Data C&hart", "Copies data chart to Clipboard", {}, 0);
    acList->SetHandlers(acExpCopyDataChart, run(&TfrmExperiment::acExpCopyChartExecute),
                        run(&TfrmExperiment::acExpCopyDataChartUpdate));
    acExpCopyCalibChart =
        add("acExpCopyCalibChart", "Copy Calibration Chart", "Copies calibration chart to Clipboard", {}, 1);
    acList->SetHandlers(acExpCopyCalibChart, run(&TfrmExperiment::acExpCopyChartExecute),
                        run(&TfrmExperiment::acExpCopyCalibChartUpdate));
    // Has no behaviour and is never enabled.
    acExpSendToExcel = add("acExpSendToExcel", "Send To MS Excel", "Sends experiment info to MS Excel");
    acList->SetUpdate(acExpSendToExcel, [](QAction* Sender) { Sender->setEnabled(false); });

    acTreeRenSample = add("acTreeRenSample", "Rename Sample", "Change sample's title");
    acList->SetExecute(acTreeRenSample, run(&TfrmExperiment::acExpEditTitleExecute));
    acTreeRenSample->setVisible(false);
    acTreeSelectAll = add("acTreeSelectAll", "S&elect All", "Selects all replicates", {}, 1);
    acList->SetExecute(acTreeSelectAll, run(&TfrmExperiment::acTreeSelectAllExecute));
    acTreeSelectNone = add("acTreeSelectNone", "Sele&ct None", "Unselects all", {}, 2);
    acList->SetExecute(acTreeSelectNone, run(&TfrmExperiment::acTreeSelectAllExecute));
    acTreeInvertSelection = add("acTreeInvertSelection", "In&vert Selection", "Inverts Selection");
    acList->SetExecute(acTreeInvertSelection, run(&TfrmExperiment::acTreeInvertSelectionExecute));
    acTreeExpandAll = add("acTreeExpandAll", "E&xpand All", "Expands all branches");
    acList->SetExecute(acTreeExpandAll, run(&TfrmExperiment::acTreeExpandAllExecute));
    acTreeCollapseAll = add("acTreeCollapseAll", "C&ollapse All", "Collapses all branches");
    acList->SetExecute(acTreeCollapseAll, run(&TfrmExperiment::acTreeCollapseAllExecute));
}

void TfrmExperiment::CreateMenus()
{
    miSample = new QMenu(QStringLiteral("&Sample"), this);
    miSample->setObjectName(QStringLiteral("miSample"));
    AddGroups(miSample, {
                            {acSampleStandart, acSampleSample, acSampleZero},
                            {acSampleSubtractZero},
                            {acSampleDefinePlateau, acSampleCalculateArea},
                            {acSampleChangeResolution, acSampleSmoothSignal},
                            {acSampleAbsorbtion},
                            {acSampleDeleteReplicate},
                            {acSampleSendToExcel},
                            {acSampleExport},
                        });

    miExperiment = new QMenu(QStringLiteral("&Experiment"), this);
    miExperiment->setObjectName(QStringLiteral("miExperiment"));
    AddGroups(miExperiment, {
                                {acExpAddSample, acExpRemoveSample},
                                {acExpEditDescription, acExpEditTitle},
                                {acExpProceedAll},
                                {acExpCopyDataChart, acExpCopyCalibChart},
                                {acExpSendToExcel},
                            });
    miExperiment->addSeparator();
    // Printing has no behaviour: the items exist with their captions.
    miExpPrint = miExperiment->addMenu(QStringLiteral("Print"));
    miExpPrint->setObjectName(QStringLiteral("miExpPrint"));
    for (const char* Caption : {"Data Chart", "Calibration Chart", "Statistics", "Description"})
        miExpPrintItems << miExpPrint->addAction(QString::fromLatin1(Caption));
    miExpPrint->addSeparator();
    miExpPrintItems << miExpPrint->addAction(QStringLiteral("Printer Setup..."));

    pmTreeView = new QMenu(this);
    pmTreeView->setObjectName(QStringLiteral("pmTreeView"));
    pmTreeView->addAction(acTreeRenSample);
    pmTreeView->addSeparator()->setVisible(false);
    pmTreeView->addAction(acTreeSelectAll);
    pmTreeView->addAction(acTreeSelectNone);
    pmTreeView->addAction(acTreeInvertSelection);
    pmTreeView->addSeparator();
    pmTreeView->addAction(acTreeExpandAll);
    pmTreeView->addAction(acTreeCollapseAll);

    for (QMenu* Menu : {miSample, miExperiment, miExpPrint, pmTreeView})
        gui::TActionList::HookMenu(Menu);
}

QList<QMenu*> TfrmExperiment::MergedMenus() const
{
    return {miSample, miExperiment};
}

void TfrmExperiment::SetCaption()
{
    setWindowTitle(FromStd(Format("Experiment - [%s]", FFileName.toStdString())));
}

// ---------------------------------------------------------------------------
// Loading

namespace {

// The warning about what a load could not read of its file: the samples kept
// without their replicates (the first few by number and title) and the line
// from which no sample was read.
std::string UnreadPartsText(const TAASExperiment& E, const std::string& FileName)
{
    constexpr size_t Listed = 10;
    const TAASExperiment::TUnreadParts& Unread = E.UnreadParts();
    std::string Text = Format("Part of file \"%s\" could not be read.", FileName);
    for (size_t I = 0; I < Unread.Samples.size() && I < Listed; ++I) {
        const TAASExperiment::TUnreadSample& S = Unread.Samples[I];
        Text += Format("\r\nSample %d \"%s\" has no replicates: line %d could not be read.", S.Index + 1,
                       QuoteInMessage(E.GetItem(S.Index)->Title()), S.Line);
    }
    if (const size_t More = Unread.Samples.size() > Listed ? Unread.Samples.size() - Listed : 0; More == 1)
        Text += "\r\n1 more sample has no replicates.";
    else if (More > 1)
        Text += Format("\r\n%d more samples have no replicates.", More);
    if (Unread.FromLine > 0)
        Text += Format("\r\nNo sample could be read from line %d on.", Unread.FromLine);
    return Text + "\r\nSaving the experiment keeps only what was read.";
}

}  // namespace

void TfrmExperiment::LoadExperiment(const QString& FileName)
{
    if (FileName == UntitledName) {
        Experiment->SetTitle("New Experiment");
        auto* Root = new QTreeWidgetItem(tviewExperiment, QStringList(QStringLiteral("New Experiment")));
        Root->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        setWindowTitle(FromStd(Format("Experiment - [%s]", FileName.toStdString())));
        FModified = true;
        return;
    }
    try {
        TWaitCursor Wait;
        Experiment->LoadFromFile(FileName.toStdString());
        BuildTree();
        QStringList Lines;
        for (const std::string& Line : Experiment->Description())
            Lines << FromStd(Line);
        redDescription->setPlainText(Lines.join(QLatin1Char('\n')));
        if (gui::TMRUManager* Recent = RecentFiles())
            Recent->Add(FileName);
        setWindowTitle(FromStd(Format("Experiment - [%s]", FileName.toStdString())));
        FModified = false;
        // What was read stays open; what was not is told once, before a
        // save could make the loss permanent.
        if (!Experiment->UnreadParts().Empty())
            gui::MessageDlg(FromStd(UnreadPartsText(*Experiment, FileName.toStdString())), gui::MsgDlgType::Warning,
                            gui::mbOK, this);
    } catch (const std::exception& E) {
        gui::MessageDlg(QString::fromUtf8(E.what()), gui::MsgDlgType::Error, gui::mbOK, this);
        if (gui::TMRUManager* Recent = RecentFiles())
            Recent->Remove(FileName);
        // Nothing to save: the window goes without a question.
        FModified = false;
        Release();
    }
}

void TfrmExperiment::BuildTree()
{
    tviewExperiment->setUpdatesEnabled(false);
    auto* Root = new QTreeWidgetItem(tviewExperiment, QStringList(FromStd(Experiment->Title())));
    Root->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    for (TAASSample* Sample : *Experiment)
        AddSampleNode(Sample);
    tviewExperiment->setUpdatesEnabled(true);
}

QTreeWidgetItem* TfrmExperiment::AddSampleNode(TAASSample* Sample)
{
    QTreeWidgetItem* Root = RootNode();
    auto* Node = new QTreeWidgetItem(Root, QStringList(FromStd(Sample->Title())));
    Node->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled);
    TSampleTreeView::SetNodeState(Node, 1);
    const double Resolution = static_cast<double>(Sample->GetResolution());
    const auto AddCurveNode = [&](const QString& Text, const TAASReplicate* Replicate) {
        auto* Child = new QTreeWidgetItem(Node, QStringList(Text));
        Child->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        TSampleTreeView::SetNodeState(Child, 1);
        QLineSeries* Series = FChart->NewSeries(Text);
        TSignalChart::SetNodeSeries(Child, Series);
        FChart->FillSeries(Series, Replicate, Resolution);
    };
    for (int J = 0; J < Sample->Count(); ++J)
        AddCurveNode(FromStd(Format("Replicate #%.3d", J + 1)), Sample->GetItem(J));
    AddCurveNode(AnsambledNodeText, Sample->Ansambled());
    UpdateSampleInfo(Sample, Node);
    FChart->UpdateAxisRanges();
    return Node;
}

void TfrmExperiment::UpdateSampleInfo(TAASSample* Sample, QTreeWidgetItem* Node)
{
    if (!Sample || !Node)
        return;
    const QStringList Lines = SampleInfoLines(*Sample);
    const bool Updates = tviewExperiment->updatesEnabled();
    tviewExperiment->setUpdatesEnabled(false);
    for (int I = Node->childCount() - 1; I >= 0; --I)
        if (TSampleTreeView::NodeState(Node->child(I)) == -1)
            delete Node->takeChild(I);
    QList<QTreeWidgetItem*> Info;
    Info.reserve(Lines.size());
    for (const QString& Line : Lines) {
        auto* Item = new QTreeWidgetItem(QStringList(Line));
        Item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        Info << Item;
    }
    Node->addChildren(Info);
    tviewExperiment->setUpdatesEnabled(Updates);
}

void TfrmExperiment::RefreshSampleSeries(QTreeWidgetItem* Node, bool UpdateAxes)
{
    if (!Node)
        Node = SelectedSampleNode();
    TAASSample* Sample = NodeSample(Node);
    if (!Sample)
        return;
    QList<QTreeWidgetItem*> Boxed;
    for (int I = 0; I < Node->childCount(); ++I)
        if (TSampleTreeView::NodeState(Node->child(I)) != -1)
            Boxed << Node->child(I);
    const double Resolution = static_cast<double>(Sample->GetResolution());
    for (int J = 0; J + 1 < Boxed.size(); ++J)
        FChart->FillSeries(NodeSeries(Boxed[J]), Sample->GetItem(J), Resolution);
    if (!Boxed.isEmpty())
        FChart->FillSeries(NodeSeries(Boxed.back()), Sample->Ansambled(), Resolution);
    if (UpdateAxes)
        FChart->UpdateAxisRanges();
}

void TfrmExperiment::RefreshAllSamples()
{
    for (int I = 0; I < Experiment->Count(); ++I) {
        QTreeWidgetItem* Node = SampleNode(I);
        RefreshSampleSeries(Node);
        UpdateSampleInfo(Experiment->GetItem(I), Node);
    }
}

void TfrmExperiment::FreeNodeCurves(QTreeWidgetItem* Node)
{
    if (!Node)
        return;
    for (int I = 0; I < Node->childCount(); ++I) {
        QTreeWidgetItem* Child = Node->child(I);
        FChart->FreeSeries(NodeSeries(Child));
        TSignalChart::SetNodeSeries(Child, nullptr);
    }
}

// ---------------------------------------------------------------------------
// Nodes

QTreeWidgetItem* TfrmExperiment::RootNode() const
{
    return tviewExperiment->topLevelItemCount() > 0 ? tviewExperiment->topLevelItem(0) : nullptr;
}

QTreeWidgetItem* TfrmExperiment::SampleNode(int Index) const
{
    QTreeWidgetItem* Root = RootNode();
    return Root && Index >= 0 && Index < Root->childCount() ? Root->child(Index) : nullptr;
}

int TfrmExperiment::NodeLevel(const QTreeWidgetItem* Node)
{
    int Level = 0;
    for (const QTreeWidgetItem* P = Node ? Node->parent() : nullptr; P; P = P->parent())
        ++Level;
    return Level;
}

QTreeWidgetItem* TfrmExperiment::SelectedSampleNode() const
{
    QTreeWidgetItem* Node = tviewExperiment->currentItem();
    return Node && NodeLevel(Node) == 1 ? Node : nullptr;
}

TAASSample* TfrmExperiment::SelectedSample() const
{
    return NodeSample(SelectedSampleNode());
}

TAASSample* TfrmExperiment::NodeSample(const QTreeWidgetItem* Node) const
{
    if (!Node || NodeLevel(Node) != 1)
        return nullptr;
    const int Index = Node->parent()->indexOfChild(const_cast<QTreeWidgetItem*>(Node));
    return Index >= 0 && Index < Experiment->Count() ? Experiment->GetItem(Index) : nullptr;
}

QLineSeries* TfrmExperiment::NodeSeries(const QTreeWidgetItem* Node) const
{
    return TSignalChart::NodeSeries(Node);
}

bool TfrmExperiment::IsAttached(const QLineSeries* Series) const
{
    return FChart->IsAttached(Series);
}

void TfrmExperiment::ToggleNodeCheck(QTreeWidgetItem* Node)
{
    const int Level = NodeLevel(Node);
    if (!Node || Level == 0)
        return;
    const TSignalChart::TUpdateScope Update(*FChart);
    TSampleTreeView::ToggleCheck(Node, Level == 1, [this](QTreeWidgetItem* N, int State) {
        if (State == 1)
            FChart->DetachSeries(NodeSeries(N));
        else if (State == 2)
            FChart->AttachSeries(NodeSeries(N));
    });
}

// ---------------------------------------------------------------------------
// Tree input

void TfrmExperiment::tviewExperimentMouseDown(Qt::MouseButton Button, const QPoint& Pos)
{
    if (Button != Qt::LeftButton)
        return;
    QTreeWidgetItem* Node = tviewExperiment->StateImageAt(Pos);
    if (Node && Node->parent())
        ToggleNodeCheck(Node);
}

bool TfrmExperiment::tviewExperimentKeyDown(int Key)
{
    QTreeWidgetItem* Selected = tviewExperiment->currentItem();
    if (Key == Qt::Key_Space) {
        if (Selected && Selected->parent() && !tviewExperiment->IsEditing())
            ToggleNodeCheck(Selected);
        return true;
    }
    if (Key == Qt::Key_F2) {
        tviewExperiment->ToggleLabelEdit();
        return true;
    }
    return false;
}

void TfrmExperiment::tviewExperimentEditing(QTreeWidgetItem* Node, bool& AllowEdit)
{
    AllowEdit = Node && NodeLevel(Node) <= 1;
}

void TfrmExperiment::tviewExperimentEdited(QTreeWidgetItem* Node, QString& S)
{
    const int Level = NodeLevel(Node);
    if (!Node || Level > 1)
        return;
    if (Level == 0)
        Experiment->SetTitle(S.toStdString());
    else if (TAASSample* Sample = NodeSample(Node))
        Sample->SetTitle(S.toStdString());
    FModified = true;
}

bool TfrmExperiment::tviewExperimentDragOver(QTreeWidgetItem*)
{
    return SelectedSampleNode() != nullptr;
}

void TfrmExperiment::tviewExperimentDragDrop(QTreeWidgetItem* Target)
{
    QTreeWidgetItem* Moved = SelectedSampleNode();
    // Only a sample node moves, and only before another sample node: the
    // order of the nodes and of the samples stays the same.
    if (!Target || !Moved || NodeLevel(Target) != 1)
        return;
    QTreeWidgetItem* Root = RootNode();
    const int I = Root->indexOfChild(Moved);
    int J = I;
    if (Target != Moved) {
        const bool Expanded = Moved->isExpanded();
        Root->takeChild(I);
        J = Root->indexOfChild(Target);
        Root->insertChild(J, Moved);
        Moved->setExpanded(Expanded);
        tviewExperiment->setCurrentItem(Moved);
        Experiment->Move(I, J);
    }
    FModified = true;
}

QColor TfrmExperiment::tviewExperimentNodeColor(const QTreeWidgetItem* Node, bool Selected) const
{
    const TAASSample* Sample = NodeSample(Node);
    if (!Sample)
        return {};
    if (Sample->Standart())
        return Selected ? QColor(255, 255, 0) : QColor(0, 0, 255);
    if (Sample->Zero())
        return Selected ? QColor(0, 255, 0) : QColor(0, 128, 0);
    return {};
}

void TfrmExperiment::redDescriptionChange()
{
    FModified = true;
}

void TfrmExperiment::MainChartBeforeDrawSeries()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TfrmExperiment::MainChartAfterDraw()
{
    QApplication::restoreOverrideCursor();
}

// ---------------------------------------------------------------------------
// Experiment and tree commands

void TfrmExperiment::acSampleNodeUpdate(QAction* Sender)
{
    Sender->setEnabled(SelectedSampleNode() != nullptr);
}

void TfrmExperiment::acExpEditDescriptionExecute(QAction*)
{
    pctrlExperiment->setCurrentWidget(tsDescription);
    redDescription->setFocus();
}

void TfrmExperiment::acExpEditTitleExecute(QAction*)
{
    QTreeWidgetItem* Root = RootNode();
    if (!Root)
        return;
    tviewExperiment->setCurrentItem(Root);
    tviewExperiment->StartEdit(Root);
}

void TfrmExperiment::acExpCopyChartExecute(QAction* Sender)
{
    if (gui::TActionList::Tag(Sender) == 0)
        gui::CopyChart(MainChartView);
    else if (CalibChartView)
        gui::CopyChart(CalibChartView);
}

void TfrmExperiment::acExpCopyDataChartUpdate(QAction* Sender)
{
    Sender->setEnabled(FChart->AttachedCount() > 0);
}

void TfrmExperiment::acExpCopyCalibChartUpdate(QAction* Sender)
{
    Sender->setEnabled(CalibChart && CalibChartView && !CalibChart->series().isEmpty());
}

void TfrmExperiment::acTreeSelectAllExecute(QAction* Sender)
{
    const int State = gui::TActionList::Tag(Sender);
    const TSignalChart::TUpdateScope Update(*FChart);
    for (int I = 0; I < Experiment->Count(); ++I)
        if (QTreeWidgetItem* Node = SampleNode(I)) {
            TSampleTreeView::SetNodeState(Node, State);
            ToggleNodeCheck(Node);
        }
}

void TfrmExperiment::acTreeInvertSelectionExecute(QAction*)
{
    const TSignalChart::TUpdateScope Update(*FChart);
    for (int I = 0; I < Experiment->Count(); ++I)
        ToggleNodeCheck(SampleNode(I));
}

void TfrmExperiment::acTreeExpandAllExecute(QAction*)
{
    tviewExperiment->expandAll();
}

void TfrmExperiment::acTreeCollapseAllExecute(QAction*)
{
    tviewExperiment->collapseAll();
}

// ---------------------------------------------------------------------------
// Saving and closing

void TfrmExperiment::SaveWindow(const QString& FileName)
{
    SaveExperimentWindow(this, FileName);
}

void SaveExperimentWindow(TfrmExperiment* Window, const QString& FileName)
{
    TAASStrings& Description = Window->Experiment->Description();
    Description.clear();
    const QString Text = Window->redDescription->toPlainText();
    if (!Text.isEmpty())
        for (const QString& Line : Text.split(QLatin1Char('\n')))
            Description.push_back(Line.toStdString());
    const QString Name = ChangeFileExt(FileName, QStringLiteral(".AXP"));
    // The writer replaces the file only once the new one is whole; an error
    // leaves the window's name, caption and flag as they were.
    Window->Experiment->SaveToFile(Name.toStdString());
    Window->FFileName = Name;
    if (gui::TMRUManager* Recent = RecentFiles())
        Recent->Add(Name);
    Window->FModified = false;
    Window->setWindowTitle(FromStd(Format("Experiment - [%s]", Name.toStdString())));
}

bool TfrmExperiment::FormCloseQuery()
{
    if (!FModified)
        return true;
    const int Answer =
        gui::MessageDlg(FromStd(Format("Do you want to save changes to \"%s\" ?", FFileName.toStdString())),
                        gui::MsgDlgType::Confirmation, gui::mbYesNoCancel, this);
    if (Answer == gui::mrNo)
        return true;
    if (Answer != gui::mrYes)
        return false;
    bool Saved = false;
    // A failed save is shown and keeps the window open.
    gui::RunGuarded(
        [this, &Saved] {
            if (FFileName != UntitledName) {
                SaveExperimentWindow(this, FFileName);
            } else if (frmMain) {
                frmMain->SaveWindowAs(this);
            } else {
                gui::FileDialogOptions Dialog;
                Dialog.filter = SaveFilter();
                if (gui::ExecuteSaveDialog(Dialog, this))
                    SaveExperimentWindow(this, Dialog.fileName);
            }
            // Cancel in the save dialog keeps the window (and its experiment).
            Saved = !FModified;
        },
        this);
    return Saved;
}

void TfrmExperiment::FormClose()
{
    if (!SubWindow())
        deleteLater();
}

}  // namespace VelorSpec
