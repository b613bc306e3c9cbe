#include "CPDrv.h"
#include "Dialogs.h"
#include "SettingsDlg.h"
#include "WindowFit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QTabBar>
#include <QLineEdit>
#include <QScreen>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <vector>

namespace {

// Records the message boxes asked for and answers OK.
class Boxes {
public:
    Boxes()
    {
        previous_ = gui::SetResponder([this](const gui::DialogRequest& r) {
            if (r.kind == gui::RequestKind::Form && onForm)
                return onForm(*r.form);
            requests.push_back(r);
            gui::DialogReply reply;
            reply.result = gui::mrOk;
            return reply;
        });
    }
    ~Boxes() { gui::SetResponder(previous_); }

    std::vector<gui::DialogRequest> requests;
    std::function<gui::DialogReply(QDialog&)> onForm;

private:
    gui::Responder previous_;
};

// The workbench's component as its window sets it up.
void workbenchDriver(TCommPortDriver& d)
{
    d.SetPort(pnCustom);
    d.SetPortName(R"(\\.\COM1)");
    d.SetDataBits(db7BITS);
}

QStringList items(QComboBox* c)
{
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

struct Snapshot {
    explicit Snapshot(const TCommPortDriver& d)
        : port(d.Port()), name(d.PortName()), rate(d.BaudRate()), value(d.BaudRateValue()), bits(d.DataBits()),
          parity(d.Parity()), stop(d.StopBits()), hw(d.HwFlow()), sw(d.SwFlow()), dtr(d.EnableDTROnOpen()),
          check(d.CheckLineStatus())
    {
    }
    bool operator==(const Snapshot&) const = default;
    TPortNumber port;
    QString name;
    TBaudRate rate;
    std::uint32_t value;
    TDataBits bits;
    TParity parity;
    TStopBits stop;
    THwFlowControl hw;
    TSwFlowControl sw;
    bool dtr;
    bool check;
};

void editEverything(TSettingsForm& f)
{
    f.PortComboBox->setEditText("/dev/ttyUSB0");
    f.BaudRateComboBox->setEditText("115200");
    f.DataBitsComboBox->setCurrentIndex(0);
    f.ParityComboBox->setCurrentIndex(3);
    f.StopBitsComboBox->setCurrentIndex(2);
    f.HwFlowComboBox->setCurrentIndex(2);
    f.SwFlowComboBox->setCurrentIndex(1);
    f.DTRControlComboBox->setCurrentIndex(1);
    f.DevCheckComboBox->setCurrentIndex(0);
}

}  // namespace

TEST(SettingsFormLayout, CaptionsPagesAndLists)
{
    TCommPortDriver d;
    TSettingsForm f(nullptr, &d);
    EXPECT_EQ(f.windowTitle(), "Comunication Settings");
    ASSERT_EQ(f.SettingsPageControl->count(), 3);
    EXPECT_EQ(f.SettingsPageControl->tabText(0), "Base Settings");
    EXPECT_EQ(f.SettingsPageControl->tabText(1), "Flow Control");
    EXPECT_EQ(f.SettingsPageControl->tabText(2), "Device Control");
    EXPECT_EQ(f.SettingsPageControl->widget(2), f.TabSheet1);
    EXPECT_EQ(f.OkButton->text(), "Ok");
    EXPECT_TRUE(f.OkButton->isDefault());
    EXPECT_EQ(f.CancelButton->text(), "Cancel");

    QStringList ports;
    for (int i = 1; i <= 16; ++i)
        ports << QStringLiteral(R"(\\.\COM%1)").arg(i);
    EXPECT_EQ(items(f.PortComboBox), ports);
    EXPECT_TRUE(f.PortComboBox->isEditable());
    EXPECT_EQ(items(f.BaudRateComboBox),
              QStringList({"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400", "56000",
                           "57600", "115200", "128000", "230400", "256000", "460800", "921600"}));
    EXPECT_TRUE(f.BaudRateComboBox->isEditable());
    EXPECT_EQ(items(f.DataBitsComboBox), QStringList({"5", "6", "7", "8"}));
    EXPECT_EQ(items(f.ParityComboBox), QStringList({"None", "Odd", "Even", "Mark", "Space"}));
    EXPECT_EQ(items(f.StopBitsComboBox), QStringList({"1", "1.5", "2"}));
    EXPECT_EQ(items(f.HwFlowComboBox), QStringList({"None", "None but RTS on", "RTS/CTS"}));
    EXPECT_EQ(items(f.SwFlowComboBox), QStringList({"None", "XON/XOFF"}));
    EXPECT_EQ(items(f.DTRControlComboBox), QStringList({"Standard", "Keep off"}));
    EXPECT_EQ(items(f.DevCheckComboBox), QStringList({"Yes", "No"}));
    for (QComboBox* c : {f.DataBitsComboBox, f.ParityComboBox, f.StopBitsComboBox, f.HwFlowComboBox,
                         f.SwFlowComboBox, f.DTRControlComboBox, f.DevCheckComboBox})
        EXPECT_FALSE(c->isEditable());

    // Every label leads to its list.
    const QStringList captions = {"Port name:",     "Baud rate:",    "Data bits:",   "Parity:",      "Stop bits:",
                                  "Hardware flow:", "Software flow:", "DTR control:", "Device check:"};
    const QList<QComboBox*> combos = {f.PortComboBox,   f.BaudRateComboBox, f.DataBitsComboBox,
                                      f.ParityComboBox, f.StopBitsComboBox, f.HwFlowComboBox,
                                      f.SwFlowComboBox, f.DTRControlComboBox, f.DevCheckComboBox};
    for (int i = 0; i < captions.size(); ++i) {
        QLabel* found = nullptr;
        for (QLabel* l : f.findChildren<QLabel*>())
            if (l->text() == captions[i])
                found = l;
        ASSERT_NE(found, nullptr) << captions[i].toStdString();
        EXPECT_EQ(found->buddy(), combos[i]);
    }
}

TEST(SettingsFormLoad, ShowsTheWorkbenchComponentOnTheFirstPage)
{
    TCommPortDriver d;
    workbenchDriver(d);
    std::unique_ptr<TSettingsForm> f(TSettingsForm::CreateForPort(nullptr, &d));
    EXPECT_EQ(f->SettingsPageControl->currentWidget(), f->BaseSettingsTabSheet);
    EXPECT_EQ(f->PortComboBox->currentText(), R"(\\.\COM1)");
    EXPECT_EQ(f->BaudRateComboBox->currentText(), "9600");
    EXPECT_EQ(f->DataBitsComboBox->currentText(), "7");
    EXPECT_EQ(f->ParityComboBox->currentText(), "None");
    EXPECT_EQ(f->StopBitsComboBox->currentText(), "1");
    EXPECT_EQ(f->HwFlowComboBox->currentText(), "None but RTS on");
    EXPECT_EQ(f->SwFlowComboBox->currentText(), "None");
    EXPECT_EQ(f->DTRControlComboBox->currentText(), "Standard");
    EXPECT_EQ(f->DevCheckComboBox->currentText(), "No");

    // A rate and name outside the lists show as they are.
    d.SetPortName("/dev/pts/9");
    d.SetBaudRateValue(31250);
    d.SetEnableDTROnOpen(false);
    d.SetCheckLineStatus(true);
    d.SetHwFlow(hfRTSCTS);
    TSettingsForm g(nullptr, &d);
    EXPECT_EQ(g.PortComboBox->currentText(), "/dev/pts/9");
    EXPECT_EQ(g.BaudRateComboBox->currentText(), "31250");
    EXPECT_EQ(g.DTRControlComboBox->currentText(), "Keep off");
    EXPECT_EQ(g.DevCheckComboBox->currentText(), "Yes");
    EXPECT_EQ(g.HwFlowComboBox->currentText(), "RTS/CTS");
}

TEST(SettingsFormBaudText, ConversionRules)
{
    const auto conv = [](const char* s) { return TSettingsForm::StrToIntDef(QString::fromUtf8(s), -1); };
    EXPECT_EQ(conv("9600"), 9600);
    EXPECT_EQ(conv("  9600"), 9600);
    EXPECT_EQ(conv("9600 "), -1);
    EXPECT_EQ(conv(""), -1);
    EXPECT_EQ(conv("   "), -1);
    EXPECT_EQ(conv("+9600"), 9600);
    EXPECT_EQ(conv("-9600"), -9600);
    EXPECT_EQ(conv("+"), -1);
    EXPECT_EQ(conv("$2580"), 9600);
    EXPECT_EQ(conv("0x2580"), 9600);
    EXPECT_EQ(conv("0X2580"), 9600);
    EXPECT_EQ(conv("x2580"), 9600);
    EXPECT_EQ(conv("$e1000"), 921600);
    EXPECT_EQ(conv("$"), -1);
    EXPECT_EQ(conv("0x"), -1);
    EXPECT_EQ(conv("12a"), -1);
    EXPECT_EQ(conv("96 00"), -1);
    EXPECT_EQ(conv("\t9600"), -1);
    EXPECT_EQ(conv("2147483647"), 2147483647);
    EXPECT_EQ(conv("2147483648"), -1);
    EXPECT_EQ(conv("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(conv("$FFFFFFFF"), -1);           // all 32 bits: reads as -1
    EXPECT_EQ(conv("$100000000"), -1);
    EXPECT_EQ(conv("00110"), 110);
}

class SettingsFormOk : public ::testing::Test {
protected:
    void SetUp() override { workbenchDriver(d); }

    // Sets the two texts, presses Ok, and tells what happened.
    void press(const QString& port, const QString& rate)
    {
        form = std::make_unique<TSettingsForm>(nullptr, &d);
        form->PortComboBox->setEditText(port);
        form->BaudRateComboBox->setEditText(rate);
        boxes.requests.clear();
        form->OkButtonClick();
    }
    bool refusedWith(const char* text) const
    {
        return boxes.requests.size() == 1 && boxes.requests[0].text == text && boxes.requests[0].caption == "Error"
               && boxes.requests[0].type == gui::MsgDlgType::Error && boxes.requests[0].buttons == gui::mbOK
               && form->result() != QDialog::Accepted;
    }
    bool accepted() const { return boxes.requests.empty() && form->result() == gui::mrOk; }

    TCommPortDriver d;
    Boxes boxes;
    std::unique_ptr<TSettingsForm> form;
};

TEST_F(SettingsFormOk, PortNameIsTrimmedAndOtherwiseKeptAsTyped)
{
    press("  \\\\.\\COM3\t ", "9600");
    ASSERT_TRUE(accepted());
    EXPECT_EQ(d.PortName(), R"(\\.\COM3)");
    EXPECT_EQ(d.Port(), pnCustom);
    press("ttyUSB0", "9600");
    ASSERT_TRUE(accepted());
    EXPECT_EQ(d.PortName(), "ttyUSB0");
}

TEST_F(SettingsFormOk, EmptyPortNameIsRefusedFirstAndNothingWritten)
{
    const Snapshot before(d);
    press(" \t ", "9600");
    EXPECT_TRUE(refusedWith("Please, enter a valid port name."));
    EXPECT_TRUE(Snapshot(d) == before);
    // With both fields wrong only the port message shows.
    press("", "abc");
    EXPECT_TRUE(refusedWith("Please, enter a valid port name."));
    // The user's text stays in place.
    EXPECT_EQ(form->BaudRateComboBox->currentText(), "abc");
    EXPECT_TRUE(Snapshot(d) == before);
}

TEST_F(SettingsFormOk, BaudRateRangeAndText)
{
    const Snapshot before(d);
    for (const char* bad : {"109", "921601", "9600 ", "", "-9600", "0", "$FFFFFFFF", "96O0", "4294967296"}) {
        press(R"(\\.\COM2)", bad);
        EXPECT_TRUE(refusedWith("Please, enter a valid baud rate.")) << bad;
        EXPECT_TRUE(Snapshot(d) == before) << bad;
    }
    press(R"(\\.\COM2)", " 9600");
    EXPECT_TRUE(accepted());
    press(R"(\\.\COM2)", "110");
    EXPECT_TRUE(accepted());
    EXPECT_EQ(d.BaudRateValue(), 110u);
    press(R"(\\.\COM2)", "921600");
    EXPECT_TRUE(accepted());
    EXPECT_EQ(d.BaudRateValue(), 921600u);
    press(R"(\\.\COM2)", "0x38400");
    EXPECT_TRUE(accepted());
    EXPECT_EQ(d.BaudRateValue(), 0x38400u);
    press(R"(\\.\COM2)", "230400");
    EXPECT_TRUE(accepted());
    EXPECT_EQ(d.BaudRateValue(), 230400u);
    EXPECT_EQ(d.BaudRate(), brCustom);
}

TEST_F(SettingsFormOk, ListChoicesAreWrittenBack)
{
    form = std::make_unique<TSettingsForm>(nullptr, &d);
    editEverything(*form);
    form->BaudRateComboBox->setCurrentIndex(form->BaudRateComboBox->findText("9600"));
    form->OkButtonClick();
    ASSERT_TRUE(accepted());
    EXPECT_EQ(d.PortName(), "/dev/ttyUSB0");
    EXPECT_EQ(d.BaudRateValue(), 9600u);
    EXPECT_EQ(d.BaudRate(), brCustom);   // a table rate from the list too
    EXPECT_EQ(d.DataBits(), db5BITS);
    EXPECT_EQ(d.Parity(), ptMARK);
    EXPECT_EQ(d.StopBits(), sb2BITS);
    EXPECT_EQ(d.HwFlow(), hfRTSCTS);
    EXPECT_EQ(d.SwFlow(), sfXONXOFF);
    EXPECT_FALSE(d.EnableDTROnOpen());
    EXPECT_TRUE(d.CheckLineStatus());

    // And back the other way.
    form = std::make_unique<TSettingsForm>(nullptr, &d);
    form->DTRControlComboBox->setCurrentIndex(0);
    form->DevCheckComboBox->setCurrentIndex(1);
    form->OkButtonClick();
    EXPECT_TRUE(d.EnableDTROnOpen());
    EXPECT_FALSE(d.CheckLineStatus());
}

TEST(SettingsFormModal, CancelEscapeAndCloseBoxChangeNothing)
{
    TCommPortDriver d;
    workbenchDriver(d);
    const Snapshot before(d);
    Boxes boxes;
    const std::vector<std::function<void(TSettingsForm&)>> ways = {
        [](TSettingsForm& f) { f.CancelButton->click(); },
        [](TSettingsForm& f) { QTest::keyClick(&f, Qt::Key_Escape); },
        [](TSettingsForm& f) { f.close(); },
    };
    for (std::size_t i = 0; i < ways.size(); ++i) {
        TSettingsForm f(nullptr, &d);
        boxes.onForm = [&](QDialog& shown) {
            EXPECT_EQ(&shown, &f);
            editEverything(f);
            f.show();
            f.setResult(99);
            ways[i](f);
            EXPECT_EQ(f.result(), QDialog::Rejected) << i;
            EXPECT_FALSE(f.isVisible()) << i;
            return gui::DialogReply{};
        };
        EXPECT_EQ(gui::ExecModal(f), gui::mrCancel) << i;
        EXPECT_TRUE(Snapshot(d) == before) << i;
    }
    EXPECT_TRUE(boxes.requests.empty());
}

TEST(SettingsFormModal, OkThroughTheModalCall)
{
    TCommPortDriver d;
    workbenchDriver(d);
    Boxes boxes;
    TSettingsForm f(nullptr, &d);
    boxes.onForm = [&](QDialog&) {
        f.StopBitsComboBox->setCurrentIndex(1);
        f.OkButton->click();
        return gui::DialogReply{};
    };
    EXPECT_EQ(gui::ExecModal(f), gui::mrOk);
    EXPECT_EQ(d.StopBits(), sb1HALFBITS);
}

TEST(SettingsFormModal, EnterInAnEditFieldConfirmsAndTheDialogSitsMidScreen)
{
    TCommPortDriver d;
    workbenchDriver(d);
    Boxes boxes;
    // The calling window sits in a corner: the dialog still opens mid-screen.
    QWidget owner;
    owner.setGeometry(10, 10, 200, 150);
    owner.show();
    TSettingsForm f(&owner, &d);
    boxes.onForm = [&](QDialog&) {
        f.show();
        f.activateWindow();
        const QRect screen = f.screen()->availableGeometry();
        EXPECT_LE(std::abs(f.frameGeometry().center().x() - screen.center().x()), 2);
        EXPECT_LE(std::abs(f.frameGeometry().center().y() - screen.center().y()), 30);
        f.BaudRateComboBox->setFocus();
        f.BaudRateComboBox->lineEdit()->selectAll();
        QTest::keyClicks(f.BaudRateComboBox->lineEdit(), "19200");
        QTest::keyClick(f.BaudRateComboBox->lineEdit(), Qt::Key_Return);
        return gui::DialogReply{};
    };
    EXPECT_EQ(gui::ExecModal(f), gui::mrOk);
    EXPECT_TRUE(boxes.requests.empty());
    EXPECT_EQ(d.BaudRateValue(), 19200u);
    EXPECT_EQ(d.PortName(), R"(\\.\COM1)");
}

TEST(SettingsFormModal, EnterOnTheFocusedCancelButtonCancels)
{
    TCommPortDriver d;
    workbenchDriver(d);
    const Snapshot before(d);
    Boxes boxes;
    TSettingsForm f(nullptr, &d);
    boxes.onForm = [&](QDialog&) {
        f.show();
        f.activateWindow();
        editEverything(f);
        f.CancelButton->setFocus();
        QTest::keyClick(f.CancelButton, Qt::Key_Return);
        return gui::DialogReply{};
    };
    EXPECT_EQ(gui::ExecModal(f), gui::mrCancel);
    EXPECT_TRUE(Snapshot(d) == before);
}

// Typed text in the two editable boxes is taken as typed: the lists only
// suggest, they never complete ("1152" is not 115200, "\\.\COM" not COM1x).
TEST(SettingsFormTyping, TypedTextIsNeverCompletedFromTheList)
{
    Boxes boxes;
    TCommPortDriver d;
    workbenchDriver(d);
    TSettingsForm f(nullptr, &d);
    f.show();
    struct Case {
        QComboBox* box;
        const char* typed;
    } cases[] = {{f.BaudRateComboBox, "1152"}, {f.BaudRateComboBox, "11"}, {f.PortComboBox, R"(\\.\COM)"},
                 {f.PortComboBox, "/dev/ttyUSB0"}};
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        c.box->setFocus();
        c.box->lineEdit()->selectAll();
        QTest::keyClicks(c.box->lineEdit(), QString::fromUtf8(c.typed));
        EXPECT_EQ(c.box->currentText(), QString::fromUtf8(c.typed));
    }
    f.BaudRateComboBox->setFocus();
    f.BaudRateComboBox->lineEdit()->selectAll();
    QTest::keyClicks(f.BaudRateComboBox->lineEdit(), "1152");
    QTest::keyClick(f.BaudRateComboBox->lineEdit(), Qt::Key_Tab);
    f.OkButtonClick();
    EXPECT_TRUE(boxes.requests.empty());
    EXPECT_EQ(d.BaudRateValue(), 1152u);
    EXPECT_EQ(d.PortName(), "/dev/ttyUSB0");
}

// At its first size the dialog shows all three tabs (no scroll buttons) and
// every control of every page.
TEST(SettingsFormLayout, FirstSizeShowsEveryTabAndControl)
{
    TCommPortDriver d;
    workbenchDriver(d);
    TSettingsForm f(nullptr, &d);
    EXPECT_GE(f.width(), 314);
    EXPECT_GE(f.height(), 206);
    f.show();
    QApplication::processEvents();
    QTabBar* bar = f.SettingsPageControl->tabBar();
    EXPECT_GE(bar->width(), bar->sizeHint().width());
    for (int i = 0; i < bar->count(); ++i)
        EXPECT_TRUE(bar->rect().contains(bar->tabRect(i))) << bar->tabText(i).toStdString();
    EXPECT_TRUE(gui::ClippedControls(&f).isEmpty());
    for (int page = 0; page < f.SettingsPageControl->count(); ++page) {
        f.SettingsPageControl->setCurrentIndex(page);
        QApplication::processEvents();
        for (QWidget* w : f.SettingsPageControl->widget(page)->findChildren<QWidget*>()) {
            if (!w->isVisible())
                continue;
            const QRect r(w->mapTo(&f, QPoint(0, 0)), w->size());
            EXPECT_TRUE(f.rect().contains(r)) << w->metaObject()->className();
            EXPECT_GE(w->width(), w->minimumSizeHint().width()) << w->metaObject()->className();
        }
    }
    EXPECT_EQ(f.windowTitle(), "Comunication Settings");
}
