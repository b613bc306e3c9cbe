#pragma once
// First sizes and titles of the windows and dialogs of both programs.
//
//   FitFirstSize(window, size)  the size a form description gives, grown
//       where the desktop font needs more room: no tool bar hides buttons
//       behind its extension "»", no tab bar needs scroll buttons, and no
//       tree cuts the texts of its first column.  Pages not shown count too.
//       Resize (or setFixedSize) the window to the result before showing it;
//       for a child of a multiple-document area pass its QMdiSubWindow.
//         dialog.setFixedSize(gui::FitFirstSize(&dialog, QSize(314, 206)));
//   ClippedControls(window)  what the window's current size hides: tool bars
//       with buttons behind "»", tab bars with scroll buttons, trees with cut
//       texts.  Empty when everything shows (tests check this).
//   SetApplicationTitle(title)  the program's title ("Velor Spec").  Qt's
//       application display name would be appended by the platform to every
//       window and dialog title (" — Velor Spec"); this keeps titles exactly
//       as the windows set them.

#include <QList>
#include <QPair>
#include <QSize>
#include <QString>
#include <QStringList>

class QWidget;

namespace gui {

// Extra minimum sizes of inner widgets to honour (e.g. a multiple-document
// area that must hold a child window).
using TSizePins = QList<QPair<QWidget*, QSize>>;

QSize FitFirstSize(QWidget* window, const QSize& size, const TSizePins& pins = {});
QStringList ClippedControls(QWidget* window);

void SetApplicationTitle(const QString& title);
QString ApplicationTitle();

}  // namespace gui
