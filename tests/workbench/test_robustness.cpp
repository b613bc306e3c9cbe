// Robustness of the workbench on bad input: damaged and odd files opened
// through the frame, processing commands on degenerate samples followed by a
// save that must read back the same, saves onto targets that cannot be
// written, odd received streams in the Instrument Data window, and a damaged
// settings store at start-up.
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QMdiArea>
#include <QProgressBar>
#include <QSettings>

#include <sys/stat.h>
#include <sys/types.h>

#include <cmath>

#include "InstrumentTestUtil.h"
#include "Experiment.h"
#include "Main.h"
#include "Registry.h"
#include "SampleWindowTestUtil.h"
#include "SmoothDlg.h"
#include "Interval.h"
#include "SpinEdit.h"

using namespace sample_window_test;
using VelorSpec::SaveSampleWindow;
using VelorSpec::TfrmInstrument;
using VelorSpec::TfrmMain;
using VelorSpec::TfrmSample;

namespace {

// A frame with its settings store in a temporary folder.
class RobustFrame : public FrameFixture {
protected:
    void CloseAll()
    {
        for (TfrmSample* w : Windows()) {
            w->FModified = false;
            frame->ActivateOpenWindow(w->FFileName);
            frame->acFileCloseExecute();
            Pump();
        }
    }
    // Opens a file through the frame; the sample window when one stayed.
    TfrmSample* Open(const QString& path)
    {
        frame->OpenFile(path);
        Pump();
        for (TfrmSample* w : Windows())
            if (w->FFileName == path)
                return w;
        return nullptr;
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

}  // namespace

// ---------------------------------------------------------------------------
// Opening damaged or odd files

TEST_F(RobustFrame, DamagedFilesOpenWithoutCrashOrQuestion)
{
    Answers answers;
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 7919 + 13) & 0xFF);
    WriteAll(Path("garbage.AST"), garbage);
    WriteAll(Path("empty.AST"), QByteArray());
    WriteAll(Path("longline.AST"), QByteArray(1 << 20, '7'));
    WriteAll(Path("nuls.AST"), QByteArray(1000, '\0'));
    WriteAll(Path("short.AAT"), "one\r\ntwo\r\nthree\r\n");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.AST")));
    ASSERT_EQ(::mkfifo(Path("fifo.AST").toLocal8Bit().constData(), 0600), 0);

    for (const char* name : {"garbage.AST", "empty.AST", "longline.AST", "nuls.AST", "short.AAT", "folder.AST",
                             "fifo.AST", "missing.AST"}) {
        SCOPED_TRACE(name);
        answers.Requests.clear();
        TfrmSample* w = Open(Path(name));
        // An empty file is an empty sample; every other one fails to load,
        // says so in one short box naming the file, and its window closes.
        if (QByteArray(name) == "empty.AST") {
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(w->FSample->Count(), 0);
            EXPECT_TRUE(answers.Requests.isEmpty());
        } else {
            EXPECT_EQ(w, nullptr);
            ASSERT_EQ(answers.Requests.size(), 1);
            EXPECT_EQ(answers.Requests[0].type, gui::MsgDlgType::Error);
            EXPECT_TRUE(answers.Requests[0].text.startsWith(QStringLiteral("File \"%1\" could not be read").arg(Path(name))))
                << answers.Requests[0].text.left(200).toStdString();
            EXPECT_LT(answers.Requests[0].text.size(), 200);
        }
        CloseAll();
    }
}

TEST_F(RobustFrame, OddNumbersInKeysAndPoints)
{
    Answers answers;
    const QByteArray header = "##Resolution=0.02\r\n##Title=Odd\r\n";
    struct Case {
        const char* name;
        QByteArray text;
    } cases[] = {
        {"res_huge.AST", "##Resolution=1e400\r\n1\r\n2\r\n-1000\r\n"},
        {"res_nan.AST", "##Resolution=nan\r\n1\r\n2\r\n-1000\r\n"},
        {"res_inf.AST", "##Resolution=inf\r\n1\r\n2\r\n-1000\r\n"},
        {"res_hex.AST", "##Resolution=0x10\r\n1\r\n2\r\n-1000\r\n"},
        {"res_zero.AST", "##Resolution=0\r\n1\r\n2\r\n-1000\r\n"},
        {"res_tiny.AST", "##Resolution=1e-400\r\n1\r\n2\r\n-1000\r\n"},
        {"res_neg.AST", "##Resolution=-0.5\r\n1\r\n2\r\n-1000\r\n"},
        {"area_huge.AST", header + "##AreaStart=1e400\r\n1\r\n2\r\n-1000\r\n"},
        {"conc_nan.AST", header + "##Concentration=nan\r\n1\r\n2\r\n-1000\r\n"},
        {"flag_huge.AST", header + "##Zero=99999999999999999999\r\n1\r\n2\r\n-1000\r\n"},
        {"pt_huge.AST", header + "1\r\n1e400\r\n-1000\r\n"},
        {"pt_big.AST", header + "1\r\n1e300\r\n-1e300\r\n-1000\r\n"},
        {"pt_nan.AST", header + "1\r\nnan\r\n-1000\r\n"},
        {"pt_inf.AST", header + "1\r\ninf\r\n-1000\r\n"},
        {"pt_hex.AST", header + "1\r\n0x10\r\n-1000\r\n"},
        {"pt_denormal.AST", header + "1\r\n1e-320\r\n-1000\r\n"},
        {"uneven.AST", header + "1\r\n2\r\n3\r\n-1000\r\n4\r\n-1000\r\n5\r\n6\r\n7\r\n8\r\n-1000\r\n"},
        {"nomarker.AST", header + "1\r\n2\r\n3\r\n"},
        {"markers.AST", header + "-1000\r\n-1000\r\n-1000\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(Path(c.name), c.text);
        answers.Requests.clear();
        TfrmSample* w = Open(Path(c.name));
        // A file that cannot be read is reported, in one box that names it.
        if (!w) {
            ASSERT_EQ(answers.Requests.size(), 1);
            EXPECT_EQ(answers.Requests[0].type, gui::MsgDlgType::Error);
            EXPECT_TRUE(answers.Requests[0].text.contains(Path(c.name)));
            answers.Requests.clear();
        }
        // A sample without replicates is not saved (and says so); whatever
        // else was taken can be shown and saved again.
        if (w && w->FSample->Count() > 0) {
            w->RefreshSeries();
            w->UpdateStatistics();
            const QString again = Path("again.AST");
            if (!gui::RunGuarded([&] { SaveSampleWindow(w, again); }, w))
                ADD_FAILURE() << "count " << w->FSample->Count();
        }
        CloseAll();
    }
    for (const auto& r : answers.Requests)
        ADD_FAILURE() << "unexpected box: " << r.text.toStdString();
}

// Files read only in part, or not at all, opened with Ctrl+O: one box that
// names the file and what could not be read; none for a whole file.

namespace {

const QByteArray ExperimentHead =
    "<EXPERIMENT>\r\n##TITLE=Run\r\n<DESCRIPTION>\r\n</DESCRIPTION>\r\n##USED STATISTIC=0\r\n</EXPERIMENT>\r\n";
// Lines 7 to 13 and 14 to 20.
const QByteArray SampleA = "<SAMPLE>\r\n##Resolution=0.02\r\n##Title=A\r\n1\r\n2\r\n-1000\r\n</SAMPLE>\r\n";
const QByteArray SampleB = "<SAMPLE>\r\n##Resolution=0.02\r\n##Title=B\r\n3\r\n4\r\n-1000\r\n</SAMPLE>\r\n";

struct PartlyReadCase {
    const char* name;
    const char* file;
    QByteArray text;       // null: no such file
    QStringList samples;   // the experiment window's samples; empty for a sample file
    bool opens;
    gui::MsgDlgType type;
    QString message;       // %1 is the file; empty: no box
};

class PartlyReadFiles : public FrameFixture, public ::testing::WithParamInterface<PartlyReadCase> {};

// An experiment of count samples "S1", "S2", ..., each with a damaged point
// line, so that none keeps its replicates.  The warning lists the first ten;
// more is what follows the list.
PartlyReadCase NoReplicatesLeft(const char* name, const char* file, int count, const QString& more)
{
    PartlyReadCase c{name, file, ExperimentHead, {}, true, gui::MsgDlgType::Warning,
                     QStringLiteral("Part of file \"%1\" could not be read.")};
    for (int i = 1; i <= count; ++i) {
        const QByteArray title = "S" + QByteArray::number(i);
        c.text += "<SAMPLE>\r\n##Resolution=0.02\r\n##Title=" + title + "\r\n1\r\n2x\r\n-1000\r\n</SAMPLE>\r\n";
        c.samples << QString::fromLatin1(title);
    }
    // Sample i's block starts on line 7i; its damaged line is the fifth.
    for (int i = 1; i <= 10; ++i)
        c.message += QStringLiteral("\r\nSample %1 \"S%1\" has no replicates: line %2 could not be read.")
                         .arg(i)
                         .arg(7 * i + 4);
    c.message += more + QStringLiteral("\r\nSaving the experiment keeps only what was read.");
    return c;
}

}  // namespace

TEST_P(PartlyReadFiles, SayOnceWhatCouldNotBeRead)
{
    const PartlyReadCase& c = GetParam();
    const QString path = dir.filePath(QString::fromLatin1(c.file));
    if (!c.text.isNull())
        WriteAll(path, c.text);
    frame->MRUManager->Add(path);

    ActivateFrame();
    ScriptedDialogs dialogs;
    dialogs.ChooseFile(path);
    dialogs.Answer(gui::mrOk);
    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
    Pump();

    ASSERT_GE(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].kind, gui::RequestKind::OpenFile);
    if (c.message.isEmpty()) {
        EXPECT_EQ(dialogs.asked.size(), 1u);
    } else {
        ASSERT_EQ(dialogs.asked.size(), 2u);
        EXPECT_EQ(dialogs.asked[1].type, c.type);
        EXPECT_EQ(dialogs.asked[1].buttons, gui::mbOK);
        EXPECT_EQ(dialogs.asked[1].text, c.message.arg(path));
    }
    EXPECT_EQ(frame->MRUManager->Strings().contains(path), c.opens);
    QWidget* child = frame->ActiveChild();
    EXPECT_EQ(child != nullptr, c.opens);
    if (auto* w = qobject_cast<VelorSpec::TfrmExperiment*>(child)) {
        // What was read stays, unchanged and unmodified.
        QStringList titles;
        for (const TAASSample* sample : *w->Experiment)
            titles << QString::fromStdString(sample->Title());
        EXPECT_EQ(titles, c.samples);
        EXPECT_FALSE(w->FModified);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, PartlyReadFiles,
    ::testing::Values(
        PartlyReadCase{"WholeExperiment", "whole.AXP", ExperimentHead + SampleA + SampleB, {"A", "B"}, true,
                       gui::MsgDlgType::Warning, {}},
        PartlyReadCase{"TruncatedExperiment", "cut.AXP",
                       ExperimentHead + SampleA + SampleB + "<SAMPLE>\r\n##Resolution=0.02\r\n##Title=C\r\n5\r\n",
                       {"A", "B"}, true, gui::MsgDlgType::Warning,
                       "Part of file \"%1\" could not be read.\r\n"
                       "No sample could be read from line 21 on.\r\n"
                       "Saving the experiment keeps only what was read."},
        PartlyReadCase{"DamagedPointLine", "damaged.AXP",
                       ExperimentHead + SampleA + QByteArray(SampleB).replace("4\r\n", "4x\r\n"), {"A", "B"}, true,
                       gui::MsgDlgType::Warning,
                       "Part of file \"%1\" could not be read.\r\n"
                       "Sample 2 \"B\" has no replicates: line 18 could not be read.\r\n"
                       "Saving the experiment keeps only what was read."},
        // At most ten samples are listed, so that the box fits the screen.
        NoReplicatesLeft("TenSamplesWithoutReplicates", "ten.AXP", 10, {}),
        NoReplicatesLeft("ElevenSamplesWithoutReplicates", "eleven.AXP", 11,
                         "\r\n1 more sample has no replicates."),
        NoReplicatesLeft("ManySamplesWithoutReplicates", "many.AXP", 300,
                         "\r\n290 more samples have no replicates."),
        PartlyReadCase{"WholeSample", "whole.AST", "##Resolution=0.02\r\n##Title=S\r\n1\r\n2\r\n-1000\r\n", {}, true,
                       gui::MsgDlgType::Error, {}},
        PartlyReadCase{"UnreadableSample", "bad.AST", "##Resolution=0.02\r\n##Title=S\r\n1\r\n\r\n2\r\n-1000\r\n", {},
                       false, gui::MsgDlgType::Error, "File \"%1\" could not be read at line 4."},
        PartlyReadCase{"MissingSample", "gone.AST", QByteArray(), {}, false, gui::MsgDlgType::Error,
                       "File \"%1\" could not be read."}),
    [](const ::testing::TestParamInfo<PartlyReadCase>& info) { return std::string(info.param.name); });

// Ctrl+W on an experiment whose first sample has no replicates (it proposes
// every step's values): an error box says why, naming the sample; the batch
// dialog does not open and nothing changes.

namespace {

struct ProceedAllCase {
    const char* name;
    QByteArray text;
    QString message;   // empty: the batch dialog opens
};

class ProceedAllOnPartlyReadExperiments : public FrameFixture,
                                          public ::testing::WithParamInterface<ProceedAllCase> {};

// A sample whose second point line cannot be read: it keeps no replicates.
QByteArray WithoutReplicates(const QByteArray& title)
{
    return "<SAMPLE>\r\n##Resolution=0.02\r\n##Title=" + title + "\r\n1\r\n2x\r\n-1000\r\n</SAMPLE>\r\n";
}

void PrintTo(const ProceedAllCase& c, std::ostream* os)
{
    *os << c.name;
}

}  // namespace

TEST_P(ProceedAllOnPartlyReadExperiments, NamesTheFirstSampleWithoutReplicates)
{
    const ProceedAllCase& c = GetParam();
    const QString path = dir.filePath(QStringLiteral("partly.AXP"));
    WriteAll(path, c.text);
    ActivateFrame();
    ScriptedDialogs dialogs;
    dialogs.ChooseFile(path);
    dialogs.Answer(gui::mrOk);   // what could not be read
    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
    Pump();
    auto* w = qobject_cast<VelorSpec::TfrmExperiment*>(frame->ActiveChild());
    ASSERT_NE(w, nullptr);
    const int samples = w->Experiment->Count();
    dialogs.asked.clear();

    QTest::keyClick(w->tviewExperiment, Qt::Key_W, Qt::ControlModifier);
    Pump();
    if (c.message.isEmpty()) {
        EXPECT_EQ(dialogs.formClasses, QStringList{"VelorSpec::TfrmProceedAll"});
        return;
    }
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].kind, gui::RequestKind::Message);
    EXPECT_EQ(dialogs.asked[0].type, gui::MsgDlgType::Error);
    EXPECT_EQ(dialogs.asked[0].buttons, gui::mbOK);
    EXPECT_EQ(dialogs.asked[0].text, c.message);
    EXPECT_TRUE(dialogs.formClasses.isEmpty());
    EXPECT_FALSE(w->FModified);
    EXPECT_EQ(w->Experiment->Count(), samples);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ProceedAllOnPartlyReadExperiments,
    ::testing::Values(
        ProceedAllCase{"FirstSampleUnread", ExperimentHead + WithoutReplicates("A") + SampleB,
                       "Can't proceed all samples: sample 1 \"A\" has no replicates.\r\n"
                       "Every step proposes its values from the first sample's replicates."},
        ProceedAllCase{"LongTitleIsQuotedShort",
                       ExperimentHead + WithoutReplicates(QByteArray(60, 'T')) + SampleB,
                       QString::fromUtf8("Can't proceed all samples: sample 1 \"%1\u2026\" has no replicates.\r\n"
                                         "Every step proposes its values from the first sample's replicates.")
                           .arg(QString(40, QLatin1Char('T')))},
        ProceedAllCase{"UntitledFirstSampleUnread", ExperimentHead + WithoutReplicates("") + SampleB,
                       "Can't proceed all samples: sample 1 has no replicates.\r\n"
                       "Every step proposes its values from the first sample's replicates."},
        ProceedAllCase{"OnlyALaterSampleUnread", ExperimentHead + SampleA + WithoutReplicates("B"), {}}),
    [](const ::testing::TestParamInfo<ProceedAllCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Processing a degenerate sample, then saving it: the file reads back the same.

namespace {

void ExpectSameSample(const TAASSample& a, const TAASSample& b)
{
    ASSERT_EQ(a.Count(), b.Count());
    for (int i = 0; i < a.Count(); ++i)
        EXPECT_EQ(a.GetItem(i)->Points(), b.GetItem(i)->Points()) << "replicate " << i;
    EXPECT_EQ(a.Title(), b.Title());
    EXPECT_EQ(a.Absorbtion(), b.Absorbtion());
    EXPECT_EQ(a.ZeroSubtracted(), b.ZeroSubtracted());
    EXPECT_EQ(a.PeakStart(), b.PeakStart());
    EXPECT_EQ(a.PeakEnd(), b.PeakEnd());
    EXPECT_EQ(a.AreaStart(), b.AreaStart());
    EXPECT_EQ(a.AreaEnd(), b.AreaEnd());
    EXPECT_EQ(static_cast<double>(a.GetResolution()), static_cast<double>(b.GetResolution()));
}

gui::DialogReply Reply(int result, const QString& value = QString())
{
    gui::DialogReply r;
    r.result = result;
    r.value = value;
    return r;
}

}  // namespace

TEST_F(RobustFrame, ProcessingDegenerateSamplesThenSaveReadsBack)
{
    struct Case {
        const char* name;
        int replicates;
        int points;
        bool flat;
    } cases[] = {{"one.AST", 1, 1, false}, {"flat.AST", 3, 9, true}, {"two.AST", 2, 2, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = std::make_unique<TAASSample>("Edge", true);
        for (int r = 0; r < c.replicates; ++r) {
            auto* rep = new TAASReplicate;
            for (int j = 0; j < c.points; ++j)
                rep->Add(c.flat ? 5.0 : 1.0 + j * 3 + r);
            s->Add(rep);
        }
        const QString path = WriteSample(dir, QString::fromLatin1(c.name), *s);
        TfrmSample* w = Open(path);
        ASSERT_NE(w, nullptr);
        const gui::Responder previous = gui::SetResponder([&](const gui::DialogRequest& r) -> gui::DialogReply {
            if (auto* f = dynamic_cast<VelorSpec::TfrmInterval*>(r.form)) {
                // The very edges of the offered range.
                f->sedStart->SetValue(f->sedStart->MinValue());
                f->sedEnd->SetValue(f->sedEnd->MaxValue());
                return Reply(gui::mrOk);
            }
            if (auto* f = dynamic_cast<VelorSpec::TfrmSmooth*>(r.form)) {
                f->sedPoints->SetValue(f->sedPoints->MaxValue());
                return Reply(gui::mrOk);
            }
            if (r.kind == gui::RequestKind::InputQuery)
                return Reply(gui::mrOk, QStringLiteral("1000"));
            return Reply(gui::mrOk);
        });
        for (QAction* a : {w->acDefinePlateau, w->acCalculateArea, w->acSubtractZero, w->acSmoothSignal,
                           w->acAbsorbtion, w->acAbsorbtion, w->acChangeResolution, w->acDefinePlateau,
                           w->acCalculateArea})
            w->acList->Execute(a);
        gui::SetResponder(previous);
        EXPECT_GT(w->FSample->Count(), 0);
        const QString saved = Path("saved.AST");
        ASSERT_TRUE(gui::RunGuarded([&] { SaveSampleWindow(w, saved); }, w));
        TAASSample back("", true);
        ASSERT_TRUE(back.LoadFromFile(saved.toStdString())) << ReadAll(saved).left(600).toStdString();
        ExpectSameSample(*w->FSample, back);
        CloseAll();
    }
}

// ---------------------------------------------------------------------------
// Saving onto targets that cannot be written keeps the window modified and
// the old file as it was.

TEST_F(RobustFrame, FailedSavesReportAndKeepOldFile)
{
    auto s = MakeSample("Target", 2, 12);
    const QString path = WriteSample(dir, QStringLiteral("target.AST"), *s);
    const QByteArray original = ReadAll(path);
    TfrmSample* w = Open(path);
    ASSERT_NE(w, nullptr);
    w->FSample->SetTitle("Changed");
    w->FModified = true;

    WriteAll(Path("plain"), "a file");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.AST")));
    for (const QString& target : {Path("plain/under.AST"), Path("folder.AST"), Path("folder"),
                                  Path("missing/dir/x.AST")}) {
        SCOPED_TRACE(target.toStdString());
        Answers answers;
        EXPECT_FALSE(gui::RunGuarded([&] { SaveSampleWindow(w, target); }, w));
        ASSERT_EQ(answers.Requests.size(), 1);
        EXPECT_EQ(answers.Requests[0].type, gui::MsgDlgType::Error);
        EXPECT_TRUE(w->FModified);
        EXPECT_EQ(w->FFileName, path);
    }
    EXPECT_TRUE(QFileInfo(Path("folder.AST")).isDir());
    EXPECT_EQ(ReadAll(Path("plain")), QByteArray("a file"));
    EXPECT_EQ(ReadAll(path), original);
    CloseAll();
}

// ---------------------------------------------------------------------------
// Instrument Data window: odd streams and failing saves

namespace {

class RobustInstrument : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        TfrmInstrument::SetTestInputFolder(dir.path());
    }
    void TearDown() override { TfrmInstrument::SetTestInputFolder(QString()); }
    void Load(const QByteArray& content)
    {
        QFile f(TfrmInstrument::TestInputFileName());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        // Yes when asked whether to replace what the list holds.
        dialogs.Answer(gui::mrYes);
        w.panInfoClick();
        dialogs.replies.clear();
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    TfrmInstrument w;
};

}  // namespace

TEST_F(RobustInstrument, OddStreamsProceedWithoutCrash)
{
    QByteArray markers;
    for (int i = 0; i < 10000; ++i)
        markers += "-1000\r\n";
    Load(markers);
    EXPECT_TRUE(Exec(w, w.acProceedData));
    ASSERT_NE(w.ReceivedReplicates(), nullptr);
    EXPECT_EQ(w.ReceivedReplicates()->Count(), 10000);
    EXPECT_EQ(w.tviewReplicates->topLevelItemCount(), 10000);

    w.ShowPage(0);
    Load("1\r2\n3\r\n-1000\n4\r-1000\r\n");
    EXPECT_TRUE(Exec(w, w.acProceedData));
    ASSERT_EQ(w.ReceivedReplicates()->Count(), 2);
    EXPECT_EQ(PointsOf(w.ReceivedReplicates()->GetItem(0)), std::vector<double>({1, 2, 3}));
    EXPECT_EQ(PointsOf(w.ReceivedReplicates()->GetItem(1)), std::vector<double>({4}));

    // A very long line without a line end, and a stream of NULs: refused with
    // a message, nothing built.
    for (const QByteArray& bad : {QByteArray(1 << 20, '5'), QByteArray(4096, '\0')}) {
        w.ShowPage(0);
        dialogs.asked.clear();
        Load(bad);
        Exec(w, w.acProceedData);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    // Received through the port: chunks without any CR.
    w.ShowPage(0);
    const QByteArray chunk(100000, '1');
    w.cpDrvReceiveData(w.cpDrv, chunk.constData(), static_cast<int>(chunk.size()));
    const QByteArray nuls(1000, '\0');
    w.cpDrvReceiveData(w.cpDrv, nuls.constData(), static_cast<int>(nuls.size()));
    w.cpDrvReceiveData(w.cpDrv, "\r\n\r", 3);
}

TEST_F(RobustInstrument, FailedSampleSaveIsReported)
{
    Load("1\r\n2\r\n-1000\r\n");
    ASSERT_TRUE(Exec(w, w.acProceedData));
    Exec(w, w.acAddSample);
    MoveRight(w, "Replicate #001", w.tviewSamples->topLevelItem(0));
    WriteAll(Path("plain"), "a file");
    dialogs.SaveAs(Path("plain/under.AST"));
    EXPECT_FALSE(Exec(w, w.acSaveSamples));
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(dialogs.asked[1].type, gui::MsgDlgType::Error);
    EXPECT_FALSE(w.prgBar->isVisibleTo(&w));
    EXPECT_EQ(w.tviewSamples->topLevelItemCount(), 1);
    EXPECT_EQ(ReadAll(Path("plain")), QByteArray("a file"));
}

// One reading of 5 MiB without a line end, as the port delivers it: Proceed
// (F7 in the frame) reports it in a box that quotes only its first 40
// characters.
TEST_F(RobustFrame, ProceedQuotesAHugeReadingShort)
{
    TfrmInstrument* instrument = TfrmInstrument::CreateInFrame(frame);
    const QByteArray chunk(64 << 10, '5');
    for (int i = 0; i < 80; ++i)
        instrument->cpDrvReceiveData(instrument->cpDrv, chunk.constData(), static_cast<int>(chunk.size()));
    instrument->cpDrvReceiveData(instrument->cpDrv, "\r-1000\r", 7);
    ASSERT_EQ(instrument->FLines.FReceivedLines.front().size(), size_t(5) << 20);

    ScriptedDialogs dialogs;
    dialogs.Answer(gui::mrOk);
    ActivateFrame();
    QTest::keyClick(frame, Qt::Key_F7);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].type, gui::MsgDlgType::Error);
    EXPECT_EQ(dialogs.asked[0].text,
              QStringLiteral("'") + QString(40, QLatin1Char('5')) + QChar(0x2026) +
                  QStringLiteral("' is not a valid floating point value"));
    EXPECT_EQ(instrument->tviewReplicates->topLevelItemCount(), 0);
}

// A 5 MiB value that is no number, in an experiment opened with Ctrl+O: the
// box quotes its first 40 characters, for a floating point key of a sample
// and for the integer keys (a sample's flag, the experiment's statistic).
TEST_F(RobustFrame, AHugeInvalidNumberInAFileIsQuotedShort)
{
    const QByteArray huge(5 << 20, '7');
    const QString quoted = QStringLiteral("'") + QString(40, QLatin1Char('7')) + QChar(0x2026) + QLatin1Char('\'');
    const auto inSample = [&](const char* key) {
        return ExperimentHead + "<SAMPLE>\r\n##Resolution=0.02\r\n" + key + huge + "\r\n1\r\n2\r\n-1000\r\n</SAMPLE>\r\n";
    };
    const struct {
        const char* file;
        QByteArray text;
        QString message;
    } cases[] = {
        {"float.AXP", inSample("##AreaStart="), quoted + QStringLiteral(" is not a valid floating point value")},
        {"flag.AXP", inSample("##Zero="), quoted + QStringLiteral(" is not a valid integer value")},
        {"statistic.AXP", QByteArray(ExperimentHead).replace("STATISTIC=0", "STATISTIC=" + huge) + SampleA,
         quoted + QStringLiteral(" is not a valid integer value")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        WriteAll(Path(c.file), c.text);
        ActivateFrame();
        ScriptedDialogs dialogs;
        dialogs.ChooseFile(Path(c.file));
        dialogs.Answer(gui::mrOk);
        QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
        Pump();
        ASSERT_EQ(dialogs.asked.size(), 2u);
        EXPECT_EQ(dialogs.asked[1].type, gui::MsgDlgType::Error);
        // Compared in part, so that a whole value in the box fails here
        // without printing megabytes.
        EXPECT_EQ(dialogs.asked[1].text.left(200), c.message);
        EXPECT_EQ(frame->ActiveChild(), nullptr);
    }
}

// ---------------------------------------------------------------------------
// Settings store damaged before start-up

TEST(RobustStore, GarbageInTheStoreNeitherStopsStartUpNorLosesOtherValues)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString base = dir.filePath(QStringLiteral("registry"));
    ASSERT_TRUE(QDir().mkpath(base));
    platform::registry::SetBaseFolder(base);
    {
        platform::registry::TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\VelorSpec\\Other"), true));
        reg.WriteString(QStringLiteral("Keep"), QStringLiteral("me"));
    }
    QDir store(base);
    const QStringList inis = store.entryList({QStringLiteral("*.ini")}, QDir::Files);
    ASSERT_FALSE(inis.isEmpty());
    const QString ini = store.filePath(inis.first());
    QByteArray text = ReadAll(ini);
    text += "\n[MainForm]\nNormPos=\xff\xfe garbage\nFlags=dword:zz\nShowCmd=sz:\n"
            "[MainForm/TfrmMain.MRUManager]\nItem_0=dword:00000001\nItem_1=\x01\x02\x03\nItem_2=/data/kept.AST\n"
            "=====\n[[[[\n";
    text += QByteArray("\0\0\0 junk\n", 9);
    WriteAll(ini, text);
    {
        TfrmMain frame;
        frame.show();
        Pump();
        // The readable recent file is taken, the damaged entries are not.
        EXPECT_TRUE(frame.MRUManager->Strings().contains(QStringLiteral("/data/kept.AST")));
        Answers answers;
        EXPECT_TRUE(frame.close());
        EXPECT_TRUE(answers.Requests.isEmpty());
    }
    Pump();
    platform::registry::TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\VelorSpec\\Other"), false));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Keep")), QStringLiteral("me"));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\VelorSpec\\MainForm\\TfrmMain.MRUManager"), false));
    // Written back in the list's order: the control-character name (a
    // string all the same) first, the kept name after it.
    EXPECT_EQ(reg.ReadString(QStringLiteral("Item_1")), QStringLiteral("/data/kept.AST"));
    platform::registry::SetBaseFolder(QString());
}
