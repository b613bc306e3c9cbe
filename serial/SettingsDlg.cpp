#include "SettingsDlg.h"

#include "CPDrv.h"
#include "Dialogs.h"
#include "WindowFit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Removes leading and trailing blanks and control characters.
QString trimBlanks(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s.at(b).unicode() <= 0x20)
        ++b;
    while (e > b && s.at(e - 1).unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

QComboBox* addRow(QGridLayout* grid, int row, const QString& caption, const QStringList& items, bool editable)
{
    auto* combo = new QComboBox;
    combo->setEditable(editable);
    combo->addItems(items);
    if (editable) {
        combo->setInsertPolicy(QComboBox::NoInsert);
        // The list only suggests: typed text reaches the driver as typed,
        // never completed from the list ("1152" stays 1152).
        combo->setCompleter(nullptr);
    }
    auto* label = new QLabel(caption);
    label->setBuddy(combo);
    grid->addWidget(label, row, 0);
    grid->addWidget(combo, row, 1);
    return combo;
}

QWidget* newPage(QGridLayout*& grid)
{
    auto* page = new QWidget;
    grid = new QGridLayout(page);
    grid->setColumnStretch(1, 1);
    return page;
}

}  // namespace

TSettingsForm::TSettingsForm(QWidget* AOwner, TCommPortDriver* ADriver)
    : QDialog(AOwner), FDriver(ADriver)
{
    setWindowTitle(QStringLiteral("Comunication Settings"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    SettingsPageControl = new QTabWidget;
    SettingsPageControl->setObjectName(QStringLiteral("SettingsPageControl"));

    QGridLayout* grid = nullptr;
    BaseSettingsTabSheet = newPage(grid);
    QStringList ports;
    for (int i = 1; i <= 16; ++i)
        ports << QStringLiteral("\\\\.\\COM%1").arg(i);
    PortComboBox = addRow(grid, 0, QStringLiteral("Port name:"), ports, true);
    BaudRateComboBox = addRow(grid, 1, QStringLiteral("Baud rate:"),
                              {"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400",
                               "56000", "57600", "115200", "128000", "230400", "256000", "460800", "921600"},
                              true);
    DataBitsComboBox = addRow(grid, 2, QStringLiteral("Data bits:"), {"5", "6", "7", "8"}, false);
    ParityComboBox = addRow(grid, 3, QStringLiteral("Parity:"), {"None", "Odd", "Even", "Mark", "Space"}, false);
    StopBitsComboBox = addRow(grid, 4, QStringLiteral("Stop bits:"), {"1", "1.5", "2"}, false);
    grid->setRowStretch(5, 1);
    SettingsPageControl->addTab(BaseSettingsTabSheet, QStringLiteral("Base Settings"));

    FlowControlTabSheet = newPage(grid);
    HwFlowComboBox = addRow(grid, 0, QStringLiteral("Hardware flow:"), {"None", "None but RTS on", "RTS/CTS"}, false);
    SwFlowComboBox = addRow(grid, 1, QStringLiteral("Software flow:"), {"None", "XON/XOFF"}, false);
    DTRControlComboBox = addRow(grid, 2, QStringLiteral("DTR control:"), {"Standard", "Keep off"}, false);
    grid->setRowStretch(3, 1);
    SettingsPageControl->addTab(FlowControlTabSheet, QStringLiteral("Flow Control"));

    TabSheet1 = newPage(grid);
    DevCheckComboBox = addRow(grid, 0, QStringLiteral("Device check:"), {"Yes", "No"}, false);
    grid->setRowStretch(1, 1);
    SettingsPageControl->addTab(TabSheet1, QStringLiteral("Device Control"));

    OkButton = new QPushButton(QStringLiteral("Ok"));
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"));
    // Enter on a focused button presses that button, as on any dialog.
    CancelButton->setAutoDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &TSettingsForm::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    buttons->addStretch(1);

    auto* panel = new QHBoxLayout(this);
    panel->setContentsMargins(2, 2, 2, 2);
    panel->addWidget(SettingsPageControl, 1);
    panel->addLayout(buttons);

    LoadFromDriver();
    SettingsPageControl->setCurrentWidget(BaseSettingsTabSheet);

    // The form's size, grown where the font needs more room: all three tabs
    // and every control show.
    setFixedSize(gui::FitFirstSize(this, QSize(314, 206)));

    // The dialog opens in the middle of the screen, not over its owner.
    const QScreen* screen = AOwner ? AOwner->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

TSettingsForm* TSettingsForm::CreateForPort(QWidget* AOwner, TCommPortDriver* ADriver)
{
    return new TSettingsForm(AOwner, ADriver);
}

void TSettingsForm::LoadFromDriver()
{
    PortComboBox->setEditText(FDriver->PortName());
    BaudRateComboBox->setEditText(QString::number(FDriver->BaudRateValue()));
    DataBitsComboBox->setCurrentIndex(FDriver->DataBits());
    ParityComboBox->setCurrentIndex(FDriver->Parity());
    StopBitsComboBox->setCurrentIndex(FDriver->StopBits());
    HwFlowComboBox->setCurrentIndex(FDriver->HwFlow());
    SwFlowComboBox->setCurrentIndex(FDriver->SwFlow());
    DTRControlComboBox->setCurrentIndex(FDriver->EnableDTROnOpen() ? 0 : 1);
    DevCheckComboBox->setCurrentIndex(FDriver->CheckLineStatus() ? 0 : 1);
}

std::int32_t TSettingsForm::StrToIntDef(const QString& text, std::int32_t def)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < n && text.at(i) == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i < n && (text.at(i) == QLatin1Char('x') || text.at(i) == QLatin1Char('X'))) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text.at(i) == QLatin1Char('0')
               && (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return def;
    // Decimal must stay within the signed range; hexadecimal may use all 32
    // bits (and then reads as a negative number).
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull
                                : negative ? 0x80000000ull
                                           : 0x7FFFFFFFull;
    std::uint64_t value = 0;
    for (; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return def;
        value = value * std::uint64_t(base) + std::uint64_t(digit);
        if (value > limit)
            return def;
    }
    const auto bits = static_cast<std::uint32_t>(value);
    const auto signedValue = static_cast<std::int32_t>(bits);
    return negative ? static_cast<std::int32_t>(0u - bits) : signedValue;
}

void TSettingsForm::OkButtonClick()
{
    const QString port = trimBlanks(PortComboBox->currentText());
    if (port.isEmpty()) {
        gui::MessageDlg(QStringLiteral("Please, enter a valid port name."), gui::MsgDlgType::Error, gui::mbOK, this);
        return;
    }
    const std::int32_t baud = StrToIntDef(BaudRateComboBox->currentText(), -1);
    const auto rate = static_cast<std::uint32_t>(baud);
    if (rate < 110 || rate > 921600) {
        gui::MessageDlg(QStringLiteral("Please, enter a valid baud rate."), gui::MsgDlgType::Error, gui::mbOK, this);
        return;
    }
    FDriver->SetPortName(port);
    FDriver->SetBaudRateValue(rate);
    FDriver->SetDataBits(static_cast<TDataBits>(std::max(0, DataBitsComboBox->currentIndex())));
    FDriver->SetParity(static_cast<TParity>(std::max(0, ParityComboBox->currentIndex())));
    FDriver->SetStopBits(static_cast<TStopBits>(std::max(0, StopBitsComboBox->currentIndex())));
    FDriver->SetHwFlow(static_cast<THwFlowControl>(std::max(0, HwFlowComboBox->currentIndex())));
    FDriver->SetSwFlow(static_cast<TSwFlowControl>(std::max(0, SwFlowComboBox->currentIndex())));
    FDriver->SetEnableDTROnOpen(DTRControlComboBox->currentIndex() == 0);
    FDriver->SetCheckLineStatus(DevCheckComboBox->currentIndex() == 0);
    done(gui::mrOk);
}

bool ConnectInstrumentPort(QWidget* owner, TCommPortDriver* driver)
{
    if (driver->Connect())
        return true;
    gui::MessageDlg(QStringLiteral("Could not connect to serial port.\r\nPlease, check settings and try again."),
                    gui::MsgDlgType::Error, gui::mbOK, owner);
    return false;
}

bool ExecuteInstrumentSettings(QWidget* owner, TCommPortDriver* driver, const std::function<void()>& onDisconnected)
{
    if (driver->IsConnected()) {
        if (gui::MessageDlg(QStringLiteral("Could not change settings while a connection is active.\r\n"
                                           "Close the connection and continue ?"),
                            gui::MsgDlgType::Confirmation, gui::mbOKCancel, owner) != gui::mrOk)
            return false;
        driver->Disconnect();
        if (onDisconnected)
            onDisconnected();
    }
    TSettingsForm form(owner, driver);
    gui::ExecModal(form);
    return true;
}

void InstrumentLineLost(QWidget* owner, TCommPortDriver* driver, const std::function<void()>& onDisconnected)
{
    driver->Disconnect();
    if (onDisconnected)
        onDisconnected();
    TellInstrumentLineLost(owner);
}

void TellInstrumentLineLost(QWidget* owner)
{
    gui::MessageDlg(QStringLiteral("The connection to the serial port was lost.\r\n"
                                   "The received data is kept; check the instrument and connect again."),
                    gui::MsgDlgType::Error, gui::mbOK, owner);
}
