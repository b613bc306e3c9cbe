// The time program in the grid: display and edit texts, refusals reported
// through the dialogs layer, colouring of rows with data, the pick list, the
// viewer buttons and the grid following the table's cursor.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QTest>

#include <deque>

#include "Dialogs.h"
#include "ProgramModel.h"
#include "TimeProgram.h"

using namespace VelorTime;
using platform::tablestore::TDataSetState;

namespace {

struct Answers {
    std::vector<gui::DialogRequest> Asked;
    gui::Responder Previous;
    Answers()
    {
        Previous = gui::SetResponder([this](const gui::DialogRequest& R) {
            Asked.push_back(R);
            return gui::DialogReply{gui::mrOk, {}, 0, {}};
        });
    }
    ~Answers() { gui::SetResponder(Previous); }
};

struct ModelFixture : ::testing::Test {
    TTimeProgram P;
    TTable& T = P.Table();
    ProgramModel M{P};

    void SetUp() override { DecimalSeparator = '.'; }

    void AddRow(int Id, double W, const std::string& Data = {})
    {
        T.Append();
        T.SetAsInteger(fldSampleID, Id);
        T.SetAsFloat(fldWashingTime, W);
        T.SetAsFloat(fldInjectionTime, 1);
        T.SetAsFloat(fldReadAt, 1);
        T.SetAsFloat(fldReplTime, 10);
        T.SetAsFloat(fldProbeForward, 0);
        T.SetAsFloat(fldValveLate, 0);
        if (!Data.empty())
            T.SetAsString(fldReceivedData, Data);
        T.Post();
    }
    QString Text(int Row, int Column, int Role = Qt::DisplayRole)
    {
        return M.data(M.index(Row, Column), Role).toString();
    }
};

TEST_F(ModelFixture, ShowsLabelsOneDecimalTimesAndTheViewerTexts)
{
    ASSERT_EQ(M.columnCount(), 13);
    QStringList Labels;
    for (int C = 0; C < 13; ++C)
        Labels << M.headerData(C, Qt::Horizontal).toString();
    EXPECT_EQ(Labels, (QStringList{"ID", "Title", "Type", "Replicates", "Washing Time", "Injection Time", "Read At",
                                   "Replicate Time", "Probe Forward", "Valve Late", "Total Time", "Received Data",
                                   "Graphics"}));
    AddRow(1, 0.5);
    EXPECT_EQ(Text(0, fldWashingTime), ".5");
    EXPECT_EQ(Text(0, fldProbeForward), ".0");
    EXPECT_EQ(Text(0, fldWashingTime, Qt::EditRole), ".5");
    EXPECT_EQ(Text(0, fldTotalTime), "10.0");
    EXPECT_EQ(Text(0, fldReceivedData), "View received data as text");
    EXPECT_EQ(Text(0, fldGraphicView), "View received data as graphic");
    EXPECT_EQ(Text(0, fldSampleName), "");
}

TEST_F(ModelFixture, OnlyStoredNonMemoColumnsAreEditable)
{
    AddRow(1, 1);
    for (int C = 0; C < 13; ++C) {
        const bool Editable = M.flags(M.index(0, C)) & Qt::ItemIsEditable;
        EXPECT_EQ(Editable, C <= fldValveLate) << C;
    }
}

TEST_F(ModelFixture, EditingEntersEditModeAndAnUnchangedTextKeepsEveryDigit)
{
    AddRow(1, 1);
    T.Insert();  // copies W = 1 as a single; fill the rest
    T.SetAsInteger(fldSampleID, 2);
    T.SetAsFloat(fldWashingTime, static_cast<float>(0.1));
    T.Post();
    EXPECT_EQ(Text(0, fldWashingTime, Qt::EditRole), ".1");
    EXPECT_TRUE(M.setData(M.index(0, fldWashingTime), ".1"));
    EXPECT_EQ(T.State(), TDataSetState::Browse);
    EXPECT_EQ(T.AsFloat(fldWashingTime), static_cast<double>(0.1f));
    EXPECT_TRUE(M.setData(M.index(1, fldSampleName), QString::fromUtf8("Kupfer \xC3\xA4")));
    EXPECT_EQ(T.RecNo(), 1);
    EXPECT_EQ(T.State(), TDataSetState::Edit);
    EXPECT_EQ(Text(1, fldSampleName), QString::fromUtf8("Kupfer \xC3\xA4"));
}

TEST_F(ModelFixture, ARefusedEntryIsReportedAndChangesNothing)
{
    AddRow(1, 1);
    QSignalSpy Errors(&M, &ProgramModel::errorRaised);
    QSignalSpy Focus(&M, &ProgramModel::focusCellRequested);
    EXPECT_FALSE(M.setData(M.index(0, fldReplicates), "0"));
    ASSERT_EQ(Errors.count(), 1);
    EXPECT_EQ(Errors[0][0].toString(),
              "0 is not a valid value for field 'Replicates'. The allowed range is 1 to 2147483647");
    ASSERT_EQ(Focus.count(), 1);
    EXPECT_EQ(Focus[0][1].toInt(), fldReplicates);
    EXPECT_EQ(Text(0, fldReplicates), "1");
}

TEST_F(ModelFixture, RowsWithDataAreYellowAndTheirSelectedCellsRed)
{
    AddRow(1, 1);
    AddRow(2, 1, "\r\n5\r\n-1000");
    EXPECT_FALSE(M.data(M.index(0, 0), Qt::BackgroundRole).isValid());
    EXPECT_EQ(M.data(M.index(1, 0), Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 255, 0));

    struct Probe : ProgramDelegate {
        using ProgramDelegate::initStyleOption;
    };
    Probe D;
    Probe* Pr = &D;
    QStyleOptionViewItem Plain, Data;
    Pr->initStyleOption(&Plain, M.index(0, fldSampleName));
    Pr->initStyleOption(&Data, M.index(1, fldSampleName));
    EXPECT_NE(Plain.palette.color(QPalette::HighlightedText), QColor(255, 0, 0));
    EXPECT_EQ(Data.palette.color(QPalette::HighlightedText), QColor(255, 0, 0));
    EXPECT_EQ(Data.palette.color(QPalette::Highlight), QColor(255, 255, 0));
    EXPECT_EQ(Data.backgroundBrush.color(), QColor(255, 255, 0));
}

TEST_F(ModelFixture, TheTypeColumnOffersThePickListAndTakesOtherText)
{
    AddRow(1, 1);
    ProgramDelegate D;
    QWidget Parent;
    std::unique_ptr<QWidget> Editor(D.createEditor(&Parent, QStyleOptionViewItem(), M.index(0, fldSampleType)));
    auto* Combo = qobject_cast<QComboBox*>(Editor.get());
    ASSERT_NE(Combo, nullptr);
    EXPECT_TRUE(Combo->isEditable());
    EXPECT_EQ(Combo->maxVisibleItems(), 3);
    QStringList Items;
    for (int I = 0; I < Combo->count(); ++I)
        Items << Combo->itemText(I);
    EXPECT_EQ(Items, (QStringList{"Blank", "Sample", "Standart"}));
    D.setEditorData(Combo, M.index(0, fldSampleType));
    EXPECT_EQ(Combo->currentText(), "Sample");
    Combo->setEditText("Other");
    D.setModelData(Combo, &M, M.index(0, fldSampleType));
    EXPECT_EQ(T.AsString(fldSampleType), "Other");
}

struct GridFixture : ModelFixture {
    ProgramGrid G;
    void SetUp() override
    {
        ModelFixture::SetUp();
        G.setProgramModel(&M);
        G.resize(1200, 300);
        G.show();
    }
};

TEST_F(GridFixture, FollowsTheTablesCursorAndAppendsWithDownOnTheLastRow)
{
    AddRow(1, 1);
    AddRow(2, 1);
    T.First();
    EXPECT_EQ(G.currentIndex().row(), 0);
    G.setCurrentIndex(M.index(1, fldSampleName));
    EXPECT_EQ(T.RecNo(), 1);
    QTest::keyClick(&G, Qt::Key_Down);
    EXPECT_EQ(T.State(), TDataSetState::Insert);
    EXPECT_EQ(M.rowCount(), 3);
    EXPECT_EQ(G.currentIndex().row(), 2);
    // Down again on the untouched new row adds nothing; Esc drops it.
    P.SetModified(false);
    T.Cancel();
    T.Append();
    EXPECT_EQ(M.rowCount(), 3);
    QTest::keyClick(&G, Qt::Key_Escape);
    EXPECT_EQ(M.rowCount(), 2);
    EXPECT_EQ(T.State(), TDataSetState::Browse);
}

TEST_F(GridFixture, ARowThatCannotBePostedKeepsTheCursorAndShowsTheMessage)
{
    AddRow(1, 1);
    AddRow(2, 1);
    G.setCurrentIndex(M.index(1, fldSampleName));
    ASSERT_TRUE(M.setData(M.index(1, fldInjectionTime), "20"));
    Answers A;
    G.setCurrentIndex(M.index(0, fldSampleName));
    ASSERT_EQ(A.Asked.size(), 1u);
    EXPECT_EQ(A.Asked[0].text, "Washing time + Injection time must be smaller than replicate time.");
    EXPECT_EQ(A.Asked[0].type, gui::MsgDlgType::Error);
    EXPECT_EQ(T.RecNo(), 1);
    EXPECT_EQ(G.currentIndex().row(), 1);
    EXPECT_EQ(T.State(), TDataSetState::Edit);
}

TEST_F(GridFixture, ACheckThatNamesAFieldPutsTheGridOnIt)
{
    AddRow(1, 1);
    G.setCurrentIndex(M.index(0, fldSampleName));
    T.Edit();
    T.SetAsFloat(fldReadAt, 50);
    EXPECT_THROW(T.Post(), EDatabaseError);
    EXPECT_EQ(G.currentIndex().column(), fldReadAt);
    EXPECT_EQ(G.currentIndex().row(), 0);
}

TEST_F(GridFixture, TheEllipsisButtonOfAViewerCellReportsItsColumnOnTheClickedRow)
{
    AddRow(1, 1);
    AddRow(2, 1, "\r\n7\r\n-1000");
    T.First();
    QSignalSpy Clicks(&G, &ProgramGrid::editButtonClicked);
    for (int Column : {fldReceivedData, fldGraphicView}) {
        G.scrollTo(M.index(1, Column));
        const QRect Cell = G.visualRect(M.index(1, Column));
        const QPoint At = ProgramDelegate::buttonRect(Cell).center();
        QTest::mouseClick(G.viewport(), Qt::LeftButton, {}, At);
        EXPECT_EQ(T.RecNo(), 1);
    }
    ASSERT_EQ(Clicks.count(), 2);
    EXPECT_EQ(Clicks[0][0].toInt(), fldReceivedData);
    EXPECT_EQ(Clicks[1][0].toInt(), fldGraphicView);
    // A click elsewhere in the cell opens nothing.
    const QRect Cell = G.visualRect(M.index(0, fldReceivedData));
    QTest::mouseClick(G.viewport(), Qt::LeftButton, {}, Cell.topLeft() + QPoint(3, 3));
    EXPECT_EQ(Clicks.count(), 2);
    // A column the user moved keeps its viewer.
    G.horizontalHeader()->moveSection(fldGraphicView, 0);
    G.scrollTo(M.index(0, fldGraphicView));
    QTest::mouseClick(G.viewport(), Qt::LeftButton, {},
                      ProgramDelegate::buttonRect(G.visualRect(M.index(0, fldGraphicView))).center());
    ASSERT_EQ(Clicks.count(), 3);
    EXPECT_EQ(Clicks[2][0].toInt(), fldGraphicView);
    EXPECT_EQ(T.RecNo(), 0);
}

// The grid in an active window, driven by keys and clicks.
struct TypedGridFixture : GridFixture {
    void SetUp() override
    {
        GridFixture::SetUp();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&G));
        G.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&G));
    }
    // Where the user's keys go: the open list, else the focused control.
    static QWidget* Focused()
    {
        if (QWidget* Popup = QApplication::activePopupWidget())
            return Popup->focusWidget() ? Popup->focusWidget() : Popup;
        return QApplication::focusWidget();
    }
    // Keys go where the focus is at each press, and what a key posted is
    // done before the next one, as for a user's keys.
    static void Press(Qt::Key Key, Qt::KeyboardModifiers Modifiers = {})
    {
        QTest::keyClick(static_cast<QWidget*>(nullptr), Key, Modifiers);
        QApplication::processEvents();
    }
    static void Type(const char* Text)
    {
        for (const char* C = Text; *C; ++C) {
            QTest::keyClick(static_cast<QWidget*>(nullptr), *C);
            QApplication::processEvents();
        }
    }
    void ClickCell(int Row, int Column)
    {
        const QModelIndex I = M.index(Row, Column);
        G.scrollTo(I);
        QTest::mouseClick(G.viewport(), Qt::LeftButton, {}, G.visualRect(I).center());
        ASSERT_EQ(G.currentIndex(), I);
    }
};

TEST_F(TypedGridFixture, TypingOverTheTypeCellReplacesItsText)
{
    const struct {
        const char* Name;
        const char* Typed;
        const char* Stored;
    } Cases[] = {
        {"a pick-list entry", "Standart", "Standart"},
        {"another pick-list entry", "Blank", "Blank"},
        {"the start of an entry, not completed", "Sam", "Sam"},
        {"other text", "Control", "Control"},
        {"text longer than the field, cut at its size", "Calibration1", "Calibratio"},
    };
    for (int Row = 0; Row < int(std::size(Cases)); ++Row)
        AddRow(Row + 1, 1);
    for (int Row = 0; Row < int(std::size(Cases)); ++Row) {
        SCOPED_TRACE(Cases[Row].Name);
        ASSERT_EQ(Text(Row, fldSampleType), "Sample");
        ClickCell(Row, fldSampleType);
        Type(Cases[Row].Typed);
        Press(Qt::Key_Return);
        EXPECT_EQ(Text(Row, fldSampleType).toStdString(), Cases[Row].Stored);
        EXPECT_EQ(T.State(), TDataSetState::Edit);
    }
    // Each row was posted when the next one was entered.
    ClickCell(0, fldSampleName);
    EXPECT_EQ(T.State(), TDataSetState::Browse);
    for (int Row = 0; Row < int(std::size(Cases)); ++Row)
        EXPECT_EQ(T.AsStringAt(Row, fldSampleType), Cases[Row].Stored) << Cases[Row].Name;
}

TEST_F(TypedGridFixture, TheTypeListOpensOnTheCellsValueSoAltDownReturnKeepsIt)
{
    const char* const Values[] = {"Blank", "Sample", "Standart"};
    for (int Row = 0; Row < int(std::size(Values)); ++Row) {
        AddRow(Row + 1, 1);
        T.Edit();
        T.SetAsString(fldSampleType, Values[Row]);
        T.Post();
    }
    for (int Row = 0; Row < int(std::size(Values)); ++Row) {
        SCOPED_TRACE(Values[Row]);
        ClickCell(Row, fldSampleType);
        Press(Qt::Key_F2);
        Press(Qt::Key_Down, Qt::AltModifier);
        auto* List = qobject_cast<QAbstractItemView*>(Focused());
        ASSERT_NE(List, nullptr);
        EXPECT_EQ(List->currentIndex().data().toString(), Values[Row]);
        Press(Qt::Key_Return);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        Press(Qt::Key_Return);
        EXPECT_EQ(Focused(), &G);   // the editor closed
        EXPECT_EQ(Text(Row, fldSampleType).toStdString(), Values[Row]);
    }
    ClickCell(0, fldSampleName);
    for (int Row = 0; Row < int(std::size(Values)); ++Row)
        EXPECT_EQ(T.AsStringAt(Row, fldSampleType), Values[Row]);
}

}  // namespace
