// Helpers of the experiment window tests: experiment and sample files written
// with the model in a temporary folder, windows opened through a shown frame,
// scripted dialog answers and short ways to reach nodes and run commands.
#pragma once

#include <QAction>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringList>
#include <QTreeWidgetItem>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AASCls.h"
#include "Dialogs.h"
#include "EditCtrls.h"
#include "Experiment.h"
#include "Interval.h"
#include "Main.h"
#include "ProcessingTestUtil.h"
#include "Sample.h"
#include "SampleWindowTestUtil.h"

namespace experiment_test {

using processing_test::ScriptedResponder;
using processing_test::SeparatorScope;
using sample_window_test::Pump;
using sample_window_test::ReadAll;
using sample_window_test::WriteAll;
using VelorSpec::TfrmExperiment;
using VelorSpec::TSampleTreeView;

// A sample of `replicates` replicates of `points` points: a flat base of
// 10 + r with a plateau of `level` + 10 r over the middle third.
inline TAASSample* NewSample(const std::string& title, int replicates, int points, double level = 100)
{
    auto* s = new TAASSample(title, true);
    for (int r = 0; r < replicates; ++r) {
        auto* rep = new TAASReplicate;
        for (int j = 0; j < points; ++j) {
            const bool on = j >= points / 3 && j < 2 * points / 3;
            rep->Add(on ? level + 10 * r : 10.0 + r);
        }
        s->Add(rep);
    }
    return s;
}

// An experiment of samples titled by `titles`, each with `replicates`
// replicates of `points` points.
inline std::unique_ptr<TAASExperiment> MakeExperiment(const std::string& title, const QStringList& titles,
                                                      int replicates = 3, int points = 30)
{
    auto e = std::make_unique<TAASExperiment>(title, true);
    for (const QString& t : titles)
        e->Add(NewSample(t.toStdString(), replicates, points));
    return e;
}

inline QString WriteExperiment(const QTemporaryDir& dir, const QString& name, const TAASExperiment& e)
{
    const QString path = dir.filePath(name);
    e.SaveToFile(path.toStdString());
    return path;
}

inline QStringList Titles(const TAASExperiment& e)
{
    QStringList out;
    for (const TAASSample* s : e)
        out << QString::fromStdString(s->Title());
    return out;
}

inline QStringList Texts(const QTreeWidgetItem* node)
{
    QStringList out;
    for (int i = 0; node && i < node->childCount(); ++i)
        out << node->child(i)->text(0);
    return out;
}

// The last ten children of a sample node.
inline QStringList InfoLines(const QTreeWidgetItem* node)
{
    return Texts(node).mid(node->childCount() - 10);
}

inline QStringList AttachedTitles(const TfrmExperiment& w)
{
    QStringList out;
    for (QAbstractSeries* s : w.MainChart->series())
        out << s->name();
    return out;
}

inline std::vector<double> CurveY(const TfrmExperiment& w, const QTreeWidgetItem* node)
{
    std::vector<double> ys;
    for (const QPointF& p : w.NodeSeries(node)->points())
        ys.push_back(p.y());
    return ys;
}

inline std::vector<double> PointsOf(const TAASReplicate* r)
{
    return std::vector<double>(r->Points().begin(), r->Points().end());
}

// Replies of the dialogs layer.
inline gui::DialogReply Reply(int result, const QString& value = {}, const QStringList& values = {})
{
    gui::DialogReply r;
    r.result = result;
    r.value = value;
    r.values = values;
    return r;
}

// A shown frame with its settings store in a temporary folder; experiment
// windows open through it.
class ExperimentFixture : public sample_window_test::FrameFixture {
protected:
    TfrmExperiment* Open(const QString& path)
    {
        frame->OpenFile(path);
        Pump();
        return qobject_cast<TfrmExperiment*>(frame->ActiveChild());
    }
    TfrmExperiment* NewExperiment()
    {
        frame->acList->Execute(frame->acFileNewExperiment);
        Pump();
        return qobject_cast<TfrmExperiment*>(frame->ActiveChild());
    }
    QList<TfrmExperiment*> Experiments() const
    {
        QList<TfrmExperiment*> out;
        for (QWidget* w : frame->Children())
            if (auto* e = qobject_cast<TfrmExperiment*>(w))
                out << e;
        return out;
    }
    QStringList Recent() const { return frame->MRUManager->Strings(); }

    // Runs a command as its menu item does (update, then execute when enabled).
    static bool Run(TfrmExperiment* w, QAction* action) { return w->acList->Execute(action); }
    static bool Enabled(TfrmExperiment* w, QAction* action)
    {
        w->acList->UpdateAction(action);
        return action->isEnabled();
    }
    static void Select(TfrmExperiment* w, QTreeWidgetItem* node) { w->tviewExperiment->setCurrentItem(node); }
};

}  // namespace experiment_test
