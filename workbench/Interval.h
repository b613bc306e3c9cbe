#pragma once
// The interval dialog: a start and an end second, used by the sample window,
// the experiment window and the batch dialog to ask for a zero, plateau or
// area interval.  The caller creates it, sets it up with SetupIntervalDialog,
// runs Execute and reads the two fields.

#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class TAASSample;

namespace gui {
class TSpinEdit;
}

namespace VelorSpec {

class TfrmInterval : public QDialog {
    Q_OBJECT
public:
    explicit TfrmInterval(QWidget* owner = nullptr);

    // Shows the dialog modally; true when it closed with OK.
    bool Execute();

    QPushButton* btnOK;
    QPushButton* btnCancel;
    QLabel* labStart;
    gui::TSpinEdit* sedStart;
    QLabel* labEnd;
    gui::TSpinEdit* sedEnd;
    QFrame* Bevel1;
};

// Prepares an interval dialog for one sample: the two values first, then
// increment and minimum (the sample's resolution) and maximum (the X of
// replicate 0's last point), then the caption.  The values are not clamped
// to the bounds.  A sample without replicates fails with the list's index
// error when the maximum is computed.
void SetupIntervalDialog(TfrmInterval& Dialog, const TAASSample& Sample, const QString& Caption,
                         double Start, double End);

}  // namespace VelorSpec
