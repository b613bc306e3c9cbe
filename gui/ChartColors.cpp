#include "ChartColors.h"

#include <iterator>

namespace gui {

namespace {
// Red first (the live chart's first curve is red); then hues and
// lightnesses far apart, all dark enough for a white-to-silver background.
const QColor Palette[] = {
    QColor(230, 0, 0),      // red
    QColor(0, 70, 230),     // blue
    QColor(0, 150, 0),      // green
    QColor(255, 140, 0),    // orange
    QColor(140, 0, 170),    // purple
    QColor(0, 170, 190),    // cyan
    QColor(130, 75, 20),    // brown
    QColor(240, 0, 160),    // magenta
    QColor(0, 0, 0),        // black
    QColor(140, 150, 0),    // olive
    QColor(0, 0, 120),      // navy
    QColor(120, 120, 120),  // grey
};
}  // namespace

int AutoColorCount()
{
    return static_cast<int>(std::size(Palette));
}

QColor AutoColor(int index)
{
    const int n = AutoColorCount();
    return Palette[((index % n) + n) % n];
}

QColor FirstFreeColor(const QList<QColor>& used)
{
    for (const QColor& c : Palette)
        if (!used.contains(c))
            return c;
    return AutoColor(static_cast<int>(used.size()));
}

}  // namespace gui
