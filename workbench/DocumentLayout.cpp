#include "DocumentLayout.h"

#include <QMenu>
#include <QSplitter>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

#include "Sample.h"
#include "WindowFit.h"

#include <QStyle>
#include <QTreeWidgetItemIterator>
#include <algorithm>

namespace VelorSpec {

TDocumentLayout CreateDocumentLayout(QWidget* Window, const QString& TreeName, const QString& PagesName,
                                     QMenu* const* PopupMenu)
{
    auto* Layout = new QVBoxLayout(Window);
    Layout->setContentsMargins(0, 0, 0, 0);

    TDocumentLayout L;
    L.Splitter = new QSplitter(Qt::Horizontal, Window);
    L.Splitter->setObjectName(QStringLiteral("RxSplitter"));
    L.Splitter->setHandleWidth(3);
    L.Splitter->setChildrenCollapsible(false);
    Layout->addWidget(L.Splitter);

    L.Tree = new TSampleTreeView(L.Splitter);
    L.Tree->setObjectName(TreeName);
    L.Tree->setContextMenuPolicy(Qt::CustomContextMenu);
    TSampleTreeView* Tree = L.Tree;
    QObject::connect(Tree, &QWidget::customContextMenuRequested, Window, [Tree, PopupMenu](const QPoint& Pos) {
        if (*PopupMenu)
            (*PopupMenu)->popup(Tree->viewport()->mapToGlobal(Pos));
    });

    L.Pages = new QTabWidget(L.Splitter);
    L.Pages->setObjectName(PagesName);

    L.Splitter->addWidget(L.Tree);
    L.Splitter->addWidget(L.Pages);
    L.Splitter->setStretchFactor(0, 0);
    L.Splitter->setStretchFactor(1, 1);
    L.Splitter->setSizes({153, 620 - 153 - 3});
    return L;
}

QSize FitDocumentWindow(QWidget* Window, QSplitter* Splitter, TSampleTreeView* Tree)
{
    // The texts of every node as if all were expanded ("Ansambled Replicate"
    // under its sample node), plus the vertical scroll bar.
    QList<QTreeWidgetItem*> Collapsed;
    for (QTreeWidgetItemIterator It(Tree); *It; ++It)
        if ((*It)->childCount() > 0 && !(*It)->isExpanded())
            Collapsed << *It;
    for (QTreeWidgetItem* Node : Collapsed)
        Node->setExpanded(true);
    const int Texts = static_cast<QAbstractItemView*>(Tree)->sizeHintForColumn(0);
    for (QTreeWidgetItem* Node : Collapsed)
        Node->setExpanded(false);
    const int Bar = Tree->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, Tree);
    const int TreeWidth = std::max(153, Texts + Bar + 2 * Tree->frameWidth() + 4);
    const int Handle = Splitter->handleWidth();
    const QSize Size = gui::FitFirstSize(Window, QSize(std::max(620, TreeWidth + Handle + 300), 460),
                                         {{Tree, QSize(TreeWidth, 0)}});
    Window->resize(Size);
    Splitter->setSizes({TreeWidth, Size.width() - TreeWidth - Handle});
    return Size;
}

QWidget* AddDocumentPage(QTabWidget* Pages, const char* Name, const char* Caption)
{
    auto* Page = new QWidget;
    Page->setObjectName(QString::fromLatin1(Name));
    Pages->addTab(Page, QString::fromLatin1(Caption));
    return Page;
}

void FillPage(QWidget* Page, QWidget* Content)
{
    auto* Layout = new QVBoxLayout(Page);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(Content);
}

QTextEdit* CreateStatsBox(QWidget* Page)
{
    auto* Box = new QTextEdit(Page);
    Box->setObjectName(QStringLiteral("redStats"));
    Box->setReadOnly(true);
    Box->setAcceptRichText(false);
    Box->setLineWrapMode(QTextEdit::NoWrap);
    Box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont Mono(QStringLiteral("Courier New"));
    Mono.setStyleHint(QFont::TypeWriter);
    Box->setFont(Mono);
    QPalette Pal = Box->palette();
    Pal.setColor(QPalette::Base, Page->palette().color(QPalette::Window));
    Box->setPalette(Pal);
    FillPage(Page, Box);
    return Box;
}

}  // namespace VelorSpec
