// Reading sample files larger than the reader's buffer, and with many
// replicates: the result must equal reading the same lines from a list, and
// the ensemble must equal the one rebuilt after every replicate.  Writing
// files larger than the writer's buffer: the text must equal the lines the
// list writer gives, and the save must not hold the text whole.
#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "FileTestSupport.h"
#include "TestSeed.h"

// Every allocation of this program is counted, so that a test can see the
// most memory a call held at once.
namespace {
std::atomic<size_t> Allocated{0}, PeakAllocated{0};
}  // namespace

void* operator new(size_t Size)
{
    void* P = std::malloc(Size > 0 ? Size : 1);
    if (!P)
        throw std::bad_alloc();
    const size_t Now = Allocated += malloc_usable_size(P);
    size_t Peak = PeakAllocated;
    while (Now > Peak && !PeakAllocated.compare_exchange_weak(Peak, Now)) {
    }
    return P;
}
void* operator new[](size_t Size) { return operator new(Size); }
void operator delete(void* P) noexcept
{
    if (P) {
        Allocated -= malloc_usable_size(P);
        std::free(P);
    }
}
void operator delete[](void* P) noexcept { operator delete(P); }
void operator delete(void* P, size_t) noexcept { operator delete(P); }
void operator delete[](void* P, size_t) noexcept { operator delete(P); }

namespace {

// The most memory Call holds at once beyond what was held before it.
template <class F>
size_t PeakOf(const F& Call)
{
    const size_t Before = Allocated;
    PeakAllocated = Before;
    Call();
    return PeakAllocated - Before;
}

// A sample text of Replicates x Points readings with the given line break,
// preceded by a header (or followed by it when HeaderLast).
std::string SampleText(int Replicates, int Points, const std::string& Break, bool HeaderLast,
                       unsigned Seed, bool Fractions)
{
    std::mt19937 Rng(Seed);
    std::string Header = "##Resolution=0.02" + Break + "##Title=big" + Break;
    std::string Body;
    for (int R = 0; R < Replicates; ++R) {
        for (int I = 0; I < Points; ++I) {
            const unsigned V = Rng() % 20000;
            Body += Fractions ? FloatToStr(static_cast<long double>(V) / 10000) : std::to_string(V);
            Body += Break;
        }
        Body += "-1000" + Break;
    }
    return HeaderLast ? Body + Header : Header + Body;
}

TAASStrings SplitAnyBreak(const std::string& Text)
{
    TAASStrings Lines;
    std::string Line;
    for (size_t I = 0; I < Text.size(); ++I) {
        const char C = Text[I];
        if (C == '\r' || C == '\n') {
            Lines.push_back(Line);
            Line.clear();
            if (C == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n')
                ++I;
        } else {
            Line += C;
        }
    }
    if (!Line.empty())
        Lines.push_back(Line);
    return Lines;
}

// Where two long texts first differ, with a little of each from there; empty
// when they are equal.
std::string FirstDifference(const std::string& A, const std::string& B)
{
    if (A == B)
        return "";
    const size_t At = static_cast<size_t>(std::mismatch(A.begin(), A.begin() + static_cast<std::ptrdiff_t>(std::min(A.size(), B.size())), B.begin()).first - A.begin());
    return "at byte " + std::to_string(At) + " of " + std::to_string(A.size()) + "/" + std::to_string(B.size()) +
           ": \"" + A.substr(At, 40) + "\" against \"" + B.substr(At, 40) + "\"";
}

void ExpectSameSample(const TAASSample& A, const TAASSample& B)
{
    ASSERT_EQ(A.Count(), B.Count());
    for (int I = 0; I < A.Count(); ++I)
        ASSERT_EQ(A.GetItem(I)->Points(), B.GetItem(I)->Points()) << "replicate " << I;
    EXPECT_EQ(A.Ansambled()->Points(), B.Ansambled()->Points());
    EXPECT_EQ(A.Title(), B.Title());
}

}  // namespace

// Line breaks of every kind, falling anywhere against the buffer's edges
// (a CR LF split between two reads included), header first or last.
TEST_F(FileTest, LargeFileReadsLikeItsLines)
{
    struct TCase {
        std::string Break;
        bool HeaderLast;
        bool Fractions;
    };
    const TCase Cases[] = {{"\r\n", false, false}, {"\r", false, true}, {"\n", true, false},
                           {"\r\n", true, true}};
    std::uint32_t Seed = TestSeed(1);
    for (const TCase& C : Cases) {
        const std::uint32_t CaseSeed = Seed++;
        SCOPED_TRACE(SeedTrace(CaseSeed));
        const std::string Text = SampleText(7, 30011, C.Break, C.HeaderLast, CaseSeed, C.Fractions);
        const std::string Name = Path("big.ast");
        WriteRaw(Name, Text);
        TAASSample FromFile("", true), FromList("", true);
        ASSERT_TRUE(FromFile.LoadFromFile(Name));
        FromList.LoadFromStrings(SplitAnyBreak(Text));
        ExpectSameSample(FromFile, FromList);
        EXPECT_EQ(FromFile.Count(), 7);
    }
}

// A line longer than the reader's buffer (a title of a megabyte).
TEST_F(FileTest, LineLongerThanTheBufferIsReadWhole)
{
    const std::string Title(1 << 20, 'x');
    WriteRaw(Path("long.ast"), Crlf({"##Title=" + Title, "1", "2", "-1000"}));
    TAASSample S("", true);
    ASSERT_TRUE(S.LoadFromFile(Path("long.ast")));
    EXPECT_EQ(S.Title(), Title);
    EXPECT_EQ(S.Count(), 1);
}

// The ensemble built once equals the ensemble rebuilt after every replicate,
// for many replicates of fractional values (where the order of the extended
// sums matters), and the progress report counts every line.
TEST_F(FileTest, EnsembleBuiltOnceEqualsRebuildAfterEachReplicate)
{
    const std::string Text = SampleText(300, 50, "\r\n", false, 9, true);
    WriteRaw(Path("many.ast"), Text);
    TAASSample Read("", true);
    int Calls = 0, LastPos = 0, LastTotal = 0;
    ASSERT_TRUE(Read.LoadFromFile(Path("many.ast"), 0, [&](int Pos, int Total) {
        ++Calls;
        LastPos = Pos;
        LastTotal = Total;
    }));
    EXPECT_EQ(LastTotal, 2 + 300 * 51);
    EXPECT_EQ(LastPos, LastTotal);
    EXPECT_EQ(Calls, 300 * 51);

    TAASSample Built("", true);
    for (int I = 0; I < Read.Count(); ++I) {
        auto* R = new TAASReplicate();
        R->Assign(Read.GetItem(I));
        ASSERT_GE(Built.Add(R), 0);
    }
    EXPECT_EQ(Read.Ansambled()->Points(), Built.Ansambled()->Points());
}

// A reload into a sample whose intervals are set adds replicate by replicate,
// computing the ensemble's results on the way, and ends like a fresh read
// followed by the same bounds.
TEST_F(FileTest, ReloadIntoSampleWithIntervalsKeepsTheirResults)
{
    const std::string Text = SampleText(4, 200, "\r\n", false, 5, false);
    WriteRaw(Path("r.ast"), Text);
    TAASSample S("", true);
    ASSERT_TRUE(S.LoadFromFile(Path("r.ast")));
    S.SetPeakStart(1.0);
    S.SetPeakEnd(2.0);
    ASSERT_TRUE(S.Ansambled()->PeakValid());
    const long double Before = S.Ansambled()->PeakMean();
    ASSERT_TRUE(S.LoadFromFile(Path("r.ast")));
    EXPECT_EQ(S.Count(), 4);
    EXPECT_TRUE(S.Ansambled()->PeakValid());
    EXPECT_EQ(S.Ansambled()->PeakMean(), Before);
}

// A file of one huge line of digits (a stream that never sent a line end)
// fails as any bad point line does, and reading it holds at most about
// twice the file's size: the line is never copied.
TEST_F(FileTest, HugeLineFailsAsUsualWithinTwiceTheFileSize)
{
    const std::string Digits(24 << 20, '7');
    struct TCase {
        const char* Name;
        std::string Text;
    } Cases[] = {
        {"digits.ast", Digits},
        {"digits.axp", Crlf({"<EXPERIMENT>", "</EXPERIMENT>", "<SAMPLE>", "##Resolution=0.02", "1", "-1000",
                             Digits, "-1000", "</SAMPLE>"})},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        WriteRaw(Path(C.Name), C.Text);
        size_t Peak = 0;
        if (C.Text == Digits) {
            TAASSample S("", true);
            bool Read = true;
            Peak = PeakOf([&] { Read = S.LoadFromFile(Path(C.Name)); });
            EXPECT_FALSE(Read);
            EXPECT_EQ(S.Count(), 0);
            EXPECT_EQ(S.ReadStopLine(), 1u);
        } else {
            TAASExperiment E("", true);
            Peak = PeakOf([&] { E.LoadFromFile(Path(C.Name)); });
            ASSERT_EQ(E.Count(), 1);
            EXPECT_EQ(E.GetItem(0)->Count(), 0);
            ASSERT_EQ(E.UnreadParts().Samples.size(), 1u);
            EXPECT_EQ(E.UnreadParts().Samples[0].Line, 7u);
        }
        // The line itself is held once (which also shows the count works).
        EXPECT_GE(Peak, Digits.size());
        EXPECT_LE(Peak, 2 * C.Text.size());
    }
}

// Files many times the writer's buffer, with points of every length (so that
// the buffer's edge falls anywhere in a line) and a title and a description
// line longer than the buffer: the file holds exactly the lines of the list
// writer, ended by CR LF, under either decimal separator, and the save holds
// less than half of the text at any moment (the buffer and a few copies of
// the longest line), where a writer that held the text whole would hold all
// of it and more.
TEST_F(FileTest, LargeSaveWritesTheListWritersLinesWithoutHoldingTheText)
{
    const std::uint32_t Seed = TestSeed(11);
    SCOPED_TRACE(SeedTrace(Seed));
    std::mt19937 Rng(Seed);
    const auto Points = [&Rng](int Replicates, int Count) {
        std::vector<std::vector<double>> Lists(static_cast<size_t>(Replicates));
        for (std::vector<double>& L : Lists)
            for (int I = 0; I < Count; ++I) {
                const double Digits = static_cast<double>(Rng() % 100000000) + 1;
                const int Shift = static_cast<int>(Rng() % 24) - 12;  // 1e-12 .. 1e11
                L.push_back((Rng() % 3 == 0 ? -Digits : Digits) * std::pow(10.0, Shift) / 7);
            }
        return Lists;
    };
    const auto Build = [](const std::string& Title, const std::vector<std::vector<double>>& Lists) {
        auto S = std::make_unique<TAASSample>(Title, true);
        for (const std::vector<double>& L : Lists)
            S->Add(MakeReplicate(L));
        return S;
    };
    const std::string Long(270000, 'x');
    const auto SampleLines = [](const TAASSample& S) {
        TAASStrings L;
        S.SaveToStrings(L);
        return L;
    };
    for (const char Separator : {'.', ','}) {
        DecimalSeparator = Separator;
        SCOPED_TRACE(std::string("separator ") + Separator);

        std::unique_ptr<TAASSample> Sample = Build(Long, Points(4, 60000));
        TAASStrings Expected = SampleLines(*Sample);
        size_t Peak = PeakOf([&] { ASSERT_TRUE(Sample->SaveToFile(Path("big.ast"))); });
        std::string Text = ReadRaw(Path("big.ast"));
        EXPECT_EQ(FirstDifference(Text, Crlf(Expected)), "");
        EXPECT_LT(Peak, Text.size() / 2);

        TAASExperiment E(Long, true);
        E.Description() = {"", Long + "d", "d"};
        E.SetUsedStatistic(2);
        Expected = {"<EXPERIMENT>", "##TITLE=" + Long, "<DESCRIPTION>", "", Long + "d", "d", "</DESCRIPTION>",
                    "##USED STATISTIC=2", "</EXPERIMENT>"};
        for (int I = 0; I < 12; ++I) {
            E.Add(Build(std::string("s").append(std::to_string(I)), Points(2, 10000 + I)).release());
            Expected.push_back("<SAMPLE>");
            for (std::string& Line : SampleLines(*E.GetItem(I)))
                Expected.push_back(std::move(Line));
            Expected.push_back("</SAMPLE>");
        }
        Peak = PeakOf([&] { E.SaveToFile(Path("big.axp")); });
        Text = ReadRaw(Path("big.axp"));
        EXPECT_EQ(FirstDifference(Text, Crlf(Expected)), "");
        EXPECT_LT(Peak, Text.size() / 2);
    }
}
