#include "XlsThread.h"

#include "AASCls.h"
#include "ExcelApplication.h"
#include "XlsxDump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <future>
#include <map>
#include <memory>
#include <thread>

using testsupport::AsStored;
using testsupport::DumpedCell;
using testsupport::DumpXlsx;

namespace {

double PointValue(int replicate, int index)
{
    return (replicate + 1) * 1000.0 + index * 0.37 - 0.1 * replicate - (index % 7 == 0 ? 2500.125 : 0.0);
}

// A sample as the windows hold it: owning its replicates.
std::unique_ptr<TAASSample> MakeSample(int replicates, int points, double resolution = 0.02)
{
    auto sample = std::make_unique<TAASSample>("S1", true);
    for (int k = 0; k < replicates; ++k) {
        auto* r = new TAASReplicate;
        if (resolution != r->Resolution())
            r->SetResolution(resolution); // still empty: only the step changes
        for (int i = 0; i < points; ++i)
            r->Add(PointValue(k, i));
        EXPECT_EQ(sample->Add(r), k);
    }
    return sample;
}

std::string Heading(int k)
{
    char text[32];
    std::snprintf(text, sizeof text, "Replicate #%.3d", k);
    return text;
}

// The cells a sample's export must give, cell by cell.
std::map<std::string, DumpedCell> ExpectedSheet(int replicates, int points, double resolution, bool formatted)
{
    std::map<std::string, DumpedCell> cells;
    const int lastRow = points + 2;
    auto border = [&](int row) -> std::string {
        if (!formatted)
            return "-";
        if (row == 1)
            return "tb";
        return row == lastRow ? "b" : "-";
    };
    const bool bold = formatted;
    cells["A1"] = {"s", "Time [seconds]", bold, border(1)};
    for (int k = 1; k <= replicates; ++k)
        cells[xls::CellName({1, k + 1})] = {"s", Heading(k), bold, border(1)};
    if (formatted && points == 0)
        for (int c = 1; c <= replicates + 1; ++c)
            cells[xls::CellName({2, c})] = {"-", "", false, "b"};
    for (int i = 0; i < points; ++i) {
        const int row = i + 3;
        char text[40];
        const long double time = static_cast<long double>(resolution) * i + resolution;
        std::snprintf(text, sizeof text, "%.17g", AsStored(static_cast<double>(time)));
        cells[xls::CellName({row, 1})] = {"n", text, false, border(row)};
        for (int k = 0; k < replicates; ++k) {
            std::snprintf(text, sizeof text, "%.17g", AsStored(PointValue(k, i)));
            cells[xls::CellName({row, k + 2})] = {"n", text, false, border(row)};
        }
    }
    return cells;
}

void ExpectSheet(const QString& path, const std::map<std::string, DumpedCell>& expected)
{
    const auto dump = DumpXlsx(path);
    ASSERT_TRUE(dump.ok) << dump.error;
    EXPECT_EQ(dump.cells.size(), expected.size());
    int mismatches = 0;
    for (const auto& [ref, want] : expected) {
        auto it = dump.cells.find(ref);
        if (it == dump.cells.end()) {
            ADD_FAILURE() << ref << " missing";
        } else {
            const DumpedCell& got = it->second;
            const bool valueOk = want.kind == "n" ? got.number() == want.number() : got.value == want.value;
            if (got.kind != want.kind || !valueOk || got.bold != want.bold || got.borders != want.borders) {
                ADD_FAILURE() << ref << ": got " << got.kind << " '" << got.value << "' bold " << got.bold << " "
                              << got.borders << ", want " << want.kind << " '" << want.value << "' bold "
                              << want.bold << " " << want.borders;
                ++mismatches;
            }
        }
        if (mismatches > 10)
            break;
    }
}

class XlsThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        previousFolder = xls::SetExportFolder(dir.path());
        // No spreadsheet program here: the workbook must still be left on disk.
        previousOpener = xls::SetOpener([this](const QString& path) {
            std::lock_guard lock(openedLock);
            opened << path;
            return false;
        });
        QObject::connect(TxlsNotifier::Instance(), &TxlsNotifier::workbookWritten, &receiver,
                         [this](const QString& path) {
                             EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
                             reported << path;
                         });
    }
    void TearDown() override
    {
        TxlsThread::WaitForAll();
        QObject::disconnect(TxlsNotifier::Instance(), nullptr, &receiver, nullptr);
        xls::SetExportFolder(previousFolder);
        xls::SetOpener(previousOpener);
    }
    // Waits for every worker and delivers what they reported.
    void Finish()
    {
        TxlsThread::WaitForAll();
        QCoreApplication::processEvents();
    }
    QStringList Workbooks() const
    {
        QStringList files;
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name))
            files << dir.filePath(name);
        return files;
    }

    QTemporaryDir dir;
    QString previousFolder;
    xls::Opener previousOpener;
    std::mutex openedLock;
    QStringList opened;
    QObject receiver;
    QStringList reported;
};

} // namespace

TEST_F(XlsThreadTest, ThreeReplicatesOf500Points)
{
    auto sample = MakeSample(3, 500);
    TxlsThread::SendToExcel(sample.get());
    Finish();

    ASSERT_EQ(Workbooks().size(), 1);
    EXPECT_EQ(reported, Workbooks());
    EXPECT_EQ(opened, Workbooks()); // offered to the desktop, which could not open it
    ExpectSheet(Workbooks()[0], ExpectedSheet(3, 500, 0.02, true));
    EXPECT_EQ(TxlsThread::LiveCount(), 0);
}

TEST_F(XlsThreadTest, TwentySixReplicatesReachColumnAAAndStayUnformatted)
{
    auto sample = MakeSample(26, 40, 0.1);
    TxlsThread::SendToExcel(sample.get());
    Finish();

    ASSERT_EQ(Workbooks().size(), 1);
    const auto expected = ExpectedSheet(26, 40, 0.1, false);
    ASSERT_EQ(expected.at("AA1").value, "Replicate #026");
    ASSERT_TRUE(expected.count("AA42"));
    ExpectSheet(Workbooks()[0], expected);

    // 32 replicates put a lower-case "a" where the last column's letter
    // belongs: still no table format, not one over column A alone.
    sample = MakeSample(32, 5);
    TxlsThread::SendToExcel(sample.get());
    Finish();
    ASSERT_EQ(Workbooks().size(), 2);
    const QString second = Workbooks()[0] == reported.value(0) ? Workbooks()[1] : Workbooks()[0];
    ExpectSheet(second, ExpectedSheet(32, 5, 0.02, false));
}

TEST_F(XlsThreadTest, TwentyFiveReplicatesAreTheWidestFormattedTable)
{
    auto sample = MakeSample(25, 3);
    TxlsThread::SendToExcel(sample.get());
    Finish();
    ASSERT_EQ(Workbooks().size(), 1);
    ExpectSheet(Workbooks()[0], ExpectedSheet(25, 3, 0.02, true));
}

TEST_F(XlsThreadTest, ASampleWithoutReplicatesStartsNothing)
{
    auto sample = MakeSample(0, 0);
    TxlsThread::SendToExcel(sample.get());
    Finish();
    EXPECT_TRUE(Workbooks().isEmpty());
    EXPECT_TRUE(reported.isEmpty());
    EXPECT_TRUE(opened.isEmpty());

    // The body alone does not even connect.
    TxlsThread worker(true);
    worker.WriteWorkbook();
    EXPECT_FALSE(worker.ExcelApplication()->Connected());
    EXPECT_TRUE(worker.ExcelApplication()->Written().empty());
}

TEST_F(XlsThreadTest, ReplicatesWithoutPointsGiveTheHeadingRowOnly)
{
    auto sample = MakeSample(3, 0);
    TxlsThread::SendToExcel(sample.get());
    Finish();
    ASSERT_EQ(Workbooks().size(), 1);
    const auto expected = ExpectedSheet(3, 0, 0.02, true);
    ASSERT_EQ(expected.at("D2").borders, "b");
    ExpectSheet(Workbooks()[0], expected);
}

TEST_F(XlsThreadTest, TwoExportsGiveTwoWorkbooks)
{
    auto sample = MakeSample(2, 10);
    TxlsThread::SendToExcel(sample.get());
    TxlsThread::SendToExcel(sample.get());
    Finish();
    ASSERT_EQ(Workbooks().size(), 2);
    QStringList sorted = reported;
    sorted.sort();
    EXPECT_EQ(sorted, Workbooks());
    for (const QString& path : Workbooks())
        ExpectSheet(path, ExpectedSheet(2, 10, 0.02, true));
}

TEST_F(XlsThreadTest, TheWindowsSampleMayChangeOrGoWhileTheWorkerRuns)
{
    // The opener holds the first worker until the window has changed and
    // freed its sample; a second export starts from the changed sample.
    std::promise<void> entered, release;
    auto released = release.get_future().share();
    bool first = true;
    xls::SetOpener([&](const QString&) {
        if (std::exchange(first, false)) {
            entered.set_value();
            released.wait();
        }
        return false;
    });

    auto sample = MakeSample(3, 20);
    TxlsThread::SendToExcel(sample.get());
    entered.get_future().wait();
    EXPECT_EQ(TxlsThread::LiveCount(), 1);
    sample->SetAbsorbtion(true);
    sample->Remove(sample->GetItem(0));
    sample.reset();
    release.set_value();
    Finish();

    ASSERT_EQ(Workbooks().size(), 1);
    ExpectSheet(Workbooks()[0], ExpectedSheet(3, 20, 0.02, true));
    EXPECT_EQ(TxlsThread::LiveCount(), 0);
}

TEST_F(XlsThreadTest, AWorkerFreesItselfThroughTheEventLoop)
{
    auto sample = MakeSample(1, 5);
    TxlsThread::SendToExcel(sample.get());
    sample.reset();
    // Run an event loop, as the program does, until the worker is gone.
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (TxlsThread::LiveCount() == 0)
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(TxlsThread::LiveCount(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(reported.size(), 1);
}

TEST_F(XlsThreadTest, EndingTheProgramWaitsForARunningWorker)
{
    std::promise<void> entered;
    std::promise<void> release;
    xls::SetOpener([&](const QString&) {
        entered.set_value();
        release.get_future().wait();
        return false;
    });
    auto sample = MakeSample(2, 3);
    TxlsThread::SendToExcel(sample.get());
    entered.get_future().wait();
    // Released from elsewhere while the GUI thread sits in the exit wait.
    std::thread releaser([&] { release.set_value(); });
    TxlsThread::WaitForAll();
    releaser.join();
    EXPECT_EQ(TxlsThread::LiveCount(), 0);
    ASSERT_EQ(Workbooks().size(), 1);
    ExpectSheet(Workbooks()[0], ExpectedSheet(2, 3, 0.02, true));
}

TEST_F(XlsThreadTest, AWorkerTheCallerKeepsIsNotFreed)
{
    auto sample = MakeSample(2, 4);
    {
        TxlsThread worker(true);
        worker.Sample()->Assign(sample.get());
        EXPECT_EQ(worker.Sample()->Count(), 2);
        worker.Resume();
        TxlsThread::WaitForAll(); // waits, but leaves the caller's worker alone
        EXPECT_TRUE(worker.isFinished());
        EXPECT_EQ(TxlsThread::LiveCount(), 1);
        ASSERT_EQ(worker.ExcelApplication()->Written().size(), 1u);
        EXPECT_FALSE(worker.ExcelApplication()->Connected());
    }
    EXPECT_EQ(TxlsThread::LiveCount(), 0);
}
