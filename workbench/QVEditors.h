#pragma once
// Window command "Close All" of a multiple-document frame.

#include <QAction>
#include <QList>
#include <QPointer>

class QMdiArea;
class QMdiSubWindow;

namespace VelorSpec {

// The frame's child windows in its order: the active (topmost) one first,
// then the others as they lie below it (the most recently active one next,
// unless Ctrl+Tab / Ctrl+F6 sent it to the bottom).
QList<QMdiSubWindow*> FrameOrder(const QMdiArea& frame);

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
