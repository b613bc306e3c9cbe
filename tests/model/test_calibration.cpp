#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FileTestSupport.h"

namespace {

using Values = std::vector<double>;

// A sample of one constant replicate whose plateau and area intervals cover
// points 1 and 2, so every statistic is computed (plateau mean = Value).
TAASSample* Measured(const std::string& Title, double Value, bool Standard = false, double Conc = NotSet)
{
    TAASSample* S = MakeSample(Title, {{Value, Value, Value, Value, Value}});
    S->SetPeakStart(0.02);
    S->SetPeakEnd(0.04);
    S->SetAreaStart(0.02);
    S->SetAreaEnd(0.04);
    S->SetStandart(Standard);
    S->SetConcentration(Conc);
    return S;
}

TAASSample* Standard(double Conc, double Value)
{
    return Measured("std", Value, true, Conc);
}

class Calibration : public ::testing::Test {
protected:
    void TearDown() override { DecimalSeparator = '.'; }
    TAASExperiment E{"", true};
    Values X, Y;
};

TEST_F(Calibration, OriginAndOneStandard)
{
    E.Add(Standard(2, 10));
    TAASSample* Unknown = E.GetItem(E.Add(Measured("u", 25)));
    E.DoRegression(X, Y);
    EXPECT_EQ(X, (Values{0, 2}));
    EXPECT_EQ(Y, (Values{0, 10}));
    EXPECT_EQ(E.B1(), 5.0);
    EXPECT_EQ(E.B0(), 0.0);
    EXPECT_EQ(E.R(), 1.0);
    EXPECT_EQ(E.R2(), 1.0);
    EXPECT_EQ(Unknown->Concentration(), 5.0);
    EXPECT_EQ(E.GetItem(0)->Concentration(), 2.0);  // a standard keeps its own
}

TEST_F(Calibration, StandardsAreSortedStablyByConcentration)
{
    E.Add(Standard(5, 50));
    E.Add(Standard(1, 10));
    E.Add(Standard(3, 30));
    E.Add(Standard(3, 31));
    E.DoRegression(X, Y);
    EXPECT_EQ(X, (Values{0, 1, 3, 3, 5}));
    EXPECT_EQ(Y, (Values{0, 10, 30, 31, 50}));
    // The experiment's own order is untouched.
    EXPECT_EQ(E.GetItem(0)->Concentration(), 5.0);

    std::vector<TAASSample*> List{E.GetItem(3), E.GetItem(0), E.GetItem(2), E.GetItem(1)};
    E.SortStandards(List);
    EXPECT_EQ(List, (std::vector<TAASSample*>{E.GetItem(1), E.GetItem(3), E.GetItem(2), E.GetItem(0)}));
}

TEST_F(Calibration, EachStatisticAndItsAvailability)
{
    E.Add(Standard(1, 100));
    E.Add(Standard(2, 200));
    TAASSample* Unknown = E.GetItem(E.Add(Measured("u", 150)));
    TAASSample* Negative = E.GetItem(E.Add(Measured("n", -50)));
    TAASSample* Bare = E.GetItem(E.Add(MakeSample("bare", {{1, 2, 3}})));
    for (std::uint8_t Used : {usPeakMean, usAreaMean, usAnsambledPeak, usAnsambledArea}) {
        E.SetUsedStatistic(Used);
        X.clear();
        Y.clear();
        E.DoRegression(X, Y);
        EXPECT_EQ(Unknown->Concentration(), 1.5) << int(Used);
        EXPECT_EQ(Bare->Concentration(), NotSet) << int(Used);
        // Means of 0 or below count as missing; the ensemble's results count
        // whenever they are valid.
        if (Used == usPeakMean || Used == usAreaMean)
            EXPECT_EQ(Negative->Concentration(), NotSet) << int(Used);
        else
            EXPECT_EQ(Negative->Concentration(), -0.5) << int(Used);
    }
    EXPECT_EQ(Y, (Values{0, 2, 4}));  // ensemble area: value x 0.02
}

TEST_F(Calibration, EnsemblePlateauBelowZeroStillEntersTheFit)
{
    E.SetUsedStatistic(usAnsambledPeak);
    E.Add(Standard(1, -4));
    E.DoRegression(X, Y);
    EXPECT_EQ(Y, (Values{0, -4}));
    EXPECT_EQ(E.B1(), -4.0);
}

TEST_F(Calibration, MissingStatisticOfAStandard)
{
    E.Add(Standard(1, 10));
    TAASSample* Unknown = E.GetItem(E.Add(Measured("u", 20)));
    E.DoRegression(X, Y);
    ASSERT_EQ(Unknown->Concentration(), 2.0);

    // The first standard without a value, in ascending concentration.
    E.Add(Standard(3, -1));
    TAASSample* Bare = E.GetItem(E.Add(MakeSample("bare", {{1, 2}})));
    Bare->SetStandart(true);
    Bare->SetConcentration(2);
    X.clear();
    Y.clear();
    EXPECT_EQ(ErrorOf([&] { E.DoRegression(X, Y); }), "Peak mean for standart 2.000 ppm not available.");
    EXPECT_EQ(X, (Values{0, 1, 2, 0}));
    EXPECT_EQ(Y, (Values{0, 10, 0, 0}));
    EXPECT_EQ(E.B1(), 10.0);
    EXPECT_EQ(Unknown->Concentration(), 2.0);

    DecimalSeparator = ',';
    Bare->SetConcentrationStr("ppb");
    const std::vector<std::string> Expected{
        "Peak mean for standart 2,000 ppb not available.",
        "Area mean for standart 2,000 ppb not available.",
        "Ansambled peak mean for standart 2,000 ppb not available.",
        "Ansambled area for standart  2,000 ppb not available.",
    };
    for (std::uint8_t Used = 0; Used < 4; ++Used) {
        E.SetUsedStatistic(Used);
        EXPECT_EQ(ErrorOf([&] { E.DoRegression(X, Y); }), Expected[Used]);
    }
}

TEST_F(Calibration, NoStandards)
{
    E.Add(Measured("u", 20));
    X = {7};
    try {
        E.DoRegression(X, Y);
        FAIL() << "no error";
    } catch (const ENoStandartsException& Err) {
        EXPECT_STREQ(Err.what(), "Can't do regression without defined standarts.");
    }
    EXPECT_EQ(X, (Values{7}));
    EXPECT_EQ(E.GetItem(0)->Concentration(), NotSet);
}

TEST_F(Calibration, DegenerateLines)
{
    E.Add(Standard(1, 10));
    TAASSample* Unknown = E.GetItem(E.Add(Measured("u", 30)));
    E.DoRegression(X, Y);
    ASSERT_EQ(Unknown->Concentration(), 3.0);

    // All standards at concentration 0.
    TAASExperiment Zero("", true);
    Zero.Add(Standard(0, 10));
    Zero.Add(Standard(0, 20));
    EXPECT_EQ(ErrorOf([&] { Zero.DoRegression(X, Y); }), "Divide by zero calculating r, B1 or B0");

    // A statistic number beyond the four: every Y is 0.
    E.SetUsedStatistic(9);
    EXPECT_EQ(ErrorOf([&] { E.DoRegression(X, Y); }), "Divide by zero calculating r, B1 or B0");
    EXPECT_EQ(Y, (Values{0, 0}));
    EXPECT_EQ(E.B1(), 10.0);
    EXPECT_EQ(Unknown->Concentration(), 3.0);
}

TEST_F(Calibration, FlatLineStopsAtTheFirstConcentration)
{
    // Y = 0, 4, 1, 1 over X = 0, 1, 2, 3: Sxy is exactly 0, so B1 = 0.
    E.Add(Standard(1, 4));
    E.Add(Standard(2, 1));
    E.Add(Standard(3, 1));
    TAASSample* Without = E.GetItem(E.Add(MakeSample("w", {{1, 2}})));
    TAASSample* First = E.GetItem(E.Add(Measured("a", 2)));
    TAASSample* Second = E.GetItem(E.Add(Measured("b", 2)));
    Without->SetConcentration(9);
    Second->SetConcentration(8);
    EXPECT_EQ(ErrorOf([&] { E.DoRegression(X, Y); }), "Floating point division by zero");
    EXPECT_EQ(E.B1(), 0.0);
    EXPECT_EQ(E.B0(), 1.5);
    EXPECT_EQ(Without->Concentration(), NotSet);  // done before the failure
    EXPECT_EQ(First->Concentration(), NotSet);    // untouched: it held NotSet
    EXPECT_EQ(Second->Concentration(), 8.0);
}

TEST_F(Calibration, LoadedExperimentCalibratesLikeTheOriginal)
{
    char Template[] = "/tmp/velor_cal_XXXXXX";
    ASSERT_NE(mkdtemp(Template), nullptr);
    const std::string File = std::string(Template) + "/c.axp";
    E.Add(Standard(2, 10));
    E.Add(Standard(4, 21));
    E.Add(Measured("u", 15));
    E.SaveToFile(File);
    TAASExperiment F("", true);
    F.LoadFromFile(File);
    Values FX, FY;
    E.DoRegression(X, Y);
    F.DoRegression(FX, FY);
    EXPECT_EQ(FX, X);
    EXPECT_EQ(FY, Y);
    EXPECT_EQ(F.B1(), E.B1());
    EXPECT_EQ(F.GetItem(2)->Concentration(), E.GetItem(2)->Concentration());
    std::filesystem::remove_all(Template);
}

}  // namespace
