#pragma once
// The legend of the charts (see Charts.h).

#include <QColor>
#include <QGraphicsWidget>
#include <QList>
#include <QMargins>
#include <QRectF>
#include <QString>

class QChart;

namespace gui {

// The legend under a chart's plot: one entry per curve on the chart (a box
// in the curve's colour and its name), in chart order, in rows of equal
// columns, as many rows as the names need, so that every name shows whole
// (QLegend keeps one row and cuts names short).  The plot area shrinks to
// leave the rows room.  At most half the chart's height goes to the legend;
// entries beyond that are left out.  Refresh after curves were attached,
// detached, renamed or recoloured; resizing the chart lays it out again by
// itself.
class TChartLegend : public QGraphicsWidget {
    Q_OBJECT
public:
    explicit TChartLegend(QChart* chart);

    void Refresh();

    struct TEntry {
        QString Name;      // the curve's name
        QString Text;      // what the entry shows (the name, unless it is
                           // wider than the whole chart)
        QColor Color;
        QRectF TextRect;   // where the text stands, in chart coordinates
    };
    // The entries shown.
    const QList<TEntry>& Entries() const { return FEntries; }
    int Rows() const { return FRows; }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget = nullptr) override;

private:
    void Layout();
    QChart* FChart;
    QMargins FBaseMargins;   // the chart's margins without the legend
    QList<TEntry> FEntries;
    int FRows = 0;
    qreal FBox = 0;          // side of a colour box
    qreal FGap = 0;          // from the box to the name
};

}  // namespace gui
