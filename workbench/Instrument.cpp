#include "Instrument.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QLinearGradient>
#include <QLineSeries>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTabWidget>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "AASCls.h"
#include "ActionList.h"
#include "Main.h"
#include "SettingsDlg.h"
#include "SysUtils.h"
#include "WindowFit.h"

namespace VelorSpec {

TfrmInstrument* frmInstrument = nullptr;

namespace {

const QString NotConnectedAtStart = QStringLiteral("Not connected");
const QString NotConnected = QStringLiteral("Not Connected");

}  // namespace

// ---------------------------------------------------------------------------
// Small controls

void TInfoPanel::mousePressEvent(QMouseEvent* event)
{
    QLabel::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && OnClick)
        OnClick();
}

bool TInstrumentTree::Accepts(QDropEvent* event, QTreeWidget*& source, QTreeWidgetItem*& target)
{
    source = qobject_cast<QTreeWidget*>(event->source());
    target = itemAt(event->position().toPoint());
    return source && OnDragOver && OnDragOver(source, target);
}

void TInstrumentTree::dragEnterEvent(QDragEnterEvent* event)
{
    // Entering is allowed for any tree; the position decides in dragMoveEvent.
    if (qobject_cast<QTreeWidget*>(event->source()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TInstrumentTree::dragMoveEvent(QDragMoveEvent* event)
{
    QTreeWidget* source = nullptr;
    QTreeWidgetItem* target = nullptr;
    if (Accepts(event, source, target)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TInstrumentTree::dropEvent(QDropEvent* event)
{
    QTreeWidget* source = nullptr;
    QTreeWidgetItem* target = nullptr;
    if (!Accepts(event, source, target)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (OnDragDrop)
        gui::RunGuarded([&] { OnDragDrop(source, target); }, this);
}

// ---------------------------------------------------------------------------
// Window

TfrmInstrument::TfrmInstrument(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmInstrument"));
    setWindowTitle(QStringLiteral("Instrument Data"));
    resize(481, 277);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    panInfo = new TInfoPanel(NotConnectedAtStart, this);
    panInfo->setObjectName(QStringLiteral("panInfo"));
    panInfo->setFixedHeight(25);
    panInfo->setAlignment(Qt::AlignCenter);
    panInfo->setFrameShape(QFrame::Panel);
    panInfo->setFrameShadow(QFrame::Raised);
    panInfo->OnClick = [this] { gui::RunGuarded([this] { panInfoClick(); }, this); };
    layout->addWidget(panInfo);

    prgBar = new QProgressBar(this);
    prgBar->setObjectName(QStringLiteral("prgBar"));
    prgBar->setRange(0, 100);
    prgBar->hide();
    layout->addWidget(prgBar);

    pctrlData = new QTabWidget(this);
    pctrlData->setObjectName(QStringLiteral("pctrlData"));
    pctrlData->setDocumentMode(true);
    layout->addWidget(pctrlData, 1);

    cpDrv = new TCommPortDriver(this);
    cpDrv->setObjectName(QStringLiteral("cpDrv"));
    cpDrv->SetPort(pnCustom);
    cpDrv->SetPortName(QStringLiteral("\\\\.\\COM1"));
    cpDrv->SetDataBits(db7BITS);
    cpDrv->OnReceiveData = [this](TCommPortDriver* Sender, const void* DataPtr, std::uint32_t DataSize) {
        cpDrvReceiveData(Sender, DataPtr, DataSize);
    };
    cpDrv->OnLineLost = [this](TCommPortDriver*) { cpDrvLineLost(); };

    CreateActions();
    CreateReceivedPage();
    CreateProceedPage();
    // The sample commands' only place is the tool bar of page "Proceed...":
    // their keys answer wherever the window is active, whichever page shows.
    // The other commands' keys belong to the frame's "&Instrument" menu.
    acList->AttachShortcuts(this, {acAddSample, acDelSample, acMoveRight, acMoveLeft});

    // The received lines start empty and plot into MainSeries from x = 0.
    FLines.Reset(MainSeries);
    FLines.IsOverlapedView = [this] { return acViewDiscrete->isChecked(); };
    FLines.NewSeries = [this] { return NewSeries(); };
    FLines.OnPlotted = [this](double minX, double maxX, double minY, double maxY) {
        ExtendAxes(minX, maxX, minY, maxY);
    };

    connect(pctrlData, &QTabWidget::currentChanged, this, [this](int) {
        if (!FProgramSwitch)
            gui::RunGuarded([this] { pctrlDataChange(); }, this);
    });
    ShowPage(0);
}

TfrmInstrument::~TfrmInstrument()
{
    cpDrv->OnReceiveData = nullptr;
    cpDrv->OnLineLost = nullptr;
    cpDrv->Disconnect();
    // Samples first: they refer to the replicates of the received list.
    FreeSamples();
    FReplicates.reset();
    if (frmInstrument == this)
        frmInstrument = nullptr;
}

void TfrmInstrument::CreateActions()
{
    acList = new gui::TActionList(this);
    auto add = [this](const char* name, const char* caption, const char* hint, const QKeySequence& key = {},
                      int tag = 0) {
        return acList->Add(QString::fromLatin1(name), QString::fromLatin1(caption), QString::fromLatin1(hint), key,
                           -1, tag);
    };
    acConnect = add("acConnect", "&Connect", "Connects to instrument's COM port", QKeySequence(Qt::Key_F3), 0);
    acDisconnect =
        add("acDisconnect", "&Disconnect", "Disconnects from instrument's COM port", QKeySequence(Qt::Key_F4), 1);
    acConfiguration = add("acConfiguration", "C&ommunication Properties...", "Configures instrument's COM port",
                          QKeySequence(Qt::Key_F5));
    acClearData = add("acClearData", "Cl&ear Data", "Clears received data", QKeySequence(Qt::Key_F6));
    acViewDiscrete =
        add("acViewDiscrete", "Overlaped View", "View every received replicate as a separate series", {}, 1);
    acViewContinues =
        add("acViewContinues", "Sequence View", "View all received replicates as a single series", {}, 0);
    acShowInstrumentWindow = add("acShowInstrumentWindow", "S&how Instrument Window",
                                 "Brings instrument window to front", QKeySequence(Qt::Key_F12));
    acMinimize = add("acMinimize", "&Minimize  Instrument Window",
                     "Minimizes instrument window (data still will be received)");
    acProceedData =
        add("acProceedData", "&Proceed Data", "Proceeds received data to samples", QKeySequence(Qt::Key_F7));
    acSaveSamples = add("acSaveSamples", "&Save Samples...", "Saves constructed samples", QKeySequence(Qt::Key_F8));
    acSaveAsExperiment = add("acSaveAsExperiment", "Save As E&xperiment...",
                             "Saves constructed samples as experiment", QKeySequence(Qt::Key_F9));
    // Ctrl + numeric-keypad plus and minus; the main keyboard's Ctrl++ and Ctrl+-
    // stay free (the action list tells the keypad keys apart: AttachShortcuts).
    acAddSample = add("acAddSample", "", "Adds sample",
                      QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Plus));
    acDelSample = add("acDelSample", "", "Deletes selected sample",
                      QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Minus));
    acMoveRight =
        add("acMoveRight", "", "Adds selected replicate to selected sample", QKeySequence(Qt::CTRL | Qt::Key_Right));
    acMoveLeft =
        add("acMoveLeft", "", "Removes selected replicate from sample", QKeySequence(Qt::CTRL | Qt::Key_Left));

    acViewDiscrete->setCheckable(true);
    acViewContinues->setCheckable(true);
    acViewDiscrete->setChecked(true);

    acList->SetHandlers(acConnect, [this](QAction* a) { acConnectExecute(a); }, [this](QAction* a) { acConnectUpdate(a); });
    acList->SetHandlers(acDisconnect, [this](QAction* a) { acConnectExecute(a); }, [this](QAction* a) { acConnectUpdate(a); });
    acList->SetExecute(acConfiguration, [this](QAction*) { acConfigurationExecute(); });
    acList->SetHandlers(acClearData, [this](QAction*) { acClearDataExecute(); }, [this](QAction*) { acClearDataUpdate(); });
    acList->SetExecute(acViewDiscrete, [this](QAction* a) { acViewContinuesExecute(a); });
    acList->SetExecute(acViewContinues, [this](QAction* a) { acViewContinuesExecute(a); });
    acList->SetHandlers(acShowInstrumentWindow, [this](QAction*) { acShowInstrumentWindowExecute(); },
                        [this](QAction*) { acShowInstrumentWindowUpdate(); });
    acList->SetHandlers(acMinimize, [this](QAction*) { acMinimizeExecute(); }, [this](QAction*) { acMinimizeUpdate(); });
    acList->SetHandlers(acProceedData, [this](QAction*) { acProceedDataExecute(); },
                        [this](QAction*) { acProceedDataUpdate(); });
    acList->SetHandlers(acSaveSamples, [this](QAction*) { acSaveSamplesExecute(); },
                        [this](QAction*) { acSaveSamplesUpdate(); });
    acList->SetHandlers(acSaveAsExperiment, [this](QAction*) { acSaveAsExperimentExecute(); },
                        [this](QAction*) { acSaveSamplesUpdate(); });
    acList->SetExecute(acAddSample, [this](QAction*) { acAddSampleExecute(); });
    acList->SetHandlers(acDelSample, [this](QAction*) { acDelSampleExecute(); },
                        [this](QAction*) { acDelSampleUpdate(); });
    acList->SetHandlers(acMoveRight, [this](QAction*) { acMoveRightExecute(); },
                        [this](QAction*) { acMoveRightUpdate(); });
    acList->SetHandlers(acMoveLeft, [this](QAction*) { acMoveLeftExecute(); }, [this](QAction*) { acMoveLeftUpdate(); });
}

void TfrmInstrument::CreateReceivedPage()
{
    tsReceived = new QWidget;
    tsReceived->setObjectName(QStringLiteral("tsReceived"));
    auto* layout = new QVBoxLayout(tsReceived);
    layout->setContentsMargins(0, 0, 0, 0);

    Chart = new QChart;
    Chart->setObjectName(QStringLiteral("Chart"));
    gui::StyleChart(Chart, false);

    AxisX = gui::NewValueAxis(QStringLiteral("Time [s]"));
    AxisY = gui::NewValueAxis();
    Chart->addAxis(AxisX, Qt::AlignBottom);
    Chart->addAxis(AxisY, Qt::AlignLeft);
    ResetAxes();

    MainSeries = new gui::TChartSeries;
    MainSeries->setObjectName(QStringLiteral("MainSeries"));
    MainSeries->setPointsVisible(false);
    MainSeries->AttachTo(Chart, AxisX, AxisY);
    MainSeries->setColor(gui::AutoColor(0));  // red (after adding: the chart's theme colours new series)

    ChartView = new gui::TChartView(Chart, tsReceived);
    ChartView->setObjectName(QStringLiteral("ChartView"));
    ChartView->setFrameShape(QFrame::NoFrame);
    layout->addWidget(ChartView);
    pctrlData->addTab(tsReceived, QStringLiteral("Received Data"));
}

QLineSeries* TfrmInstrument::NewSeries()
{
    // The replicate that just ended gets no more points: it is drawn once
    // into the view's frozen picture, so the chart's refresh costs the same
    // however many replicates it shows.
    if (FLines.FCurrentSeries && FLines.FCurrentSeries->chart() == Chart)
        ChartView->FreezeSeries(FLines.FCurrentSeries);
    // A chart line like MainSeries: a replicate that goes on and on in
    // Sequence View after this one still draws per pixel column.
    auto* series = new gui::TChartSeries;
    const int index = static_cast<int>(Chart->series().size());
    series->AttachTo(Chart, AxisX, AxisY);  // the chart owns it from now on
    series->setColor(gui::AutoColor(index));
    return series;
}

void TfrmInstrument::ResetAxes()
{
    if (!FAxes)
        FAxes = std::make_unique<gui::TGrowingAxes>(AxisX, AxisY);
    FAxes->Reset();
    gui::ScaleAxis(AxisX, gui::NiceScale(0, 1, gui::TimeAxis));
    gui::ScaleAxis(AxisY, gui::NiceScale(0, 1, gui::ValueAxis));
}

void TfrmInstrument::ExtendAxes(double minX, double maxX, double minY, double maxY)
{
    FAxes->Extend(minX, maxX, minY, maxY);
}

// ---------------------------------------------------------------------------
// Received data

void TfrmInstrument::cpDrvReceiveData(TCommPortDriver*, const void* DataPtr, std::uint32_t DataSize)
{
    FLines.ReceiveData(DataPtr, DataSize);
}

void TfrmInstrument::PlotReceivedLines()
{
    FLines.PlotReceivedLines();
}

namespace {
QString& testInputFolder()
{
    static QString folder;
    return folder;
}
}  // namespace

void TfrmInstrument::SetTestInputFolder(const QString& folder)
{
    testInputFolder() = folder;
}

QString TfrmInstrument::TestInputFileName()
{
    const QString folder = testInputFolder().isEmpty() ? QCoreApplication::applicationDirPath() : testInputFolder();
    return QDir(folder).filePath(QStringLiteral("InstrTest2.txt"));
}

void TfrmInstrument::panInfoClick()
{
    // Received lines are not thrown away without asking.
    const bool holdsLines = std::any_of(FLines.FReceivedLines.begin(), FLines.FReceivedLines.end(),
                                        [](const std::string& line) { return !line.empty(); });
    if (holdsLines &&
        gui::MessageDlg(QStringLiteral("Replace the received data with the test input ?"),
                        gui::MsgDlgType::Confirmation, gui::mbYesNo, this) != gui::mrYes)
        return;
    const QString name = TestInputFileName();
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(Format("Cannot open file %s", QDir::toNativeSeparators(name).toStdString()));
    const QByteArray data = file.readAll();
    // Lines end at CR LF, LF or CR; a final line end adds no empty line.
    FLines.FReceivedLines = TextToLines(std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
}

void TfrmInstrument::acConnectExecute(QAction* Sender)
{
    if (gui::TActionList::Tag(Sender) == 0) {
        if (!ConnectInstrumentPort(this, cpDrv))
            return;
        FLines.FReceivedLines.clear();
        FLines.FLastPlottedLine = 0;
        ShowPage(0);
        panInfo->setText(QStringLiteral("Connected to ") + cpDrv->PortName());
    } else {
        cpDrv->Disconnect();
        panInfo->setText(NotConnected);
    }
}

void TfrmInstrument::cpDrvLineLost()
{
    InstrumentLineLost(this, cpDrv, [this] { panInfo->setText(NotConnectedAtStart); });
}

void TfrmInstrument::acConnectUpdate(QAction* Sender)
{
    const bool connected = cpDrv->IsConnected();
    Sender->setEnabled(gui::TActionList::Tag(Sender) == 0 ? !connected : connected);
}

void TfrmInstrument::acConfigurationExecute()
{
    ExecuteInstrumentSettings(this, cpDrv, [this] { panInfo->setText(NotConnected); });
}

void TfrmInstrument::acClearDataExecute()
{
    // Let the chart catch up with its series before they are emptied.
    FLines.RefreshChart();
    ChartView->ThawAll();
    const QList<QAbstractSeries*> series = Chart->series();
    for (qsizetype i = series.size() - 1; i >= 1; --i) {
        Chart->removeSeries(series[i]);
        delete series[i];
    }
    MainSeries->ClearPoints();
    FLines.Reset(MainSeries);
    ResetAxes();
}

void TfrmInstrument::acClearDataUpdate()
{
    acClearData->setEnabled(!FLines.Empty() || Chart->series().size() > 1 || MainSeries->PointCount() > 0);
}

void TfrmInstrument::acViewContinuesExecute(QAction* Sender)
{
    if (Sender->isChecked())
        return;
    Sender->setChecked(true);
    (Sender == acViewDiscrete ? acViewContinues : acViewDiscrete)->setChecked(false);
}

namespace {

QMdiSubWindow* subWindowOf(const QWidget* w)
{
    return qobject_cast<QMdiSubWindow*>(w->parentWidget());
}

bool isActiveChild(const QWidget* w)
{
    QMdiSubWindow* sub = subWindowOf(w);
    QMdiArea* area = sub ? sub->mdiArea() : nullptr;
    if (!area || !area->currentSubWindow())
        return false;
    return qobject_cast<TfrmInstrument*>(area->currentSubWindow()->widget()) != nullptr &&
           area->currentSubWindow() == sub;
}

bool activeChildIsInstrument(const QWidget* w)
{
    QMdiSubWindow* sub = subWindowOf(w);
    QMdiArea* area = sub ? sub->mdiArea() : nullptr;
    QMdiSubWindow* current = area ? area->currentSubWindow() : nullptr;
    return current && qobject_cast<TfrmInstrument*>(current->widget());
}

}  // namespace

bool TfrmInstrument::IsMinimized() const
{
    const QMdiSubWindow* sub = subWindowOf(this);
    return sub ? sub->isMinimized() : isMinimized();
}

void TfrmInstrument::acShowInstrumentWindowExecute()
{
    QMdiSubWindow* sub = subWindowOf(this);
    QWidget* w = sub ? static_cast<QWidget*>(sub) : this;
    if (w->isMinimized())
        w->showNormal();
    w->show();
    if (sub && sub->mdiArea())
        sub->mdiArea()->setActiveSubWindow(sub);
    w->raise();
}

void TfrmInstrument::acShowInstrumentWindowUpdate()
{
    acShowInstrumentWindow->setEnabled(!activeChildIsInstrument(this) || IsMinimized());
}

void TfrmInstrument::acMinimizeExecute()
{
    QMdiSubWindow* sub = subWindowOf(this);
    (sub ? static_cast<QWidget*>(sub) : this)->showMinimized();
}

void TfrmInstrument::acMinimizeUpdate()
{
    acMinimize->setEnabled(isActiveChild(this) && !IsMinimized());
}

// Closing the window only minimizes it; reception goes on.
bool TfrmInstrument::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close && watched == subWindowOf(this)) {
        event->ignore();
        subWindowOf(this)->showMinimized();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

TfrmInstrument* TfrmInstrument::CreateInFrame(TfrmMain* frame)
{
    auto* form = new TfrmInstrument;
    QMdiSubWindow* sub = frame->AddChild(form);
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    sub->installEventFilter(form);
    const std::pair<QAction*, int> pictures[] = {
        {form->acAddSample, 10}, {form->acDelSample, 11}, {form->acMoveRight, 12}, {form->acMoveLeft, 13}};
    for (const auto& [action, index] : pictures)
        action->setIcon(frame->Picture(index));
    TInstrumentActions actions;
    actions.acConnect = form->acConnect;
    actions.acDisconnect = form->acDisconnect;
    actions.acConfiguration = form->acConfiguration;
    actions.acViewDiscrete = form->acViewDiscrete;
    actions.acViewContinues = form->acViewContinues;
    actions.acClearData = form->acClearData;
    actions.acProceedData = form->acProceedData;
    actions.acSaveSamples = form->acSaveSamples;
    actions.acSaveAsExperiment = form->acSaveAsExperiment;
    actions.acShowInstrumentWindow = form->acShowInstrumentWindow;
    actions.acMinimize = form->acMinimize;
    frame->BindInstrumentActions(actions);
    // 481 x 277, grown where the font needs more room: both pages show every
    // control (the samples' tool bar keeps all its buttons in view).
    sub->resize(gui::FitFirstSize(sub, QSize(481, 277)));
    frmInstrument = form;
    return form;
}

}  // namespace VelorSpec
