#pragma once
// "View Received Data": a row's received readings as read-only text.

#include <QDialog>

class QAction;
class QMenu;
class QPushButton;
class QTextEdit;

namespace VelorTime {

class TfrmViewMemo : public QDialog {
    Q_OBJECT
public:
    explicit TfrmViewMemo(QWidget* Owner = nullptr);

    // Shows a row's stored text without its first (empty) line.
    void LoadReceivedData(const QString& Stored);

    QTextEdit* redView = nullptr;
    QPushButton* btnOK = nullptr;
    QMenu* pmView = nullptr;
    QAction* acEditCopy = nullptr;       // "&Copy"
    QAction* acEditSelectAll = nullptr;  // "Select &All"
};

// The grid's "Received Data" button: the viewer on a row's text, modal.
void ShowReceivedDataText(const QString& Stored);

}  // namespace VelorTime
