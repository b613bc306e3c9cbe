#include "RegComp.h"

#include <cmath>

#include "SysUtils.h"

TRegComp::TRegComp(void* /*Owner*/) {}

void TRegComp::SetAlphaLevel(int Value)
{
    if (Value == 90 || Value == 95 || Value == 99)
        FAlphaLevel = Value;
}

void TRegComp::ClearResult(TRegResult& Fit) const
{
    Fit = TRegResult{};
}

void TRegComp::LinearRegression(const std::vector<double>& X, const std::vector<double>& Y, int N,
                                TRegResult& Fit) const
{
    // Reading past either array would be reading garbage: refuse it.
    if (N > static_cast<int>(X.size()) || N > static_cast<int>(Y.size()))
        throw EListError(Format(SListIndexError, N));

    TRegResult Res;
    ClearResult(Res);
    Res.N = N;
    if (N <= 1) {
        Fit = Res;
        return;
    }
    Res.DF = N - 2;

    TFPGuard Guard;
    for (int k = 0; k < N; ++k) {
        const long double x = X[static_cast<size_t>(k)];
        const long double y = Y[static_cast<size_t>(k)];
        Res.SumX += x;
        Res.SumY += y;
        Res.SumXY += x * y;
        Res.SumX2 += x * x;
        Res.SumY2 += y * y;
    }
    const long double n = N;
    Res.MeanX = Res.SumX / n;
    Res.MeanY = Res.SumY / n;
    Res.Sxx = Res.SumX2 - (Res.SumX * Res.SumX) / n;
    Res.Syy = Res.SumY2 - (Res.SumY * Res.SumY) / n;
    Res.Sxy = Res.SumXY - (Res.SumX * Res.SumY) / n;

    // A slightly negative product (rounding, with all X or all Y equal) is an
    // invalid square root; an exact zero divisor gets its own message.
    const long double Root = Guard.Checked(sqrtl(Res.Sxx * Res.Syy));
    if (Root == 0 || Res.Sxx == 0)
        throw Exception("Divide by zero calculating r, B1 or B0");
    Res.R = Res.Sxy / Root;
    Res.B1 = Res.Sxy / Res.Sxx;
    Res.B0 = Res.MeanY - Res.B1 * Res.MeanX;

    const long double Tiny = 1e-20L;
    Res.FisherZ = 0.5L * logl((Res.R + 1 + Tiny) / (1 - Res.R + Tiny));
    Res.TValue = Res.R * sqrtl(Res.DF / ((1 - Res.R + Tiny) * (Res.R + 1 + Tiny)));
    Guard.Check();
    // Quiet NaNs carried in by the data raise no flag; they are no result.
    if (std::isnan(Res.R) || std::isnan(Res.B0) || std::isnan(Res.B1) ||
        std::isnan(Res.FisherZ) || std::isnan(Res.TValue))
        throw EInvalidOp();
    Fit = Res;
}

void TRegComp::Inform(const std::string& Text)
{
    if (OnInformation)
        OnInformation(Text);
}

void TRegComp::SafeSetting()
{
    Inform("Safe setting-not optimized.");
    FScanData = true;
}

void TRegComp::OptimizedSetting()
{
    Inform("Optimized setting-no safety check.");
    FScanData = false;
}

void TRegComp::SetAlpha99() { SetAlphaLevel(99); }
void TRegComp::SetAlpha95() { SetAlphaLevel(95); }
void TRegComp::SetAlpha90() { SetAlphaLevel(90); }
void TRegComp::About() { Inform("About..."); }
