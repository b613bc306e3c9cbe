// Helpers of the sample window tests: sample files written with the model in
// a temporary folder, a window opened on them and shown off screen, a queue
// of answers for the dialogs layer.
#pragma once

#include <QApplication>
#include <QFile>
#include <QCoreApplication>
#include <QEvent>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "AASCls.h"
#include "Dialogs.h"
#include "Main.h"
#include "ProcessingTestUtil.h"
#include "Registry.h"
#include "Sample.h"
#include "SysUtils.h"

namespace sample_window_test {

using VelorSpec::TfrmSample;

// Replicate r, point j: a flat base of 10 + r with a plateau of 100 + 10 r
// over the middle third.
inline double PeakValue(int r, int j, int points)
{
    const bool on = j >= points / 3 && j < 2 * points / 3;
    return on ? 100.0 + 10 * r : 10.0 + r;
}

inline std::unique_ptr<TAASSample> MakeSample(const std::string& title, int replicates, int points)
{
    auto s = std::make_unique<TAASSample>(title, true);
    for (int r = 0; r < replicates; ++r) {
        auto* rep = new TAASReplicate;
        for (int j = 0; j < points; ++j)
            rep->Add(PeakValue(r, j, points));
        s->Add(rep);
    }
    return s;
}

// Writes a sample file with the model; returns its path.
inline QString WriteSample(const QTemporaryDir& dir, const QString& name, const TAASSample& s)
{
    const QString path = dir.filePath(name);
    EXPECT_TRUE(s.SaveToFile(path.toStdString()));
    return path;
}

// Runs queued calls and deferred deletions.
inline void Pump()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Answers the dialogs layer from a queue (Cancel once it runs dry) and keeps
// every request.
class Answers {
public:
    Answers()
    {
        FPrevious = gui::SetResponder([this](const gui::DialogRequest& r) {
            Requests << r;
            gui::DialogReply reply;
            reply.result = FQueue.isEmpty() ? gui::mrCancel : FQueue.takeFirst();
            return reply;
        });
    }
    ~Answers() { gui::SetResponder(FPrevious); }
    Answers(const Answers&) = delete;
    Answers& operator=(const Answers&) = delete;

    void Push(int result) { FQueue << result; }
    QList<gui::DialogRequest> Requests;

private:
    QList<int> FQueue;
    gui::Responder FPrevious;
};

using DecimalSeparatorScope = processing_test::SeparatorScope;

// A window on a file, shown off screen; deleted at the end unless it went
// away by itself.
inline QPointer<TfrmSample> OpenWindow(const QString& path)
{
    auto* w = new TfrmSample(nullptr, path);
    w->show();
    Pump();
    return w;
}

inline QStringList AttachedTitles(const TfrmSample& w)
{
    QStringList out;
    for (QAbstractSeries* s : w.MainChart->series())
        out << s->name();
    return out;
}

inline QStringList ReportLines(const TfrmSample& w)
{
    return w.redStats->toPlainText().split(QLatin1Char('\n'));
}

inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

// A shown frame with its settings store in a temporary folder, for tests that
// open sample windows through the frame.
class FrameFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        platform::registry::SetBaseFolder(dir.filePath(QStringLiteral("registry")));
        frame = new VelorSpec::TfrmMain;
        frame->show();
    }
    void TearDown() override
    {
        delete frame;
        Pump();
        platform::registry::SetBaseFolder(QString());
    }
    // Makes the frame the active window, as the user's click on it does, and
    // waits until the platform says so (keys reach the active window only).
    void ActivateFrame()
    {
        Pump();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    }
    QList<TfrmSample*> Windows() const
    {
        QList<TfrmSample*> out;
        for (QWidget* w : frame->Children())
            if (auto* s = qobject_cast<TfrmSample*>(w))
                out << s;
        return out;
    }

    QTemporaryDir dir;
    VelorSpec::TfrmMain* frame = nullptr;
};

}  // namespace sample_window_test
