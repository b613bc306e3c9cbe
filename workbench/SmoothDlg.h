#pragma once
// The smoothing dialog: the method (moving average or weighted moving
// average, shown as "S&av - Gol") and the half-width of the window in points.

#include <QDialog>

class QFrame;
class QGroupBox;
class QPushButton;

namespace gui {
class TSpinEdit;
}

namespace VelorSpec {

class TRadioGroup;
class TfrmSmooth : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSmooth(QWidget* owner = nullptr);

    // Shows the dialog modally; true when it closed with OK.
    bool Execute();

    TRadioGroup* rgMethod;
    QGroupBox* gboxPoints;
    gui::TSpinEdit* sedPoints;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QFrame* Bevel;
};

}  // namespace VelorSpec
