#pragma once
// Reads an .xlsx file back through tests/support/xlsx_dump.py (openpyxl), so
// tests can compare what a spreadsheet program will see, cell by cell.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct DumpedCell {
    std::string kind;      // "n" number, "s" text, "-" empty
    std::string value;     // the text, or the number as Python prints it
    bool bold = false;
    std::string borders;   // sides with a border: t, b, l, r; "-" for none
    double number() const
    {
        double v = 0;
        std::from_chars(value.data(), value.data() + value.size(), v);
        return v;
    }
};

struct XlsxDump {
    bool ok = false;
    std::string error;
    std::vector<std::string> sheets;
    std::map<std::string, DumpedCell> cells;   // by reference, "A1"
};

inline XlsxDump DumpXlsx(const QString& path)
{
    XlsxDump dump;
#ifdef VELOR_TEST_SUPPORT_DIR
    const auto script = std::filesystem::path(VELOR_TEST_SUPPORT_DIR) / "xlsx_dump.py";
#else
    const auto script = std::filesystem::path(__FILE__).parent_path() / "xlsx_dump.py";
#endif
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"), {QString::fromStdString(script.string()), path});
    if (!py.waitForFinished(60000) || py.exitStatus() != QProcess::NormalExit || py.exitCode() != 0) {
        dump.error = py.readAllStandardError().toStdString();
        if (dump.error.empty())
            dump.error = "python3 did not finish";
        return dump;
    }
    const QList<QByteArray> lines = py.readAllStandardOutput().split('\n');
    for (const QByteArray& line : lines) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> f = line.split('\t');
        if (f.value(0) == "sheets") {
            for (qsizetype i = 1; i < f.size(); ++i)
                dump.sheets.push_back(f[i].toStdString());
            continue;
        }
        if (f.size() != 5) {
            dump.error = "unexpected line: " + line.toStdString();
            return dump;
        }
        dump.cells[f[0].toStdString()] =
            DumpedCell{f[1].toStdString(), f[2].toStdString(), f[3] == "1", f[4].toStdString()};
    }
    dump.ok = true;
    return dump;
}

// The value a number has after the trip through the file: the writer keeps
// 16 significant digits.
inline double AsStored(double value)
{
    char buf[40];
    const auto end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 16).ptr;
    double stored = 0;
    std::from_chars(buf, end, stored);
    return stored;
}

} // namespace testsupport
