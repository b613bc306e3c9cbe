// The standard's dialog and the marking commands Standart / Sample / Zero of
// the experiment window.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "DefineStandart.h"
#include "ProcessingTestUtil.h"
#include "ScriptedDialogs.h"
#include "SmoothDlg.h"
#include "SpinEdit.h"

using namespace VelorSpec;
using processing_test::Finish;
using processing_test::ScriptedResponder;
using processing_test::SeparatorScope;

namespace {

// Fills the dialog, presses OK, and, when the dialog refused to close,
// corrects the value and presses OK again.
ScriptedResponder::Step Enter(double Value, int Unit, double Retry = 0)
{
    return [=](const gui::DialogRequest& R) {
        auto* D = dynamic_cast<TfrmDefineStandart*>(R.form);
        EXPECT_NE(D, nullptr);
        D->sedConc->SetValue(Value);
        D->cmbConcUnits->setCurrentIndex(Unit);
        D->btnOK->click();
        if (D->result() != gui::mrOk) {
            D->sedConc->SetValue(Retry);
            D->btnOK->click();
        }
        return gui::DialogReply{};
    };
}

TEST(DefineStandartDialog, Form)
{
    TfrmDefineStandart D;
    EXPECT_EQ(D.windowTitle(), "Set standart concentration...");
    EXPECT_EQ(D.labConc->text(), "Enter &Concentration:");
    EXPECT_EQ(D.labConc->buddy(), D.sedConc);
    EXPECT_EQ(D.labConcUnits->text(), "Enter Concentration &Units:");
    EXPECT_EQ(D.labConcUnits->buddy(), D.cmbConcUnits);
    ASSERT_EQ(D.cmbConcUnits->count(), 2);
    EXPECT_EQ(D.cmbConcUnits->itemText(0), "ppm");
    EXPECT_EQ(D.cmbConcUnits->itemText(1), "ppb");
    EXPECT_EQ(D.cmbConcUnits->currentIndex(), 0);
    EXPECT_EQ(D.sedConc->ValueType(), gui::TSpinEdit::TValueType::Float);
    EXPECT_EQ(D.sedConc->Value(), 0.0);
    EXPECT_EQ(D.sedConc->Decimals(), 3);
    EXPECT_TRUE(D.sedConc->alignment() & Qt::AlignRight);
    EXPECT_EQ(D.btnOK->text(), "OK");
    EXPECT_TRUE(D.btnOK->isDefault());
    EXPECT_EQ(D.btnCancel->text(), "Cancel");
    D.show();
    EXPECT_EQ(D.focusWidget(), D.sedConc);
}

TEST(DefineStandartDialog, ShowsThreeDecimalsWithTheUsersSeparator)
{
    for (const auto& [Sep, Text] : {std::pair{'.', "0.250"}, std::pair{',', "0,250"}}) {
        SeparatorScope Scope(Sep);
        TfrmDefineStandart D;
        D.sedConc->SetValue(0.25);
        EXPECT_EQ(D.sedConc->text(), Text);
    }
}

TEST(DefineStandartDialog, UnitsConvertToPpm)
{
    struct Case {
        double Value;
        int Unit;
        double Ppm;
    };
    for (const Case& C : {Case{250, 1, 0.25}, Case{250, 0, 250}, Case{1.5, 1, 0.0015}, Case{0, 1, 0}}) {
        TfrmDefineStandart D;
        ScriptedResponder Answers;
        Answers.Then(Enter(C.Value, C.Unit));
        EXPECT_TRUE(D.Execute());
        EXPECT_EQ(D.ConcentrationPpm(), C.Ppm);
        EXPECT_TRUE(Answers.Messages().isEmpty());
    }
}

TEST(DefineStandartDialog, NegativeConcentrationKeepsTheDialogOpen)
{
    TfrmDefineStandart D;
    ScriptedResponder Answers;
    Answers.Then(Enter(-1, 0, 2.5));
    Answers.ThenResult(gui::mrOk);   // the error box
    EXPECT_TRUE(D.Execute());
    ASSERT_EQ(Answers.Messages(), QStringList{"Negative concentrations are not allowed."});
    EXPECT_EQ(Answers.Requests[1].type, gui::MsgDlgType::Error);
    EXPECT_EQ(Answers.Requests[1].buttons, gui::mbOK);
    EXPECT_EQ(D.ConcentrationPpm(), 2.5);
}

// The concentration as typed: no limits, the unit picked with the arrow key,
// the entry ended with Return or with OK.  A negative value is refused with
// the dialog left open on it.
TEST(DefineStandartDialog, TypedConcentration)
{
    SeparatorScope Point('.');
    struct Case {
        const char* Typed;
        int Unit;          // Down presses on the unit list: 0 "ppm", 1 "ppb"
        bool Accepted;
        double Ppm;
    };
    const Case Cases[] = {{"1.5", 0, true, 1.5}, {"250", 1, true, 0.25}, {"-2", 0, false, -2}};
    for (const Case& C : Cases)
        for (Finish How : {Finish::Return, Finish::ClickOK}) {
            SCOPED_TRACE(std::string(C.Typed) + (C.Unit ? " ppb, " : " ppm, ") + processing_test::NameOf(How));
            ScriptedDialogs Dialogs;
            Dialogs.Answer(gui::mrOk);
            TfrmDefineStandart D;
            ASSERT_TRUE(processing_test::ShowActive(D));
            for (int i = 0; i < C.Unit; ++i)
                QTest::keyClick(D.cmbConcUnits, Qt::Key_Down);
            processing_test::TypeAndFinish(D.sedConc, C.Typed, How, D.btnOK);
            EXPECT_EQ(D.ConcentrationPpm(), C.Ppm);
            if (C.Accepted) {
                EXPECT_TRUE(Dialogs.asked.empty());
                EXPECT_EQ(D.result(), gui::mrOk);
                EXPECT_FALSE(D.isVisible());
            } else {
                EXPECT_EQ(Dialogs.Texts(), QStringList{"Negative concentrations are not allowed."});
                EXPECT_NE(D.result(), gui::mrOk);
                EXPECT_TRUE(D.isVisible());
                EXPECT_EQ(D.sedConc->text(), "-2.000");
            }
        }
}

// A numeric field shows its whole value, as typed and once the entry is done
// (Tab to the next control): the concentration with its three decimals, and
// the smoothing's points.
TEST(NumericFields, ShowTheirWholeValue)
{
    SeparatorScope Point('.');
    struct Case {
        const char* Typed;
        const char* Shown;   // once the entry is done
        bool Points;         // the smoothing's points, else the concentration
    };
    const Case Cases[] = {{"250", "250.000", false}, {"123456.789", "123456.789", false},
                          {"-2.5", "-2.500", false}, {"2147483647", "2147483647", true}};
    const auto Fits = [](gui::TSpinEdit* Field) {
        QLineEdit* Edit = Field->findChild<QLineEdit*>();
        // The line edit keeps 2 pixels beside its text on either side.
        const int Visible = Edit->contentsRect().marginsRemoved(Edit->textMargins()).width() - 2 * 2;
        return Edit->fontMetrics().horizontalAdvance(Edit->text()) <= Visible;
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Typed);
        TfrmDefineStandart Standart;
        TfrmSmooth Smooth;
        QDialog& Dialog = C.Points ? static_cast<QDialog&>(Smooth) : Standart;
        gui::TSpinEdit* Field = C.Points ? Smooth.sedPoints : Standart.sedConc;
        ASSERT_TRUE(processing_test::ShowActive(Dialog));
        Field->setFocus();
        Field->selectAll();
        QTest::keyClicks(Field, C.Typed);
        EXPECT_EQ(Field->text(), C.Typed);
        EXPECT_TRUE(Fits(Field));
        QTest::keyClick(Field, Qt::Key_Tab);
        EXPECT_EQ(Field->text(), C.Shown);
        EXPECT_TRUE(Fits(Field));
    }
}

TEST(DefineStandartDialog, CancelClosesAlsoWithANegativeValue)
{
    TfrmDefineStandart D;
    ScriptedResponder Answers;
    Answers.Then([](const gui::DialogRequest& R) {
        auto* F = dynamic_cast<TfrmDefineStandart*>(R.form);
        F->sedConc->SetValue(-3);
        F->btnCancel->click();
        return gui::DialogReply{};
    });
    EXPECT_FALSE(D.Execute());
    EXPECT_TRUE(Answers.Messages().isEmpty());
}

}  // namespace
