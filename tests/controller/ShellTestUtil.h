#pragma once
// Helpers of the main-window shell tests: temporary settings and desktop
// folders, a scripted responder for every dialog, and rows for the
// time-program table.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <deque>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "ScriptedDialogs.h"
#include "Registry.h"
#include "TimeProgram.h"

// The registry layer's store and XDG_DATA_HOME in a temporary folder: the
// window reads and writes its settings through the store and, on its first
// start against a store, registers the .ATP type, which also writes desktop
// files below XDG_DATA_HOME.
struct TempStores {
    QTemporaryDir dir;
    QByteArray oldDataHome;
    bool hadDataHome = false;

    TempStores()
    {
        hadDataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        oldDataHome = qgetenv("XDG_DATA_HOME");
        platform::registry::SetBaseFolder(dir.path() + QStringLiteral("/registry"));
        qputenv("XDG_DATA_HOME", (dir.path() + QStringLiteral("/data")).toLocal8Bit());
    }
    ~TempStores()
    {
        platform::registry::SetBaseFolder(QString());
        if (hadDataHome)
            qputenv("XDG_DATA_HOME", oldDataHome);
        else
            qunsetenv("XDG_DATA_HOME");
    }
    QString Path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    QString DataHome() const { return dir.path() + QStringLiteral("/data"); }
};

// Appends a valid row (W 5, I 3, ReadAt 6, RT 12, PF 1, VL 2) and posts it.
inline void AppendProgramRow(VelorTime::TTimeProgram& program, int id, const std::string& title = {},
                             const std::string& received = {})
{
    using namespace VelorTime;
    auto& t = program.Table();
    t.Append();
    t.SetAsInteger(fldSampleID, id);
    if (!title.empty())
        t.SetAsString(fldSampleName, title);
    t.SetAsFloat(fldWashingTime, 5);
    t.SetAsFloat(fldInjectionTime, 3);
    t.SetAsFloat(fldReadAt, 6);
    t.SetAsFloat(fldReplTime, 12);
    t.SetAsFloat(fldProbeForward, 1);
    t.SetAsFloat(fldValveLate, 2);
    if (!received.empty())
        t.SetAsString(fldReceivedData, received);
    t.Post();
}

// Writes a time program with one row per id to a file.
inline void WriteProgramFile(const QString& fileName, const std::vector<int>& ids)
{
    VelorTime::TTimeProgram program;
    for (int id : ids)
        AppendProgramRow(program, id, "row " + std::to_string(id));
    program.SaveToFile(fileName.toStdString());
}
