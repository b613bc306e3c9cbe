#pragma once
// Window command "Close All" of a multiple-document frame.

#include <QAction>
#include <QPointer>

class QMdiArea;

namespace VelorSpec {

class TWindowCloseAll : public QAction {
    Q_OBJECT
public:
    TWindowCloseAll(QMdiArea* frame, QObject* parent = nullptr);

    // Enabled exactly when the frame has an active child window.
    void Update();
    // Counts the child windows once and asks each, first to last in the
    // frame's order (active first), to close; a child that refuses stays and
    // the next one is still asked.  Nothing when no child is active.
    void Execute();

private:
    QPointer<QMdiArea> FFrame;
};

}  // namespace VelorSpec
