#pragma once
// The controller's About box: a two-line title, a panel whose lines scroll up
// one step every 40 ms and start over at the end, and an OK button.

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;
class QTimer;

namespace VelorTime {

class TScrollPanel;

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* owner);
    ~TfrmAbout() override;

    static constexpr int ScrollIntervalMs = 40;

    QLabel* lblTitle = nullptr;
    TScrollPanel* panScroll = nullptr;
    QPushButton* btnOK = nullptr;
    QTimer* tmrScroll = nullptr;

    // The scrolling lines.
    static QStringList Lines();

    void FormCreate();   // starts the scrolling
    void FormClose();    // stops it

protected:
    void done(int result) override;
};

}  // namespace VelorTime
