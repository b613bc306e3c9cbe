#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "FileTestSupport.h"
#include "RegComp.h"

namespace {

TEST(RegComp, OriginAndOneStandardFitsExactly)
{
    TRegComp Reg;
    TRegResult Fit;
    Reg.LinearRegression({0, 2}, {0, 10}, 2, Fit);
    EXPECT_EQ(Fit.N, 2);
    EXPECT_EQ(Fit.DF, 0);
    EXPECT_EQ(Fit.R, 1.0L);
    EXPECT_EQ(Fit.B1, 5.0L);
    EXPECT_EQ(Fit.B0, 0.0L);
    EXPECT_EQ(Fit.TValue, 0.0L);
    EXPECT_TRUE(std::isfinite(static_cast<double>(Fit.FisherZ)));
    EXPECT_NEAR(static_cast<double>(Fit.FisherZ), 23.37, 0.01);
    EXPECT_EQ(Fit.SumX, 2.0L);
    EXPECT_EQ(Fit.SumY, 10.0L);
    EXPECT_EQ(Fit.SumXY, 20.0L);
    EXPECT_EQ(Fit.SumX2, 4.0L);
    EXPECT_EQ(Fit.SumY2, 100.0L);
    EXPECT_EQ(Fit.MeanX, 1.0L);
    EXPECT_EQ(Fit.MeanY, 5.0L);
    EXPECT_EQ(Fit.Sxx, 2.0L);
    EXPECT_EQ(Fit.Syy, 50.0L);
    EXPECT_EQ(Fit.Sxy, 10.0L);
}

TEST(RegComp, NoisyPointsGiveTextbookStatistics)
{
    // x = 1..5, y = 2.1 3.9 6.2 7.8 10.1: compare with the closed forms.
    std::vector<double> X{1, 2, 3, 4, 5}, Y{2.1, 3.9, 6.2, 7.8, 10.1};
    TRegComp Reg;
    TRegResult Fit;
    Reg.LinearRegression(X, Y, 5, Fit);
    long double sx = 0, sy = 0, sxy = 0, sx2 = 0, sy2 = 0;
    for (int i = 0; i < 5; ++i) {
        sx += X[i];
        sy += Y[i];
        sxy += (long double)X[i] * Y[i];
        sx2 += (long double)X[i] * X[i];
        sy2 += (long double)Y[i] * Y[i];
    }
    const long double sxx = sx2 - sx * sx / 5, syy = sy2 - sy * sy / 5, sxyc = sxy - sx * sy / 5;
    const long double r = sxyc / sqrtl(sxx * syy);
    EXPECT_EQ(Fit.DF, 3);
    EXPECT_EQ(Fit.R, r);
    EXPECT_EQ(Fit.B1, sxyc / sxx);
    EXPECT_EQ(Fit.B0, sy / 5 - (sxyc / sxx) * (sx / 5));
    EXPECT_EQ(Fit.FisherZ, 0.5L * logl((r + 1 + 1e-20L) / (1 - r + 1e-20L)));
    EXPECT_EQ(Fit.TValue, r * sqrtl(3 / ((1 - r + 1e-20L) * (r + 1 + 1e-20L))));
    EXPECT_LT(Fit.R, 1.0L);
    EXPECT_GT(Fit.R, 0.99L);
}

TEST(RegComp, UsesOnlyTheFirstNPoints)
{
    TRegComp Reg;
    TRegResult Fit;
    Reg.LinearRegression({0, 1, 2, 100}, {0, 3, 6, -5}, 3, Fit);
    EXPECT_EQ(Fit.N, 3);
    EXPECT_EQ(Fit.B1, 3.0L);
    EXPECT_EQ(Fit.B0, 0.0L);
}

TEST(RegComp, FewerThanTwoPointsGiveAnEmptyResultWithoutError)
{
    TRegComp Reg;
    TRegResult Fit;
    Fit.B1 = 7;
    Reg.LinearRegression({3}, {4}, 1, Fit);
    EXPECT_EQ(Fit.N, 1);
    EXPECT_EQ(Fit.DF, 0);
    EXPECT_EQ(Fit.B1, 0.0L);
    EXPECT_EQ(Fit.SumX, 0.0L);
    Reg.LinearRegression({}, {}, 0, Fit);
    EXPECT_EQ(Fit.N, 0);
}

TEST(RegComp, ZeroDivisorFailsAndLeavesFitUntouched)
{
    TRegComp Reg;
    TRegResult Fit;
    Fit.B1 = 42;
    // All X equal (every standard at concentration 0), and all Y equal.
    EXPECT_EQ(ErrorOf([&] { Reg.LinearRegression({0, 0, 0}, {0, 5, 9}, 3, Fit); }),
              "Divide by zero calculating r, B1 or B0");
    EXPECT_EQ(ErrorOf([&] { Reg.LinearRegression({0, 1, 2}, {0, 0, 0}, 3, Fit); }),
              "Divide by zero calculating r, B1 or B0");
    EXPECT_EQ(Fit.B1, 42.0L);
    EXPECT_EQ(Fit.N, 0);
}

TEST(RegComp, NegativeProductOfSumsIsAnInvalidOperation)
{
    // 0.3 five times: the rounded sums leave Sxx slightly below zero, so the
    // square root of Sxx * Syy is invalid.
    std::vector<double> X(5, 0.3), Y{1, 2, 3, 4, 5};
    TRegComp Reg;
    TRegResult Fit;
    EXPECT_EQ(ErrorOf([&] { Reg.LinearRegression(X, Y, 5, Fit); }),
              "Invalid floating point operation");
    EXPECT_EQ(Fit.N, 0);
}

TEST(RegComp, TinyPositiveSxxIsNotTreatedAsZero)
{
    // 0.1 three times leaves a tiny positive Sxx: no tolerance is applied,
    // so a (meaningless but finite) line is fitted.
    TRegComp Reg;
    TRegResult Fit;
    Reg.LinearRegression({0.1, 0.1, 0.1}, {1, 2, 3}, 3, Fit);
    EXPECT_GT(Fit.Sxx, 0.0L);
    EXPECT_EQ(Fit.N, 3);
}

TEST(RegComp, NLargerThanTheArraysIsRefused)
{
    TRegComp Reg;
    TRegResult Fit;
    EXPECT_EQ(ErrorOf([&] { Reg.LinearRegression({0, 1}, {0, 1, 2}, 3, Fit); }),
              "List index out of bounds (3)");
    EXPECT_EQ(Fit.N, 0);
}

TEST(RegComp, PropertiesAndCommands)
{
    TRegComp Reg;
    EXPECT_EQ(Reg.AlphaLevel(), 95);
    EXPECT_TRUE(Reg.ScanData());
    Reg.SetAlphaLevel(80);
    EXPECT_EQ(Reg.AlphaLevel(), 95);
    Reg.SetAlphaLevel(90);
    EXPECT_EQ(Reg.AlphaLevel(), 90);
    Reg.SetAlpha99();
    EXPECT_EQ(Reg.AlphaLevel(), 99);
    Reg.SetAlpha95();
    EXPECT_EQ(Reg.AlphaLevel(), 95);
    Reg.SetAlpha90();
    EXPECT_EQ(Reg.AlphaLevel(), 90);

    std::vector<std::string> Shown;
    Reg.OnInformation = [&](const std::string& S) { Shown.push_back(S); };
    Reg.OptimizedSetting();
    EXPECT_FALSE(Reg.ScanData());
    Reg.SafeSetting();
    EXPECT_TRUE(Reg.ScanData());
    Reg.About();
    EXPECT_EQ(Shown, (std::vector<std::string>{"Optimized setting-no safety check.",
                                               "Safe setting-not optimized.", "About..."}));
}

}  // namespace
