#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FileTestSupport.h"
#include "TestSeed.h"

namespace {

using Lines = std::vector<std::string>;

std::unique_ptr<TAASSample> Empty(const std::string& Title = "")
{
    return std::make_unique<TAASSample>(Title, true);
}

std::vector<double> PointsOf(const TAASSample& S, int Index)
{
    return S.GetItem(Index)->Points();
}

// ---------------------------------------------------------------------------
// Writing

TEST(SampleTextWriter, HeaderAndBodyLines)
{
    std::unique_ptr<TAASSample> S(MakeSample("Cu 1", {{1234, 0.0001, 0.00009, -2.5}, {1, 2, 3, 1e20}}));
    S->SetAreaStart(0.02);
    S->SetAreaEnd(0.04);
    S->SetPeakStart(1.237);  // beyond the points: stored, nothing computed yet
    S->SetStandart(true);
    S->SetZeroSubtracted(true);
    S->SetConcentration(12.5);
    S->SetConcentrationStr("ppb");
    Lines L{"kept"};
    S->SaveToStrings(L);
    EXPECT_EQ(L, (Lines{"kept",
                        "##Resolution=0.02",
                        "##AreaStart=0.02",
                        "##AreaEnd=0.04",
                        "##PeakStart=1.24",
                        "##PeakEnd=-2.00",
                        "##Standart=1",
                        "##Zero=0",
                        "##ZeroSubtracted=1",
                        "##Concentration=12.50",
                        "##ConcentrationStr=ppb",
                        "##Title=Cu 1",
                        "##Absorbtion=0",
                        "1234", "0.0001", "9E-5", "-2.5", "-1000",
                        "1", "2", "3", "1E20", "-1000"}));
}

TEST(SampleTextWriter, SampleWithoutReplicates)
{
    auto S = Empty("none");
    Lines L;
    S->SaveToStrings(L);
    ASSERT_EQ(L.size(), 12u);
    EXPECT_EQ(L[0], "##Resolution=-2.00");
    EXPECT_EQ(L[10], "##Title=none");
}

TEST_F(FileTest, SaveToFileWritesCrLfAndReportsProgress)
{
    std::unique_ptr<TAASSample> S(MakeSample("t", {{1, 2}, {3, 4}, {5, 6}}));
    std::vector<std::pair<int, int>> Calls;
    ASSERT_TRUE(S->SaveToFile(Path("a.ast"), [&](int P, int T) { Calls.emplace_back(P, T); }));
    EXPECT_EQ(Calls, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));
    const std::string Text = ReadRaw(Path("a.ast"));
    EXPECT_EQ(Text.substr(0, 19), "##Resolution=0.02\r\n");
    EXPECT_EQ(Text.substr(Text.size() - 10), "6\r\n-1000\r\n");
    // No temporary file is left beside the target.
    EXPECT_EQ(FolderEntries(), (Lines{"a.ast"}));
}

TEST_F(FileTest, SaveToFileOfEmptySampleLeavesExistingFileAlone)
{
    WriteRaw(Path("old.ast"), "precious");
    EXPECT_FALSE(Empty()->SaveToFile(Path("old.ast")));
    EXPECT_EQ(ReadRaw(Path("old.ast")), "precious");
    EXPECT_FALSE(Empty()->SaveToFile(Path("new.ast")));
    EXPECT_EQ(FolderEntries(), (Lines{"old.ast"}));
}

TEST_F(FileTest, FailedSaveReportsFalseAndKeepsTheOldFile)
{
    std::unique_ptr<TAASSample> S(MakeSample("t", {{1, 2}}));
    WriteRaw(Path("old.ast"), "precious");
    // Unreachable folder, a file used as folder, a folder as target, a FIFO.
    EXPECT_FALSE(S->SaveToFile(Path("missing/x.ast")));
    EXPECT_FALSE(S->SaveToFile(Path("old.ast/x.ast")));
    std::filesystem::create_directory(Path("folder.ast"));
    EXPECT_FALSE(S->SaveToFile(Path("folder.ast")));
    EXPECT_TRUE(std::filesystem::is_directory(Path("folder.ast")));
    ASSERT_EQ(mkfifo(Path("pipe.ast").c_str(), 0600), 0);
    EXPECT_FALSE(S->SaveToFile(Path("pipe.ast")));
    struct stat St {};
    ASSERT_EQ(lstat(Path("pipe.ast").c_str(), &St), 0);
    EXPECT_TRUE(S_ISFIFO(St.st_mode));
    EXPECT_EQ(ReadRaw(Path("old.ast")), "precious");
    EXPECT_EQ(FolderEntries(), (Lines{"folder.ast", "old.ast", "pipe.ast"}));
}

TEST_F(FileTest, SaveReplacesExistingFileKeepingItsModeAndLinks)
{
    std::unique_ptr<TAASSample> S(MakeSample("t", {{7}}));
    WriteRaw(Path("real.ast"), std::string(100000, 'x'));
    ASSERT_EQ(chmod(Path("real.ast").c_str(), 0640), 0);
    std::filesystem::create_symlink(Path("real.ast"), Path("link.ast"));
    ASSERT_TRUE(S->SaveToFile(Path("link.ast")));
    EXPECT_TRUE(std::filesystem::is_symlink(Path("link.ast")));
    const std::string Text = ReadRaw(Path("real.ast"));
    EXPECT_EQ(Text.substr(Text.size() - 10), "7\r\n-1000\r\n");
    struct stat St {};
    ASSERT_EQ(stat(Path("real.ast").c_str(), &St), 0);
    EXPECT_EQ(St.st_mode & 0777, 0640u);
}

TEST(SampleTextWriter, SaveToBinaryFileTouchesNothing)
{
    EXPECT_TRUE(Empty()->SaveToBinaryFile("/nonexistent/folder/x.asb"));
}

// ---------------------------------------------------------------------------
// Reading

TEST_F(FileTest, RoundTripRestoresPointsKeysAndStatistics)
{
    std::unique_ptr<TAASSample> S(
        MakeSample("Zn std", {{10, 20, 30, 40, 50, 60}, {12, 22, 32, 42, 52, 62}}, 0.04));
    S->SetAreaStart(0.04);
    S->SetAreaEnd(0.2);
    S->SetPeakStart(0.08);
    S->SetPeakEnd(0.16);
    S->SetStandart(true);
    S->SetZero(true);
    S->SetConcentration(3.25);
    S->SetConcentrationStr("ppm");
    ASSERT_TRUE(S->SaveToFile(Path("s.ast")));

    auto T = Empty("before");
    ASSERT_TRUE(T->LoadFromFile(Path("s.ast"), 0));
    ASSERT_EQ(T->Count(), 2);
    EXPECT_EQ(PointsOf(*T, 0), PointsOf(*S, 0));
    EXPECT_EQ(PointsOf(*T, 1), PointsOf(*S, 1));
    EXPECT_EQ(T->GetResolution(), static_cast<long double>(0.04));
    EXPECT_EQ(T->AreaStart(), 0.04);
    EXPECT_EQ(T->AreaEnd(), 0.2);
    EXPECT_EQ(T->PeakStart(), 0.08);
    EXPECT_EQ(T->PeakEnd(), 0.16);
    EXPECT_TRUE(T->Standart());
    EXPECT_TRUE(T->Zero());
    EXPECT_FALSE(T->ZeroSubtracted());
    EXPECT_EQ(T->Concentration(), 3.25);
    EXPECT_EQ(T->Title(), "Zn std");
    // Both bounds of each interval were set, so the statistics are computed.
    EXPECT_EQ(T->AreaMean(), S->AreaMean());
    EXPECT_EQ(T->PeakMean(), S->PeakMean());
    EXPECT_TRUE(T->Ansambled()->PeakValid());
}

TEST_F(FileTest, FifteenDigitPointsRoundTripToFifteenDigits)
{
    const std::vector<double> P{0.1, 1.0 / 3, 123456.789012345, -9.87654321e-7, 1e15, 1.5e16};
    std::unique_ptr<TAASSample> S(MakeSample("p", {P}));
    ASSERT_TRUE(S->SaveToFile(Path("p.ast")));
    auto T = Empty();
    ASSERT_TRUE(T->LoadFromFile(Path("p.ast")));
    const auto Q = PointsOf(*T, 0);
    ASSERT_EQ(Q.size(), P.size());
    EXPECT_EQ(Q[0], 0.1);
    EXPECT_EQ(Q[1], 0.333333333333333);
    EXPECT_EQ(Q[2], 123456.789012345);
    EXPECT_EQ(Q[3], -9.87654321e-7);
    EXPECT_EQ(Q[4], 1e15);
    EXPECT_EQ(Q[5], 1.5e16);
}

TEST_F(FileTest, CommaSeparatorWritesAndReadsCommas)
{
    DecimalSeparator = ',';
    std::unique_ptr<TAASSample> S(MakeSample("c", {{1.5, 2.25, 3}}));
    S->SetConcentration(0.125);
    ASSERT_TRUE(S->SaveToFile(Path("c.ast")));
    const std::string Text = ReadRaw(Path("c.ast"));
    EXPECT_NE(Text.find("##Resolution=0,02\r\n"), std::string::npos);
    EXPECT_NE(Text.find("##Concentration=0,12\r\n"), std::string::npos);  // half to even
    EXPECT_NE(Text.find("\r\n1,5\r\n2,25\r\n3\r\n-1000\r\n"), std::string::npos);

    auto T = Empty();
    ASSERT_TRUE(T->LoadFromFile(Path("c.ast")));
    EXPECT_EQ(PointsOf(*T, 0), (std::vector<double>{1.5, 2.25, 3}));
    EXPECT_EQ(T->Concentration(), 0.12);

    // Under the other separator the file fails at its step line: no
    // replicates, and no key applied.
    DecimalSeparator = '.';
    auto U = Empty("untouched");
    EXPECT_FALSE(U->LoadFromFile(Path("c.ast")));
    EXPECT_EQ(U->Count(), 0);
    EXPECT_EQ(U->Title(), "untouched");
}

TEST_F(FileTest, LineBreaksAndTheLastReplicate)
{
    auto S = Empty();
    // Lone CR and lone LF split lines too.
    WriteRaw(Path("a.ast"), "##Resolution=0.02\r1\n2\r\n-1000\n3\r4\r\n-1000");
    ASSERT_TRUE(S->LoadFromFile(Path("a.ast")));
    ASSERT_EQ(S->Count(), 2);
    EXPECT_EQ(PointsOf(*S, 1), (std::vector<double>{3, 4}));

    // Points after the last end marker are lost; the result is still True.
    WriteRaw(Path("b.ast"), Crlf({"1", "2", "-1000", "5", "6"}));
    ASSERT_TRUE(S->LoadFromFile(Path("b.ast")));
    ASSERT_EQ(S->Count(), 1);
    EXPECT_EQ(PointsOf(*S, 0), (std::vector<double>{1, 2}));
    EXPECT_EQ(S->GetResolution(), static_cast<long double>(0.02));  // no step line: 0.02
}

TEST_F(FileTest, EmptyLineFailsTheDataButKeysStillApply)
{
    for (const std::string& Text : {Crlf({"##Title=T1", "1", "", "2", "-1000"}),
                                    Crlf({"##Title=T1", "1", "2", "-1000", ""})}) {
        auto S = Empty();
        WriteRaw(Path("e.ast"), Text);
        EXPECT_FALSE(S->LoadFromFile(Path("e.ast")));
        EXPECT_EQ(S->Count(), 0);
        EXPECT_EQ(S->Title(), "T1");
    }
}

TEST(SampleTextReader, HeaderLinesAnywhereAndKeysInAnyCase)
{
    auto S = Empty();
    S->LoadFromStrings({"1", "#comment", "2", "-1000", "##title=lower", "##Title=second",
                        "##STANDART=1", "##ConcentrationStr=a=b"});
    ASSERT_EQ(S->Count(), 1);
    EXPECT_EQ(PointsOf(*S, 0), (std::vector<double>{1, 2}));
    EXPECT_EQ(S->Title(), "lower");
    EXPECT_TRUE(S->Standart());
    EXPECT_EQ(S->ConcentrationStr(), "a=b");
}

TEST(SampleTextReader, ReplicateOfOtherLengthIsDropped)
{
    auto S = Empty();
    S->LoadFromStrings({"1", "2", "-1000", "1", "2", "3", "-1000", "4", "5", "-1000"});
    ASSERT_EQ(S->Count(), 2);
    EXPECT_EQ(PointsOf(*S, 1), (std::vector<double>{4, 5}));
}

TEST(SampleTextReader, PointOfMinusThousandEndsItsReplicate)
{
    std::unique_ptr<TAASSample> S(MakeSample("m", {{1, -1000, 2}}));
    Lines L;
    S->SaveToStrings(L);
    auto T = Empty();
    T->LoadFromStrings(L);
    // "1" then "-1000" closes a one-point replicate; "2" then closes one too.
    ASSERT_EQ(T->Count(), 2);
    EXPECT_EQ(PointsOf(*T, 0), (std::vector<double>{1}));
    EXPECT_EQ(PointsOf(*T, 1), (std::vector<double>{2}));
}

TEST(SampleTextReader, AbsorbanceFlagIsStoredWithoutRescaling)
{
    auto S = Empty();
    S->LoadFromStrings({"##Absorbtion=1", "0.1234", "0.2", "-1000"});
    EXPECT_TRUE(S->Absorbtion());
    EXPECT_EQ(PointsOf(*S, 0), (std::vector<double>{0.1234, 0.2}));
    // Any value whose low byte is zero is False.
    S->LoadFromStrings({"##Absorbtion=256", "##Zero=257", "1", "-1000"});
    EXPECT_FALSE(S->Absorbtion());
    EXPECT_TRUE(S->Zero());
}

TEST(SampleTextReader, ReversedBoundsKeepTheStartOnly)
{
    auto S = Empty();
    S->LoadFromStrings({"##AreaStart=2.00", "##AreaEnd=1.00", "1", "2", "-1000"});
    EXPECT_EQ(S->AreaStart(), 2.0);
    EXPECT_EQ(S->AreaEnd(), NotSet);
}

TEST(SampleTextReader, EmptySampleBlockReadsBackWithItsKeys)
{
    auto S = Empty("e");
    S->SetConcentration(4);
    S->SetStandart(true);
    Lines L;
    S->SaveToStrings(L);
    auto T = Empty();
    T->LoadFromStrings(L);
    EXPECT_EQ(T->Count(), 0);
    EXPECT_EQ(T->Title(), "e");
    EXPECT_TRUE(T->Standart());
    EXPECT_EQ(T->Concentration(), 4.0);
}

TEST(SampleTextReader, FailureTable)
{
    // Step not a number: error, no replicates, keys not applied.
    auto S = Empty("old");
    S->LoadFromStrings({"1", "-1000"});
    ASSERT_EQ(S->Count(), 1);
    EXPECT_EQ(ErrorOf([&] { S->LoadFromStrings({"##Resolution=abc", "##Title=new", "1", "-1000"}); }),
              "'abc' is not a valid floating point value");
    EXPECT_EQ(S->Count(), 0);
    EXPECT_EQ(S->Title(), "old");

    // Step below 0.02.
    EXPECT_EQ(ErrorOf([&] { S->LoadFromStrings({"##Resolution=0.01", "1", "-1000"}); }),
              "List index out of bounds (0)");
    EXPECT_EQ(S->Count(), 0);

    // A data line that is not a number: no replicates, keys applied.
    EXPECT_EQ(ErrorOf([&] { S->LoadFromStrings({"1", "-1000", "x", "-1000", "##Title=kept"}); }),
              "(no error)");
    EXPECT_EQ(S->Count(), 0);
    EXPECT_EQ(S->Title(), "kept");

    // A key value that is not a number: error, the keys before it applied.
    EXPECT_EQ(ErrorOf([&] {
                  S->LoadFromStrings({"##Title=t2", "##Concentration=7", "##Standart=yes", "1", "-1000"});
              }),
              "'yes' is not a valid integer value");
    EXPECT_EQ(S->Count(), 1);
    EXPECT_EQ(S->Concentration(), NotSet);  // applied after Standart
    EXPECT_EQ(S->Title(), "kept");
}

TEST_F(FileTest, LoadFromFileFailureTable)
{
    std::unique_ptr<TAASSample> S(MakeSample("orig", {{1, 2}}));
    // Missing file: False, sample unchanged.
    EXPECT_FALSE(S->LoadFromFile(Path("missing.ast")));
    EXPECT_EQ(S->Count(), 1);
    // A folder: False, unchanged.
    EXPECT_FALSE(S->LoadFromFile(Dir.string()));
    EXPECT_EQ(S->Count(), 1);
    // A pipe without writer: refused at once, no waiting.
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(S->LoadFromFile(Path("pipe")));
    EXPECT_EQ(S->Count(), 1);

    // Fewer lines than to skip: False, no replicates.
    WriteRaw(Path("short.aat"), Crlf({"a", "b", "1", "-1000"}));
    EXPECT_FALSE(S->LoadFromFile(Path("short.aat"), 6));
    EXPECT_EQ(S->Count(), 0);

    // A bad key value: False, earlier keys applied.
    WriteRaw(Path("key.ast"), Crlf({"##Concentration=9", "##Title=x", "##Absorbtion=?", "1", "-1000"}));
    EXPECT_FALSE(S->LoadFromFile(Path("key.ast")));
    EXPECT_EQ(S->Concentration(), 9.0);
    EXPECT_EQ(S->Title(), "x");
    EXPECT_FALSE(S->Absorbtion());
}

TEST_F(FileTest, AatFileSkipsItsFirstSixLines)
{
    WriteRaw(Path("x.aat"), Crlf({"junk", "", "##Title=not this", "-1000", "1e400", "\x01\x02",
                                  "##Title=this", "5", "6", "-1000"}));
    auto S = Empty();
    std::vector<std::pair<int, int>> Calls;
    ASSERT_TRUE(S->LoadFromFile(Path("x.aat"), 6, [&](int P, int T) { Calls.emplace_back(P, T); }));
    ASSERT_EQ(S->Count(), 1);
    EXPECT_EQ(PointsOf(*S, 0), (std::vector<double>{5, 6}));
    EXPECT_EQ(S->Title(), "this");
    // Progress for every line but the "#" lines, counted among the remaining.
    EXPECT_EQ(Calls, (std::vector<std::pair<int, int>>{{2, 4}, {3, 4}, {4, 4}}));
}

TEST_F(FileTest, BadInputNeverCrashes)
{
    std::string Garbage;
    for (int I = 0; I < 4096; ++I)
        Garbage += static_cast<char>((I * 7919 + 13) & 0xFF);
    struct Case {
        std::string Text;
        bool Ok;
        int Replicates;
    };
    const std::vector<Case> Cases{
        {"", true, 0},  // a 0-byte file holds no data and no error
        {Garbage, false, 0},
        {std::string(1 << 20, '7') + "\r\n-1000\r\n", false, 0},
        {std::string(1 << 20, 'z') + "\r\n", false, 0},
        {Crlf({"1e400", "-1000"}), false, 0},
        {Crlf({"nan", "-1000"}), false, 0},
        {Crlf({"inf", "-1000"}), false, 0},
        {Crlf({"0x10", "-1000"}), false, 0},
        {Crlf({"##Resolution=1e400", "1", "-1000"}), false, 0},
        {Crlf({"##Resolution=nan", "1", "-1000"}), false, 0},
        {Crlf({"##Resolution=1e300", "1", "-1000"}), true, 1},  // a valid, coarse step
        {Crlf({"##AreaStart=1e400", "1", "-1000"}), false, 1},  // keys come after the data
        {std::string("1\0002\r\n-1000\r\n", 12), false, 0},
    };
    for (size_t I = 0; I < Cases.size(); ++I) {
        WriteRaw(Path("bad.ast"), Cases[I].Text);
        auto S = Empty();
        EXPECT_EQ(S->LoadFromFile(Path("bad.ast")), Cases[I].Ok) << "case " << I;
        EXPECT_EQ(S->Count(), Cases[I].Replicates) << "case " << I;
    }
    // "0x10" is a valid integer key value.
    auto S = Empty();
    S->LoadFromStrings({"##Standart=0x10", "1", "-1000"});
    EXPECT_TRUE(S->Standart());
}

// ---------------------------------------------------------------------------
// The bulk conversions used for points give exactly the general results.

TEST(BulkNumberConversion, ParsingMatchesTheGeneralConversion)
{
    std::vector<std::string> Inputs{"0", "-0", "1234", "-1000", "1.", "00012.5000", "0.1",
                                    "9999999999999999999", "18446744073709551615", "12345678901234567890",
                                    "0.1234567890123456789", "1.00000000000000000005", "123456.789012345",
                                    "9E-5", " 5", "5 ", "+5", ".5", "-", "", "1.2.3", "0x10", "1e400", "nan"};
    std::uint32_t Seed = TestSeed(12345);
    SCOPED_TRACE(SeedTrace(Seed));
    auto Next = [&] { return Seed = Seed * 1103515245u + 12345u; };
    for (int I = 0; I < 20000; ++I) {
        std::string S = (Next() >> 16) % 3 == 0 ? "-" : "";
        const int IntDigits = 1 + static_cast<int>((Next() >> 16) % 12);
        for (int D = 0; D < IntDigits; ++D)
            S += static_cast<char>('0' + (Next() >> 16) % 10);
        const int FracDigits = static_cast<int>((Next() >> 16) % 12);
        if (FracDigits > 0) {
            S += '.';
            for (int D = 0; D < FracDigits; ++D)
                S += static_cast<char>('0' + (Next() >> 16) % 10);
        }
        Inputs.push_back(S);
    }
    for (char Sep : {'.', ','}) {
        DecimalSeparator = Sep;
        for (std::string S : Inputs) {
            for (char& C : S)
                if (C == '.')
                    C = Sep;
            long double A = 0, B = 0;
            const bool OkA = TryStrToFloatView(S, A);
            const bool OkB = TryStrToFloat(S, B);
            ASSERT_EQ(OkA, OkB) << S;
            if (OkA) {
                ASSERT_EQ(std::memcmp(&A, &B, 10), 0) << S;
            }
        }
    }
    DecimalSeparator = '.';
}

TEST(BulkNumberConversion, WritingMatchesTheGeneralForm)
{
    std::vector<double> Values{0.0, -0.0, 1, -1, 1234, -1000, 999999999999999, -999999999999999,
                               1e15, 1e16, 0.5, 1e-5, 0.0001, 123456.789012345, 4.5e300};
    std::uint32_t Seed = TestSeed(777);
    SCOPED_TRACE(SeedTrace(Seed));
    auto Next = [&] { return Seed = Seed * 1103515245u + 12345u; };
    for (int I = 0; I < 5000; ++I) {
        const double Whole = static_cast<double>(static_cast<int>(Next() >> 8) - (1 << 23));
        Values.push_back(Whole);
        Values.push_back(Whole / 10000);
    }
    for (char Sep : {'.', ','}) {
        DecimalSeparator = Sep;
        for (double V : Values)
            ASSERT_EQ(FloatToStrFast(V), FloatToStr(V)) << V;
    }
    DecimalSeparator = '.';
}

}  // namespace
