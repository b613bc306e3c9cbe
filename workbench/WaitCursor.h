#pragma once
// The hourglass for a command that may take long: shown while the object
// lives and restored however the command ends, by an error too.

#include <QApplication>
#include <QCursor>

namespace VelorSpec {

class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

}  // namespace VelorSpec
