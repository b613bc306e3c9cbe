#include "ExcelApplication.h"

#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QStandardPaths>

#include <cmath>
#include <cstdint>

namespace xls {

namespace {

// Largest block the layer fills or formats cell by cell; the application
// would run out of memory long before.
constexpr std::int64_t MaxBlockCells = std::int64_t(1) << 22;

[[noreturn]] void Refuse(const char* what)
{
    throw EOleException(what);
}

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::int64_t CellsOf(CellRef first, CellRef last)
{
    return std::int64_t(last.row - first.row + 1) * (last.col - first.col + 1);
}

QMutex settingsLock;
QString exportFolder;   // empty: the default
Opener opener;          // empty: the desktop

} // namespace

bool ParseCellRef(std::string_view text, CellRef& out)
{
    std::size_t i = 0;
    if (i < text.size() && text[i] == '$')
        ++i;
    int col = 0;
    std::size_t letters = 0;
    while (i < text.size() && IsAsciiLetter(text[i])) {
        if (++letters > 3)
            return false;
        col = col * 26 + (text[i] & ~0x20) - 'A' + 1;
        ++i;
    }
    if (letters == 0 || col > MaxColumns)
        return false;
    if (i < text.size() && text[i] == '$')
        ++i;
    long row = 0;
    std::size_t digits = 0;
    while (i < text.size() && IsAsciiDigit(text[i])) {
        row = row * 10 + (text[i] - '0');
        if (row > MaxRows)
            return false;
        ++digits;
        ++i;
    }
    if (digits == 0 || i != text.size() || row < 1)
        return false;
    out = CellRef{int(row), col};
    return true;
}

std::string ColumnName(int col)
{
    std::string name;
    while (col > 0) {
        const int d = (col - 1) % 26;
        name.insert(name.begin(), char('A' + d));
        col = (col - 1) / 26;
    }
    return name;
}

std::string CellName(CellRef cell)
{
    return ColumnName(cell.col) + std::to_string(cell.row);
}

// --- TExcelRange ------------------------------------------------------------

TExcelRange::TExcelRange(std::shared_ptr<Workbook> book, CellRef first, CellRef last)
    : FBook(std::move(book)), FFirst(first), FLast(last)
{
}

Workbook& TExcelRange::Book() const
{
    if (!FBook || FBook->released)
        Refuse("The object invoked has disconnected from its clients.");
    return *FBook;
}

void TExcelRange::SetValue(const std::string& text) const
{
    Workbook& book = Book();
    if (QString::fromUtf8(text.data(), qsizetype(text.size())).size() > MaxTextLength)
        Refuse("Value property of Range class: text too long for a cell");
    if (CellsOf(FFirst, FLast) > MaxBlockCells)
        Refuse("Not enough storage is available to complete this operation.");
    for (int r = FFirst.row; r <= FLast.row; ++r)
        for (int c = FFirst.col; c <= FLast.col; ++c) {
            // An empty text empties the cell.
            if (text.empty())
                book.cells.erase(CellRef{r, c});
            else
                book.cells[CellRef{r, c}] = text;
        }
}

void TExcelRange::SetValue(double value) const
{
    Workbook& book = Book();
    if (!std::isfinite(value))
        Refuse("Value property of Range class: not a valid number");
    if (CellsOf(FFirst, FLast) > MaxBlockCells)
        Refuse("Not enough storage is available to complete this operation.");
    for (int r = FFirst.row; r <= FLast.row; ++r)
        for (int c = FFirst.col; c <= FLast.col; ++c)
            book.cells[CellRef{r, c}] = value;
}

TExcelRange TExcelRange::Next() const
{
    Book();
    if (FFirst.col >= MaxColumns)
        Refuse("Next property of Range class: no cell to the right");
    const CellRef next{FFirst.row, FFirst.col + 1};
    return TExcelRange(FBook, next, next);
}

void TExcelRange::AutoFormat(int format) const
{
    Workbook& book = Book();
    if (format != FormatClassic1)
        Refuse("AutoFormat method of Range class failed");
    book.formatted.push_back(Workbook::Block{FFirst, FLast, format});
}

// --- TExcelWorkbooks --------------------------------------------------------

void TExcelWorkbooks::Add()
{
    FApp.Connect();
    FApp.FBooks.push_back(std::make_shared<Workbook>());
}

int TExcelWorkbooks::Count() const
{
    return int(FApp.FBooks.size());
}

// --- TExcelApplication ------------------------------------------------------

TExcelApplication::TExcelApplication() : FWorkbooks(*this)
{
}

TExcelApplication::~TExcelApplication()
{
    Disconnect();
}

void TExcelApplication::Connect()
{
    if (FConnected)
        return;
    const QString folder = ExportFolder();
    if (folder.isEmpty() || !QDir().mkpath(folder))
        Refuse("Server execution failed: no folder for workbooks");
    FFolder = folder;
    FConnected = true;
}

void TExcelApplication::Disconnect() noexcept
{
    for (const auto& book : FBooks) {
        book->released = true;
        try {
            WrittenWorkbook written;
            written.path = SaveWorkbook(*book, FFolder);
            if (FVisible) {
                Opener open;
                {
                    QMutexLocker lock(&settingsLock);
                    open = opener;
                }
                written.opened = open ? open(written.path) : OpenWithDesktop(written.path);
            }
            FWritten.push_back(written);
        } catch (...) {
            // The application keeps what it could not save; nothing to report.
        }
    }
    FBooks.clear();
    FConnected = false;
}

void TExcelApplication::SetVisible(bool value)
{
    Connect();
    FVisible = value;
}

TExcelWorkbooks& TExcelApplication::Workbooks()
{
    Connect();
    return FWorkbooks;
}

std::shared_ptr<Workbook> TExcelApplication::ActiveBook()
{
    Connect();
    if (FBooks.empty())
        Refuse("No workbook is open");
    return FBooks.back();
}

TExcelRange TExcelApplication::ActiveCell()
{
    // A new workbook's selection is its top-left cell, and nothing here moves it.
    return TExcelRange(ActiveBook(), CellRef{1, 1}, CellRef{1, 1});
}

TExcelRange TExcelApplication::Range(std::string_view ref1, std::string_view ref2)
{
    auto book = ActiveBook();
    CellRef a, b;
    if (!ParseCellRef(ref1, a) || !ParseCellRef(ref2, b))
        Refuse("Method 'Range' of object '_Application' failed");
    const CellRef first{std::min(a.row, b.row), std::min(a.col, b.col)};
    const CellRef last{std::max(a.row, b.row), std::max(a.col, b.col)};
    return TExcelRange(std::move(book), first, last);
}

// --- settings ---------------------------------------------------------------

QString DefaultExportFolder()
{
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty())
        docs = QDir::homePath();
    return QDir(docs).filePath(QStringLiteral("VelorSpec"));
}

QString SetExportFolder(const QString& folder)
{
    QMutexLocker lock(&settingsLock);
    return std::exchange(exportFolder, folder);
}

QString ExportFolder()
{
    {
        QMutexLocker lock(&settingsLock);
        if (!exportFolder.isEmpty())
            return exportFolder;
    }
    return DefaultExportFolder();
}

Opener SetOpener(Opener newOpener)
{
    QMutexLocker lock(&settingsLock);
    return std::exchange(opener, std::move(newOpener));
}

bool OpenWithDesktop(const QString& path)
{
    // Without a program registered for the type, xdg-open would only fail
    // later and out of sight; ask first.
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"),
                 QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return false;
    if (query.readAllStandardOutput().trimmed().isEmpty())
        return false;
    return QProcess::startDetached(QStringLiteral("xdg-open"), {path});
}

} // namespace xls
