#include "XlsThread.h"

#include "AASCls.h"
#include "ExcelApplication.h"

#include <QCoreApplication>

#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

// Every worker between its constructor and its destructor, so that the
// program can wait for them when it ends.
std::mutex liveLock;
std::set<TxlsThread*>& LiveWorkers()
{
    static std::set<TxlsThread*> workers;
    return workers;
}

void WaitForWorkersAtExit()
{
    TxlsThread::WaitForAll();
}

// The name of the column after the last replicate: the character whose code
// is 65 + ReplicateCount.  From 26 replicates on it is no column letter, so
// the block reference is refused and the sheet stays unformatted.  That holds
// also where the code reaches the lower-case letters (32 to 57 replicates),
// which the application would otherwise read as the columns A to Z and so
// format a block of the wrong width.
std::string ColumnAfterReplicates(int ReplicateCount)
{
    if (ReplicateCount >= 26)
        throw xls::EOleException("Method 'Range' of object '_Application' failed");
    return std::string(1, char(65 + ReplicateCount));
}

// The reference of a cell: its column's name followed by its row number
// ("A3").
std::string CellReference(const std::string& Column, int Row)
{
    std::string Reference = Column;
    Reference += std::to_string(Row);
    return Reference;
}

} // namespace

TxlsNotifier* TxlsNotifier::Instance()
{
    static TxlsNotifier notifier;
    return &notifier;
}

TxlsThread::TxlsThread(bool CreateSuspended)
    : FSample(std::make_unique<TAASSample>(std::string(), true)),
      FExcel(std::make_unique<xls::TExcelApplication>())
{
    {
        std::lock_guard lock(liveLock);
        LiveWorkers().insert(this);
    }
    static std::once_flag exitHook;
    std::call_once(exitHook, [] { qAddPostRoutine(WaitForWorkersAtExit); });
    // finished comes from the worker's own thread; the deletion itself is
    // done by the thread that owns this object (the GUI thread).
    connect(this, &QThread::finished, this, [this] {
        if (FFreeOnTerminate)
            deleteLater();
    }, Qt::DirectConnection);
    if (!CreateSuspended)
        start();
}

TxlsThread::~TxlsThread()
{
    wait();
    FExcel.reset();
    FSample.reset();
    std::lock_guard lock(liveLock);
    LiveWorkers().erase(this);
}

void TxlsThread::Resume()
{
    start();
}

void TxlsThread::run()
{
    WriteWorkbook();
}

void TxlsThread::WriteWorkbook()
{
    if (!FSample || !FExcel)
        return;
    const int n = FSample->Count();
    if (n == 0)
        return;
    // (There is no COM here to initialise for this thread.)
    const std::size_t writtenBefore = FExcel->Written().size();
    try {
        FExcel->SetVisible(true);
        FExcel->Workbooks().Add();
        xls::TExcelRange cell = FExcel->ActiveCell();
        cell.SetValue("Time [seconds]");
        cell = cell.Next();
        for (int k = 1; k <= n; ++k) {
            char heading[32];
            std::snprintf(heading, sizeof heading, "Replicate #%.3d", k);
            cell.SetValue(heading);
            cell = cell.Next();
        }
        int row = 3;
        const TAASReplicate* first = FSample->GetItem(0);
        const double r = first->Resolution();
        const int points = first->Count();
        for (int i = 0; i < points; ++i) {
            const std::string ref = CellReference("A", row);
            cell = FExcel->Range(ref, ref);
            const long double time = static_cast<long double>(r) * i + r;
            cell.SetValue(static_cast<double>(time));
            cell = cell.Next();
            for (int k = 0; k < n; ++k) {
                cell.SetValue(FSample->GetItem(k)->GetItem(i));
                cell = cell.Next();
            }
            ++row;
        }
        xls::TExcelRange block = FExcel->Range("A1", CellReference(ColumnAfterReplicates(n), row - 1));
        block.AutoFormat(xls::FormatClassic1);
    } catch (...) {
        // The export ends here without a word; what was written stays.
    }
    // Let go of the application: the workbook is saved where the user finds
    // it and shown by the desktop's spreadsheet program when there is one.
    FExcel->Disconnect();
    const auto& written = FExcel->Written();
    for (std::size_t i = writtenBefore; i < written.size(); ++i)
        emit TxlsNotifier::Instance()->workbookWritten(written[i].path);
}

void TxlsThread::SendToExcel(const TAASSample* Source)
{
    TxlsNotifier::Instance(); // made on the GUI thread, before any worker uses it
    // Held here until it runs: when the copy fails, the error goes to the
    // caller and the worker that never ran goes with it.
    auto worker = std::make_unique<TxlsThread>(true);
    worker->SetFreeOnTerminate(true);
    worker->Sample()->Assign(Source);
    worker.release()->Resume();
}

void TxlsThread::WaitForAll()
{
    for (;;) {
        std::vector<TxlsThread*> workers;
        {
            std::lock_guard lock(liveLock);
            workers.assign(LiveWorkers().begin(), LiveWorkers().end());
        }
        for (TxlsThread* worker : workers)
            worker->wait();
        bool freed = false;
        for (TxlsThread* worker : workers) {
            if (worker->FFreeOnTerminate) {
                delete worker;
                freed = true;
            }
        }
        // Workers that do not free themselves belong to someone else.
        if (!freed)
            return;
    }
}

int TxlsThread::LiveCount()
{
    std::lock_guard lock(liveLock);
    return int(LiveWorkers().size());
}
