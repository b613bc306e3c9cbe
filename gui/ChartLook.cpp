#include "ChartLook.h"

#include <QValueAxis>

#include <algorithm>

namespace gui {

void TGrowingAxes::Extend(double MinX, double MaxX, double MinY, double MaxY)
{
    (void)MinX;
    if (!FSet) {
        FDataMinY = MinY;
        FDataMaxY = MaxY;
        FAxisMaxX = 0;
        FAxisMinY = FAxisMaxY = MinY;
        FSet = true;
    }
    FDataMinY = std::min(FDataMinY, MinY);
    FDataMaxY = std::max(FDataMaxY, MaxY);
    if (MaxX > FAxisMaxX) {
        // Room for half as much again before the next rescale.
        FAxisMaxX = ScaleAxisToData(FAxisX, 0, std::max(MaxX * 1.5, 1.0), TimeAxis).Max;
    }
    if (FDataMinY < FAxisMinY || FDataMaxY > FAxisMaxY) {
        const double Headroom = std::max((FDataMaxY - FDataMinY) * 0.25, 1.0);
        // Readings all of one sign keep a range of that sign.
        const double Low = FDataMinY >= 0 ? std::max(0.0, FDataMinY - Headroom) : FDataMinY - Headroom;
        const double High = FDataMaxY <= 0 ? std::min(0.0, FDataMaxY + Headroom) : FDataMaxY + Headroom;
        const TAxisScale Scale = ScaleAxisToData(FAxisY, Low, High, TAxisOptions{8, 0.0});
        FAxisMinY = Scale.Min;
        FAxisMaxY = Scale.Max;
    }
}

}  // namespace gui
