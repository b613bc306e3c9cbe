#pragma once
// Chart pieces shared by both programs (sample, experiment, calibration and
// live charts).  Use them instead of configuring QtCharts by hand:
//
//   Axes     NiceStep / NiceScale pick readable ticks (1, 2 or 5 x 10^n) and a
//            range around the data; NewValueAxis creates an axis whose labels
//            this code writes itself (user's decimal separator, never "-0");
//            ScaleAxis / ScaleAxisToData put a scale on such an axis (on a
//            plain QValueAxis they set range, 1-2-5 ticks and decimals).
//              auto* y = gui::NewValueAxis("Absorbtion [a.u.]");
//              chart->addAxis(y, Qt::AlignLeft);
//              gui::ScaleAxisToData(y, minY, maxY);            // value axis: margin
//              gui::ScaleAxisToData(x, minX, maxX, gui::TimeAxis); // no margin
//            Data that is all positive (or all negative) never gets a range
//            across zero; a single value still gets a visible span.
//            TGrowingAxes gives a live chart axes that grow in steps.
//   Colours  AutoColor(i) is the i-th automatic curve colour (index 0 is red);
//            the first ten are clearly distinct.  FirstFreeColor picks the
//            first automatic colour not in use (for charts that show and hide
//            curves).
//   Look     StyleChart gives a chart the common look: flat, no frame, no
//            rounded corners, background gradient from white to silver.
//   Legend   TChartLegend (StyleChart's legend) lists every curve under the
//            plot with its whole name, in as many rows as the names need.
//   Curves   TChartSeries is a QLineSeries that keeps every point (AllPoints,
//            PointCount, SetPoints, AppendPoints) but hands the chart only
//            what its width can show: per pixel column the first, lowest,
//            highest and last point (ReducePoints).  Attach it with AttachTo,
//            not addSeries, so a curve of millions of points shows and hides
//            at once.  Small curves (up to four points per column) are drawn
//            point for point, so points() is then the full list too.  Points
//            appended to a long curve cost only their own columns, so a live
//            curve that grows for hours refreshes as fast as at its start.
//            PointsBounds is the extent of the points of several series.
//   Views    TChartView is a QChartView with hooks around painting and a
//            frozen layer: FreezeSeries hides a series and draws it into a
//            cached picture, redrawn only when an axis, the plot area or a
//            frozen curve's points change, so a refresh costs the same
//            however many frozen series the chart holds (a live chart's
//            finished replicates; every curve of the signal charts).  With
//            SetAnimatedZoom the mouse zooms (the axes glide to the new
//            ranges; the curves' points are never animated) and scrolls.
//   Copy     ChartBitmap draws any chart view on plain white, as the copy
//            commands put it on the clipboard (CopyChart).
//
// Each piece has its own header (ChartAxes.h, ChartColors.h, ChartLook.h,
// ChartLegend.h, ChartCurves.h, ChartView.h, ChartCopy.h); this one brings
// them all.

#include "ChartAxes.h"
#include "ChartColors.h"
#include "ChartCopy.h"
#include "ChartCurves.h"
#include "ChartLegend.h"
#include "ChartLook.h"
#include "ChartView.h"
