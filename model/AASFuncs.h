// Stateless routines on point arrays: two smoothers, first differences and the
// trapezoid area.  Each either returns its whole result or raises an
// Exception before writing anything: the source and Dest stay untouched.
#pragma once

#include <vector>

using TAASPointArray = std::vector<double>;

// Moving average over the 2N + 1 points around each point (edge values
// repeated past both ends), rounded to whole numbers with halves to even.
// Errors: "No %d data points available" (2N + 1) when Count < 2N + 1, then
// "Number of points less than 1 are not allowed!" when N <= 0.
void SmoothMovingAverage(int N, const TAASPointArray& Source, TAASPointArray& Dest);

// Weighted average over the same window with the quadratic Savitzky-Golay
// weights SavGolWeight(N, |j|); same errors as SmoothMovingAverage.
void SmoothWeighted(int N, const TAASPointArray& Source, TAASPointArray& Dest);

// Weight of distance J (0..N) for half-width N: 3N^2 + 3N - 1 - 5J^2.
double SavGolWeight(int N, int J);

// Dest[i] = Source[i + 1] - Source[i]; Count - 1 points.  An empty source is
// an ERangeError.
void Differences(const TAASPointArray& Source, TAASPointArray& Dest);

// Trapezoid area over the inclusive index range, both ends with half weight,
// times Resolution.  Errors, in this order:
//   "Specified indexes: [%d;%d] does not make a valid interval" (End <= Start)
//   "List index out of bounds (%d)" (Start, then End, outside the points)
//   "Specified X resolution: %.2f is not valid" (Resolution <= 0)
double AreaIntegral(int StartIndex, int EndIndex, const TAASPointArray& Points, double Resolution);
