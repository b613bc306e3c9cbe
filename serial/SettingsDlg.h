#pragma once
// TSettingsForm: the modal "Comunication Settings" dialog that edits the line
// settings of one TCommPortDriver.  The controls are filled from the driver
// when the dialog is created and written back only by "Ok" after the port
// name and baud rate pass their checks; "Cancel", Esc and the close box change
// nothing.  Show it with gui::ExecModal(form).

#include <QDialog>

#include <cstdint>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QWidget;
class TCommPortDriver;

class TSettingsForm : public QDialog {
    Q_OBJECT
public:
    TSettingsForm(QWidget* AOwner, TCommPortDriver* ADriver);
    // Same as the constructor; named after its role for callers.
    static TSettingsForm* CreateForPort(QWidget* AOwner, TCommPortDriver* ADriver);

    void LoadFromDriver();
    void OkButtonClick();

    // Baud-rate text to a signed 32-bit number: leading blanks and one sign
    // are skipped, "$", "x" or "0x" starts hexadecimal digits, anything else
    // (trailing blanks included) or an empty text gives -1.
    static std::int32_t StrToIntDef(const QString& text, std::int32_t def);

    TCommPortDriver* FDriver;

    QTabWidget* SettingsPageControl;
    QWidget* BaseSettingsTabSheet;
    QWidget* FlowControlTabSheet;
    QWidget* TabSheet1;
    QComboBox* PortComboBox;
    QComboBox* BaudRateComboBox;
    QComboBox* DataBitsComboBox;
    QComboBox* ParityComboBox;
    QComboBox* StopBitsComboBox;
    QComboBox* HwFlowComboBox;
    QComboBox* SwFlowComboBox;
    QComboBox* DTRControlComboBox;
    QComboBox* DevCheckComboBox;
    QPushButton* OkButton;
    QPushButton* CancelButton;
};

// The instruments' port commands as both programs' windows run them.
// Connect: opens the port; when it does not open, the error box "Could not
// connect to serial port.\r\nPlease, check settings and try again." is shown.
// Returns whether the port is open.
bool ConnectInstrumentPort(QWidget* owner, TCommPortDriver* driver);
// Communication settings: an open port is first closed when the user agrees
// ("Could not change settings while a connection is active.\r\nClose the
// connection and continue ?", OK or Cancel; onDisconnected runs after the
// close), then the settings dialog edits the port.  Returns false when the
// user kept the connection and no dialog was shown.
bool ExecuteInstrumentSettings(QWidget* owner, TCommPortDriver* driver,
                               const std::function<void()>& onDisconnected = {});
// The instrument went away while the port was open (the port's OnLineLost):
// the port is closed, onDisconnected runs, and one error box says "The
// connection to the serial port was lost.\r\nThe received data is kept;
// check the instrument and connect again."  The received lines are the
// caller's and stay; Connect opens the port again.
void InstrumentLineLost(QWidget* owner, TCommPortDriver* driver, const std::function<void()>& onDisconnected = {});
// The box alone, for a caller that closed the port itself and tells later.
void TellInstrumentLineLost(QWidget* owner);
