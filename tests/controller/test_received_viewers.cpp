// The two viewers of a row's received readings: the text and the chart with
// its Overlapped and Sequenced views.

#include <gtest/gtest.h>

#include <QApplication>
#include <QChart>
#include "Charts.h"
#include <QClipboard>
#include <QImage>
#include <QLineSeries>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include "AASCls.h"
#include "Dialogs.h"
#include "ViewGraph.h"
#include "ViewMemo.h"

using namespace VelorTime;

namespace {

const QString Text = QStringLiteral("\r\n5\r\n6\r\n-1000\r\n7\r\n-1000");

QList<QPointF> Pts(std::initializer_list<std::pair<double, double>> P)
{
    QList<QPointF> L;
    for (const auto& [X, Y] : P)
        L << QPointF(X, Y);
    return L;
}

QList<QLineSeries*> Shown(const TfrmViewGraphic& F)
{
    QList<QLineSeries*> L;
    for (QAbstractSeries* S : F.Chart->series())
        L << static_cast<QLineSeries*>(S);
    return L;
}

// Answers every modal request and keeps what was asked.
struct Recorder {
    QList<gui::DialogRequest> Asked;
    gui::Responder Previous;
    std::function<int(const gui::DialogRequest&)> OnForm;
    Recorder()
    {
        Previous = gui::SetResponder([this](const gui::DialogRequest& R) {
            Asked << R;
            gui::DialogReply Reply;
            Reply.result = R.form && OnForm ? OnForm(R) : gui::mrOk;
            return Reply;
        });
    }
    ~Recorder() { gui::SetResponder(Previous); }
};

}  // namespace

TEST(ViewGraphic, OverlappedShowsOneSeriesPerBlock)
{
    TfrmViewGraphic F(nullptr, Text);
    EXPECT_EQ(F.windowTitle(), "View Received Data As Graphic");
    EXPECT_TRUE(F.miViewOverlapped->isChecked());
    EXPECT_FALSE(F.miViewSequenced->isChecked());
    ASSERT_EQ(F.FReplicateSeries.size(), 3u);  // the text ends with a marker: a last empty series
    const QList<QLineSeries*> S = Shown(F);
    ASSERT_EQ(S.size(), 3);
    EXPECT_EQ(S[0]->points(), Pts({{0.02, 5}, {0.04, 6}}));
    EXPECT_EQ(S[1]->points(), Pts({{0.02, 7}}));
    EXPECT_EQ(S[2]->count(), 0);
    EXPECT_EQ(F.FSequencedSeries->chart(), nullptr);
}

TEST(ViewGraphic, SequencedRunsOnAcrossMarkersAndSwitchesBack)
{
    TfrmViewGraphic F(nullptr, Text);
    F.miViewSequenced->trigger();
    EXPECT_TRUE(F.miViewSequenced->isChecked());
    EXPECT_FALSE(F.miViewOverlapped->isChecked());
    const QList<QLineSeries*> S = Shown(F);
    ASSERT_EQ(S.size(), 1);
    EXPECT_EQ(S[0], F.FSequencedSeries.get());
    const double X3 = static_cast<double>(static_cast<long double>(0.04) + 0.02L);
    EXPECT_EQ(S[0]->points(), Pts({{0.02, 5}, {0.04, 6}, {X3, 7}}));
    EXPECT_DOUBLE_EQ(X3, 0.06);

    // The marked item again: nothing changes.
    F.miViewSequenced->trigger();
    EXPECT_TRUE(F.miViewSequenced->isChecked());
    EXPECT_EQ(Shown(F).size(), 1);

    F.miViewOverlapped->trigger();
    EXPECT_TRUE(F.miViewOverlapped->isChecked());
    EXPECT_FALSE(F.miViewSequenced->isChecked());
    EXPECT_EQ(Shown(F).size(), 3);
    EXPECT_EQ(F.FSequencedSeries->chart(), nullptr);
}

TEST(ViewGraphic, ReadingsMayCarryTheLocaleSeparator)
{
    DecimalSeparator = ',';
    TfrmViewGraphic F(nullptr, QStringLiteral("\r\n1,5\r\n-2"));
    DecimalSeparator = '.';
    ASSERT_EQ(F.FReplicateSeries.size(), 1u);
    EXPECT_EQ(F.FReplicateSeries[0]->points(), Pts({{0.02, 1.5}, {0.04, -2}}));
}

TEST(ViewGraphic, EmptyTextGivesOneEmptySeries)
{
    for (const QString& Empty : {QString(), QStringLiteral("\r\n")}) {
        TfrmViewGraphic F(nullptr, Empty);
        ASSERT_EQ(F.FReplicateSeries.size(), 1u);
        EXPECT_EQ(F.FReplicateSeries[0]->count(), 0);
        EXPECT_EQ(F.FSequencedSeries->count(), 0);
    }
}

TEST(ViewGraphic, ButtonShowsTheTitleAndALineThatIsNoNumberShowsTheErrorInstead)
{
    Recorder R;
    QString Title;
    R.OnForm = [&](const gui::DialogRequest& Q) {
        Title = static_cast<TfrmViewGraphic*>(Q.form)->Chart->title();
        return int(gui::mrOk);
    };
    ShowReceivedDataGraphic(Text, QStringLiteral("Lead 1"));
    ASSERT_EQ(R.Asked.size(), 1);
    EXPECT_EQ(R.Asked[0].kind, gui::RequestKind::Form);
    EXPECT_EQ(Title, "Lead 1");

    R.Asked.clear();
    ShowReceivedDataGraphic(QStringLiteral("\r\n5\r\nabc\r\n-1000"), QString());
    ASSERT_EQ(R.Asked.size(), 1);
    EXPECT_EQ(R.Asked[0].kind, gui::RequestKind::Message);
    EXPECT_EQ(R.Asked[0].type, gui::MsgDlgType::Error);
    EXPECT_EQ(R.Asked[0].text, "'abc' is not a valid floating point value");
}

TEST(ViewGraphic, CopyPutsAPictureOnWhiteOnTheClipboard)
{
    TfrmViewGraphic F(nullptr, Text);
    F.show();
    QApplication::clipboard()->clear();
    F.miChartCopy->trigger();
    const QImage Image = QApplication::clipboard()->image();
    ASSERT_FALSE(Image.isNull());
    EXPECT_EQ(Image.size(), F.ChartView->size());
    for (const QPoint P : {QPoint(0, 0), QPoint(Image.width() - 1, Image.height() - 1)})
        EXPECT_EQ(QColor(Image.pixel(P)), QColor(Qt::white));   // plain white, not the on-screen gradient
}

TEST(ViewMemo, ShowsTheReadingsWithoutTheFirstLine)
{
    TfrmViewMemo F;
    EXPECT_EQ(F.windowTitle(), "View Received Data");
    EXPECT_EQ(F.size(), QSize(600, 400));
    F.LoadReceivedData(Text);
    EXPECT_EQ(F.redView->toPlainText(), "5\n6\n-1000\n7\n-1000");
    EXPECT_TRUE(F.redView->isReadOnly());
    F.LoadReceivedData(QString());
    EXPECT_EQ(F.redView->toPlainText(), "");
}

TEST(ViewMemo, EnterInTheTextPressesOK)
{
    TfrmViewMemo F;
    F.LoadReceivedData(Text);
    F.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&F));
    F.redView->setFocus();
    QTest::keyClick(F.redView, Qt::Key_Return);
    EXPECT_EQ(F.result(), QDialog::Accepted);
    EXPECT_FALSE(F.isVisible());
    EXPECT_EQ(F.redView->toPlainText(), "5\n6\n-1000\n7\n-1000");
}

TEST(ViewMemo, PopupCopiesAndSelectsAll)
{
    TfrmViewMemo F;
    F.LoadReceivedData(Text);
    EXPECT_EQ(F.acEditCopy->text(), "&Copy");
    EXPECT_EQ(F.acEditSelectAll->text(), "Select &All");
    F.acEditSelectAll->trigger();
    QApplication::clipboard()->clear();
    F.acEditCopy->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "5\n6\n-1000\n7\n-1000");
}
