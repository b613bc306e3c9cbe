#include "ChartLook.h"

#include <QValueAxis>
#include <QXYSeries>

#include <algorithm>

namespace gui {

bool PointsBounds(const QList<const QXYSeries*>& Series, double& MinX, double& MaxX, double& MinY, double& MaxY)
{
    bool Any = false;
    for (const QXYSeries* S : Series) {
        if (!S)
            continue;
        for (const QPointF& P : S->points()) {
            MinX = Any ? std::min(MinX, P.x()) : P.x();
            MaxX = Any ? std::max(MaxX, P.x()) : P.x();
            MinY = Any ? std::min(MinY, P.y()) : P.y();
            MaxY = Any ? std::max(MaxY, P.y()) : P.y();
            Any = true;
        }
    }
    return Any;
}

void TGrowingAxes::Extend(double MinX, double MaxX, double MinY, double MaxY)
{
    (void)MinX;
    if (!FSet) {
        FDataMinY = MinY;
        FDataMaxY = MaxY;
        FAxisMaxX = 0;
        FAxisMinY = FAxisMaxY = MinY;
        FScales.clear();
        FSet = true;
    }
    FDataMinY = std::min(FDataMinY, MinY);
    FDataMaxY = std::max(FDataMaxY, MaxY);
    const auto Rescale = [this](QValueAxis* Axis, const TAxisScale& Scale) {
        FScales.insert(Axis, Scale);
        if (!FHeld)
            ScaleAxis(Axis, Scale);
    };
    if (MaxX > FAxisMaxX) {
        // Room for half as much again before the next rescale.
        const TAxisScale Scale = NiceScale(0, std::max(MaxX * 1.5, 1.0), TimeAxis);
        FAxisMaxX = Scale.Max;
        Rescale(FAxisX, Scale);
    }
    if (FDataMinY < FAxisMinY || FDataMaxY > FAxisMaxY) {
        const double Headroom = std::max((FDataMaxY - FDataMinY) * 0.25, 1.0);
        // Readings all of one sign keep a range of that sign.
        const double Low = FDataMinY >= 0 ? std::max(0.0, FDataMinY - Headroom) : FDataMinY - Headroom;
        const double High = FDataMaxY <= 0 ? std::min(0.0, FDataMaxY + Headroom) : FDataMaxY + Headroom;
        const TAxisScale Scale = NiceScale(Low, High, TAxisOptions{8, 0.0});
        FAxisMinY = Scale.Min;
        FAxisMaxY = Scale.Max;
        Rescale(FAxisY, Scale);
    }
}

void TGrowingAxes::Hold(bool On)
{
    if (FHeld == On)
        return;
    FHeld = On;
    if (!FHeld)
        for (auto It = FScales.cbegin(); It != FScales.cend(); ++It)
            ScaleAxis(It.key(), It.value());
}

QHash<QValueAxis*, TAxisScale> TGrowingAxes::Scales() const
{
    return FSet ? FScales : QHash<QValueAxis*, TAxisScale>{};
}

}  // namespace gui
