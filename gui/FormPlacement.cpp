#include "FormPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>
#include <cmath>

#include "Registry.h"

namespace gui {

using platform::registry::ERegistryException;
using platform::registry::ProgramKey;
using platform::registry::TRegistry;

namespace {

QString fourInts(int a, int b, int c, int d)
{
    return QStringLiteral("%1,%2,%3,%4").arg(a).arg(b).arg(c).arg(d);
}

// "%d,%d,%d,%d" back into four integers; false when the text is not that.
bool parseFourInts(const QString& text, int out[4])
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        out[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return false;
    }
    return true;
}

int screenPixelsPerInch(const QWidget& form)
{
    QScreen* screen = form.screen() ? form.screen() : QGuiApplication::primaryScreen();
    return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInch())) : 96;
}

}  // namespace

TFormStorage::TFormStorage(QWidget* form, const QString& programFileName, const QString& section)
    : FForm(form), FProgram(programFileName), FSection(section)
{
}

QString TFormStorage::KeyPath() const
{
    return ProgramKey(FProgram) + QLatin1Char('\\') + FSection;
}

TWindowPlacement TFormStorage::Capture(const QWidget& form)
{
    TWindowPlacement p;
    const Qt::WindowStates state = form.windowState();
    if (state & Qt::WindowMinimized) {
        p.showCmd = swShowMinimized;
        if (state & Qt::WindowMaximized)
            p.flags |= wpfRestoreToMaximized;
    } else if (state & Qt::WindowMaximized) {
        p.showCmd = swShowMaximized;
    } else {
        p.showCmd = swShowNormal;
    }
    QRect normal = form.normalGeometry();
    if (!normal.isValid() || normal.isEmpty())
        normal = form.geometry();
    p.left = normal.x();
    p.top = normal.y();
    p.right = normal.x() + normal.width();
    p.bottom = normal.y() + normal.height();
    p.pixelsPerInch = screenPixelsPerInch(form);
    return p;
}

void TFormStorage::Apply(QWidget& form, const TWindowPlacement& p)
{
    const QRect normal(p.left, p.top, p.right - p.left, p.bottom - p.top);
    if (normal.width() > 0 && normal.height() > 0)
        form.setGeometry(normal);
    Qt::WindowStates state = form.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    // A window stored minimized comes back in the state it had before.
    if (p.showCmd == swShowMaximized || (p.showCmd == swShowMinimized && (p.flags & wpfRestoreToMaximized)))
        state |= Qt::WindowMaximized;
    form.setWindowState(state);
}

void TFormStorage::WritePlacement(const TWindowPlacement& p) const
{
    TRegistry reg;
    reg.OpenKey(QLatin1Char('\\') + KeyPath(), true);
    reg.WriteInteger(QStringLiteral("FormVersion"), 0);
    reg.WriteInteger(QStringLiteral("Flags"), p.flags);
    reg.WriteInteger(QStringLiteral("ShowCmd"), p.showCmd);
    reg.WriteInteger(QStringLiteral("PixelsPerInch"), p.pixelsPerInch);
    reg.WriteString(QStringLiteral("MinMaxPos"),
                    fourInts(p.minPosition.x(), p.minPosition.y(), p.maxPosition.x(), p.maxPosition.y()));
    reg.WriteString(QStringLiteral("NormPos"), fourInts(p.left, p.top, p.right, p.bottom));
}

bool TFormStorage::ReadPlacement(TWindowPlacement& placement) const
{
    TRegistry reg;
    if (!reg.OpenKey(QLatin1Char('\\') + KeyPath(), false))
        return false;
    TWindowPlacement p;
    // Values of the wrong kind keep the window as it is, like garbage text:
    // a damaged placement must not stop the start-up of the main window.
    try {
        int norm[4];
        if (!parseFourInts(reg.ReadString(QStringLiteral("NormPos")), norm))
            return false;
        p.left = norm[0];
        p.top = norm[1];
        p.right = norm[2];
        p.bottom = norm[3];
        int minMax[4];
        if (parseFourInts(reg.ReadString(QStringLiteral("MinMaxPos")), minMax)) {
            p.minPosition = QPoint(minMax[0], minMax[1]);
            p.maxPosition = QPoint(minMax[2], minMax[3]);
        }
        if (reg.ValueExists(QStringLiteral("Flags")))
            p.flags = reg.ReadInteger(QStringLiteral("Flags"));
        if (reg.ValueExists(QStringLiteral("ShowCmd")))
            p.showCmd = reg.ReadInteger(QStringLiteral("ShowCmd"));
        if (reg.ValueExists(QStringLiteral("PixelsPerInch")))
            p.pixelsPerInch = reg.ReadInteger(QStringLiteral("PixelsPerInch"));
    } catch (const ERegistryException&) {
        return false;
    }
    placement = p;
    return true;
}

void TFormStorage::SavePlacement() const
{
    if (FForm)
        WritePlacement(Capture(*FForm));
}

bool TFormStorage::RestorePlacement() const
{
    TWindowPlacement p;
    if (!FForm || !ReadPlacement(p))
        return false;
    Apply(*FForm, p);
    return true;
}

}  // namespace gui
