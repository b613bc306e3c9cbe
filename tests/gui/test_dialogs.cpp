// The dialogs layer: what a real file dialog shows for the programs' filters,
// and how a responder answers every kind of box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <functional>
#include <stdexcept>

#include "Dialogs.h"

namespace {

TEST(DialogFilters, DescriptionsThatNameTheirPatternsStandAsTheyAre)
{
    EXPECT_EQ(gui::QtNameFilters("AAS Sample Text Files(*.AST)|*.AST|AAS Sample Binary Files(*.ASB)|*.ASB|"
                                 "AAS Experiment(*.AXP)|*.AXP|Any File(*.*)|*.*"),
              QStringList({"AAS Sample Text Files(*.AST)", "AAS Sample Binary Files(*.ASB)", "AAS Experiment(*.AXP)",
                           "Any File(*.*) (*)"}));
    // A description without its patterns gets them; several patterns are
    // separated by blanks as Qt expects.
    EXPECT_EQ(gui::QtNameFilters("Text files|*.txt;*.TXT|Odd(*.x)|*.y"),
              QStringList({"Text files (*.txt *.TXT)", "Odd(*.x) (*.y)"}));
    EXPECT_TRUE(gui::QtNameFilters("").isEmpty());
    // "*.*" lists every file, a name without a dot too.
    EXPECT_EQ(gui::QtNameFilters("All|*.*"), QStringList({"All (*)"}));
    EXPECT_EQ(gui::QtNameFilters("Some|*.a;*.*"), QStringList({"Some (*.a *)"}));
}

// The real box of a message: never wider than the screen, and every
// character of its text shows, a long path too (wrapped within the box);
// sentences wrap at their blanks, untouched.
TEST(MessageBox, FitsTheScreenAndShowsAllOfItsText)
{
    const QString longName = QStringLiteral("/tmp/") + QString(256, QLatin1Char('n')) + QStringLiteral(".AST");
    const QString sentence = QStringLiteral("Replace the received data with the test input ? ").repeated(8).trimmed();
    struct Case {
        const char* name;
        QString text;
        QString shown;     // the label's text without its break opportunities
        bool untouched;    // the label shows exactly the text
    };
    const Case cases[] = {
        {"file name too long", QStringLiteral("Cannot create file \"%1\". File name too long").arg(longName),
         QStringLiteral("Cannot create file \"%1\". File name too long").arg(longName), false},
        {"long sentence", sentence, sentence, true},
        {"two lines, one a path",
         QStringLiteral("Part of file \"%1\" could not be read.\r\nSaving keeps only what was read.").arg(longName),
         QStringLiteral("Part of file \"%1\" could not be read.\nSaving keeps only what was read.").arg(longName),
         false},
        {"markup stays text", QStringLiteral("<b>Title</b> is not a valid integer value"),
         QStringLiteral("<b>Title</b> is not a valid integer value"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QMessageBox box;
        gui::SetUpMessageBox(box, c.text, gui::MsgDlgType::Error, gui::mbOK);
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
        const QRect screen = box.screen()->availableGeometry();
        EXPECT_LE(box.frameGeometry().width(), screen.width());

        auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        QString shown = label->text();
        if (c.untouched) {
            EXPECT_EQ(shown, c.shown);
        }
        EXPECT_EQ(shown.remove(QChar(0x200B)), c.shown);
        // The label has room for all of its lines at its width.
        EXPECT_LE(label->minimumSizeHint().width(), label->width());
        EXPECT_LE(label->heightForWidth(label->width()), label->height());
        EXPECT_LE(label->geometry().right(), box.contentsRect().right());
    }
}

class Answered : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui::SetResponder([this](const gui::DialogRequest& r) {
            asked.push_back(r);
            return reply;
        });
    }
    void TearDown() override { gui::SetResponder({}); }
    std::vector<gui::DialogRequest> asked;
    gui::DialogReply reply;
};

TEST_F(Answered, MessagesQueriesAndFileDialogsReachTheResponder)
{
    reply.result = gui::mrNo;
    EXPECT_EQ(gui::MessageDlg("Save?", gui::MsgDlgType::Confirmation, gui::mbYesNoCancel), gui::mrNo);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "Save?");
    EXPECT_EQ(asked[0].buttons, gui::mbYesNoCancel);

    reply = {gui::mrOk, "typed", 0, {}};
    QString value = "default";
    EXPECT_TRUE(gui::InputQuery("Caption", "Prompt", value));
    EXPECT_EQ(value, "typed");
    EXPECT_EQ(asked[1].value, "default");

    reply = {gui::mrCancel, "ignored", 0, {}};
    EXPECT_FALSE(gui::InputQuery("Caption", "Prompt", value));
    EXPECT_EQ(value, "typed");  // cancel leaves the text alone

    gui::FileDialogOptions opts;
    opts.filter = "A(*.a)|*.a|B(*.b)|*.b";
    opts.fileName = "old.a";
    reply = {gui::mrOk, "/d/new.b", 2, {}};
    EXPECT_TRUE(gui::ExecuteSaveDialog(opts));
    EXPECT_EQ(opts.fileName, "/d/new.b");
    EXPECT_EQ(opts.filterIndex, 2);
    EXPECT_EQ(asked.back().kind, gui::RequestKind::SaveFile);
    EXPECT_EQ(asked.back().value, "old.a");
}

TEST_F(Answered, GuardedCommandsShowTheirErrorAndFormsReportTheirResult)
{
    reply.result = gui::mrOk;
    EXPECT_FALSE(gui::RunGuarded([] { throw std::runtime_error("List index out of bounds (5)"); }));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].type, gui::MsgDlgType::Error);
    EXPECT_EQ(asked[0].text, "List index out of bounds (5)");
    EXPECT_TRUE(gui::RunGuarded([] {}));

    QDialog form;
    reply.result = gui::mrNone;  // the responder pressed nothing: the form's own result counts
    form.setResult(QDialog::Rejected);
    EXPECT_EQ(gui::ExecModal(form), gui::mrCancel);
    form.setResult(gui::mrOk);
    EXPECT_EQ(gui::ExecModal(form), gui::mrOk);
    EXPECT_EQ(asked.back().form, &form);
}

TEST_F(Answered, NoMessageOrQuestionShowsUnderTheHourglass)
{
    struct Case {
        const char* name;
        std::function<void()> show;
    };
    const Case cases[] = {
        {"error box", [] { gui::ShowError("Cannot read"); }},
        {"question", [] { gui::MessageDlg("Delete?", gui::MsgDlgType::Confirmation, gui::mbYesNo); }},
        {"message", [] { gui::ShowMessage("Done"); }},
        {"error of a guarded command", [] { gui::RunGuarded([] { throw std::runtime_error("Failed"); }); }},
        {"input query", [] {
             QString value;
             gui::InputQuery("Caption", "Prompt", value);
         }},
    };
    std::vector<bool> cursorWhileShown;
    gui::SetResponder([&](const gui::DialogRequest&) {
        cursorWhileShown.push_back(QApplication::overrideCursor() != nullptr);
        return gui::DialogReply{gui::mrOk, {}, 0, {}};
    });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cursorWhileShown.clear();
        // A command's hourglass over another one's busy cursor.
        QApplication::setOverrideCursor(Qt::BusyCursor);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        c.show();
        EXPECT_EQ(cursorWhileShown, std::vector<bool>{false});
        // Both come back, in their order.
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QApplication::restoreOverrideCursor();
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
        QApplication::restoreOverrideCursor();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

}  // namespace
