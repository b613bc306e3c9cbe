#include "ExcelApplication.h"
#include "XlsxDump.h"
#include "FileUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <sys/wait.h>
#include <unistd.h>

using namespace xls;
using testsupport::DumpXlsx;

namespace {

class ExcelApplicationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        previousFolder = SetExportFolder(dir.path());
        previousOpener = SetOpener([this](const QString& path) {
            opened << path;
            return openerAnswer;
        });
    }
    void TearDown() override
    {
        SetExportFolder(previousFolder);
        SetOpener(previousOpener);
    }
    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QTemporaryDir dir;
    QString previousFolder;
    Opener previousOpener;
    QStringList opened;
    bool openerAnswer = true;
};

bool Parses(const char* text, CellRef expected)
{
    CellRef got{0, 0};
    return ParseCellRef(text, got) && got == expected;
}

bool Refused(const char* text)
{
    CellRef got{7, 7};
    return !ParseCellRef(text, got) && got == CellRef{7, 7};
}

} // namespace

TEST(CellNames, ValidNamesWithinTheSheetLimits)
{
    EXPECT_TRUE(Parses("A1", {1, 1}));
    EXPECT_TRUE(Parses("a1", {1, 1}));
    EXPECT_TRUE(Parses("$B$7", {7, 2}));
    EXPECT_TRUE(Parses("Z502", {502, 26}));
    EXPECT_TRUE(Parses("AA1", {1, 27}));
    EXPECT_TRUE(Parses("XFD1048576", {MaxRows, MaxColumns}));
}

TEST(CellNames, RefusedNames)
{
    for (const char* bad : {"", "[502", "A", "1", "1A", "A0", "A1048577", "XFE1", "AAAA1", "A1 ", " A1", "A-1",
                            "A1:B2", "R1C1", "$$A1", "A$$1", "Ä1", "A99999999999999999999"})
        EXPECT_TRUE(Refused(bad)) << '"' << bad << '"';
    CellRef ref;
    EXPECT_FALSE(ParseCellRef(std::string_view("A1\0", 3), ref));
}

TEST(CellNames, ColumnLettersRoundTrip)
{
    EXPECT_EQ(ColumnName(1), "A");
    EXPECT_EQ(ColumnName(26), "Z");
    EXPECT_EQ(ColumnName(27), "AA");
    EXPECT_EQ(ColumnName(702), "ZZ");
    EXPECT_EQ(ColumnName(703), "AAA");
    EXPECT_EQ(ColumnName(MaxColumns), "XFD");
    for (int col : {1, 25, 26, 27, 52, 53, 701, 702, 703, 16383, 16384}) {
        CellRef back;
        ASSERT_TRUE(ParseCellRef(CellName({9, col}), back));
        EXPECT_EQ(back, (CellRef{9, col}));
    }
}

TEST_F(ExcelApplicationTest, EveryOperationNeedsAWorkbookAndValidNames)
{
    TExcelApplication app;
    EXPECT_FALSE(app.Connected());
    EXPECT_THROW(app.ActiveCell(), EOleException);
    EXPECT_THROW(app.Range("A1", "A1"), EOleException);
    EXPECT_TRUE(app.Connected()); // the first use connected

    app.Workbooks().Add();
    EXPECT_EQ(app.Workbooks().Count(), 1);
    EXPECT_THROW(app.Range("A1", "[502"), EOleException);
    EXPECT_THROW(app.Range("[502", "A1"), EOleException);
    EXPECT_THROW(app.Range("A0", "A0"), EOleException);
    EXPECT_NO_THROW(app.Range("A1", "Z502"));
}

TEST_F(ExcelApplicationTest, ActiveCellNextAndBlocks)
{
    TExcelApplication app;
    app.Workbooks().Add();
    TExcelRange cell = app.ActiveCell();
    EXPECT_EQ(cell.First(), (CellRef{1, 1}));
    cell = cell.Next();
    EXPECT_EQ(cell.First(), (CellRef{1, 2}));
    EXPECT_EQ(cell.Last(), (CellRef{1, 2}));

    // A block spanned in any corner order is the same rectangle; its Next is
    // the cell right of its top-left corner.
    TExcelRange block = app.Range("C5", "A2");
    EXPECT_EQ(block.First(), (CellRef{2, 1}));
    EXPECT_EQ(block.Last(), (CellRef{5, 3}));
    EXPECT_EQ(block.Next().First(), (CellRef{2, 2}));

    EXPECT_THROW(app.Range("XFD3", "XFD3").Next(), EOleException);
}

TEST_F(ExcelApplicationTest, RefusedValuesLeaveTheCellAlone)
{
    TExcelApplication app;
    app.Workbooks().Add();
    TExcelRange cell = app.ActiveCell();
    cell.SetValue(1.5);
    EXPECT_THROW(cell.SetValue(std::numeric_limits<double>::quiet_NaN()), EOleException);
    EXPECT_THROW(cell.SetValue(std::numeric_limits<double>::infinity()), EOleException);
    EXPECT_THROW(cell.SetValue(std::string(MaxTextLength + 1, 'x')), EOleException);
    EXPECT_THROW(cell.AutoFormat(2), EOleException);
    app.Disconnect();

    ASSERT_EQ(app.Written().size(), 1u);
    const auto dump = DumpXlsx(app.Written()[0].path);
    ASSERT_TRUE(dump.ok) << dump.error;
    ASSERT_EQ(dump.cells.size(), 1u);
    EXPECT_EQ(dump.cells.at("A1").kind, "n");
    EXPECT_EQ(dump.cells.at("A1").value, "1.5");
}

TEST_F(ExcelApplicationTest, WrittenWorkbookHoldsValuesAndTheTableFormatOverTheBlockOnly)
{
    TExcelApplication app;
    app.SetVisible(true);
    app.Workbooks().Add();
    TExcelRange cell = app.ActiveCell();
    cell.SetValue("Time [seconds]");
    cell = cell.Next();
    cell.SetValue("Replicate #001");
    const double values[3][2] = {{0.02, -3.25}, {0.04, 1e-300}, {0.06, 12345.678}};
    for (int i = 0; i < 3; ++i) {
        const std::string ref = "A" + std::to_string(i + 3);
        TExcelRange c = app.Range(ref, ref);
        c.SetValue(values[i][0]);
        c.Next().SetValue(values[i][1]);
    }
    app.Range("E7", "E7").SetValue("outside");
    app.Range("F8", "G9").SetValue(7.0); // a block value fills every cell
    app.Range("B5", "B5").SetValue("12"); // text stays text
    app.Range("A1", "B5").AutoFormat(FormatClassic1);
    app.Disconnect();

    ASSERT_EQ(app.Written().size(), 1u);
    const QString path = app.Written()[0].path;
    EXPECT_TRUE(path.startsWith(dir.path()));
    EXPECT_TRUE(path.endsWith(".xlsx"));
    EXPECT_EQ(Files(), QStringList{QFileInfo(path).fileName()}); // no temporary file left
    EXPECT_EQ(opened, QStringList{path});
    EXPECT_TRUE(app.Written()[0].opened);

    const auto dump = DumpXlsx(path);
    ASSERT_TRUE(dump.ok) << dump.error;
    EXPECT_EQ(dump.sheets, std::vector<std::string>{"Sheet1"});
    using C = testsupport::DumpedCell;
    const std::map<std::string, C> expected = {
        {"A1", C{"s", "Time [seconds]", true, "tb"}},
        {"B1", C{"s", "Replicate #001", true, "tb"}},
        {"A3", C{"n", "0.02", false, "-"}},
        {"B3", C{"n", "-3.25", false, "-"}},
        {"A4", C{"n", "0.04", false, "-"}},
        {"B4", C{"n", "1e-300", false, "-"}},
        {"A5", C{"n", "0.06", false, "b"}},
        {"B5", C{"s", "12", false, "b"}},
        {"E7", C{"s", "outside", false, "-"}},
        {"F8", C{"n", "7.0", false, "-"}},
        {"G8", C{"n", "7.0", false, "-"}},
        {"F9", C{"n", "7.0", false, "-"}},
        {"G9", C{"n", "7.0", false, "-"}},
    };
    ASSERT_EQ(dump.cells.size(), expected.size());
    for (const auto& [ref, want] : expected) {
        ASSERT_TRUE(dump.cells.count(ref)) << ref;
        const C& got = dump.cells.at(ref);
        EXPECT_EQ(got.kind, want.kind) << ref;
        EXPECT_EQ(got.value, want.value) << ref;
        EXPECT_EQ(got.bold, want.bold) << ref;
        EXPECT_EQ(got.borders, want.borders) << ref;
    }
}

TEST_F(ExcelApplicationTest, EmptyRowsOfAFormattedBlockStillShowTheTable)
{
    TExcelApplication app;
    app.Workbooks().Add();
    app.ActiveCell().SetValue("Time [seconds]");
    app.Range("A1", "B2").AutoFormat(FormatClassic1);
    app.Disconnect();
    ASSERT_EQ(app.Written().size(), 1u);
    EXPECT_TRUE(opened.isEmpty()); // never made visible: nobody is asked to show it
    EXPECT_FALSE(app.Written()[0].opened);

    const auto dump = DumpXlsx(app.Written()[0].path);
    ASSERT_TRUE(dump.ok) << dump.error;
    ASSERT_EQ(dump.cells.size(), 4u);
    EXPECT_EQ(dump.cells.at("A1").kind, "s");
    EXPECT_TRUE(dump.cells.at("B1").bold);
    EXPECT_EQ(dump.cells.at("B1").kind, "-");
    EXPECT_EQ(dump.cells.at("A2").borders, "b");
    EXPECT_EQ(dump.cells.at("B2").borders, "b");
}

TEST_F(ExcelApplicationTest, EachWorkbookGetsItsOwnFile)
{
    TExcelApplication first, second;
    first.Workbooks().Add();
    first.ActiveCell().SetValue("one");
    first.Workbooks().Add();
    first.ActiveCell().SetValue("two");
    second.Workbooks().Add();
    second.ActiveCell().SetValue("three");
    first.Disconnect();
    second.Disconnect();

    ASSERT_EQ(first.Written().size(), 2u);
    ASSERT_EQ(second.Written().size(), 1u);
    EXPECT_EQ(Files().size(), 3);
    EXPECT_NE(first.Written()[0].path, first.Written()[1].path);
    EXPECT_EQ(DumpXlsx(first.Written()[1].path).cells.at("A1").value, "two");
    EXPECT_EQ(DumpXlsx(second.Written()[0].path).cells.at("A1").value, "three");
}

TEST_F(ExcelApplicationTest, ReleasedObjectsAndTheDestructor)
{
    QString path;
    {
        TExcelApplication app;
        app.Workbooks().Add();
        TExcelRange cell = app.ActiveCell();
        app.Disconnect();
        ASSERT_EQ(app.Written().size(), 1u);
        EXPECT_THROW(cell.SetValue(1.0), EOleException);
        EXPECT_THROW(cell.Next(), EOleException);
        app.Disconnect(); // nothing left to write
        EXPECT_EQ(app.Written().size(), 1u);

        // Used again, it connects again; the destructor writes what is open.
        app.Workbooks().Add();
        app.ActiveCell().SetValue(2.0);
        path = app.Written()[0].path;
    }
    EXPECT_EQ(Files().size(), 2);
}

TEST_F(ExcelApplicationTest, NoProgramToShowTheWorkbookKeepsItOnDisk)
{
    openerAnswer = false;
    TExcelApplication app;
    app.SetVisible(true);
    app.Workbooks().Add();
    app.Disconnect();
    ASSERT_EQ(app.Written().size(), 1u);
    EXPECT_FALSE(app.Written()[0].opened);
    EXPECT_EQ(opened.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(app.Written()[0].path));
}

TEST_F(ExcelApplicationTest, AFolderThatCannotBeMadeRefusesTheConnection)
{
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SetExportFolder(dir.filePath("file/sub"));
    TExcelApplication app;
    EXPECT_THROW(app.SetVisible(true), EOleException);
    EXPECT_FALSE(app.Connected());
    app.Disconnect();
    EXPECT_TRUE(app.Written().empty());
}

TEST(ExportFolder, DefaultsToTheDocumentsFolder)
{
    const QString previous = SetExportFolder(QString());
    EXPECT_TRUE(ExportFolder().endsWith("/VelorSpec"));
    EXPECT_EQ(ExportFolder(), DefaultExportFolder());
    SetExportFolder(previous);
}

TEST_F(ExcelApplicationTest, NumbersStayNumbersUnderADecimalCommaLocale)
{
    // Build a German locale into a folder of our own; skip where we cannot.
    QTemporaryDir locales;
    QProcess def;
    def.start("localedef", {"-i", "de_DE", "-f", "UTF-8", locales.filePath("de_DE.UTF-8")});
    if (!def.waitForFinished(60000) || def.exitCode() != 0)
        GTEST_SKIP() << "no de_DE locale available";
    const QByteArray oldLocPath = qgetenv("LOCPATH");
    qputenv("LOCPATH", locales.path().toLocal8Bit());
    const bool haveLocale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    {
        TExcelApplication app;
        app.Workbooks().Add();
        app.ActiveCell().SetValue(0.5);
        app.ActiveCell().Next().SetValue(-1234.25);
        app.Disconnect();
        std::setlocale(LC_NUMERIC, "C");
        if (oldLocPath.isNull())
            qunsetenv("LOCPATH");
        else
            qputenv("LOCPATH", oldLocPath);
        if (!haveLocale)
            GTEST_SKIP() << "de_DE locale not usable";
        ASSERT_STREQ(probe, "0,5"); // the locale really prints a comma
        ASSERT_EQ(app.Written().size(), 1u);
        const auto dump = DumpXlsx(app.Written()[0].path);
        ASSERT_TRUE(dump.ok) << dump.error;
        EXPECT_EQ(dump.cells.at("A1").kind, "n");
        EXPECT_EQ(dump.cells.at("A1").value, "0.5");
        EXPECT_EQ(dump.cells.at("B1").value, "-1234.25");
    }
}

TEST_F(ExcelApplicationTest, WorkbooksWrittenUnderATemporaryNameLeaveNothingElse)
{
    // Where the file system offers no nameless files, the workbook is written
    // under a hidden temporary name; it is gone once the workbook is named,
    // and a temporary that a killed program left is cleared by the next one.
    UseNamedTemporariesForTesting(true);
    const pid_t pid = fork();
    if (pid == 0) {
        new TNewFile(dir.path().toStdString(), "Book.xlsx", "killed");   // never named nor removed
        _exit(0);
    }
    waitpid(pid, nullptr, 0);
    ASSERT_EQ(Files().size(), 1);
    TExcelApplication app;
    for (const char* text : {"one", "two"}) {
        app.Workbooks().Add();
        app.ActiveCell().SetValue(text);
    }
    app.Disconnect();
    UseNamedTemporariesForTesting(false);
    ASSERT_EQ(app.Written().size(), 2u);
    EXPECT_EQ(Files().size(), 2);
    for (const QString& f : Files())
        EXPECT_TRUE(f.startsWith(QStringLiteral("Book-")) && f.endsWith(QStringLiteral(".xlsx"))) << f.toStdString();
    EXPECT_EQ(DumpXlsx(app.Written()[1].path).cells.at("A1").value, "two");
}
