#pragma once
// The spreadsheet export worker of the sample and experiment windows: writes
// one sample's signals into a new workbook on a thread of its own.

#include <QObject>
#include <QString>
#include <QThread>

#include <memory>

class TAASSample;
namespace xls {
class TExcelApplication;
}

// Tells the windows where an export left its workbook.  One object for the
// whole program; the workers emit from their own threads, so receivers on
// the GUI thread get the signal queued.
class TxlsNotifier : public QObject {
    Q_OBJECT
public:
    static TxlsNotifier* Instance();

signals:
    void workbookWritten(const QString& path);
};

class TxlsThread : public QThread {
    Q_OBJECT
public:
    // Creates the empty sample copy and the unconnected spreadsheet
    // application; runs at once unless CreateSuspended.
    explicit TxlsThread(bool CreateSuspended);
    // Frees the sample copy and the application (which lets go of the
    // workbook without closing anything); waits for the body if it runs.
    ~TxlsThread() override;

    // When set, the worker frees itself once its body has ended.
    void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
    bool FreeOnTerminate() const { return FFreeOnTerminate; }
    // Starts a worker created suspended.
    void Resume();

    // The worker's own copy of the sample, filled before it runs.
    TAASSample* Sample() const { return FSample.get(); }
    xls::TExcelApplication* ExcelApplication() const { return FExcel.get(); }

    // The body: the sample's time column and replicate columns under a
    // heading row, then the table format over the block.  Every failure ends
    // the export silently.
    void WriteWorkbook();

    // What the "Se&nd To MS Excel" commands do: a suspended worker that frees
    // itself, a deep copy of Source, then run.  Neither waits nor keeps the
    // worker.
    static void SendToExcel(const TAASSample* Source);

    // Waits for every worker still alive and frees those that free
    // themselves.  Runs by itself when the application object goes away.
    static void WaitForAll();
    // Workers created and not yet freed.
    static int LiveCount();

protected:
    void run() override;

private:
    std::unique_ptr<TAASSample> FSample;
    std::unique_ptr<xls::TExcelApplication> FExcel;
    bool FFreeOnTerminate = false;
};
