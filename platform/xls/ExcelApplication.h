#pragma once
// Spreadsheet automation for the export worker.
//
// TExcelApplication plays the spreadsheet application's Application object
// with the few operations the export needs: connect, Visible, Workbooks.Add,
// ActiveCell, Range, Range.Value, Range.Next, Range.AutoFormat and
// disconnect.  The workbook lives in memory; a cell reference the
// application would refuse throws EOleException, as the automation call
// would fail.  Disconnecting writes every added workbook as an .xlsx file
// into the export folder (a new, unique name each time) and, when the
// application was made visible, hands it to the desktop's spreadsheet
// program.  Nothing here is shared between threads except the folder and
// opener settings: each thread uses its own TExcelApplication.

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace xls {

// A failed automation call.
class EOleException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Sheet limits of the application.
constexpr int MaxRows = 1048576;
constexpr int MaxColumns = 16384;       // column XFD
constexpr int MaxTextLength = 32767;    // characters in one cell

// One cell, 1-based.
struct CellRef {
    int row = 1;
    int col = 1;
    friend bool operator==(const CellRef&, const CellRef&) = default;
    friend auto operator<=>(const CellRef& a, const CellRef& b) = default;
};

// Reads an A1-style cell name ("B7", "aa12", "$XFD$1048576").  False for
// anything else, including names beyond the sheet's limits.
bool ParseCellRef(std::string_view text, CellRef& out);
// The A1-style name of a cell ("AA12").
std::string CellName(CellRef cell);
// The column letters of a 1-based column number ("A", "Z", "AA", "XFD").
std::string ColumnName(int col);

// The only table format the layer knows: the first classic one.
constexpr int FormatClassic1 = 1;

using CellValue = std::variant<double, std::string>;

// The in-memory workbook: one sheet of values and the blocks that were
// given a table format, in the order they were formatted.
struct Workbook {
    std::map<CellRef, CellValue> cells;   // ordered by row, then column
    struct Block {
        CellRef first, last;
        int format = FormatClassic1;
    };
    std::vector<Block> formatted;
    bool released = false;                // written and gone from the application
};

// A cell or a rectangular block of cells of one workbook.
class TExcelRange {
public:
    // Writes the value into every cell of the range.  Text beyond the cell
    // limit and numbers that are not finite are refused.
    void SetValue(const std::string& text) const;
    void SetValue(const char* text) const { SetValue(std::string(text)); }
    void SetValue(double value) const;
    // The cell to the right of the range's top-left cell.
    TExcelRange Next() const;
    // Applies a table format to the block (only FormatClassic1 exists).
    void AutoFormat(int format) const;

    CellRef First() const { return FFirst; }
    CellRef Last() const { return FLast; }

private:
    friend class TExcelApplication;
    TExcelRange(std::shared_ptr<Workbook> book, CellRef first, CellRef last);
    Workbook& Book() const;

    std::shared_ptr<Workbook> FBook;
    CellRef FFirst, FLast;
};

// What became of one workbook when the application let go of it.
struct WrittenWorkbook {
    QString path;        // the .xlsx file on disk
    bool opened = false; // a spreadsheet program was asked to show it
};

class TExcelApplication;

class TExcelWorkbooks {
public:
    // Adds a new, empty workbook, which becomes the active one.
    void Add();
    int Count() const;

private:
    friend class TExcelApplication;
    explicit TExcelWorkbooks(TExcelApplication& app) : FApp(app) {}
    TExcelApplication& FApp;
};

class TExcelApplication {
public:
    // Created without connection; every operation connects at its first use.
    TExcelApplication();
    // Releases the connection (see Disconnect); never throws.
    ~TExcelApplication();
    TExcelApplication(const TExcelApplication&) = delete;
    TExcelApplication& operator=(const TExcelApplication&) = delete;

    // Attaches to the application, starting it when needed: the export
    // folder must exist or be creatable, else the connection fails.
    void Connect();
    // Releases the connection: writes every workbook added since connecting,
    // opens each one when the application is visible, and forgets them.
    // Failures while writing or opening are dropped; nothing throws.
    void Disconnect() noexcept;
    bool Connected() const { return FConnected; }

    void SetVisible(bool value);
    bool Visible() const { return FVisible; }

    TExcelWorkbooks& Workbooks();
    // The active cell of the active workbook: the top-left cell of a new one.
    TExcelRange ActiveCell();
    // A cell (ref1 = ref2) or the block spanned by the two cells.
    TExcelRange Range(std::string_view ref1, std::string_view ref2);

    // Every workbook written by this object so far, oldest first.
    const std::vector<WrittenWorkbook>& Written() const { return FWritten; }

private:
    friend class TExcelWorkbooks;
    std::shared_ptr<Workbook> ActiveBook();

    bool FConnected = false;
    bool FVisible = false;
    QString FFolder;   // export folder taken at connection
    std::vector<std::shared_ptr<Workbook>> FBooks;
    TExcelWorkbooks FWorkbooks;
    std::vector<WrittenWorkbook> FWritten;
};

// Settings shared by every TExcelApplication of the process.

// The folder the user finds exported workbooks in: "VelorSpec" inside the
// user's documents folder.
QString DefaultExportFolder();
// Sets the export folder (empty restores the default); returns the previous one.
QString SetExportFolder(const QString& folder);
QString ExportFolder();

// Shows a written workbook; false when no program can open it.
using Opener = std::function<bool(const QString& path)>;
// Installs an opener (empty restores the desktop one); returns the previous one.
Opener SetOpener(Opener opener);
// The desktop opener: asks the desktop for the default program of .xlsx
// files and starts it on the file without waiting for it.
bool OpenWithDesktop(const QString& path);

// Writes a workbook as an .xlsx file at path (values as numbers and
// strings, formatted blocks styled).  Throws EOleException on failure.
void WriteXlsx(const Workbook& book, const QString& path);
// Writes the workbook under a new, unique name in folder: first into a
// temporary file, then moved to its name once complete.  Returns the path.
QString SaveWorkbook(const Workbook& book, const QString& folder);

} // namespace xls
