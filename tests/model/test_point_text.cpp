// The writers' point formatting against the general 15-digit form, and the
// writers' files against the lines of the list writer, byte for byte.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "FileTestSupport.h"
#include "TestSeed.h"

namespace {

std::string ViaText(double V)
{
    char Buf[FloatTextMax];
    char* End = FloatToText(Buf, V);
    EXPECT_LE(static_cast<size_t>(End - Buf), FloatTextMax);
    return std::string(Buf, End);
}

// Every awkward kind of value: zeros, halves and ties at the 15th digit,
// carries that add a digit, the fixed/exponent boundaries, subnormals,
// the extremes, absorbance-like and whole values around 1e15.
std::vector<double> AwkwardValues()
{
    std::vector<double> V = {0.0,
                             -0.0,
                             0.5,
                             -0.5,
                             2.5,
                             1e-5,
                             0.0001,
                             0.00009,
                             0.0001234,
                             9.99999999999999e-5,
                             0.1,
                             0.1234,
                             1.0 / 3,
                             2.0 / 3,
                             123456789012345.5,
                             12345678901234.25,
                             0.999999999999999944,
                             9.9999999999999995,
                             99999.99999999999,
                             999999999999999.9,
                             1e15,
                             -1e15,
                             1e15 + 2,
                             999999999999999.0,
                             1e16,
                             1.5e300,
                             DBL_MAX,
                             -DBL_MAX,
                             DBL_MIN,
                             DBL_TRUE_MIN,
                             4.9406564584124654e-324 * 3,
                             2.2250738585072009e-308,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(),
                             5e-324,
                             0.30000000000000004,
                             1234.5678,
                             -8500.0001};
    for (int E = -30; E <= 30; ++E) {
        const double P = std::pow(10.0, E);
        V.push_back(P);
        V.push_back(std::nextafter(P, 0.0));
        V.push_back(std::nextafter(P, 1e308));
        V.push_back(-P * 0.5);
    }
    return V;
}

}  // namespace

TEST(PointText, MatchesTheGeneralFormOnAwkwardAndRandomValues)
{
    for (char Separator : {'.', ','}) {
        DecimalSeparator = Separator;
        for (double V : AwkwardValues())
            ASSERT_EQ(ViaText(V), FloatToStr(V)) << V;
        const std::uint32_t Seed = TestSeed(42);
        SCOPED_TRACE(SeedTrace(Seed));
        std::mt19937_64 Rng(Seed);
        for (int I = 0; I < 200000; ++I) {
            // Random bit patterns cover every exponent; scaled readings the
            // values the instrument gives; 15- and 16-digit decimals the ties.
            std::uint64_t Bits = Rng();
            double V;
            std::memcpy(&V, &Bits, sizeof V);
            ASSERT_EQ(ViaText(V), FloatToStr(V)) << V;
            const double Reading = static_cast<double>(Rng() % 200000) / 10000;
            ASSERT_EQ(ViaText(Reading), FloatToStr(Reading)) << Reading;
            const double Decimal = static_cast<double>(Rng() % 10000000000000000ULL) /
                                   std::pow(10.0, static_cast<double>(Rng() % 20));
            ASSERT_EQ(ViaText(Decimal), FloatToStr(Decimal)) << Decimal;
        }
    }
    DecimalSeparator = '.';
}

namespace {

std::string OldText(const TAASStrings& Lines)
{
    std::string Text;
    for (const std::string& L : Lines)
        Text += L + "\r\n";
    return Text;
}

TAASSample* AwkwardSample(std::uint32_t Seed)
{
    auto* S = new TAASSample("awkward = title", true);
    S->SetConcentration(1.2345);
    std::mt19937_64 Rng(Seed);
    const std::vector<double> Awkward = AwkwardValues();
    for (int R = 0; R < 3; ++R) {
        auto* Rep = new TAASReplicate();
        for (double V : Awkward)
            Rep->Add(V);
        for (int I = 0; I < 5000; ++I) {
            std::uint64_t Bits = Rng();
            double V;
            std::memcpy(&V, &Bits, sizeof V);
            Rep->Add(I % 2 ? V : static_cast<double>(Rng() % 20000) / 10000);
        }
        S->Add(Rep);
    }
    return S;
}

}  // namespace

TEST_F(FileTest, SampleAndExperimentFilesEqualTheirLinesJoined)
{
    const std::uint32_t Seed = TestSeed(7);
    SCOPED_TRACE(SeedTrace(Seed));
    for (char Separator : {'.', ','}) {
        DecimalSeparator = Separator;
        std::unique_ptr<TAASSample> S(AwkwardSample(Seed));
        TAASStrings Lines;
        S->SaveToStrings(Lines);
        ASSERT_TRUE(S->SaveToFile(Path("a.ast")));
        EXPECT_EQ(ReadRaw(Path("a.ast")), OldText(Lines));

        TAASExperiment E("exp", true);
        E.Description() = {"first", "", "third"};
        E.Add(AwkwardSample(Seed));
        E.Add(new TAASSample("empty", true));
        E.Add(AwkwardSample(Seed));
        TAASStrings All = {"<EXPERIMENT>", "##TITLE=exp", "<DESCRIPTION>", "first", "", "third",
                           "</DESCRIPTION>", "##USED STATISTIC=0", "</EXPERIMENT>"};
        for (int I = 0; I < E.Count(); ++I) {
            All.push_back("<SAMPLE>");
            E.GetItem(I)->SaveToStrings(All);
            All.push_back("</SAMPLE>");
        }
        E.SaveToFile(Path("e.axp"));
        EXPECT_EQ(ReadRaw(Path("e.axp")), OldText(All));
    }
}
