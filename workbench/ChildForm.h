#pragma once
// Common base of the workbench's document windows (sample and experiment
// windows).  The main frame shows each one in a QMdiSubWindow of its
// multiple-document area and meets it only through what is declared here:
//
//  - FFileName: the file name shown between "[" and "]" in the caption
//    (the frame finds an open window by it); "Untitled" sends Save to Save As.
//  - FModified: set by the window's data-changing commands, cleared by saving;
//    the frame's Save is enabled by it.
//  - Kind(): sample or experiment window; decides the frame's Save/Save As.
//  - SaveWindow(fileName): the window's save operation (SaveSampleWindow /
//    SaveExperimentWindow).  Errors propagate to the caller.
//  - SaveFilter(): the filter the frame's save dialog uses for Save As.
//  - MergedMenus(): the window's menus (menu group 2: "&Sample",
//    "&Experiment"); the frame shows them between "&Instrument" and "&View"
//    while the window is the active child.  The window owns them.
//  - FormCloseQuery(): asked before the window closes (its close box, the
//    frame's Close / Close All) and by the frame's shutdown; false refuses.
//  - FormClose(): runs when the window closes for good; it is destroyed then.
//
// A window that cannot load its file calls Release(): it closes itself as
// soon as control returns to the event loop (after the frame has shown it).

#include <QList>
#include <QString>
#include <QWidget>

class QMenu;
class QMdiSubWindow;

namespace VelorSpec {

enum class TChildKind { Other, Sample, Experiment };

class TChildForm : public QWidget {
    Q_OBJECT
public:
    explicit TChildForm(QWidget* parent = nullptr);
    ~TChildForm() override;

    QString FFileName;
    bool FModified = false;

    virtual TChildKind Kind() const { return TChildKind::Other; }
    virtual QList<QMenu*> MergedMenus() const { return {}; }
    virtual void SaveWindow(const QString& fileName);
    // Sample: "AAS Sample Text Files(*.AST)|*.AST|AAS Sample Binary Files(*.ASB)|*.ASB|Any File(*.*)|*.*";
    // experiment: "AAS Experiment(*.AXP)|*.AXP"; other: "".
    virtual QString SaveFilter() const;
    virtual bool FormCloseQuery() { return true; }
    virtual void FormClose() {}

    // The sub-window that shows this form in the frame (null before it is added).
    QMdiSubWindow* SubWindow() const;
    // Closes the window (with its close query) once control is back in the event loop.
    void Release();

protected:
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace VelorSpec
