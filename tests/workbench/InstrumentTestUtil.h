#pragma once
// Shared helpers of the Instrument Data window tests: a scripted responder
// that answers every dialog and records what was asked.

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTreeWidget>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AASCls.h"
#include "ActionList.h"
#include "Dialogs.h"
#include "ScriptedDialogs.h"
#include "Instrument.h"

inline QStringList TopTexts(const QTreeWidget* tree)
{
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        out << tree->topLevelItem(i)->text(0);
    return out;
}

inline QStringList ChildTexts(const QTreeWidgetItem* node)
{
    QStringList out;
    for (int i = 0; i < node->childCount(); ++i)
        out << node->child(i)->text(0);
    return out;
}

inline QTreeWidgetItem* FindTop(const QTreeWidget* tree, const QString& text)
{
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0) == text)
            return tree->topLevelItem(i);
    return nullptr;
}

// Runs an action as a trigger does (update first); true when it executed.
inline bool Exec(VelorSpec::TfrmInstrument& w, QAction* action)
{
    return w.acList->Execute(action);
}

inline bool EnabledNow(VelorSpec::TfrmInstrument& w, QAction* action)
{
    w.acList->UpdateAction(action);
    return action->isEnabled();
}

// Moves the replicate node `text` into the sample node `sample` with Move Right.
inline void MoveRight(VelorSpec::TfrmInstrument& w, const QString& text, QTreeWidgetItem* sample)
{
    w.tviewReplicates->setCurrentItem(FindTop(w.tviewReplicates, text));
    w.tviewSamples->setCurrentItem(sample);
    Exec(w, w.acMoveRight);
}

inline std::vector<double> PointsOf(const TAASReplicate* r)
{
    return std::vector<double>(r->Points().begin(), r->Points().end());
}
