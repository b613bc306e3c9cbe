#pragma once
// The progress window of long refreshes: "Updating, please wait..." over a
// progress bar whose maximum the caller sets and whose position it advances.
// It has no behaviour of its own; the caller shows it (not modally) and frees it.

#include <QDialog>

class QLabel;
class QProgressBar;

namespace VelorSpec {

class TfrmProgress : public QDialog {
    Q_OBJECT
public:
    explicit TfrmProgress(QWidget* Owner = nullptr);

    QLabel* labInfo;
    QProgressBar* prbarProgress;

protected:
    void showEvent(QShowEvent* Event) override;
};

// Moves a top-level window so that it is centred on its owner (its parent
// widget); a window without owner stays where it is.
void CentreOnOwner(QWidget* Window);

}  // namespace VelorSpec
