#include "ViewGraph.h"

#include "AASCls.h"
#include "ChartLook.h"
#include "Charts.h"
#include "Dialogs.h"
#include "ReceivedData.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QMenuBar>
#include <QScreen>
#include <QValueAxis>
#include <QVBoxLayout>

namespace VelorTime {

TfrmViewGraphic::TfrmViewGraphic(QWidget* Owner, const QString& Stored) : QDialog(Owner)
{
    setObjectName(QStringLiteral("frmViewGraphic"));
    setWindowTitle(QStringLiteral("View Received Data As Graphic"));
    resize(600, 400);

    Chart = new QChart;
    Chart->setObjectName(QStringLiteral("Chart"));
    Chart->legend()->hide();
    gui::StyleChart(Chart, false);
    AxisX = gui::NewValueAxis();
    AxisY = gui::NewValueAxis();
    Chart->addAxis(AxisX, Qt::AlignBottom);
    Chart->addAxis(AxisY, Qt::AlignLeft);
    ChartView = new gui::TChartView(Chart, this);
    ChartView->setFrameShape(QFrame::NoFrame);

    MainMenu = new QMenuBar(this);
    QMenu* ChartMenu = MainMenu->addMenu(QStringLiteral("Chart"));
    miChartCopy = ChartMenu->addAction(QStringLiteral("Copy"));
    miChartCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    miChartPrint = ChartMenu->addAction(QStringLiteral("Print"));
    miChartPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    miChartPrintPreview = ChartMenu->addAction(QStringLiteral("Print Preview"));
    miChartPrintSetup = ChartMenu->addAction(QStringLiteral("Pint Setup..."));
    ChartMenu->addSeparator();
    miChartClose = ChartMenu->addAction(QStringLiteral("Close"));
    miChartClose->setShortcut(QKeySequence(Qt::Key_Escape));
    QMenu* ViewMenu = MainMenu->addMenu(QStringLiteral("View"));
    miViewOverlapped = ViewMenu->addAction(QStringLiteral("Overlapped"));
    miViewOverlapped->setShortcut(QKeySequence(Qt::Key_O));
    miViewOverlapped->setData(0);
    miViewSequenced = ViewMenu->addAction(QStringLiteral("Sequenced"));
    miViewSequenced->setShortcut(QKeySequence(Qt::Key_S));
    miViewSequenced->setData(1);
    auto* ViewGroup = new QActionGroup(this);
    for (QAction* Item : {miViewOverlapped, miViewSequenced}) {
        Item->setCheckable(true);
        ViewGroup->addAction(Item);
        connect(Item, &QAction::triggered, this, [this, Item] { miViewOverlappedClick(Item); });
    }
    miViewOverlapped->setChecked(true);
    ViewMenu->addSeparator();
    miViewChartOptions = ViewMenu->addAction(QStringLiteral("Chart Options..."));
    miViewChartOptions->setShortcut(QKeySequence(Qt::Key_P));
    connect(miChartCopy, &QAction::triggered, this, &TfrmViewGraphic::miChartCopyClick);
    connect(miChartClose, &QAction::triggered, this, &TfrmViewGraphic::miChartCloseClick);

    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setMenuBar(MainMenu);
    Layout->addWidget(ChartView);

    if (const QScreen* Screen = screen())
        move(Screen->availableGeometry().center() - rect().center());

    FSequencedSeries = std::make_unique<QLineSeries>();
    LoadData(Stored);
}

TfrmViewGraphic::~TfrmViewGraphic()
{
    // The chart gives its series back; the window owns them.
    for (QAbstractSeries* Series : Chart->series())
        Chart->removeSeries(Series);
}

QLineSeries* TfrmViewGraphic::NewReplicateSeries()
{
    FReplicateSeries.push_back(std::make_unique<QLineSeries>());
    QLineSeries* Series = FReplicateSeries.back().get();
    Series->setColor(gui::AutoColor(static_cast<int>(FReplicateSeries.size()) - 1));
    Attach(Series);
    return Series;
}

void TfrmViewGraphic::Attach(QLineSeries* Series)
{
    Chart->addSeries(Series);
    Series->attachAxis(AxisX);
    Series->attachAxis(AxisY);
}

void TfrmViewGraphic::Detach(QLineSeries* Series)
{
    if (Series->chart() == Chart)
        Chart->removeSeries(Series);
}

void TfrmViewGraphic::LoadData(const QString& Stored)
{
    QLineSeries* Current = NewReplicateSeries();
    QList<QPointF> Sequenced = FSequencedSeries->points();
    QList<QPointF> Points;
    double SequencedX = FSequencedSeries->count() > 0 ? Sequenced.back().x() : 0.0;
    double CurrentX = Current->count() > 0 ? Current->at(Current->count() - 1).x() : 0.0;
    for (const std::string& Line : StoredBlockLines(Stored.toStdString())) {
        if (Line == ReplicateEndMarker) {
            Current->append(Points);
            Points.clear();
            Current = NewReplicateSeries();
            CurrentX = 0;
            continue;
        }
        const double Y = static_cast<double>(StrToFloat(Line));
        CurrentX = static_cast<double>(static_cast<long double>(CurrentX) + 0.02L);
        SequencedX = static_cast<double>(static_cast<long double>(SequencedX) + 0.02L);
        Points.append(QPointF(CurrentX, Y));
        Sequenced.append(QPointF(SequencedX, Y));
    }
    Current->append(Points);
    FSequencedSeries->replace(Sequenced);
    FitAxes();
}

void TfrmViewGraphic::FitAxes()
{
    QList<const QXYSeries*> Shown;
    for (QAbstractSeries* Series : Chart->series())
        Shown << static_cast<const QLineSeries*>(Series);
    double MinX = 0, MaxX = 0, MinY = 0, MaxY = 0;
    if (!gui::PointsBounds(Shown, MinX, MaxX, MinY, MaxY))
        return;
    gui::ScaleAxisToData(AxisX, 0, MaxX, gui::TimeAxis);
    gui::ScaleAxisToData(AxisY, MinY, MaxY);
}

void TfrmViewGraphic::miChartCopyClick()
{
    gui::CopyChart(ChartView);
}

void TfrmViewGraphic::miChartCloseClick()
{
    close();
}

void TfrmViewGraphic::miViewOverlappedClick(QAction* Sender)
{
    const int Tag = Sender->data().toInt();
    Sender->setChecked(true);  // the radio group takes the mark off the other item
    if (Tag == FView)
        return;
    FView = Tag;
    if (Tag == 0) {
        for (const auto& Series : FReplicateSeries)
            Attach(Series.get());
        Detach(FSequencedSeries.get());
    } else {
        for (const auto& Series : FReplicateSeries)
            Detach(Series.get());
        Attach(FSequencedSeries.get());
    }
    FitAxes();
}

void ShowReceivedDataGraphic(const QString& Stored, const QString& Title)
{
    gui::RunGuarded([&] {
        TfrmViewGraphic Form(nullptr, Stored);
        Form.Chart->setTitle(Title);
        gui::ExecModal(Form);
    });
}

}  // namespace VelorTime
