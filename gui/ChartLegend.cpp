#include "ChartLegend.h"

#include "ChartViewInternal.h"

#include <QChart>
#include <QFontMetricsF>
#include <QLegend>
#include <QPainter>
#include <QXYSeries>

#include <algorithm>
#include <cmath>

namespace gui {

TChartLegend::TChartLegend(QChart* chart) : QGraphicsWidget(chart), FChart(chart), FBaseMargins(chart->margins())
{
    setZValue(100);   // above the chart's background
    connect(chart, &QGraphicsWidget::geometryChanged, this, [this] { Layout(); });
    Layout();
}

void TChartLegend::Refresh()
{
    Layout();
    update();
}

void TChartLegend::Layout()
{
    FEntries.clear();
    FRows = 0;
    const QFontMetricsF metrics(FChart->legend()->font());
    const qreal rowHeight = std::ceil(metrics.height()) + 2;
    FBox = std::round(metrics.height() * 0.6);
    FGap = std::round(metrics.height() * 0.4);                 // box to name
    const qreal spacing = std::round(metrics.height() * 0.8);   // between columns
    const qreal padding = 4;                                    // above the first row

    struct TCurve {
        QString Name;
        QColor Color;
        qreal Width;   // of the name
    };
    QList<TCurve> curves;
    for (QAbstractSeries* series : FChart->series()) {
        if (!series->isVisible() && !series->property(FrozenProperty).toBool())
            continue;
        const auto* xy = qobject_cast<const QXYSeries*>(series);
        curves.append({series->name(), xy ? xy->color() : QColor(Qt::black),
                       std::ceil(metrics.horizontalAdvance(series->name()))});
    }

    const QSizeF size = FChart->size();
    const qreal available = size.width() - FBaseMargins.left() - FBaseMargins.right();
    const int count = static_cast<int>(curves.size());
    qreal height = 0;
    if (count > 0 && available > FBox + FGap) {
        // The most columns whose names all fit, each column as wide as its
        // widest name; a name wider than the whole chart is the only one
        // ever cut short.
        QList<qreal> widths;
        for (int columns = count; columns >= 1; --columns) {
            widths.fill(0, columns);
            for (int i = 0; i < count; ++i)
                widths[i % columns] = std::max(widths[i % columns], curves[i].Width);
            qreal used = (columns - 1) * spacing;
            for (const qreal w : std::as_const(widths))
                used += FBox + FGap + w;
            if (used <= available || columns == 1)
                break;
        }
        const int columns = static_cast<int>(widths.size());
        if (columns == 1)
            widths[0] = std::min(widths[0], available - FBox - FGap);
        qreal used = (columns - 1) * spacing;
        for (const qreal w : std::as_const(widths))
            used += FBox + FGap + w;
        const int rows = (count + columns - 1) / columns;
        const int maxRows = std::max(1, static_cast<int>(size.height() / 2 / rowHeight));
        FRows = std::min(rows, maxRows);
        height = padding + FRows * rowHeight;
        const qreal top = size.height() - FBaseMargins.bottom() - height + padding;
        qreal x = FBaseMargins.left() + (available - used) / 2;
        for (int column = 0; column < columns; ++column) {
            for (int i = column, row = 0; i < count && row < FRows; i += columns, ++row) {
                const QRectF text(x + FBox + FGap, top + row * rowHeight, widths[column], rowHeight);
                FEntries.append({curves[i].Name, metrics.elidedText(curves[i].Name, Qt::ElideRight, text.width()),
                                 curves[i].Color, text});
            }
            x += FBox + FGap + widths[column] + spacing;
        }
        // In chart order (row by row).
        std::sort(FEntries.begin(), FEntries.end(), [](const TEntry& a, const TEntry& b) {
            return a.TextRect.top() != b.TextRect.top() ? a.TextRect.top() < b.TextRect.top()
                                                        : a.TextRect.left() < b.TextRect.left();
        });
    }
    setGeometry(QRectF(FBaseMargins.left(), size.height() - FBaseMargins.bottom() - height, std::max(available, 0.0),
                       height));
    QMargins margins = FBaseMargins;
    margins.setBottom(margins.bottom() + static_cast<int>(std::ceil(height)));
    if (FChart->margins() != margins)
        FChart->setMargins(margins);
}

void TChartLegend::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    painter->setFont(FChart->legend()->font());
    for (const TEntry& entry : std::as_const(FEntries)) {
        const QRectF text = entry.TextRect.translated(-pos());
        const QRectF box(text.left() - FGap - FBox, text.center().y() - FBox / 2, FBox, FBox);
        painter->setPen(entry.Color.darker(150));
        painter->setBrush(entry.Color);
        painter->drawRect(box);
        painter->setPen(FChart->legend()->labelColor());
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, entry.Text);
    }
}

}  // namespace gui
