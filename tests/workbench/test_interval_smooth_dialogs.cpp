// The interval and smoothing dialogs, their set-up and the numeric field.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>

#include "DefineStandart.h"
#include "EditCtrls.h"
#include "Interval.h"
#include "ProcessingTestUtil.h"
#include "SmoothDlg.h"
#include "SpinEdit.h"

using namespace VelorSpec;
using namespace processing_test;

namespace {

TEST(IntervalDialog, FormDefaults)
{
    TfrmInterval dlg;
    EXPECT_EQ(dlg.windowTitle(), "Set Zero Interval");
    EXPECT_EQ(dlg.labStart->text(), "St&art Second:");
    EXPECT_EQ(dlg.labEnd->text(), "E&nd Second:");
    EXPECT_EQ(dlg.labStart->buddy(), dlg.sedStart);
    EXPECT_EQ(dlg.labEnd->buddy(), dlg.sedEnd);
    EXPECT_EQ(dlg.btnOK->text(), "OK");
    EXPECT_TRUE(dlg.btnOK->isDefault());
    EXPECT_EQ(dlg.btnCancel->text(), "Cancel");
    for (gui::TSpinEdit* sed : {dlg.sedStart, dlg.sedEnd}) {
        EXPECT_EQ(sed->ValueType(), gui::TSpinEdit::TValueType::Float);
        EXPECT_EQ(sed->Value(), 0.02);
        EXPECT_EQ(sed->Increment(), 0.02);
        EXPECT_TRUE(sed->alignment() & Qt::AlignRight);
    }
}

TEST(IntervalDialog, SetupTakesBoundsFromReplicateZero)
{
    // 100 points at 0.02 s: fields from 0.02 to 2.00 in steps of 0.02.
    auto sample = MakeSample(2, 100, [](int, int j) { return j; });
    TfrmInterval dlg;
    SetupIntervalDialog(dlg, *sample, "Define Plateau", 0.5, 1.25);
    EXPECT_EQ(dlg.windowTitle(), "Define Plateau");
    for (gui::TSpinEdit* sed : {dlg.sedStart, dlg.sedEnd}) {
        EXPECT_EQ(sed->MinValue(), 0.02);
        EXPECT_EQ(sed->Increment(), 0.02);
        EXPECT_EQ(sed->MaxValue(), static_cast<double>(100 * sample->GetResolution()));
        EXPECT_DOUBLE_EQ(sed->MaxValue(), 2.0);
    }
    EXPECT_EQ(dlg.sedStart->Value(), 0.5);
    EXPECT_EQ(dlg.sedEnd->Value(), 1.25);

    // After re-binning to 0.1 s the 100 points become 20: the maximum stays 2.
    sample->SetResolution(0.1);
    SetupIntervalDialog(dlg, *sample, "Subtract Zero", 0.1, 0.2);
    EXPECT_EQ(dlg.sedStart->MinValue(), 0.1);
    EXPECT_EQ(dlg.sedEnd->Increment(), 0.1);
    EXPECT_DOUBLE_EQ(dlg.sedEnd->MaxValue(), 2.0);
}

TEST(IntervalDialog, SetupNeitherClampsNorRoundsTheValues)
{
    auto sample = MakeSample(1, 10, [](int, int j) { return j; });
    TfrmInterval dlg;
    const double third = 0.7333333333333333;  // more digits than the field shows
    SetupIntervalDialog(dlg, *sample, "Calculate Area", -5.0, third);
    EXPECT_EQ(dlg.sedStart->Value(), -5.0);  // below the minimum
    EXPECT_EQ(dlg.sedEnd->Value(), third);   // read back exactly
    SetupIntervalDialog(dlg, *sample, "Calculate Area", 7.5, 9.0);
    EXPECT_EQ(dlg.sedStart->Value(), 7.5);   // above the maximum of 0.2
    EXPECT_EQ(dlg.sedEnd->Value(), 9.0);
}

TEST(IntervalDialog, SetupOnEmptySampleFailsWithIndexErrorAfterTheValues)
{
    TAASSample empty("Sample", true);
    TfrmInterval dlg;
    try {
        SetupIntervalDialog(dlg, empty, "Subtract Zero", 0.3, 0.4);
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (0)");
    }
    EXPECT_EQ(dlg.sedStart->Value(), 0.3);
    EXPECT_EQ(dlg.windowTitle(), "Set Zero Interval");
}

TEST(IntervalDialog, ExecuteIsTrueOnlyForOk)
{
    TfrmInterval dlg;
    {
        ScriptedResponder responder;
        responder.ThenResult(gui::mrOk);
        responder.ThenResult(gui::mrCancel);
        EXPECT_TRUE(dlg.Execute());
        EXPECT_FALSE(dlg.Execute());
        ASSERT_EQ(responder.Requests.size(), 2u);
        EXPECT_EQ(responder.Requests[0].kind, gui::RequestKind::Form);
        EXPECT_EQ(responder.Requests[0].form, &dlg);
    }
    {
        // Pressing the buttons themselves decides the result too.
        ScriptedResponder responder;
        responder.Then([&](const gui::DialogRequest&) {
            dlg.btnOK->click();
            return gui::DialogReply{};
        });
        responder.Then([&](const gui::DialogRequest&) {
            dlg.btnCancel->click();
            return gui::DialogReply{};
        });
        EXPECT_TRUE(dlg.Execute());
        EXPECT_FALSE(dlg.Execute());
    }
}

TEST(SmoothDialog, FormDefaults)
{
    TfrmSmooth dlg;
    EXPECT_EQ(dlg.windowTitle(), "Smooth");
    EXPECT_EQ(dlg.font().family(), "Times New Roman");
    EXPECT_EQ(dlg.rgMethod->title(), "S&elect Method");
    ASSERT_EQ(dlg.rgMethod->Count(), 2);
    EXPECT_EQ(dlg.rgMethod->Button(0)->text(), "M&oving Average");
    EXPECT_EQ(dlg.rgMethod->Button(1)->text(), "S&av - Gol");
    EXPECT_EQ(dlg.rgMethod->ItemIndex(), 0);
    EXPECT_EQ(dlg.gboxPoints->title(), "Poi&nts");
    EXPECT_EQ(dlg.sedPoints->ValueType(), gui::TSpinEdit::TValueType::Integer);
    EXPECT_EQ(dlg.sedPoints->MinValue(), 1);
    EXPECT_EQ(dlg.sedPoints->MaxValue(), 2147483647.0);
    EXPECT_EQ(dlg.sedPoints->Value(), 1);
    EXPECT_TRUE(dlg.parent() == nullptr);

    dlg.rgMethod->Button(1)->click();
    EXPECT_EQ(dlg.rgMethod->ItemIndex(), 1);
    dlg.rgMethod->SetItemIndex(-1);
    EXPECT_EQ(dlg.rgMethod->ItemIndex(), -1);

    ScriptedResponder responder;
    responder.ThenResult(gui::mrOk);
    responder.ThenResult(gui::mrCancel);
    EXPECT_TRUE(dlg.Execute());
    EXPECT_FALSE(dlg.Execute());
}

// The limited fields of the real dialogs on a sample of 100 points at 0.02 s:
// the interval fields from 0.02 to 2.00, the points from 1 to 49.
struct LimitedFields {
    enum Field { Start, End, Points };
    std::unique_ptr<TAASSample> sample = MakeSample(1, 100, [](int, int j) { return j; });
    TfrmInterval interval;
    TfrmSmooth smooth;
    LimitedFields()
    {
        SetupIntervalDialog(interval, *sample, "Define Plateau", 0.5, 1.25);
        smooth.sedPoints->SetMaxValue(100 / 2 - 1);   // as the smoothing command sets it
    }
    QDialog& DialogOf(Field field) { return field == Points ? static_cast<QDialog&>(smooth) : interval; }
    gui::TSpinEdit* Edit(Field field)
    {
        return field == Start ? interval.sedStart : field == End ? interval.sedEnd : smooth.sedPoints;
    }
    QPushButton* OK(Field field) { return field == Points ? smooth.btnOK : interval.btnOK; }
};

// Typing into a limited field of the real dialogs: a value within the limits
// is kept, one outside is brought to the nearer limit, whether the entry ends
// with Return or with OK.
TEST(IntervalAndSmoothDialogs, TypedValueOutsideTheLimitsIsBroughtToTheLimit)
{
    SeparatorScope point('.');
    using enum LimitedFields::Field;
    enum Expect { Kept, Minimum, Maximum };
    struct Case {
        const char* name;
        LimitedFields::Field field;
        const char* typed;
        Expect expect;
        double kept = 0;
    };
    const Case cases[] = {
        {"start within", Start, "1.5", Kept, 1.5},    {"start above", Start, "5", Maximum},
        {"start below", Start, "0.01", Minimum},      {"end within", End, "0.46", Kept, 0.46},
        {"end below", End, "0", Minimum},             {"points within", Points, "20", Kept, 20},
        {"points below", Points, "0", Minimum},       {"points above", Points, "60", Maximum},
    };
    for (const Case& c : cases)
        for (Finish how : {Finish::Return, Finish::ClickOK}) {
            SCOPED_TRACE(std::string(c.name) + ", " + NameOf(how));
            LimitedFields f;
            QDialog& dlg = f.DialogOf(c.field);
            gui::TSpinEdit* sed = f.Edit(c.field);
            ASSERT_TRUE(ShowActive(dlg));
            TypeAndFinish(sed, c.typed, how, f.OK(c.field));
            EXPECT_EQ(dlg.result(), gui::mrOk);
            const double expected = c.expect == Kept ? c.kept : c.expect == Minimum ? sed->MinValue() : sed->MaxValue();
            EXPECT_EQ(sed->Value(), expected);
        }
}

// The numeric field: stepping, typing, bounds.

TEST(SpinEdit, SteppingStaysWithinARange)
{
    gui::TSpinEdit sed(gui::TSpinEdit::TValueType::Float);
    sed.SetValue(0.02);
    sed.SetIncrement(0.02);
    sed.SetMinValue(0.02);
    sed.SetMaxValue(0.06);
    sed.stepBy(1);
    EXPECT_DOUBLE_EQ(sed.Value(), 0.04);
    sed.stepBy(5);
    EXPECT_EQ(sed.Value(), 0.06);
    sed.stepBy(-10);
    EXPECT_EQ(sed.Value(), 0.02);

    // A maximum below the minimum is no range: stepping does nothing and the
    // value stays as set.
    gui::TSpinEdit points(gui::TSpinEdit::TValueType::Integer);
    points.SetValue(1);
    points.SetMinValue(1);
    points.SetMaxValue(0);
    points.stepBy(1);
    points.stepBy(-1);
    EXPECT_EQ(points.Value(), 1);
    points.SetValue(0);
    EXPECT_EQ(points.Value(), 0);
}

namespace {

// Where a field's arrow is.
QRect ArrowRect(gui::TSpinEdit* sed, QStyle::SubControl arrow)
{
    QStyleOptionSpinBox opt;
    opt.initFrom(sed);
    opt.rect = sed->rect();
    opt.subControls = QStyle::SC_All;
    opt.buttonSymbols = sed->buttonSymbols();
    opt.frame = sed->hasFrame();
    return sed->style()->subControlRect(QStyle::CC_SpinBox, &opt, arrow, sed);
}

// The arrow as it shows now (that part of the field's picture).
QImage ArrowPicture(gui::TSpinEdit* sed, QStyle::SubControl arrow)
{
    return sed->grab(ArrowRect(sed, arrow)).toImage();
}

}  // namespace

// As the toolkit's spin edit: at its maximum a field's up arrow is disabled,
// at its minimum its down arrow.  That arrow then steps nothing and the other
// one steps back.
TEST(SpinEdit, ArrowIsDisabledAtItsLimit)
{
    SeparatorScope point('.');
    using enum LimitedFields::Field;
    const QStyle::SubControl Up = QStyle::SC_SpinBoxUp, Down = QStyle::SC_SpinBoxDown;
    struct Case {
        const char* name;
        LimitedFields::Field field;
        const char* typed;
        Qt::Key key;     // then pressed three times
        double limit;    // where the field stands then
        QStyle::SubControl off;  // the disabled arrow
        double back;     // after a click on the other arrow
    };
    const Case cases[] = {
        {"start stepped up to 2.00", Start, "1.97", Qt::Key_Up, 2.0, Up, 1.98},
        {"end stepped down to 0.02", End, "0.05", Qt::Key_Down, 0.02, Down, 0.04},
        {"points stepped up to 49", Points, "47", Qt::Key_Up, 49, Up, 48},
        {"points stepped down to 1", Points, "3", Qt::Key_Down, 1, Down, 2},
        {"points typed at 49", Points, "49", Qt::Key_unknown, 49, Up, 48},
        {"start typed at 0.02", Start, "0.02", Qt::Key_unknown, 0.02, Down, 0.04},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LimitedFields f;
        gui::TSpinEdit* sed = f.Edit(c.field);
        const QStyle::SubControl on = c.off == Up ? Down : Up;
        ASSERT_TRUE(ShowActive(f.DialogOf(c.field)));
        sed->setFocus();
        // Both arrows enabled, within the limits.
        sed->selectAll();
        QTest::keyClicks(sed, c.field == Points ? "20" : "1");
        const QImage enabledOff = ArrowPicture(sed, c.off), enabledOn = ArrowPicture(sed, on);
        sed->selectAll();
        QTest::keyClicks(sed, c.typed);
        if (c.key != Qt::Key_unknown)
            for (int i = 0; i < 3; ++i)
                QTest::keyClick(sed, c.key);
        EXPECT_DOUBLE_EQ(sed->Value(), c.limit);
        EXPECT_NE(ArrowPicture(sed, c.off), enabledOff);   // drawn disabled
        EXPECT_EQ(ArrowPicture(sed, on), enabledOn);       // the other one as before

        QTest::mouseClick(sed, Qt::LeftButton, {}, ArrowRect(sed, c.off).center());
        EXPECT_DOUBLE_EQ(sed->Value(), c.limit);
        QTest::mouseClick(sed, Qt::LeftButton, {}, ArrowRect(sed, on).center());
        EXPECT_DOUBLE_EQ(sed->Value(), c.back);
    }
}

// Either separator key typed into a fractional field is the user's decimal
// separator: the field shows the user's separator and the value is exactly
// what was meant, under a '.' and under a ',' locale.
TEST(IntervalDialog, EitherSeparatorKeyIsTheUsersSeparator)
{
    auto sample = MakeSample(1, 100, [](int, int j) { return j; });   // 0.02 to 2.00
    struct Case {
        const char* name;
        char separator;
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {
        {"point typed, point locale", '.', "0.2", "0.2"},
        {"comma typed, point locale", '.', "0,2", "0.2"},
        {"point typed, comma locale", ',', "0.2", "0,2"},
        {"comma typed, comma locale", ',', "0,2", "0,2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SeparatorScope scope(c.separator);
        TfrmInterval dlg;
        SetupIntervalDialog(dlg, *sample, "Define Plateau", 0.5, 1.25);
        ASSERT_TRUE(ShowActive(dlg));
        dlg.sedStart->setFocus();
        dlg.sedStart->selectAll();
        QTest::keyClicks(dlg.sedStart, c.typed);
        EXPECT_EQ(dlg.sedStart->text(), c.shown);
        QTest::keyClick(dlg.sedStart, Qt::Key_Return);
        EXPECT_EQ(dlg.result(), gui::mrOk);
        EXPECT_EQ(dlg.sedStart->Value(), 0.2);
    }
}

// Equal minimum and maximum mean no limits: the arrows step from a typed
// value however far out it lies, and the entry keeps it.
TEST(SpinEdit, EqualLimitsMeanNoLimits)
{
    SeparatorScope point('.');
    // One point at 0.02 s: both interval fields from 0.02 to 0.02.
    auto onePoint = MakeSample(1, 1, [](int, int) { return 1.0; });
    TfrmInterval interval;
    SetupIntervalDialog(interval, *onePoint, "Define Plateau", 0.02, 0.02);
    TfrmDefineStandart standard;   // the concentration: 0 to 0, increment 1
    struct Case {
        const char* name;
        QDialog* dlg;
        gui::TSpinEdit* sed;
        QPushButton* ok;
        const char* typed;
        double stepped;   // after Up, Up, Down
    };
    const Case cases[] = {
        {"interval of a one-point sample", &interval, interval.sedEnd, interval.btnOK, "7.5", 7.52},
        {"concentration of a standard", &standard, standard.sedConc, standard.btnOK, "250", 251},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.sed->MinValue(), c.sed->MaxValue());
        ASSERT_TRUE(ShowActive(*c.dlg));
        c.sed->setFocus();
        c.sed->selectAll();
        QTest::keyClicks(c.sed, c.typed);
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Down})
            QTest::keyClick(c.sed, key);
        EXPECT_DOUBLE_EQ(c.sed->Value(), c.stepped);
        const double shown = c.sed->Value();
        QTest::keyClick(c.sed, Qt::Key_Return);
        EXPECT_EQ(c.dlg->result(), gui::mrOk);
        EXPECT_EQ(c.sed->Value(), shown);
    }
}

TEST(SpinEdit, TypedTextUsesTheDecimalSeparatorAndIsClampedWhenDone)
{
    SeparatorScope comma(',');
    gui::TSpinEdit sed(gui::TSpinEdit::TValueType::Float);
    sed.SetMinValue(0.02);
    sed.SetMaxValue(2.0);
    sed.SetValue(0.5);
    EXPECT_EQ(sed.text(), "0,5");

    sed.findChild<QLineEdit*>()->clear();
    QTest::keyClicks(sed.findChild<QLineEdit*>(), "1,25");
    EXPECT_EQ(sed.Value(), 1.25);
    emit sed.editingFinished();
    EXPECT_EQ(sed.Value(), 1.25);

    sed.findChild<QLineEdit*>()->clear();
    QTest::keyClicks(sed.findChild<QLineEdit*>(), "7");
    EXPECT_EQ(sed.Value(), 7.0);  // typed, not yet finished
    emit sed.editingFinished();
    EXPECT_EQ(sed.Value(), 2.0);
    EXPECT_EQ(sed.text(), "2");

    // A point stands for the separator too: the validator turns it into one.
    QString dotted = "1.5";
    int pos = 0;
    EXPECT_EQ(sed.validate(dotted, pos), QValidator::Acceptable);
    EXPECT_EQ(dotted, "1,5");
    QString partial = "1,";
    EXPECT_NE(sed.validate(partial, pos), QValidator::Invalid);  // on the way to a number
}

TEST(SpinEdit, IntegerFieldKeepsWholeNumbers)
{
    gui::TSpinEdit sed(gui::TSpinEdit::TValueType::Integer);
    sed.SetValue(7.9);
    EXPECT_EQ(sed.Value(), 7);
    EXPECT_EQ(sed.text(), "7");
    QString frac = "2,5";
    int pos = 0;
    EXPECT_EQ(sed.validate(frac, pos), QValidator::Invalid);
}

}  // namespace
