#include "SignalChart.h"

#include <QFrame>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTreeWidgetItem>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <iterator>
#include <limits>

#include "AASCls.h"
#include "Sample.h"

namespace VelorSpec {

namespace {

// The automatic colours, handed out in this order; a curve shown takes the
// first one no other shown curve uses.
const QColor AutoColors[] = {
    QColor(255, 0, 0),   QColor(0, 128, 0),   QColor(0, 0, 255),     QColor(255, 128, 0),
    QColor(128, 0, 128), QColor(0, 128, 128), QColor(128, 0, 0),     QColor(0, 0, 128),
    QColor(128, 128, 0), QColor(255, 0, 255), QColor(128, 128, 128), QColor(0, 0, 0),
};

const char* const ColorProperty = "velorAutoColor";
constexpr int NodeSeriesRole = Qt::UserRole + 1;

}  // namespace

TSignalChart::TSignalChart(QWidget* Parent)
{
    // No title, axis titles, legend at the bottom, flat, no frame, a
    // background gradient ending in silver and no plot-area wall.
    Chart = new QChart;
    Chart->setObjectName(QStringLiteral("MainChart"));
    Chart->setTitle(QString());
    Chart->setDropShadowEnabled(false);
    Chart->setBackgroundRoundness(0);
    Chart->setPlotAreaBackgroundVisible(false);
    Chart->setBackgroundPen(Qt::NoPen);
    QLinearGradient Gradient(0, 0, 0, 1);
    Gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    Gradient.setColorAt(0, Qt::white);
    Gradient.setColorAt(1, QColor(192, 192, 192));
    Chart->setBackgroundBrush(Gradient);
    Chart->legend()->setAlignment(Qt::AlignBottom);
    Chart->legend()->setVisible(true);
    BottomAxis = new QValueAxis;
    BottomAxis->setTitleText(QStringLiteral("Time [seconds]"));
    LeftAxis = new QValueAxis;
    LeftAxis->setTitleText(QStringLiteral("Absorbtion [a.u.]"));
    Chart->addAxis(BottomAxis, Qt::AlignBottom);
    Chart->addAxis(LeftAxis, Qt::AlignLeft);

    View = new TSampleChartView(Chart, Parent);
    View->setObjectName(QStringLiteral("MainChartView"));
    View->setFrameShape(QFrame::NoFrame);
}

TSignalChart::~TSignalChart()
{
    for (QLineSeries* Series : std::as_const(FSeries)) {
        if (IsAttached(Series))
            Chart->removeSeries(Series);
        delete Series;
    }
    FSeries.clear();
}

QLineSeries* TSignalChart::NewSeries(const QString& Title)
{
    auto* Series = new QLineSeries;
    Series->setName(Title);
    FSeries << Series;
    return Series;
}

void TSignalChart::FreeSeries(QLineSeries* Series)
{
    if (!Series)
        return;
    DetachSeries(Series);
    FSeries.removeAll(Series);
    FBounds.remove(Series);
    delete Series;
}

void TSignalChart::FillSeries(QLineSeries* Series, const TAASReplicate* Replicate, double Resolution)
{
    if (!Series || !Replicate)
        return;
    const TAASPointArray& Points = Replicate->Points();
    QList<QPointF> Data;
    Data.reserve(static_cast<qsizetype>(Points.size()));
    TSeriesBounds Bounds;
    Bounds.MinY = std::numeric_limits<double>::infinity();
    Bounds.MaxY = -std::numeric_limits<double>::infinity();
    const long double Step = Resolution;
    for (size_t J = 0; J < Points.size(); ++J) {
        const double X = static_cast<double>(static_cast<long double>(J + 1) * Step);
        const double Y = Points[J];
        Data.append(QPointF(X, Y));
        Bounds.MinY = std::min(Bounds.MinY, Y);
        Bounds.MaxY = std::max(Bounds.MaxY, Y);
    }
    if (Data.isEmpty()) {
        FBounds.remove(Series);
    } else {
        Bounds.MinX = std::min(Data.front().x(), Data.back().x());
        Bounds.MaxX = std::max(Data.front().x(), Data.back().x());
        FBounds[Series] = Bounds;
    }
    Series->replace(Data);
}

bool TSignalChart::IsAttached(const QLineSeries* Series) const
{
    return Series && Series->chart() == Chart;
}

int TSignalChart::AttachedCount() const
{
    return static_cast<int>(Chart->series().size());
}

void TSignalChart::AttachSeries(QLineSeries* Series)
{
    if (!Series || IsAttached(Series))
        return;
    // The first automatic colour that no shown curve uses.
    QList<QColor> Used;
    for (QAbstractSeries* Shown : Chart->series())
        if (Shown->property(ColorProperty).isValid())
            Used << Shown->property(ColorProperty).value<QColor>();
    const int N = static_cast<int>(std::size(AutoColors));
    QColor Color = AutoColors[Chart->series().size() % N];
    for (const QColor& C : AutoColors)
        if (!Used.contains(C)) {
            Color = C;
            break;
        }
    Chart->addSeries(Series);
    Series->attachAxis(BottomAxis);
    Series->attachAxis(LeftAxis);
    Series->setColor(Color);
    Series->setProperty(ColorProperty, Color);
}

void TSignalChart::DetachSeries(QLineSeries* Series)
{
    if (!Series || !IsAttached(Series))
        return;
    Chart->removeSeries(Series);
    // Back to the automatic colour: it takes a free one when shown again.
    Series->setProperty(ColorProperty, QVariant());
}

void TSignalChart::UpdateAxisRanges()
{
    bool Any = false;
    TSeriesBounds All;
    for (const QLineSeries* Series : std::as_const(FSeries)) {
        const auto It = FBounds.constFind(Series);
        if (It == FBounds.constEnd())
            continue;
        if (!Any) {
            All = *It;
            Any = true;
            continue;
        }
        All.MinX = std::min(All.MinX, It->MinX);
        All.MaxX = std::max(All.MaxX, It->MaxX);
        All.MinY = std::min(All.MinY, It->MinY);
        All.MaxY = std::max(All.MaxY, It->MaxY);
    }
    if (!Any)
        return;
    // A single value still gets a visible span.
    if (All.MinX == All.MaxX) {
        All.MinX -= 1;
        All.MaxX += 1;
    }
    if (All.MinY == All.MaxY) {
        All.MinY -= 1;
        All.MaxY += 1;
    }
    BottomAxis->setRange(All.MinX, All.MaxX);
    LeftAxis->setRange(All.MinY, All.MaxY);
}

QImage TSignalChart::Bitmap() const
{
    return ChartBitmap(View);
}

QImage TSignalChart::ChartBitmap(const QChartView* View)
{
    const QSize Size = View->size().isEmpty() ? QSize(467, 400) : View->size();
    QImage Bitmap(Size, QImage::Format_RGB32);
    Bitmap.fill(Qt::white);
    QPainter Painter(&Bitmap);
    Painter.setRenderHint(QPainter::Antialiasing);
    // The scene alone, without the view's background and frame.
    View->scene()->render(&Painter, QRectF(QPointF(0, 0), Size), View->chart()->geometry());
    return Bitmap;
}

QLineSeries* TSignalChart::NodeSeries(const QTreeWidgetItem* Node)
{
    return Node ? static_cast<QLineSeries*>(Node->data(0, NodeSeriesRole).value<void*>()) : nullptr;
}

void TSignalChart::SetNodeSeries(QTreeWidgetItem* Node, QLineSeries* Series)
{
    if (Node)
        Node->setData(0, NodeSeriesRole, QVariant::fromValue(static_cast<void*>(Series)));
}

}  // namespace VelorSpec
