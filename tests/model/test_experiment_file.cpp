#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FileTestSupport.h"

namespace {

using Lines = std::vector<std::string>;

class ExperimentFile : public FileTest {
protected:
    // Two samples with replicates, bounds and calibration data.
    std::unique_ptr<TAASExperiment> Sample2()
    {
        auto E = std::make_unique<TAASExperiment>("Run 7", true);
        E->Description() = {"first line", "", "third = line"};
        E->SetUsedStatistic(usAreaMean);
        TAASSample* A = MakeSample("std 1", {{1, 5, 9, 5, 1}, {2, 6, 10, 6, 2}});
        A->SetStandart(true);
        A->SetConcentration(1.5);
        A->SetPeakStart(0.04);
        A->SetPeakEnd(0.08);
        TAASSample* B = MakeSample("unknown", {{0.001, 0.002, 0.0005}});
        B->SetConcentrationStr("ppb");
        B->SetZero(true);
        E->Add(A);
        E->Add(B);
        return E;
    }
};

TEST_F(ExperimentFile, WrittenLines)
{
    auto E = std::make_unique<TAASExperiment>("T=1", true);
    E->Description() = {"d"};
    E->SetUsedStatistic(3);
    E->Add(MakeSample("s", {{4}}));
    E->SaveToFile(Path("e.axp"));
    EXPECT_EQ(ReadRaw(Path("e.axp")),
              Crlf({"<EXPERIMENT>", "##TITLE=T=1", "<DESCRIPTION>", "d", "</DESCRIPTION>",
                    "##USED STATISTIC=3", "</EXPERIMENT>", "<SAMPLE>", "##Resolution=0.02",
                    "##AreaStart=-2.00", "##AreaEnd=-2.00", "##PeakStart=-2.00", "##PeakEnd=-2.00",
                    "##Standart=0", "##Zero=0", "##ZeroSubtracted=0", "##Concentration=-2.00",
                    "##ConcentrationStr=ppm", "##Title=s", "##Absorbtion=0", "4", "-1000", "</SAMPLE>"}));

    // No samples, no description: the file ends after the experiment block.
    TAASExperiment Bare("", true);
    Bare.SaveToFile(Path("bare.axp"));
    EXPECT_EQ(ReadRaw(Path("bare.axp")),
              Crlf({"<EXPERIMENT>", "##TITLE=", "<DESCRIPTION>", "</DESCRIPTION>", "##USED STATISTIC=0",
                    "</EXPERIMENT>"}));
    EXPECT_EQ(FolderEntries(), (Lines{"bare.axp", "e.axp"}));
}

TEST_F(ExperimentFile, RoundTrip)
{
    auto E = Sample2();
    E->SaveToFile(Path("r.axp"));

    TAASExperiment F("old", true);
    F.Description() = {"old description"};
    F.Add(MakeSample("stale", {{1}}));
    F.LoadFromFile(Path("r.axp"));
    EXPECT_EQ(F.Title(), "Run 7");
    EXPECT_EQ(F.Description(), E->Description());
    EXPECT_EQ(F.UsedStatistic(), usAreaMean);
    // The calibration line is not part of the file.
    EXPECT_EQ(F.B1(), 0.0);
    EXPECT_EQ(F.R(), 0.0);
    ASSERT_EQ(F.Count(), 2);
    for (int I = 0; I < 2; ++I) {
        Lines Written, Read;
        E->GetItem(I)->SaveToStrings(Written);
        F.GetItem(I)->SaveToStrings(Read);
        EXPECT_EQ(Read, Written) << "sample " << I;
    }
    EXPECT_EQ(F.GetItem(0)->PeakMean(), E->GetItem(0)->PeakMean());
}

TEST_F(ExperimentFile, CommaSeparatorRoundTrip)
{
    DecimalSeparator = ',';
    auto E = Sample2();
    E->SaveToFile(Path("c.axp"));
    const std::string Text = ReadRaw(Path("c.axp"));
    EXPECT_NE(Text.find("\r\n##Concentration=1,50\r\n"), std::string::npos);
    EXPECT_NE(Text.find("\r\n0,0005\r\n-1000\r\n"), std::string::npos);
    TAASExperiment F("", true);
    F.LoadFromFile(Path("c.axp"));
    ASSERT_EQ(F.Count(), 2);
    EXPECT_EQ(F.GetItem(1)->GetItem(0)->Points(), (std::vector<double>{0.001, 0.002, 0.0005}));
    EXPECT_EQ(F.GetItem(0)->Concentration(), 1.5);
}

TEST_F(ExperimentFile, EmptySampleIsWrittenAndReadBack)
{
    TAASExperiment E("e", true);
    E.Add(MakeSample("full", {{1, 2}}));
    TAASSample* Empty = new TAASSample("empty", true);
    Empty->SetConcentration(2);
    E.Add(Empty);
    E.Add(MakeSample("after", {{3, 4}}));
    E.SaveToFile(Path("e.axp"));
    TAASExperiment F("", true);
    F.LoadFromFile(Path("e.axp"));
    ASSERT_EQ(F.Count(), 3);
    EXPECT_EQ(F.GetItem(1)->Count(), 0);
    EXPECT_EQ(F.GetItem(1)->Title(), "empty");
    EXPECT_EQ(F.GetItem(1)->Concentration(), 2.0);
    EXPECT_EQ(F.GetItem(2)->Title(), "after");
}

TEST_F(ExperimentFile, DescriptionLinesThatLookLikeStructure)
{
    // "##USED STATISTIC=" in the description is found before the real line.
    TAASExperiment E("t", true);
    E.Description() = {"##USED STATISTIC=2", "##TITLE=fake"};
    E.SetUsedStatistic(1);
    E.SaveToFile(Path("a.axp"));
    TAASExperiment F("", true);
    F.LoadFromFile(Path("a.axp"));
    EXPECT_EQ(F.UsedStatistic(), 2);
    EXPECT_EQ(F.Title(), "t");

    // "</description>" in any case ends the description early.
    E.Description() = {"a", "</description>", "b"};
    E.SaveToFile(Path("b.axp"));
    F.LoadFromFile(Path("b.axp"));
    EXPECT_EQ(F.Description(), (Lines{"a"}));

    // A "<SAMPLE>" line opens a block that swallows the rest up to the first
    // sample's end: that sample loses its points, the description its end.
    E.Description() = {"<Sample>"};
    E.Add(MakeSample("s", {{1, 2}}));
    E.SaveToFile(Path("c.axp"));
    F.LoadFromFile(Path("c.axp"));
    ASSERT_EQ(F.Count(), 1);
    EXPECT_EQ(F.GetItem(0)->Count(), 0);
    EXPECT_EQ(F.GetItem(0)->Title(), "s");
    EXPECT_EQ(F.Description(), Lines{});

    // A "</SAMPLE>" line above the first block is passed over and stays in
    // the description; the block loop goes on.
    E.Description() = {"</SAMPLE>"};
    E.SaveToFile(Path("d.axp"));
    F.LoadFromFile(Path("d.axp"));
    ASSERT_EQ(F.Count(), 1);
    EXPECT_EQ(F.GetItem(0)->GetItem(0)->Points(), (std::vector<double>{1, 2}));
    EXPECT_EQ(F.Description(), (Lines{"</SAMPLE>"}));
}

TEST_F(ExperimentFile, UsedStatisticValues)
{
    TAASExperiment F("", true);
    const auto Load = [&](const std::string& Value) {
        WriteRaw(Path("u.axp"), Crlf({"<EXPERIMENT>", "##USED STATISTIC=" + Value, "</EXPERIMENT>"}));
        F.LoadFromFile(Path("u.axp"));
        return static_cast<int>(F.UsedStatistic());
    };
    EXPECT_EQ(Load("7"), 7);
    EXPECT_EQ(Load("256"), 0);
    EXPECT_EQ(Load("0x10"), 16);
    EXPECT_EQ(Load("-1"), 255);
}

TEST_F(ExperimentFile, FirstLineAndMarkerCase)
{
    TAASExperiment F("", true);
    WriteRaw(Path("l.axp"), Crlf({"<experiment>", "##TITLE=x"}));
    EXPECT_EQ(ErrorOf([&] { F.LoadFromFile(Path("l.axp")); }),
              "File \"" + Path("l.axp") + "\" is not a valid experiment file.");
    WriteRaw(Path("m.axp"), Crlf({"<EXPERIMENT>", "<sample>", "1", "-1000", "</Sample>"}));
    F.LoadFromFile(Path("m.axp"));
    ASSERT_EQ(F.Count(), 1);
    EXPECT_EQ(F.GetItem(0)->Count(), 1);
}

TEST_F(ExperimentFile, FailureTable)
{
    TAASExperiment F("keep", true);
    F.Description() = {"keep"};
    F.Add(MakeSample("s", {{1}}));

    // Unreadable file: the file error, no samples.
    EXPECT_NE(ErrorOf([&] { F.LoadFromFile(Path("missing.axp")); }).find("Cannot open file"),
              std::string::npos);
    EXPECT_EQ(F.Count(), 0);
    EXPECT_NE(ErrorOf([&] { F.LoadFromFile(Dir.string()); }), "(no error)");

    // Empty file.
    WriteRaw(Path("empty.axp"), "");
    F.Add(MakeSample("s", {{1}}));
    EXPECT_EQ(ErrorOf([&] { F.LoadFromFile(Path("empty.axp")); }), "List index out of bounds (0)");
    EXPECT_EQ(F.Count(), 0);

    // Faulty points: the sample comes without replicates; the load goes on.
    WriteRaw(Path("p.axp"), Crlf({"<EXPERIMENT>", "##TITLE=new", "</EXPERIMENT>", "<SAMPLE>", "##Title=a",
                                  "1", "oops", "-1000", "</SAMPLE>", "<SAMPLE>", "2", "-1000", "</SAMPLE>"}));
    F.LoadFromFile(Path("p.axp"));
    ASSERT_EQ(F.Count(), 2);
    EXPECT_EQ(F.GetItem(0)->Count(), 0);
    EXPECT_EQ(F.GetItem(0)->Title(), "a");
    EXPECT_EQ(F.GetItem(1)->Count(), 1);
    EXPECT_EQ(F.Title(), "new");
    EXPECT_EQ(F.Description(), Lines{});

    // A step below 0.02: the load fails there; samples before it stay, the
    // experiment's own keys are not read.
    F.SetTitle("keep");
    F.Description() = {"keep"};
    WriteRaw(Path("s.axp"), Crlf({"<EXPERIMENT>", "##TITLE=new", "<DESCRIPTION>", "x", "</DESCRIPTION>",
                                  "##USED STATISTIC=3", "</EXPERIMENT>", "<SAMPLE>", "1", "-1000",
                                  "</SAMPLE>", "<SAMPLE>", "##Resolution=0.01", "1", "-1000", "</SAMPLE>"}));
    EXPECT_EQ(ErrorOf([&] { F.LoadFromFile(Path("s.axp")); }), "List index out of bounds (0)");
    EXPECT_EQ(F.Count(), 1);
    EXPECT_EQ(F.Title(), "keep");
    EXPECT_EQ(F.UsedStatistic(), 0);
    EXPECT_EQ(F.Description(), (Lines{"keep"}));

    // A bad statistic value: samples and title read, description kept.
    WriteRaw(Path("u.axp"), Crlf({"<EXPERIMENT>", "##TITLE=new", "<DESCRIPTION>", "x", "</DESCRIPTION>",
                                  "##USED STATISTIC=two", "</EXPERIMENT>", "<SAMPLE>", "1", "-1000",
                                  "</SAMPLE>"}));
    EXPECT_EQ(ErrorOf([&] { F.LoadFromFile(Path("u.axp")); }), "'two' is not a valid integer value");
    EXPECT_EQ(F.Count(), 1);
    EXPECT_EQ(F.Title(), "new");
    EXPECT_EQ(F.Description(), (Lines{"keep"}));

    // An unclosed block reads no further blocks; its lines stay behind.
    WriteRaw(Path("o.axp"), Crlf({"<EXPERIMENT>", "<SAMPLE>", "1", "-1000", "</SAMPLE>", "<SAMPLE>",
                                  "2", "-1000", "##TITLE=inside"}));
    F.LoadFromFile(Path("o.axp"));
    EXPECT_EQ(F.Count(), 1);
    EXPECT_EQ(F.Title(), "inside");
}

TEST_F(ExperimentFile, FailedSaveRaisesAndKeepsTheOldFile)
{
    auto E = Sample2();
    WriteRaw(Path("old.axp"), "precious");
    EXPECT_NE(ErrorOf([&] { E->SaveToFile(Path("old.axp/x.axp")); }), "(no error)");
    EXPECT_NE(ErrorOf([&] { E->SaveToFile(Path("nowhere/x.axp")); }), "(no error)");
    EXPECT_NE(ErrorOf([&] { E->SaveToFile(Dir.string()); }), "(no error)");
    EXPECT_EQ(ReadRaw(Path("old.axp")), "precious");
    EXPECT_EQ(FolderEntries(), (Lines{"old.axp"}));
    E->SaveToFile(Path("old.axp"));
    EXPECT_EQ(ReadRaw(Path("old.axp")).substr(0, 14), "<EXPERIMENT>\r\n");
}

TEST_F(ExperimentFile, BadInputNeverCrashes)
{
    std::string Garbage = "<EXPERIMENT>\n";
    for (int I = 0; I < 8192; ++I)
        Garbage += static_cast<char>((I * 131 + 7) & 0xFF);
    const std::vector<std::string> Inputs{
        Garbage,
        std::string(1 << 20, '<'),
        "<EXPERIMENT>\r\n" + std::string(1 << 20, 'x') + "\r\n<SAMPLE>\r\n</SAMPLE>\r\n",
        Crlf({"<EXPERIMENT>", "</SAMPLE>", "</SAMPLE>", "<SAMPLE>", "</SAMPLE>", "<SAMPLE>"}),
        Crlf({"<EXPERIMENT>", "<SAMPLE>", "<SAMPLE>", "1e400", "</SAMPLE>", "</SAMPLE>"}),
        Crlf({"<EXPERIMENT>", "<SAMPLE>", "##Resolution=nan", "</SAMPLE>"}),
        Crlf({"<EXPERIMENT>", "##USED STATISTIC=99999999999", "<SAMPLE>", "inf", "-1000", "</SAMPLE>"}),
    };
    for (const std::string& Text : Inputs) {
        WriteRaw(Path("bad.axp"), Text);
        TAASExperiment F("", true);
        try {
            F.LoadFromFile(Path("bad.axp"));
        } catch (const Exception&) {
        }
        for (const TAASSample* S : F)
            EXPECT_LE(S->Count(), 1);
    }
}

}  // namespace
