#include "Sample.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <limits>

#include "AASCls.h"
#include "Charts.h"
#include "Dialogs.h"
#include "DocumentLayout.h"
#include "Main.h"
#include "SysUtils.h"

namespace VelorSpec {

namespace {

std::string ToStd(const QString& S)
{
    return S.toStdString();
}

QString FromStd(const std::string& S)
{
    return QString::fromStdString(S);
}

QString Caption(const TAASSample& Sample, const QString& FileName)
{
    return FromStd(Format("%s - [%s]", Sample.Title(), ToStd(FileName)));
}

gui::TMRUManager* RecentFiles()
{
    return frmMain ? frmMain->MRUManager : nullptr;
}


}  // namespace

// ---------------------------------------------------------------------------
// Tree view

// Hands an accepted label edit to the tree's OnEdited handler before the
// node takes the text.
class TSampleTreeDelegate : public QStyledItemDelegate {
public:
    explicit TSampleTreeDelegate(TSampleTreeView* Tree) : QStyledItemDelegate(Tree), FTree(Tree) {}

    void setModelData(QWidget* Editor, QAbstractItemModel* Model, const QModelIndex& Index) const override
    {
        auto* Line = qobject_cast<QLineEdit*>(Editor);
        if (!Line) {
            QStyledItemDelegate::setModelData(Editor, Model, Index);
            return;
        }
        QString S = Line->text();
        if (FTree->OnEdited)
            FTree->OnEdited(FTree->itemFromIndex(Index), S);
        Model->setData(Index, S, Qt::EditRole);
    }

    void initStyleOption(QStyleOptionViewItem* Option, const QModelIndex& Index) const override
    {
        QStyledItemDelegate::initStyleOption(Option, Index);
        if (!FTree->OnNodeColor)
            return;
        const QTreeWidgetItem* Node = FTree->itemFromIndex(Index);
        const bool Selected = Option->state & QStyle::State_Selected;
        const QColor Color = FTree->OnNodeColor(Node, Selected);
        if (!Color.isValid())
            return;
        Option->palette.setColor(QPalette::Text, Color);
        Option->palette.setColor(QPalette::HighlightedText, Color);
    }

    // The check indicator's rectangle of an index as the view draws it.
    QRect CheckRect(const QModelIndex& Index, QStyleOptionViewItem Option) const
    {
        initStyleOption(&Option, Index);
        if (!(Option.features & QStyleOptionViewItem::HasCheckIndicator))
            return {};
        const QWidget* W = Option.widget;
        QStyle* Style = W ? W->style() : QApplication::style();
        return Style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &Option, W);
    }

private:
    TSampleTreeView* FTree;
};

TSampleTreeView::TSampleTreeView(QWidget* parent) : QTreeWidget(parent)
{
    setItemDelegate(new TSampleTreeDelegate(this));
    setHeaderHidden(true);
    setColumnCount(1);
    // Labels are edited only on request (F2, "Rename Sample").
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

QRect TSampleTreeView::StateImageRect(QTreeWidgetItem* Node) const
{
    if (!Node || !Node->data(0, Qt::CheckStateRole).isValid())
        return {};
    const QModelIndex Index = indexFromItem(Node);
    QStyleOptionViewItem Option;
    initViewItemOption(&Option);
    Option.rect = visualRect(Index);
    if (Option.rect.isEmpty())
        return {};
    return static_cast<TSampleTreeDelegate*>(itemDelegate())->CheckRect(Index, Option);
}

QTreeWidgetItem* TSampleTreeView::StateImageAt(const QPoint& Pos) const
{
    QTreeWidgetItem* Node = itemAt(Pos);
    if (!Node)
        return nullptr;
    return StateImageRect(Node).contains(Pos) ? Node : nullptr;
}

bool TSampleTreeView::IsEditing() const
{
    return state() == QAbstractItemView::EditingState;
}

void TSampleTreeView::EndEditKeepText()
{
    if (!IsEditing())
        return;
    if (QWidget* Editor = indexWidget(FEditIndex)) {
        commitData(Editor);
        closeEditor(Editor, QAbstractItemDelegate::NoHint);
    }
}

void TSampleTreeView::StartEdit(QTreeWidgetItem* Node)
{
    if (!Node)
        return;
    bool Allow = true;
    if (OnEditing)
        OnEditing(Node, Allow);
    if (Allow)
        editItem(Node, 0);
}

void TSampleTreeView::ToggleLabelEdit()
{
    if (IsEditing())
        EndEditKeepText();
    else
        StartEdit(currentItem());
}

int TSampleTreeView::NodeState(const QTreeWidgetItem* Node)
{
    const QVariant V = Node ? Node->data(0, Qt::CheckStateRole) : QVariant();
    if (!V.isValid())
        return -1;
    switch (static_cast<Qt::CheckState>(V.toInt())) {
    case Qt::Unchecked:
        return 1;
    case Qt::Checked:
        return 2;
    case Qt::PartiallyChecked:
        return 3;
    }
    return -1;
}

void TSampleTreeView::SetNodeState(QTreeWidgetItem* Node, int State)
{
    if (!Node)
        return;
    switch (State) {
    case 1:
        Node->setCheckState(0, Qt::Unchecked);
        break;
    case 2:
        Node->setCheckState(0, Qt::Checked);
        break;
    case 3:
        Node->setCheckState(0, Qt::PartiallyChecked);
        break;
    default:
        Node->setData(0, Qt::CheckStateRole, QVariant());
        break;
    }
}

void TSampleTreeView::ToggleCheck(QTreeWidgetItem* Node, bool Group,
                                  const std::function<void(QTreeWidgetItem* Node, int State)>& Show)
{
    if (!Node)
        return;
    int State = NodeState(Node);
    if (State == 1 || State == 3)
        State = 2;
    else if (State == 2)
        State = 1;
    if (State != NodeState(Node))
        SetNodeState(Node, State);

    if (Group) {
        for (int I = 0; I < Node->childCount(); ++I) {
            QTreeWidgetItem* Child = Node->child(I);
            if (NodeState(Child) == -1)
                continue;
            SetNodeState(Child, State);
            Show(Child, State);
        }
        return;
    }
    if (QTreeWidgetItem* Parent = Node->parent()) {
        bool All2 = true, All1 = true;
        for (int I = 0; I < Parent->childCount(); ++I) {
            const int S = NodeState(Parent->child(I));
            if (S == -1)
                continue;
            All2 = All2 && S == 2;
            All1 = All1 && S == 1;
        }
        SetNodeState(Parent, All2 ? 2 : (All1 ? 1 : 3));
    }
    if (State != -1)
        Show(Node, State);
}

void TSampleTreeView::EnableNodeDrag()
{
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
}

void TSampleTreeView::dragEnterEvent(QDragEnterEvent* event)
{
    if (OnDragOver && event->source() == this && OnDragOver(itemAt(event->position().toPoint())))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TSampleTreeView::dragMoveEvent(QDragMoveEvent* event)
{
    // The base class keeps the auto-scroll going; the window decides.
    QTreeWidget::dragMoveEvent(event);
    if (OnDragOver && event->source() == this && OnDragOver(itemAt(event->position().toPoint())))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TSampleTreeView::dropEvent(QDropEvent* event)
{
    // The window moves the nodes itself; the view's own move is never run.
    if (!OnDragDrop || event->source() != this) {
        event->ignore();
        return;
    }
    OnDragDrop(itemAt(event->position().toPoint()));
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    stopAutoScroll();
    setState(QAbstractItemView::NoState);
    viewport()->update();
}

void TSampleTreeView::mousePressEvent(QMouseEvent* event)
{
    if (OnMouseDown)
        OnMouseDown(event->button(), event->position().toPoint());
    QTreeWidget::mousePressEvent(event);
}

void TSampleTreeView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is a press like any other.
    if (OnMouseDown)
        OnMouseDown(event->button(), event->position().toPoint());
    QTreeWidget::mouseDoubleClickEvent(event);
}

void TSampleTreeView::keyPressEvent(QKeyEvent* event)
{
    if (OnKeyDown && OnKeyDown(event->key())) {
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

bool TSampleTreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    // Only a request that would open an editor asks the window.
    const bool Opens = trigger == QAbstractItemView::AllEditTriggers || (editTriggers() & trigger);
    if (Opens && index.isValid() && !IsEditing()) {
        bool Allow = true;
        if (OnEditing)
            OnEditing(itemFromIndex(index), Allow);
        if (!Allow)
            return false;
    }
    const bool Started = QTreeWidget::edit(index, trigger, event);
    if (Started && Opens)
        FEditIndex = index;
    return Started;
}

// ---------------------------------------------------------------------------
// Creation

TfrmSample::TfrmSample(QWidget* Owner, const QString& FileName) : TChildForm(Owner)
{
    setObjectName(QStringLiteral("frmSample"));
    setFont(QFont(QStringLiteral("Times New Roman")));
    resize(620, 460);

    FSample = new TAASSample("Sample", true);
    FModified = false;

    CreateControls();
    acList = new gui::TActionList(this);
    acList->setObjectName(QStringLiteral("acList"));
    CreateProcessingActions();
    CreateTreeActions();
    CreateMenus();
    // The keys answer wherever the window is active, not only while its
    // menu is merged into the frame's.
    acList->AttachShortcuts(this);
    FormCreate();

    if (UpperFileExt(FileName) == QLatin1String(".ASB"))
        LoadBinarySample();
    else
        LoadTextSample(FileName);
    FFileName = FileName;
    FFirstSize = FitDocumentWindow(this, RxSplitter, tviewSample);
}

TfrmSample::~TfrmSample()
{
    // The curves are the window's: take them off the chart, then free them.
    FChart.reset();
    delete FSample;
    FSample = nullptr;
}

void TfrmSample::FormCreate() {}

void TfrmSample::CreateControls()
{
    const TDocumentLayout Layout =
        CreateDocumentLayout(this, QStringLiteral("tviewSample"), QStringLiteral("pctrlSample"), &pmTreeView);
    RxSplitter = Layout.Splitter;
    tviewSample = Layout.Tree;
    pctrlSample = Layout.Pages;
    tviewSample->OnMouseDown = [this](Qt::MouseButton B, const QPoint& P) { tviewSampleMouseDown(B, P); };
    tviewSample->OnKeyDown = [this](int Key) { return tviewSampleKeyDown(Key); };
    tviewSample->OnEditing = [this](QTreeWidgetItem* N, bool& Allow) { tviewSampleEditing(N, Allow); };
    tviewSample->OnEdited = [this](QTreeWidgetItem* N, QString& S) { tviewSampleEdited(N, S); };

    tsGraphicView = AddDocumentPage(pctrlSample, "tsGraphicView", "Graphic View");
    tsStatisticView = AddDocumentPage(pctrlSample, "tsStatisticView", "Statistic View");
    pctrlSample->setCurrentIndex(0);

    FChart = std::make_unique<TSignalChart>(tsGraphicView);
    MainChart = FChart->Chart;
    MainChartBottomAxis = FChart->BottomAxis;
    MainChartLeftAxis = FChart->LeftAxis;
    MainChartView = FChart->View;
    MainChartView->OnBeforeDraw = [this] { MainChartBeforeDrawSeries(); };
    MainChartView->OnAfterDraw = [this] { MainChartAfterDraw(); };
    FillPage(tsGraphicView, MainChartView);

    redStats = CreateStatsBox(tsStatisticView);
}

void TfrmSample::CreateTreeActions()
{
    const auto run = [this](void (TfrmSample::*Handler)(QAction*)) {
        return [this, Handler](QAction* Sender) { (this->*Handler)(Sender); };
    };
    acCopyChart = acList->Add(QStringLiteral("acCopyChart"), QStringLiteral("Copy Cha&rt"),
                              QStringLiteral("Copies chart to Clipboard"));
    acList->SetHandlers(acCopyChart, run(&TfrmSample::acCopyChartExecute), run(&TfrmSample::acCopyChartUpdate));
    // Printing has no behaviour: the commands exist with their captions.
    acPrintChart = acList->Add(QStringLiteral("acPrintChart"), QStringLiteral("Pr&int Chart..."),
                               QStringLiteral("Prints chart"));
    acList->SetUpdate(acPrintChart, run(&TfrmSample::acCopyChartUpdate));
    acPrintStats = acList->Add(QStringLiteral("acPrintStats"), QStringLiteral("Prin&t Statistics"),
                               QStringLiteral("Prints statistics"));

    acTreeSelectAll = acList->Add(QStringLiteral("acTreeSelectAll"), QStringLiteral("S&elect All"),
                                  QStringLiteral("Selects all replicates"), {}, -1, 1);
    acList->SetExecute(acTreeSelectAll, run(&TfrmSample::acTreeSelectAllExecute));
    acTreeSelectNone = acList->Add(QStringLiteral("acTreeSelectNone"), QStringLiteral("Sele&ct None"),
                                   QStringLiteral("Unselects all"), {}, -1, 2);
    acList->SetExecute(acTreeSelectNone, run(&TfrmSample::acTreeSelectAllExecute));
    acTreeInvertSelection = acList->Add(QStringLiteral("acTreeInvertSelection"), QStringLiteral("In&vert Selection"),
                                        QStringLiteral("Inverts Selection"));
    acList->SetExecute(acTreeInvertSelection, run(&TfrmSample::acTreeInvertSelectionExecute));
    acTreeExpandAll = acList->Add(QStringLiteral("acTreeExpandAll"), QStringLiteral("E&xpand All"),
                                  QStringLiteral("Expands all branches"));
    acList->SetExecute(acTreeExpandAll, run(&TfrmSample::acTreeExpandAllExecute));
    acTreeCollapseAll = acList->Add(QStringLiteral("acTreeCollapseAll"), QStringLiteral("C&ollapse All"),
                                    QStringLiteral("Collapses all branches"));
    acList->SetExecute(acTreeCollapseAll, run(&TfrmSample::acTreeCollapseAllExecute));
    acTreeRenSample = acList->Add(QStringLiteral("acTreeRenSample"), QStringLiteral("Rename Sample"),
                                  QStringLiteral("Change sample's title"));
    acList->SetExecute(acTreeRenSample, run(&TfrmSample::acTreeRenSampleExecute));
}

void TfrmSample::CreateMenus()
{
    MainMenu = new QMenu(QStringLiteral("&Sample"), this);
    MainMenu->setObjectName(QStringLiteral("miSample"));
    const QList<QList<QAction*>> Groups = {
        {acSubtractZero},
        {acDefinePlateau, acCalculateArea},
        {acChangeResolution, acSmoothSignal},
        {acAbsorbtion},
        {acDeleteReplicate},
        {acSendToExcel},
        {acCopyChart, acPrintChart},
        {acPrintStats},
    };
    bool Any = false;
    for (const QList<QAction*>& Group : Groups) {
        bool InGroup = false;
        for (QAction* Action : Group) {
            if (!Action)
                continue;
            if (Any && !InGroup)
                MainMenu->addSeparator();
            MainMenu->addAction(Action);
            Any = InGroup = true;
        }
    }
    gui::TActionList::HookMenu(MainMenu);

    pmTreeView = new QMenu(this);
    pmTreeView->setObjectName(QStringLiteral("pmTreeView"));
    pmTreeView->addAction(acTreeRenSample);
    pmTreeView->addSeparator();
    pmTreeView->addAction(acTreeSelectAll);
    pmTreeView->addAction(acTreeSelectNone);
    pmTreeView->addAction(acTreeInvertSelection);
    pmTreeView->addSeparator();
    pmTreeView->addAction(acTreeExpandAll);
    pmTreeView->addAction(acTreeCollapseAll);
    gui::TActionList::HookMenu(pmTreeView);
}

QList<QMenu*> TfrmSample::MergedMenus() const
{
    return {MainMenu};
}

// ---------------------------------------------------------------------------
// Loading

void TfrmSample::LoadBinarySample() {}

void TfrmSample::LoadTextSample(const QString& FileName)
{
    if (!LoadSampleFile(*FSample, FileName)) {
        // The window does not open; the user learns which file failed, and
        // at which line when the reading stopped at one.
        const size_t Line = FSample->ReadStopLine();
        const std::string Name = ToStd(FileName);
        gui::MessageDlg(FromStd(Line > 0 ? Format("File \"%s\" could not be read at line %d.", Name, Line)
                                         : Format("File \"%s\" could not be read.", Name)),
                        gui::MsgDlgType::Error, gui::mbOK, this);
        if (gui::TMRUManager* Recent = RecentFiles())
            Recent->Remove(FileName);
        Release();
        return;
    }

    auto* Root = new QTreeWidgetItem(tviewSample, QStringList(FromStd(FSample->Title())));
    Root->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    SetNodeState(Root, 1);
    const auto AddChild = [&](const QString& Text, const TAASReplicate* Replicate) {
        auto* Node = new QTreeWidgetItem(Root, QStringList(Text));
        Node->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        SetNodeState(Node, 1);
        QLineSeries* Series = FChart->NewSeries(Text);
        TSignalChart::SetNodeSeries(Node, Series);
        FChart->FillSeries(Series, Replicate, Replicate->Resolution());
    };
    for (int I = 0; I < FSample->Count(); ++I)
        AddChild(FromStd(Format("Replicate #%.3d", I + 1)), FSample->GetItem(I));
    AddChild(QStringLiteral("Ansambled Replicate"), FSample->Ansambled());
    FChart->UpdateAxisRanges();

    setWindowTitle(Caption(*FSample, FileName));
    if (gui::TMRUManager* Recent = RecentFiles())
        Recent->Add(FileName);
    UpdateStatistics();
}

// ---------------------------------------------------------------------------
// Tree and curves

QTreeWidgetItem* TfrmSample::SampleNode() const
{
    return tviewSample->topLevelItemCount() > 0 ? tviewSample->topLevelItem(0) : nullptr;
}

int TfrmSample::NodeState(const QTreeWidgetItem* Node)
{
    return TSampleTreeView::NodeState(Node);
}

void TfrmSample::SetNodeState(QTreeWidgetItem* Node, int State)
{
    TSampleTreeView::SetNodeState(Node, State);
}

QLineSeries* TfrmSample::NodeSeries(const QTreeWidgetItem* Node) const
{
    return TSignalChart::NodeSeries(Node);
}

bool TfrmSample::IsAttached(const QLineSeries* Series) const
{
    return FChart->IsAttached(Series);
}

void TfrmSample::ToggleNodeCheck(QTreeWidgetItem* Node)
{
    if (!Node)
        return;
    TSampleTreeView::ToggleCheck(Node, !Node->parent(), [this](QTreeWidgetItem* N, int State) {
        if (State == 1)
            FChart->DetachSeries(NodeSeries(N));
        else if (State == 2)
            FChart->AttachSeries(NodeSeries(N));
    });
}

void TfrmSample::DeleteReplicateNode(QTreeWidgetItem* Node)
{
    if (!Node)
        return;
    FChart->FreeSeries(NodeSeries(Node));
    delete Node;
    FChart->UpdateAxisRanges();
}

void TfrmSample::RefreshSeries()
{
    QTreeWidgetItem* Root = SampleNode();
    if (!Root)
        return;
    const double Resolution = static_cast<double>(FSample->GetResolution());
    const int N = Root->childCount();
    for (int I = 0; I < N - 1; ++I)
        FChart->FillSeries(NodeSeries(Root->child(I)), FSample->GetItem(I), Resolution);
    if (N > 0)
        FChart->FillSeries(NodeSeries(Root->child(N - 1)), FSample->Ansambled(), Resolution);
    FChart->UpdateAxisRanges();
}

// ---------------------------------------------------------------------------
// The statistics report

void TfrmSample::UpdateStatistics()
{
    QStringList Lines;
    const auto Add = [&Lines](const std::string& S) { Lines << FromStd(S); };
    const auto Bound = [&](const char* Label, double Value) {
        if (Value != NotSet)
            Add(Format("%s%.2f second", Label, Value));
        else
            Add(Format("%s%s", Label, "Value not set"));
    };
    const auto Results = [&](const TAASReplicate* R) {
        Add(Format("%s%.2f", "Plateau Mean:               ", R->PeakMean()));
        Add(Format("%s%.2f", "Plateau Standart Deviation: ", R->PeakSD()));
        Add(Format("%s%.2f", "Plateau RSD [%]:            ", R->PeakRSD()));
        Add(Format("%s%.2f", "Area:                       ", R->Area()));
    };

    Add("INTERVALS");
    Add("");
    Bound("Plateau starts from:        ", FSample->PeakStart());
    Bound("Plateau ends to:            ", FSample->PeakEnd());
    Bound("Area starts from:           ", FSample->AreaStart());
    Bound("Area ends to:               ", FSample->AreaEnd());
    Add("");
    Add("REPLICATES");
    Add("");
    for (int N = 1; N <= FSample->Count(); ++N) {
        Add(Format("Replicate %.3d", N));
        Add("-------------");
        Results(FSample->GetItem(N - 1));
        Add("");
    }
    Add("ANSAMBLED REPLICATE");
    Add("");
    Results(FSample->Ansambled());
    Add("");
    const std::string SampleLine = Format("SAMPLE: %s", FSample->Title());
    Add(SampleLine);
    Add("");
    Add(Format("%s%.2f", "Plateau Mean:               ", FSample->PeakMean()));
    Add(Format("%s%.2f", "Plateau Standart Deviation: ", FSample->PeakSD()));
    Add(Format("%s%.2f", "Plateau RSD [%]:            ", FSample->PeakRSD()));
    Add(Format("%s%.2f", "Area Mean:                  ", FSample->AreaMean()));
    Add(Format("%s%.2f", "Area Standart Deviation:    ", FSample->AreaSD()));
    Add(Format("%s%.2f", "Area RSD [%]:               ", FSample->AreaRSD()));

    // From scratch: the document's own plain format, not the caret's last one.
    redStats->document()->setPlainText(Lines.join(QLatin1Char('\n')));

    QTextCharFormat Heading;
    Heading.setFontWeight(QFont::Bold);
    Heading.setFontUnderline(true);
    QTextCursor Cursor(redStats->document());
    Cursor.setPosition(0);
    Cursor.setPosition(9, QTextCursor::KeepAnchor);
    Cursor.mergeCharFormat(Heading);
    HighlightHeading(QStringLiteral("REPLICATES"));
    HighlightHeading(QStringLiteral("ANSAMBLED REPLICATE"));
    HighlightHeading(FromStd(SampleLine));

    QTextCursor Start(redStats->document());
    Start.setPosition(0);
    redStats->setTextCursor(Start);
}

void TfrmSample::HighlightHeading(const QString& Text)
{
    const QString Report = redStats->toPlainText();
    const int Found = Report.indexOf(Text, 30, Qt::CaseInsensitive);
    if (Found < 0)
        return;
    QTextCharFormat Heading;
    Heading.setFontWeight(QFont::Bold);
    Heading.setFontUnderline(true);
    QTextCursor Cursor(redStats->document());
    Cursor.setPosition(Found);
    Cursor.setPosition(std::min<int>(Found + Text.size(), static_cast<int>(Report.size())), QTextCursor::KeepAnchor);
    Cursor.mergeCharFormat(Heading);
}

// ---------------------------------------------------------------------------
// Tree input

void TfrmSample::tviewSampleMouseDown(Qt::MouseButton Button, const QPoint& Pos)
{
    if (Button != Qt::LeftButton)
        return;
    if (QTreeWidgetItem* Node = tviewSample->StateImageAt(Pos))
        ToggleNodeCheck(Node);
}

bool TfrmSample::tviewSampleKeyDown(int Key)
{
    QTreeWidgetItem* Selected = tviewSample->currentItem();
    if (Key == Qt::Key_Space) {
        if (Selected && !tviewSample->IsEditing())
            ToggleNodeCheck(Selected);
        return true;
    }
    if (Key == Qt::Key_F2) {
        tviewSample->ToggleLabelEdit();
        return true;
    }
    return false;
}

void TfrmSample::tviewSampleEditing(QTreeWidgetItem* Node, bool& AllowEdit)
{
    // Only the sample node's label (level 0) can be edited.
    AllowEdit = Node && !Node->parent();
}

void TfrmSample::tviewSampleEdited(QTreeWidgetItem* Node, QString& S)
{
    if (!Node || Node->parent())
        return;
    FSample->SetTitle(ToStd(S));
    FModified = true;
}

void TfrmSample::MainChartBeforeDrawSeries()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TfrmSample::MainChartAfterDraw()
{
    QApplication::restoreOverrideCursor();
}

// ---------------------------------------------------------------------------
// Chart and tree commands

void TfrmSample::acCopyChartExecute(QAction*)
{
    gui::CopyChart(MainChartView);
}

void TfrmSample::acCopyChartUpdate(QAction* Sender)
{
    Sender->setEnabled(!MainChart->series().isEmpty());
}

void TfrmSample::acTreeSelectAllExecute(QAction* Sender)
{
    QTreeWidgetItem* Root = SampleNode();
    if (!Root)
        return;
    SetNodeState(Root, gui::TActionList::Tag(Sender));
    ToggleNodeCheck(Root);
}

void TfrmSample::acTreeInvertSelectionExecute(QAction*)
{
    QList<QTreeWidgetItem*> Nodes;
    for (QTreeWidgetItemIterator It(tviewSample); *It; ++It)
        Nodes << *It;
    for (int I = 1; I < Nodes.size(); ++I)
        ToggleNodeCheck(Nodes[I]);
}

void TfrmSample::acTreeExpandAllExecute(QAction*)
{
    tviewSample->expandAll();
}

void TfrmSample::acTreeCollapseAllExecute(QAction*)
{
    tviewSample->collapseAll();
}

void TfrmSample::acTreeRenSampleExecute(QAction*)
{
    QTreeWidgetItem* Root = SampleNode();
    if (!Root)
        return;
    tviewSample->setCurrentItem(Root);
    tviewSample->StartEdit(Root);
}

// ---------------------------------------------------------------------------
// Saving and closing

void TfrmSample::SaveWindow(const QString& FileName)
{
    SaveSampleWindow(this, FileName);
}

void SaveSampleWindow(TfrmSample* Window, const QString& FileName)
{
    const QString TextName = WriteSampleFile(*Window->FSample, FileName);
    if (gui::TMRUManager* Recent = RecentFiles())
        Recent->Add(TextName);
    Window->FModified = false;
    Window->FFileName = TextName;
    Window->setWindowTitle(Caption(*Window->FSample, Window->FFileName));
}

bool TfrmSample::FormCloseQuery()
{
    if (!FModified)
        return true;
    const int Answer = gui::MessageDlg(FromStd(Format("Do you want to save changes to \"%s\" ?", ToStd(FFileName))),
                                       gui::MsgDlgType::Confirmation, gui::mbYesNoCancel, this);
    if (Answer == gui::mrNo)
        return true;
    if (Answer != gui::mrYes)
        return false;
    // A failed save is shown and keeps the window open.
    return gui::RunGuarded([this] { SaveSampleWindow(this, FFileName); }, this);
}

void TfrmSample::FormClose()
{
    // Inside the frame the sub-window frees the form; on its own it frees itself.
    if (!SubWindow())
        deleteLater();
}

}  // namespace VelorSpec
