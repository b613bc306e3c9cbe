#pragma once
// The automatic curve colours of the charts (see Charts.h).

#include <QColor>
#include <QList>

namespace gui {

int AutoColorCount();
// The i-th automatic colour (wraps around after AutoColorCount()).
QColor AutoColor(int index);
// The first automatic colour not in `used`; when all are used, the one at
// used.size() (wrapping).
QColor FirstFreeColor(const QList<QColor>& used);

}  // namespace gui
