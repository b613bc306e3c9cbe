// "Save As Experiment" on the main window: the save dialog, the name rules,
// the table's current row, and failures.

#include <QDir>
#include <QFile>

#include "AASCls.h"
#include "MainTestUtil.h"

using namespace VelorTime;
using namespace VelorTimeTest;

namespace {

class ExportWindowTest : public MainWindowTest {
protected:
    void SaveAs(const QString& Name) { Replies.push_back({gui::mrOk, Name, 0, {}}); }
    bool Export() { return W->acList->Execute(W->acInstrSaveExperiment); }
    QString File(const QString& Name) const { return Dir.filePath(Name); }
    std::vector<gui::DialogRequest> SaveDialogs() const
    {
        std::vector<gui::DialogRequest> Out;
        for (const auto& R : Asked)
            if (R.kind == gui::RequestKind::SaveFile)
                Out.push_back(R);
        return Out;
    }
};

const std::string TwoBlocks = "\r\n20\r\n21\r\n-1000\r\n10\r\n11\r\n-1000";
const std::string OneBlock = "\r\n30\r\n31\r\n-1000";

}  // namespace

TEST_F(ExportWindowTest, WritesOneSamplePerRowWithDataWithoutTitles)
{
    SetRows({{1, "Std 1", 2, 5, 3, 6, 12, 1, 2, TwoBlocks}, {2, "Empty", 1}, {3, "Probe", 1, 5, 3, 6, 12, 1, 2, OneBlock}});
    Table().MoveTo(1);
    SaveAs(File("run"));
    EXPECT_TRUE(Export());
    const auto Dialogs = SaveDialogs();
    ASSERT_EQ(Dialogs.size(), 1u);
    EXPECT_EQ(Dialogs[0].filter, "AAS Experiment Files(*.AXP)|*.AXP");
    EXPECT_EQ(Dialogs[0].caption, "");
    EXPECT_EQ(Dialogs[0].defaultExt, "");
    EXPECT_EQ(Table().RecNo(), 1);
    EXPECT_FALSE(Table().ControlsDisabled());
    EXPECT_FALSE(QFile::exists(File("run")));

    TAASExperiment E("", true);
    E.LoadFromFile(File("run.AXP").toStdString());
    ASSERT_EQ(E.Count(), 2);
    EXPECT_EQ(E[0]->Count(), 2);
    EXPECT_EQ(E[0]->GetItem(0)->GetItem(0), 20);
    EXPECT_EQ(E[1]->Count(), 1);
    EXPECT_EQ(E[0]->Title(), "");
    EXPECT_EQ(E[1]->Title(), "");
    EXPECT_FALSE(W->IsModified());
}

TEST_F(ExportWindowTest, OtherExtensionIsReplacedAndAnExistingFileReplaced)
{
    SetRows({{1, "A", 1, 5, 3, 6, 12, 1, 2, OneBlock}});
    {
        QFile Old(File("x.AXP"));
        ASSERT_TRUE(Old.open(QIODevice::WriteOnly));
        Old.write("old");
    }
    SaveAs(File("x.txt"));
    EXPECT_TRUE(Export());
    EXPECT_FALSE(QFile::exists(File("x.txt")));
    TAASExperiment E("", true);
    E.LoadFromFile(File("x.AXP").toStdString());
    EXPECT_EQ(E.Count(), 1);
}

TEST_F(ExportWindowTest, NothingToExportOrCancelledWritesNothing)
{
    SetRows({{1, "A", 1}, {2, "B", 1}});
    EXPECT_TRUE(Export());
    EXPECT_TRUE(Asked.empty());  // no row with data: not even the dialog

    SetRows({{1, "A", 1, 5, 3, 6, 12, 1, 2, OneBlock}});
    EXPECT_TRUE(Export());  // the dialog is cancelled
    EXPECT_EQ(SaveDialogs().size(), 1u);
    EXPECT_TRUE(QDir(Dir.path()).entryList(QDir::Files).filter(".AXP").isEmpty());
}

TEST_F(ExportWindowTest, LineThatIsNoNumberStopsBeforeTheDialog)
{
    SetRows({{1, "A", 1, 5, 3, 6, 12, 1, 2, OneBlock}, {2, "B", 1, 5, 3, 6, 12, 1, 2, "\r\n1\r\n\r\n2\r\n-1000"}});
    Table().MoveTo(0);
    SaveAs(File("bad"));
    EXPECT_FALSE(Export());
    EXPECT_TRUE(SaveDialogs().empty());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "'' is not a valid floating point value");
    EXPECT_FALSE(QFile::exists(File("bad.AXP")));
    EXPECT_EQ(Table().RecNo(), 0);
    EXPECT_FALSE(Table().ControlsDisabled());
}

TEST_F(ExportWindowTest, FileThatCannotBeWrittenIsReported)
{
    SetRows({{1, "A", 1, 5, 3, 6, 12, 1, 2, OneBlock}, {2, "B", 1}});
    Table().MoveTo(1);
    SaveAs(File("missing/folder/run"));
    EXPECT_FALSE(Export());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].indexOf("run.AXP"), -1) << Messages()[0].toStdString();
    EXPECT_EQ(Table().RecNo(), 1);
}
