#include <QEventLoop>
#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <stdexcept>

#include "ActionList.h"
#include "Dialogs.h"

using namespace gui;

namespace {

// Answers every box and records what was shown.
struct Recorder {
    QList<DialogRequest> requests;
    Recorder()
    {
        SetResponder([this](const DialogRequest& r) {
            requests << r;
            return DialogReply{mrOk, {}, 0, {}};
        });
    }
    ~Recorder() { SetResponder({}); }
};

void runEventLoopBriefly()
{
    // A loop that really waits, so the event loop goes idle at least once.
    QEventLoop loop;
    QTimer::singleShot(30, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(ActionList, ActionsCarryTheirDefinition)
{
    QWidget owner;
    TActionList list(&owner);
    list.SetImages({QIcon(), QIcon(QPixmap(16, 16))});
    QAction* a = list.Add(QStringLiteral("acOne"), QStringLiteral("&One"), QStringLiteral("Does one"),
                          QKeySequence(Qt::CTRL | Qt::Key_1), 1, 7);
    EXPECT_EQ(a->objectName(), QStringLiteral("acOne"));
    EXPECT_EQ(a->text(), QStringLiteral("&One"));
    EXPECT_EQ(a->statusTip(), QStringLiteral("Does one"));
    EXPECT_EQ(a->toolTip(), QStringLiteral("Does one"));
    EXPECT_EQ(a->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_1));
    EXPECT_EQ(TActionList::Tag(a), 7);
    EXPECT_EQ(TActionList::ImageIndex(a), 1);
    EXPECT_FALSE(a->icon().isNull());
    EXPECT_EQ(list.Find(QStringLiteral("acOne")), a);
    EXPECT_EQ(list.Find(QStringLiteral("acTwo")), nullptr);
    QAction* b = list.Add(QStringLiteral("acTwo"), QStringLiteral("Two"), QString());
    EXPECT_TRUE(b->icon().isNull());
    EXPECT_EQ(TActionList::ImageIndex(b), -1);
}

TEST(ActionList, UpdateHandlersRunWhenIdleAndBeforeAMenuOpens)
{
    QWidget owner;
    TActionList list(&owner);
    QAction* a = list.Add(QStringLiteral("acA"), QStringLiteral("A"), QString());
    bool allow = false;
    int updates = 0;
    list.SetUpdate(a, [&](QAction* self) {
        ++updates;
        self->setEnabled(allow);
    });

    runEventLoopBriefly();
    EXPECT_GT(updates, 0);
    EXPECT_FALSE(a->isEnabled());

    allow = true;
    runEventLoopBriefly();
    EXPECT_TRUE(a->isEnabled());

    // Before a menu opens, its actions are brought up to date.
    QMenu menu;
    menu.addAction(a);
    TActionList::HookMenu(&menu);
    TActionList::HookMenu(&menu);   // twice is harmless
    allow = false;
    updates = 0;
    emit menu.aboutToShow();
    EXPECT_EQ(updates, 1);
    EXPECT_FALSE(a->isEnabled());

    // On demand.
    allow = true;
    TActionList::UpdateAll();
    EXPECT_TRUE(a->isEnabled());
}

TEST(ActionList, ExecuteRunsOnlyWhenTheUpdateLeavesItEnabled)
{
    QWidget owner;
    TActionList list(&owner);
    QAction* a = list.Add(QStringLiteral("acA"), QStringLiteral("A"), QString(), {}, -1, 3);
    int runs = 0;
    int seenTag = -1;
    bool allow = false;
    list.SetHandlers(
        a,
        [&](QAction* sender) {
            ++runs;
            seenTag = TActionList::Tag(sender);
        },
        [&](QAction* self) { self->setEnabled(allow); });
    a->trigger();   // still enabled before any update: the update runs first and disables it
    EXPECT_EQ(runs, 0);
    EXPECT_FALSE(a->isEnabled());
    allow = true;
    TActionList::UpdateAll();   // as the next idle moment would
    a->trigger();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(seenTag, 3);
    EXPECT_TRUE(list.Execute(a));
    EXPECT_EQ(runs, 2);
}

TEST(ActionList, AnActionWithoutExecuteHandlerIsInertButNotDisabled)
{
    QWidget owner;
    TActionList list(&owner);
    QAction* a = list.Add(QStringLiteral("acInert"), QStringLiteral("Inert"), QString());
    TActionList::UpdateAll();
    EXPECT_TRUE(a->isEnabled());
    a->trigger();
    EXPECT_FALSE(list.Execute(a));
}

TEST(ActionList, CheckingIsLeftToTheHandlers)
{
    QWidget owner;
    TActionList list(&owner);
    QAction* a = list.Add(QStringLiteral("acView"), QStringLiteral("View"), QString());
    a->setCheckable(true);
    a->setChecked(true);
    bool checkedInHandler = false;
    list.SetExecute(a, [&](QAction* self) { checkedInHandler = self->isChecked(); });
    a->trigger();
    EXPECT_TRUE(checkedInHandler);   // the handler sees the state before the click
    EXPECT_TRUE(a->isChecked());     // and nothing toggled it
}

TEST(ActionList, AnErrorInACommandReachesTheErrorBoxAndItsChangesStay)
{
    Recorder rec;
    QWidget owner;
    TActionList list(&owner);
    QAction* a = list.Add(QStringLiteral("acFail"), QStringLiteral("Fail"), QString());
    int state = 0;
    list.SetExecute(a, [&](QAction*) {
        state = 1;
        throw std::runtime_error("Floating point division by zero");
    });
    a->trigger();
    EXPECT_EQ(state, 1);
    ASSERT_EQ(rec.requests.size(), 1);
    EXPECT_EQ(rec.requests[0].type, MsgDlgType::Error);
    EXPECT_EQ(rec.requests[0].text, QStringLiteral("Floating point division by zero"));
    EXPECT_EQ(rec.requests[0].buttons, MsgDlgButtons(mbOK));
}

TEST(ActionList, ListsThatAreGoneAreNotUpdated)
{
    QWidget owner;
    int updates = 0;
    {
        auto* list = new TActionList(&owner);
        QAction* a = list->Add(QStringLiteral("acA"), QStringLiteral("A"), QString());
        list->SetUpdate(a, [&](QAction*) { ++updates; });
        TActionList::UpdateAll();
        EXPECT_EQ(updates, 1);
        delete list;
    }
    TActionList::UpdateAll();
    EXPECT_EQ(updates, 1);
}

}  // namespace
