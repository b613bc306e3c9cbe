// Writing the in-memory workbook as an .xlsx file.

#include "ExcelApplication.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <xlsxwriter.h>

#include "FileUtils.h"
#include "SysUtils.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <locale.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace xls {

namespace {

constexpr std::int64_t MaxFormattedCells = std::int64_t(1) << 22;

// Where a cell sits in the block whose table format it carries.
enum class Style { None, Header, Body, LastRow };

// The table format of a cell: that of the last formatted block that holds it.
const Workbook::Block* BlockOf(const Workbook& book, CellRef cell)
{
    for (auto it = book.formatted.rbegin(); it != book.formatted.rend(); ++it)
        if (cell.row >= it->first.row && cell.row <= it->last.row && cell.col >= it->first.col
            && cell.col <= it->last.col)
            return &*it;
    return nullptr;
}

Style StyleOf(const Workbook& book, CellRef cell)
{
    const Workbook::Block* block = BlockOf(book, cell);
    if (!block)
        return Style::None;
    if (cell.row == block->first.row)
        return Style::Header;
    if (cell.row == block->last.row)
        return Style::LastRow;
    return Style::Body;
}

// Width in characters that a value needs on screen.
double DisplayWidth(const CellValue& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        return QString::fromUtf8(text->data(), qsizetype(text->size())).size();
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, std::get<double>(value), std::chars_format::general, 10);
    return double(res.ptr - buf);
}

// The numbers in the file are printed with the C library, which follows the
// thread's locale; a decimal comma would spoil the file.
class CNumericLocale {
public:
    CNumericLocale()
    {
        FLocale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
        if (FLocale)
            FPrevious = uselocale(FLocale);
    }
    ~CNumericLocale()
    {
        if (FLocale) {
            uselocale(FPrevious);
            freelocale(FLocale);
        }
    }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    locale_t FLocale = nullptr;
    locale_t FPrevious = nullptr;
};

void Check(lxw_error err)
{
    if (err != LXW_NO_ERROR)
        throw EOleException(lxw_strerror(err));
}

} // namespace

void WriteXlsx(const Workbook& book, const QString& path)
{
    const QByteArray file = QFile::encodeName(path);
    CNumericLocale cLocale;
    lxw_workbook* wb = workbook_new(file.constData());
    if (!wb)
        throw EOleException("Cannot create the workbook file");
    std::optional<EOleException> failure;
    try {
        lxw_worksheet* ws = workbook_add_worksheet(wb, "Sheet1");
        if (!ws)
            throw EOleException("Cannot add a worksheet");

        // The classic table: a bold heading row ruled above and below, and a
        // rule under the last row; the body keeps the general number format.
        lxw_format* header = workbook_add_format(wb);
        format_set_bold(header);
        format_set_top(header, LXW_BORDER_THIN);
        format_set_bottom(header, LXW_BORDER_THIN);
        lxw_format* lastRow = workbook_add_format(wb);
        format_set_bottom(lastRow, LXW_BORDER_THIN);
        auto formatOf = [&](Style style) -> lxw_format* {
            switch (style) {
            case Style::Header: return header;
            case Style::LastRow: return lastRow;
            default: return nullptr;
            }
        };

        // Every cell that carries a value or a visible table format, in order.
        std::map<CellRef, const CellValue*> cells;
        for (const auto& [ref, value] : book.cells)
            cells.emplace(ref, &value);
        for (const auto& block : book.formatted) {
            CellRef first = block.first, last = block.last;
            std::int64_t area = std::int64_t(last.row - first.row + 1) * (last.col - first.col + 1);
            if (area > MaxFormattedCells) {
                // A block far larger than anything written: only its heading
                // row and its cells that hold values are shown formatted.
                last.row = first.row;
                last.col = std::min(last.col, first.col + 16383);
            }
            for (int r = first.row; r <= last.row; ++r)
                for (int c = first.col; c <= last.col; ++c)
                    if (r == block.first.row || r == block.last.row)
                        cells.emplace(CellRef{r, c}, nullptr);
        }

        std::map<int, double> widths;
        for (const auto& [ref, value] : cells) {
            const Style style = StyleOf(book, ref);
            lxw_format* format = formatOf(style);
            const auto row = lxw_row_t(ref.row - 1);
            const auto col = lxw_col_t(ref.col - 1);
            if (!value) {
                if (format)
                    Check(worksheet_write_blank(ws, row, col, format));
                continue;
            }
            if (const auto* text = std::get_if<std::string>(value))
                Check(worksheet_write_string(ws, row, col, text->c_str(), format));
            else
                Check(worksheet_write_number(ws, row, col, std::get<double>(*value), format));
            if (style != Style::None) {
                double& w = widths[ref.col];
                w = std::max(w, DisplayWidth(*value));
            }
        }
        // Formatted columns fit their widest value.
        for (const auto& [col, w] : widths)
            Check(worksheet_set_column(ws, lxw_col_t(col - 1), lxw_col_t(col - 1),
                                       std::clamp(w + 2.0, 8.43, 255.0), nullptr));
    } catch (const EOleException& e) {
        failure = e;
    }
    const lxw_error closed = workbook_close(wb);
    if (failure) {
        QFile::remove(path);
        throw *failure;
    }
    if (closed != LXW_NO_ERROR) {
        QFile::remove(path);
        throw EOleException(lxw_strerror(closed));
    }
}

QString SaveWorkbook(const Workbook& book, const QString& folder)
{
    if (!QDir().mkpath(folder))
        throw EOleException("Cannot create the folder for workbooks");

    // Written as a file without a name (the model's safe writer), so that
    // nobody sees a half-written workbook and a crash leaves nothing behind;
    // it is named only when complete.  A new name never replaces an existing
    // file, so two workbooks saved at the same moment (by two threads or two
    // programs) get different names.
    const std::string folderName = QFile::encodeName(folder).toStdString();
    std::optional<TNewFile> file;
    try {
        file.emplace(folderName, std::string("Book.xlsx"), folderName);
    } catch (const Exception&) {
        throw EOleException("Cannot create a file in the folder for workbooks");
    }
    (void)fchmod(file->Handle(), 0644);
    WriteXlsx(book, QFile::decodeName(QByteArray::fromStdString(file->Path())));

    const QString stem = QStringLiteral("Book-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    try {
        for (int k = 1; k < 100000; ++k) {
            const QString name = k == 1 ? stem + QStringLiteral(".xlsx") : QStringLiteral("%1-%2.xlsx").arg(stem).arg(k);
            const QString target = QDir(folder).filePath(name);
            if (file->LinkAs(QFile::encodeName(target).toStdString()))
                return target;
        }
    } catch (const Exception&) {
    }
    throw EOleException("Cannot name the workbook file");
}

} // namespace xls
