#pragma once
// The standard's dialog: the concentration of a sample that is marked as a
// standard, and the unit it is entered in ("ppm" or "ppb").  The experiment
// window holds concentrations in ppm and converts a ppb value itself.  A
// negative concentration is refused with a message and the dialog stays open.

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace gui {
class TSpinEdit;
}

namespace VelorSpec {

class TfrmDefineStandart : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDefineStandart(QWidget* Owner = nullptr);

    // Shows the dialog modally; true when it closed with OK.
    bool Execute();

    // Selects the unit "ppm" (item 0).
    void FormCreate();
    // Asked before the dialog closes with Result: false keeps it open (OK
    // with a negative concentration, after telling the user).
    bool FormCloseQuery(int Result);

    // The entered concentration in ppm (item 1 "ppb" divides by 1000).
    double ConcentrationPpm() const;

    QLabel* labConc;
    gui::TSpinEdit* sedConc;
    QLabel* labConcUnits;
    QComboBox* cmbConcUnits;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    void done(int Result) override;

protected:
    void showEvent(QShowEvent* Event) override;
};

}  // namespace VelorSpec
