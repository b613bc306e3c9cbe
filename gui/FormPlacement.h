#pragma once
// Storage of a main window's placement in the per-user registry.
//
// The window's key ("Software\<program>\<section>") holds:
//   "FormVersion"   integer, the form version (0)
//   "Flags"         integer, placement flags (1: minimized position set,
//                   2: restore to maximized)
//   "ShowCmd"       integer, 1 normal, 2 minimized, 3 maximized
//   "PixelsPerInch" integer, of the screen when stored
//   "MinMaxPos"     text "%d,%d,%d,%d": minimized x, y and maximized x, y
//   "NormPos"       text "%d,%d,%d,%d": normal rectangle left, top, right, bottom
// How a stored placement is applied: a normal rectangle that is not empty
// becomes the window's normal geometry; ShowCmd 3 maximizes it; a window
// stored minimized comes back in its normal state (or maximized when Flags
// says so).

#include <QPointer>
#include <QPoint>
#include <QRect>
#include <QString>

#include <QWidget>

namespace gui {

struct TWindowPlacement {
    int flags = 0;
    int showCmd = 1;
    QPoint minPosition{-1, -1};
    QPoint maxPosition{-1, -1};
    // Windows-style rectangle: right and bottom are exclusive (left + width).
    int left = 0, top = 0, right = 0, bottom = 0;
    int pixelsPerInch = 96;
};

enum : int { swShowNormal = 1, swShowMinimized = 2, swShowMaximized = 3 };
enum : int { wpfSetMinPosition = 1, wpfRestoreToMaximized = 2 };

class TFormStorage {
public:
    // form: the window; programFileName: e.g. "VelorSpec"; section: e.g. "MainForm".
    TFormStorage(QWidget* form, const QString& programFileName, const QString& section);

    // "Software\<program>\<section>"
    QString KeyPath() const;
    QString Section() const { return FSection; }
    // Key of a named sub-storage, e.g. SubKeyPath("TfrmMain.MRUManager").
    QString SubKeyPath(const QString& name) const { return KeyPath() + QLatin1Char('\\') + name; }

    // The form's placement now, and applying one.
    static TWindowPlacement Capture(const QWidget& form);
    static void Apply(QWidget& form, const TWindowPlacement& placement);

    // Writes / reads the values above.  Reading returns false when no
    // placement is stored (nothing changes then).
    void WritePlacement(const TWindowPlacement& placement) const;
    bool ReadPlacement(TWindowPlacement& placement) const;

    // Capture + write; read + apply.
    void SavePlacement() const;
    bool RestorePlacement() const;

private:
    QPointer<QWidget> FForm;
    QString FProgram;
    QString FSection;
};

}  // namespace gui
