#include "AASFuncs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "SysUtils.h"

namespace {

// The argument tests shared by both smoothers, in their order.
void CheckWindow(int N, const TAASPointArray& Source)
{
    const long long Width = 2LL * N + 1;
    if (static_cast<long long>(Source.size()) < Width)
        throw Exception(Format("No %d data points available", Width));
    if (N <= 0)
        throw Exception("Number of points less than 1 are not allowed!");
}

// The window of output i holds the 2N + 1 points around i, the edge values
// repeated past either end.  Kernel(P, Outputs, Out) computes Outputs values
// whose windows start at P[0], P[1], ...; this runs it over the interior
// straight from the source and over the two edges from small padded copies.
template <class Kernel>
void RunWindows(int N, const TAASPointArray& Source, double* Out, const Kernel& K)
{
    const size_t Count = Source.size();
    const size_t Half = static_cast<size_t>(N);
    TAASPointArray Edge(3 * Half);
    // Head: N copies of the first point, then points 0 .. 2N - 1.
    std::fill(Edge.begin(), Edge.begin() + static_cast<std::ptrdiff_t>(Half), Source.front());
    std::copy(Source.begin(), Source.begin() + static_cast<std::ptrdiff_t>(2 * Half),
              Edge.begin() + static_cast<std::ptrdiff_t>(Half));
    K(Edge.data(), Half, Out);
    K(Source.data(), Count - 2 * Half, Out + Half);
    // Tail: points Count - 2N .. Count - 1, then N copies of the last point.
    std::copy(Source.end() - static_cast<std::ptrdiff_t>(2 * Half), Source.end(), Edge.begin());
    std::fill(Edge.begin() + static_cast<std::ptrdiff_t>(2 * Half), Edge.end(), Source.back());
    K(Edge.data(), Half, Out + Count - Half);
}

// Largest magnitude of the points, and whether all are whole numbers (NaN
// counts as neither).
bool ScanSignal(const TAASPointArray& Source, double& MaxAbs)
{
    bool Whole = true;
    MaxAbs = 0;
    for (double V : Source) {
        const double A = std::fabs(V);
        if (!(A <= 4503599627370496.0)) {  // 2^52; beyond it or NaN
            Whole = false;
            if (!(A <= MaxAbs))
                MaxAbs = A;
            continue;
        }
        if (static_cast<double>(static_cast<std::int64_t>(V)) != V)  // |V| <= 2^52 here
            Whole = false;
        if (A > MaxAbs)
            MaxAbs = A;
    }
    return Whole;
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

// Where the smoother writes: straight into Dest when nothing can fail any
// more and Dest is not the source, else into a buffer that replaces Dest at
// the end.
class TOutput {
public:
    TOutput(const TAASPointArray& Source, TAASPointArray& Dest, bool CanFail)
        : FDest(Dest), FDirect(!CanFail && &Dest != &Source)
    {
        if (FDirect)
            Dest.resize(Source.size());
        else
            FBuffer.resize(Source.size());
    }
    double* Data() { return FDirect ? FDest.data() : FBuffer.data(); }
    void Commit()
    {
        if (!FDirect)
            FDest.swap(FBuffer);
    }

private:
    TAASPointArray& FDest;
    bool FDirect;
    TAASPointArray FBuffer;
};

// Runs a window policy over Outputs windows starting at W[0], W[1], ...: each
// output folds its own window in order (Step), then finishes the value
// (Finish).  Policy::Lanes independent windows are interleaved to keep the
// arithmetic units busy; the order within each window is unchanged, so the
// results do not depend on the number of lanes.
template <class Policy>
void Interleaved(const Policy& P, const double* W, size_t Outputs, double* Out)
{
    using Acc = typename Policy::Acc;
    constexpr size_t Lanes = Policy::Lanes;
    size_t I = 0;
    for (; I + Lanes <= Outputs; I += Lanes) {
        Acc S[Lanes] = {};
        const double* X = W + I;
        for (size_t J = 0; J < P.Width; ++J)
            for (size_t L = 0; L < Lanes; ++L)
                S[L] = P.Step(S[L], J, X[J + L]);
        for (size_t L = 0; L < Lanes; ++L)
            Out[I + L] = P.Finish(S[L]);
    }
    for (; I < Outputs; ++I) {
        Acc S = 0;
        for (size_t J = 0; J < P.Width; ++J)
            S = P.Step(S, J, W[I + J]);
        Out[I] = P.Finish(S);
    }
}

// Moving average of any signal: extended sums in window order.
struct TExtendedAverage {
    using Acc = long double;
    static constexpr size_t Lanes = 4;
    size_t Width;
    long double Divisor;
    static long double Step(long double S, size_t, double X) { return S + X; }
    double Finish(long double S) const { return Round(RoundWhole(S / Divisor)); }
};

// Weighted sums of whole numbers that stay within 2^53: every product and
// partial sum is a whole number held exactly in a double, so plain double
// arithmetic gives the very SumWY of the extended steps.
struct TWholeWeighted {
    using Acc = double;
    static constexpr size_t Lanes = 4;
    size_t Width;
    const double* Weights;
    long double SumW;
    double Step(double S, size_t J, double X) const { return S + Weights[J] * X; }
    double Finish(double S) const { return Round(S / SumW); }
};

// Weighted sums of any signal: each step in extended precision, rounded to
// double after every addition.
// Every step waits for the previous one to be rounded to double through
// memory, so many windows run side by side to hide that wait.
struct TExtendedWeighted {
    using Acc = double;
    static constexpr size_t Lanes = 16;
    size_t Width;
    const double* Weights;
    long double SumW;
    double Step(double S, size_t J, double X) const
    {
        return Round(S + static_cast<long double>(Weights[J]) * X);
    }
    double Finish(double S) const { return Round(S / SumW); }
};

// Moving average by a running window sum, for signals on which every window
// sum and every partial sum is exact: the sum is then the same number however
// it is formed, so adding the entering point and taking away the leaving one
// gives the very sums of the plain loop, at a cost independent of N.
// Policy: Acc (the exact sum's type), Value(x) (a point in Acc units),
// Finish(S) and Accepts(P, Count), whether the sums stay exact with these
// points taken in.  Rest(W, Outputs, Out) computes the windows the running
// sums leave.
//
// Four stretches of the outputs run side by side (independent sums); each
// goes on in blocks whose entering points are tested and then summed while
// they are still in cache.  From the first block that fails the test, the
// rest of every stretch, like the few outputs past the last stretch, goes to
// Rest: each output depends on its own window only.
template <class Policy, class Rest>
void RunningWindows(const Policy& P, const double* W, size_t Outputs, double* Out, const Rest& R)
{
    using Acc = typename Policy::Acc;
    constexpr size_t Lanes = 4;
    constexpr size_t Block = 512;
    const size_t Width = P.Width;
    const size_t Stretch = Outputs / Lanes;
    size_t Done = 0;  // outputs of each stretch computed
    bool Exact = Stretch > 0;
    for (size_t L = 0; Exact && L < Lanes; ++L)
        Exact = P.Accepts(W + L * Stretch, Width);
    if (Exact) {
        Acc S[Lanes];
        for (size_t L = 0; L < Lanes; ++L) {
            S[L] = 0;
            for (size_t J = 0; J < Width; ++J)
                S[L] += P.Value(W[L * Stretch + J]);
            Out[L * Stretch] = P.Finish(S[L]);
        }
        Done = 1;
        while (Done < Stretch) {
            // Outputs Done .. Done + Len - 1 of each stretch, whose windows
            // take in the points from Done + Width - 1 on.
            const size_t Len = std::min(Block, Stretch - Done);
            for (size_t L = 0; Exact && L < Lanes; ++L)
                Exact = P.Accepts(W + L * Stretch + Done + Width - 1, Len);
            if (!Exact)
                break;
            for (size_t K = Done; K < Done + Len; ++K) {
                for (size_t L = 0; L < Lanes; ++L) {
                    const size_t I = L * Stretch + K;
                    S[L] += P.Value(W[I + Width - 1]) - P.Value(W[I - 1]);
                    Out[I] = P.Finish(S[L]);
                }
            }
            Done += Len;
        }
    }
    if (Done == 0) {
        R(W, Outputs, Out);
        return;
    }
    for (size_t L = 0; L < Lanes; ++L) {
        const size_t First = L * Stretch + Done;
        const size_t Last = L + 1 < Lanes ? (L + 1) * Stretch : Outputs;
        if (First < Last)
            R(W + First, Last - First, Out + First);
    }
}

// Adding and removing 1.5 * 2^52 rounds a double of magnitude below 2^51 to
// a whole number, halves to even.
constexpr double WholeShift = 6755399441055744.0;

constexpr std::uint64_t SignBit = std::uint64_t(1) << 63;

inline std::uint64_t Bits(double X)
{
    std::uint64_t B;
    std::memcpy(&B, &X, sizeof B);
    return B;
}

// Whole numbers of magnitude at most 2^49 / Width: every partial and window
// sum is a whole number of about 2^49 at most, exact in a double.  The
// quotient of such a sum by the odd width lies at least 1 / (2 Width) from
// any half; its product with the double 1 / Width carries two roundings,
// together about 2^-52 of the quotient, under 1 / (4 Width): it rounds to
// the same whole number as the extended quotient.
struct TWholeRunning {
    using Acc = double;
    size_t Width;
    std::uint64_t LimitBits;  // the bits of 2^49 / Width
    double Inverse;           // 1 / Width
    static double Value(double X) { return X; }
    // Both tests on bit patterns, which the compiler can vectorise: a whole
    // number below 2^51 comes back from the shift unchanged and leaves +0,
    // and the magnitude bits of a point beyond the limit (or of a NaN)
    // exceed those of the limit, which makes their difference negative.
    bool Accepts(const double* P, size_t Count) const
    {
        std::uint64_t Fraction = 0, Over = 0;
        for (size_t I = 0; I < Count; ++I) {
            const double Rest = ((P[I] + WholeShift) - WholeShift) - P[I];
            Fraction |= Bits(Rest);
            Over |= LimitBits - (Bits(P[I]) & ~SignBit);
        }
        return Fraction == 0 && (Over & SignBit) == 0;
    }
    double Finish(double S) const { return (S * Inverse + WholeShift) - WholeShift; }
};

// Points on a common binary grid 2^G whose window sums, in grid units, stay
// below 2^63: 64-bit integer sums.  The extended sum of the plain loop is
// S * 2^G exactly, and its quotient by the width, rounded to 64 bits, is
// that of S scaled by the same power of two.
struct TGridRunning {
    using Acc = std::int64_t;
    size_t Width;
    double ToUnits;       // 2^-G
    long double Divisor;  // the width
    long double ToValue;  // 2^G
    std::int64_t Value(double X) const { return static_cast<std::int64_t>(X * ToUnits); }
    // The grid and the reach are found over all points beforehand.
    static bool Accepts(const double*, size_t) { return true; }
    double Finish(std::int64_t S) const
    {
        return Round(RoundWhole(static_cast<long double>(S) / Divisor * ToValue));
    }
};

// The finest binary grid exponent G that holds every point (each point an
// integer multiple of 2^G) and the largest magnitude, or false for a point
// that is not finite.
bool CommonGrid(const double* P, size_t Count, int& G, double& MaxAbs)
{
    int Lowest = 0;
    MaxAbs = 0;
    for (size_t I = 0; I < Count; ++I) {
        std::uint64_t Bits;
        std::memcpy(&Bits, &P[I], sizeof Bits);
        const int Exponent = static_cast<int>((Bits >> 52) & 0x7FF);
        std::uint64_t Mantissa = Bits & ((std::uint64_t(1) << 52) - 1);
        if (Exponent == 0x7FF)
            return false;
        if (Exponent == 0 && Mantissa == 0)
            continue;  // a zero lies on every grid
        int Bit;
        if (Exponent == 0) {
            Bit = __builtin_ctzll(Mantissa) - 1074;
        } else {
            Mantissa |= std::uint64_t(1) << 52;
            Bit = __builtin_ctzll(Mantissa) + Exponent - 1075;
        }
        Lowest = std::min(Lowest, Bit);
        MaxAbs = std::max(MaxAbs, std::fabs(P[I]));
    }
    G = Lowest;
    return true;
}

// Moving average of Outputs windows starting at W[0], W[1], ... for any
// signal: integer sums on the points' common grid where those are exact,
// else the plain extended sums.
void GeneralAverage(size_t Width, const double* W, size_t Outputs, double* Out)
{
    const TExtendedAverage Plain{Width, static_cast<long double>(Width)};
    int G = 0;
    double MaxAbs = 0;
    const bool Grid = CommonGrid(W, Outputs + Width - 1, G, MaxAbs);
    // A running sum adds one point and removes one: its partial sums reach
    // at most Width + 1 points' worth.
    const long double Reach = static_cast<long double>(MaxAbs) * (Width + 1);
    if (Grid && G > -1000 && Reach < std::ldexp(9223372036854775808.0L, G))  // 2^63 units
        RunningWindows(TGridRunning{Width, std::ldexp(1.0, -G), static_cast<long double>(Width), std::ldexp(1.0L, G)},
                       W, Outputs, Out,
                       [&Plain](const double* V, size_t Count, double* O) { Interleaved(Plain, V, Count, O); });
    else
        Interleaved(Plain, W, Outputs, Out);
}

// Moving average of any signal: whole numbers by double running sums, the
// windows those leave by GeneralAverage.
void AverageWindows(size_t Width, const double* W, size_t Outputs, double* Out)
{
    const TWholeRunning Whole{Width, Bits(std::ldexp(1.0, 49) / static_cast<double>(Width)),
                              1.0 / static_cast<double>(Width)};
    RunningWindows(Whole, W, Outputs, Out, [Width](const double* V, size_t Count, double* O) {
        GeneralAverage(Width, V, Count, O);
    });
}

// Adapts a policy to the kernel form RunWindows expects.
template <class Policy>
struct TKernel {
    Policy P;
    void operator()(const double* W, size_t Outputs, double* Out) const { Interleaved(P, W, Outputs, Out); }
};

template <class Policy>
TKernel<Policy> Kernel(const Policy& P)
{
    return TKernel<Policy>{P};
}

}  // namespace

void SmoothMovingAverage(int N, const TAASPointArray& Source, TAASPointArray& Dest)
{
    CheckWindow(N, Source);
    const size_t Width = 2 * static_cast<size_t>(N) + 1;
    TOutput Out(Source, Dest, false);
    RunWindows(N, Source, Out.Data(),
               [Width](const double* W, size_t Outputs, double* O) { AverageWindows(Width, W, Outputs, O); });
    Out.Commit();
}

double SavGolWeight(int N, int J)
{
    const long double LN = N, LJ = J;
    return static_cast<double>(3 * LN * LN + 3 * LN - 1 - 5 * LJ * LJ);
}

void SmoothWeighted(int N, const TAASPointArray& Source, TAASPointArray& Dest)
{
    CheckWindow(N, Source);
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

    double MaxAbs = 0;
    const bool Whole = ScanSignal(Source, MaxAbs);
    const long double Bound = static_cast<long double>(MaxAbs) * SumAbsW;
    // Sums far below the double range cannot overflow: write in place.
    TOutput Out(Source, Dest, !(Bound < 1e300L));
    FPClear();
    if (Whole && Bound <= 9007199254740992.0L)  // 2^53
        RunWindows(N, Source, Out.Data(), Kernel(TWholeWeighted{Width, Weights.data(), SumW}));
    else
        RunWindows(N, Source, Out.Data(), Kernel(TExtendedWeighted{Width, Weights.data(), SumW}));
    FPCheck();
    Out.Commit();
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
