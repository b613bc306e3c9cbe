#pragma once
// The layout the sample and experiment windows share: the tree on the left
// (153 pixels wide, its pop-up menu on the right button), a 3-pixel splitter
// and the page control filling the rest; pages filled by one widget each.

#include <QSize>
#include <QString>

class QMenu;
class QSplitter;
class QTabWidget;
class QTextEdit;
class QWidget;

namespace VelorSpec {

class TSampleTreeView;

struct TDocumentLayout {
    QSplitter* Splitter = nullptr;
    TSampleTreeView* Tree = nullptr;
    QTabWidget* Pages = nullptr;
};

// Builds the layout inside Window.  The tree's context menu pops up the menu
// *PopupMenu holds when it is asked for (none while it is null).
TDocumentLayout CreateDocumentLayout(QWidget* Window, const QString& TreeName, const QString& PagesName,
                                     QMenu* const* PopupMenu);
// The window's first size: 620 x 460 grown where the font needs more room,
// with the tree at least 153 pixels wide and wide enough for every node's
// text, expanded or not.  Resizes the window and the splitter and returns
// the size (the window's size hint, for the frame's document area).
QSize FitDocumentWindow(QWidget* Window, QSplitter* Splitter, TSampleTreeView* Tree);
// Appends an empty page.
QWidget* AddDocumentPage(QTabWidget* Pages, const char* Name, const char* Caption);
// Makes Content the one widget that fills Page.
void FillPage(QWidget* Page, QWidget* Content);
// The statistics box: read-only plain text in "Courier New", both scroll
// bars, no wrapping, the page's background; fills Page.
QTextEdit* CreateStatsBox(QWidget* Page);

}  // namespace VelorSpec
