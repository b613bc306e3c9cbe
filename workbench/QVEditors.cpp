#include "QVEditors.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace VelorSpec {

QList<QMdiSubWindow*> FrameOrder(const QMdiArea& frame)
{
    QList<QMdiSubWindow*> order = frame.subWindowList(QMdiArea::StackingOrder);
    std::reverse(order.begin(), order.end());
    return order;
}

TWindowCloseAll::TWindowCloseAll(QMdiArea* frame, QObject* parent) : QAction(parent), FFrame(frame) {}

void TWindowCloseAll::Update()
{
    setEnabled(FFrame && FFrame->currentSubWindow() != nullptr);
}

void TWindowCloseAll::Execute()
{
    if (!FFrame || !FFrame->currentSubWindow())
        return;
    // The windows are taken once; closing one changes the frame's order, and
    // a window that refuses to close must not be asked again.
    QList<QPointer<QMdiSubWindow>> windows;
    for (QMdiSubWindow* w : FrameOrder(*FFrame))
        windows << w;
    const int count = windows.size();
    for (int i = 0; i < count; ++i)
        if (windows[i])
            windows[i]->close();
}

}  // namespace VelorSpec
