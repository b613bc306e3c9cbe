#include "AASFuncs.h"

#include <cmath>
#include <cstdint>

#include "SysUtils.h"

namespace {

// The shared window steps of both smoothers: the argument tests and the
// source with its edge values repeated N times past either end, so that the
// window of output i is Padded[i .. i + 2N].
void PrepareWindow(int N, const TAASPointArray& Source, TAASPointArray& Padded)
{
    const long long Width = 2LL * N + 1;
    if (static_cast<long long>(Source.size()) < Width)
        throw Exception(Format("No %d data points available", Width));
    if (N <= 0)
        throw Exception("Number of points less than 1 are not allowed!");
    const size_t Count = Source.size();
    const size_t Half = static_cast<size_t>(N);
    Padded.resize(Count + 2 * Half);
    for (size_t K = 0; K < Half; ++K) {
        Padded[K] = Source.front();
        Padded[Half + Count + K] = Source.back();
    }
    std::copy(Source.begin(), Source.end(), Padded.begin() + static_cast<std::ptrdiff_t>(Half));
}

// Rounds an extended value to double.  Inside the hot loops this is the plain
// conversion; overflow is picked up from the sticky flags afterwards.
inline double Round(long double Value)
{
    return static_cast<double>(Value);
}

// Round to the nearest whole number, halves to even, for the extended
// format: adding and removing 2^63 leaves no fraction bits, and the addition
// rounds in the default mode.  Same result as nearbyintl, without its
// floating-point environment save and restore.
inline long double RoundWhole(long double Value)
{
    constexpr long double Shift = 9223372036854775808.0L;  // 2^63
    if (Value >= 0)
        return Value < Shift ? (Value + Shift) - Shift : Value;
    return Value > -Shift ? (Value - Shift) + Shift : Value;
}

// Whole-number signals (raw instrument readings) whose window sums stay
// within Limit are summed in 64-bit integers: every partial sum the extended
// arithmetic forms is then exact too, so the result is the same bit for bit,
// only faster.  Returns false (and leaves Whole alone) for any other signal.
bool WholeNumbers(const TAASPointArray& Padded, long double Limit, std::vector<std::int64_t>& Whole)
{
    double Largest = 0;
    for (double V : Padded) {
        const double A = std::fabs(V);
        if (!(A <= 4503599627370496.0))  // 2^52; also refuses NaN
            return false;
        if (static_cast<double>(static_cast<std::int64_t>(V)) != V)
            return false;
        if (A > Largest)
            Largest = A;
    }
    if (static_cast<long double>(Largest) > Limit)
        return false;
    Whole.resize(Padded.size());
    for (size_t K = 0; K < Padded.size(); ++K)
        Whole[K] = static_cast<std::int64_t>(Padded[K]);
    return true;
}

}  // namespace

void SmoothMovingAverage(int N, const TAASPointArray& Source, TAASPointArray& Dest)
{
    TAASPointArray Padded;
    PrepareWindow(N, Source, Padded);
    const size_t Count = Source.size();
    const size_t Width = 2 * static_cast<size_t>(N) + 1;
    const long double Divisor = static_cast<long double>(Width);
    TAASPointArray Result(Count);

    std::vector<std::int64_t> Whole;
    if (WholeNumbers(Padded, 9223372036854775807.0L / Divisor, Whole)) {
        const std::int64_t* Q = Whole.data();
        for (size_t I = 0; I < Count; ++I) {
            std::int64_t S = 0;
            for (size_t J = 0; J < Width; ++J)
                S += Q[I + J];
            Result[I] = Round(RoundWhole(static_cast<long double>(S) / Divisor));
        }
        Dest.swap(Result);
        return;
    }

    const double* W = Padded.data();
    size_t I = 0;
    // Four windows at a time: each sum still runs over its own window in
    // order, only independent sums are interleaved.
    for (; I + 4 <= Count; I += 4) {
        long double S0 = 0, S1 = 0, S2 = 0, S3 = 0;
        const double* P = W + I;
        for (size_t J = 0; J < Width; ++J) {
            S0 += P[J];
            S1 += P[J + 1];
            S2 += P[J + 2];
            S3 += P[J + 3];
        }
        Result[I] = Round(RoundWhole(S0 / Divisor));
        Result[I + 1] = Round(RoundWhole(S1 / Divisor));
        Result[I + 2] = Round(RoundWhole(S2 / Divisor));
        Result[I + 3] = Round(RoundWhole(S3 / Divisor));
    }
    for (; I < Count; ++I) {
        long double S = 0;
        const double* P = W + I;
        for (size_t J = 0; J < Width; ++J)
            S += P[J];
        Result[I] = Round(RoundWhole(S / Divisor));
    }
    Dest.swap(Result);
}

double SavGolWeight(int N, int J)
{
    const long double LN = N, LJ = J;
    return static_cast<double>(3 * LN * LN + 3 * LN - 1 - 5 * LJ * LJ);
}

void SmoothWeighted(int N, const TAASPointArray& Source, TAASPointArray& Dest)
{
    TAASPointArray Padded;
    PrepareWindow(N, Source, Padded);
    const size_t Count = Source.size();
    const size_t Width = 2 * static_cast<size_t>(N) + 1;

    // Weights in window order, and SumW, which is the same for every window
    // (accumulated in the same order and rounding as the per-point sum).
    TAASPointArray Weights(Width);
    double SumW = 0;
    long double SumAbsW = 0;
    for (size_t K = 0; K < Width; ++K) {
        const int Distance = static_cast<int>(K) - N;
        Weights[K] = SavGolWeight(N, Distance < 0 ? -Distance : Distance);
        SumW = Round(static_cast<long double>(SumW) + Weights[K]);
        SumAbsW += std::fabs(Weights[K]);
    }

    FPClear();
    TAASPointArray Result(Count);
    const long double LSumW = SumW;

    // Whole numbers whose weighted sums stay below 2^53 in magnitude: every
    // partial SumWY is then a whole number held exactly in a double, so the
    // integer sum is the same value.
    std::vector<std::int64_t> Whole;
    if (WholeNumbers(Padded, 9007199254740992.0L / SumAbsW, Whole)) {
        std::vector<std::int64_t> IntWeights(Width);
        for (size_t K = 0; K < Width; ++K)
            IntWeights[K] = static_cast<std::int64_t>(Weights[K]);
        const std::int64_t* Q = Whole.data();
        const std::int64_t* Wt = IntWeights.data();
        for (size_t I = 0; I < Count; ++I) {
            std::int64_t S = 0;
            for (size_t J = 0; J < Width; ++J)
                S += Wt[J] * Q[I + J];
            Result[I] = Round(static_cast<long double>(S) / LSumW);
        }
        FPCheck();
        Dest.swap(Result);
        return;
    }

    const double* W = Padded.data();
    const double* Wt = Weights.data();
    size_t I = 0;
    for (; I + 4 <= Count; I += 4) {
        double S0 = 0, S1 = 0, S2 = 0, S3 = 0;
        const double* P = W + I;
        for (size_t J = 0; J < Width; ++J) {
            const long double Wj = Wt[J];
            S0 = Round(S0 + Wj * P[J]);
            S1 = Round(S1 + Wj * P[J + 1]);
            S2 = Round(S2 + Wj * P[J + 2]);
            S3 = Round(S3 + Wj * P[J + 3]);
        }
        Result[I] = Round(S0 / LSumW);
        Result[I + 1] = Round(S1 / LSumW);
        Result[I + 2] = Round(S2 / LSumW);
        Result[I + 3] = Round(S3 / LSumW);
    }
    for (; I < Count; ++I) {
        double S = 0;
        const double* P = W + I;
        for (size_t J = 0; J < Width; ++J)
            S = Round(S + static_cast<long double>(Wt[J]) * P[J]);
        Result[I] = Round(S / LSumW);
    }
    FPCheck();
    Dest.swap(Result);
}

void Differences(const TAASPointArray& Source, TAASPointArray& Dest)
{
    if (Source.empty())
        throw ERangeError();
    FPClear();
    TAASPointArray Result(Source.size() - 1);
    for (size_t I = 0; I + 1 < Source.size(); ++I)
        Result[I] = Round(static_cast<long double>(Source[I + 1]) - Source[I]);
    FPCheck();
    Dest.swap(Result);
}

double AreaIntegral(int StartIndex, int EndIndex, const TAASPointArray& Points, double Resolution)
{
    const int Count = static_cast<int>(Points.size());
    if (EndIndex <= StartIndex)
        throw Exception(Format("Specified indexes: [%d;%d] does not make a valid interval", StartIndex,
                               EndIndex));
    if (StartIndex < 0 || StartIndex > Count - 1)
        throw EListError(Format(SListIndexError, StartIndex));
    if (EndIndex < 0 || EndIndex > Count - 1)
        throw EListError(Format(SListIndexError, EndIndex));
    if (!(Resolution > 0))
        throw Exception(Format("Specified X resolution: %.2f is not valid", Resolution));
    FPClear();
    double A = Round((static_cast<long double>(Points[StartIndex]) + Points[EndIndex]) * 0.5L);
    for (int I = StartIndex + 1; I < EndIndex; ++I)
        A = Round(static_cast<long double>(A) + Points[I]);
    const double Result = Round(static_cast<long double>(A) * Resolution);
    return FPChecked(Result);
}
