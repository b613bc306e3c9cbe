#include "Dialogs.h"
#include "WindowFit.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace gui {
namespace {

Responder& currentResponder()
{
    static Responder responder;
    return responder;
}

// While a message or a question shows, no override cursor is on: the box is
// answered under the normal pointer, not under a command's hourglass.  The
// cursors come back, in their order, when it closes.
class TCursorsLifted {
public:
    TCursorsLifted()
    {
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return;
        while (const QCursor* cursor = QGuiApplication::overrideCursor()) {
            FCursors.prepend(*cursor);
            QGuiApplication::restoreOverrideCursor();
        }
    }
    ~TCursorsLifted()
    {
        for (const QCursor& cursor : FCursors)
            QGuiApplication::setOverrideCursor(cursor);
    }
    TCursorsLifted(const TCursorsLifted&) = delete;
    TCursorsLifted& operator=(const TCursorsLifted&) = delete;

private:
    QList<QCursor> FCursors;   // bottom of the stack first
};

QString titleFor(MsgDlgType type)
{
    switch (type) {
    case MsgDlgType::Warning: return QStringLiteral("Warning");
    case MsgDlgType::Error: return QStringLiteral("Error");
    case MsgDlgType::Information: return QStringLiteral("Information");
    case MsgDlgType::Confirmation: return QStringLiteral("Confirm");
    case MsgDlgType::Custom: break;
    }
    return ApplicationTitle().isEmpty() ? QApplication::applicationDisplayName() : ApplicationTitle();
}

struct ButtonMap {
    MsgDlgButton b;
    QMessageBox::StandardButton q;
    int r;
};
const ButtonMap buttonMap[] = {
    {mbYes, QMessageBox::Yes, mrYes},       {mbNo, QMessageBox::No, mrNo},
    {mbOK, QMessageBox::Ok, mrOk},          {mbCancel, QMessageBox::Cancel, mrCancel},
    {mbAbort, QMessageBox::Abort, mrAbort}, {mbRetry, QMessageBox::Retry, mrRetry},
    {mbIgnore, QMessageBox::Ignore, mrIgnore},
    {mbNoToAll, QMessageBox::NoToAll, mrNoToAll}, {mbYesToAll, QMessageBox::YesToAll, mrYesToAll},
};

// Runs of more characters than this without a blank get a break
// opportunity after each character.
constexpr int LongestUnbrokenRun = 30;
// U+200B ZERO WIDTH SPACE: a line may break there; it shows nothing.
constexpr QChar ZeroWidthBreak(0x200B);

// The text as the box shows it: a lone CR breaks the line as CR LF does, and
// a long run without blanks (a path, a file name) may break anywhere, so that
// the box wraps it within its width instead of cutting it off.  Sentences
// still wrap at their blanks.
QString boxText(const QString& msg)
{
    const QString text =
        QString(msg).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QString out;
    out.reserve(text.size());
    qsizetype runStart = 0;
    const auto flushRun = [&](qsizetype end) {
        const QStringView run = QStringView(text).mid(runStart, end - runStart);
        if (run.size() <= LongestUnbrokenRun) {
            out += run;
            return;
        }
        for (qsizetype i = 0; i < run.size(); ++i) {
            out += run[i];
            const bool last = i + 1 == run.size();
            // Never between the halves of a surrogate pair or before a mark
            // that belongs to the character before it.
            if (!last && !run[i].isHighSurrogate() && !run[i + 1].isMark())
                out += ZeroWidthBreak;
        }
    };
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i].isSpace()) {
            flushRun(i);
            out += text[i];
            runStart = i + 1;
        }
    flushRun(text.size());
    return out;
}

}  // namespace

void SetUpMessageBox(QMessageBox& box, const QString& msg, MsgDlgType type, MsgDlgButtons buttons)
{
    switch (type) {
    case MsgDlgType::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgDlgType::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgDlgType::Information: box.setIcon(QMessageBox::Information); break;
    case MsgDlgType::Confirmation: box.setIcon(QMessageBox::Question); break;
    case MsgDlgType::Custom: break;
    }
    box.setWindowTitle(titleFor(type));
    box.setTextFormat(Qt::PlainText);
    box.setText(boxText(msg));
    QMessageBox::StandardButtons qb;
    for (const ButtonMap& m : buttonMap)
        if (buttons & m.b)
            qb |= m.q;
    box.setStandardButtons(qb);
}

// "Desc|*.a;*.b|Desc2|*.c" -> "Desc (*.a *.b)", "Desc2 (*.c)": the description
// keeps its text and the patterns go in parentheses at its end, as Qt reads
// them; a description that already ends with exactly those patterns in
// parentheses ("Files(*.AST)|*.AST") is used as it stands.  The pattern "*.*"
// means every file, also one without an extension; Qt would match only names
// with a dot, so it is given to Qt as "*" ("Any File(*.*) (*)").
QStringList QtNameFilters(const QString& filter)
{
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QStringList qtPatterns = patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (QString& pattern : qtPatterns)
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        const QString qt = qtPatterns.join(QLatin1Char(' '));
        if (qt == patterns && description.endsWith(QStringLiteral("(%1)").arg(patterns)))
            out << description;
        else
            out << QStringLiteral("%1 (%2)").arg(description, qt);
    }
    return out;
}

namespace {

bool execFileDialog(FileDialogOptions& opts, QWidget* parent, bool save)
{
    if (currentResponder()) {
        DialogRequest req;
        req.kind = save ? RequestKind::SaveFile : RequestKind::OpenFile;
        req.caption = opts.caption;
        req.filter = opts.filter;
        req.filterIndex = opts.filterIndex;
        req.initialDir = opts.initialDir;
        req.defaultExt = opts.defaultExt;
        req.value = opts.fileName;
        req.multiSelect = !save && opts.multiSelect;
        const DialogReply reply = currentResponder()(req);
        if (reply.result != mrOk)
            return false;
        opts.fileName = reply.value;
        opts.fileNames = reply.values.isEmpty() ? QStringList{reply.value} : reply.values;
        if (!reply.values.isEmpty())
            opts.fileName = reply.values.constFirst();
        if (reply.filterIndex > 0)
            opts.filterIndex = reply.filterIndex;
        return true;
    }
    QFileDialog dlg(parent, opts.caption, opts.initialDir);
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile
                         : (opts.multiSelect ? QFileDialog::ExistingFiles
                                             : (opts.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile)));
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !opts.overwritePrompt);
    const QStringList filters = QtNameFilters(opts.filter);
    dlg.setNameFilters(filters);
    if (opts.filterIndex >= 1 && opts.filterIndex <= filters.size())
        dlg.selectNameFilter(filters[opts.filterIndex - 1]);
    if (!opts.defaultExt.isEmpty())
        dlg.setDefaultSuffix(opts.defaultExt);
    if (!opts.fileName.isEmpty())
        dlg.selectFile(opts.fileName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return false;
    opts.fileName = dlg.selectedFiles().constFirst();
    opts.fileNames = dlg.selectedFiles();
    const int idx = filters.indexOf(dlg.selectedNameFilter());
    if (idx >= 0)
        opts.filterIndex = idx + 1;
    return true;
}

}  // namespace

Responder SetResponder(Responder responder)
{
    Responder previous = std::move(currentResponder());
    currentResponder() = std::move(responder);
    return previous;
}

bool HasResponder()
{
    return static_cast<bool>(currentResponder());
}

int MessageDlg(const QString& msg, MsgDlgType type, MsgDlgButtons buttons, QWidget* parent)
{
    const TCursorsLifted lifted;
    if (currentResponder()) {
        DialogRequest req;
        req.kind = RequestKind::Message;
        req.caption = titleFor(type);
        req.text = msg;
        req.type = type;
        req.buttons = buttons;
        return currentResponder()(req).result;
    }
    QMessageBox box(parent ? parent : QApplication::activeWindow());
    SetUpMessageBox(box, msg, type, buttons);
    const int pressed = box.exec();
    for (const ButtonMap& m : buttonMap)
        if (pressed == m.q)
            return m.r;
    return (buttons & mbCancel) ? mrCancel : mrNone;
}

void ShowMessage(const QString& msg, QWidget* parent)
{
    MessageDlg(msg, MsgDlgType::Custom, mbOK, parent);
}

void ShowError(const QString& msg, QWidget* parent)
{
    MessageDlg(msg, MsgDlgType::Error, mbOK, parent);
}

void ShowException(const std::exception& e, QWidget* parent)
{
    ShowError(QString::fromLocal8Bit(e.what()), parent);
}

bool InputQuery(const QString& caption, const QString& prompt, QString& value, QWidget* parent)
{
    const TCursorsLifted lifted;
    if (currentResponder()) {
        DialogRequest req;
        req.kind = RequestKind::InputQuery;
        req.caption = caption;
        req.text = prompt;
        req.value = value;
        const DialogReply reply = currentResponder()(req);
        if (reply.result != mrOk)
            return false;
        value = reply.value;
        return true;
    }
    bool ok = false;
    const QString text = QInputDialog::getText(parent ? parent : QApplication::activeWindow(), caption, prompt,
                                               QLineEdit::Normal, value, &ok);
    if (ok)
        value = text;
    return ok;
}

bool ExecuteOpenDialog(FileDialogOptions& opts, QWidget* parent)
{
    return execFileDialog(opts, parent, false);
}

bool ExecuteSaveDialog(FileDialogOptions& opts, QWidget* parent)
{
    return execFileDialog(opts, parent, true);
}

int ExecModal(QDialog& form)
{
    if (currentResponder()) {
        DialogRequest req;
        req.kind = RequestKind::Form;
        req.caption = form.windowTitle();
        req.form = &form;
        const DialogReply reply = currentResponder()(req);
        if (reply.result != mrNone)
            return reply.result;
        return form.result() == QDialog::Rejected ? int(mrCancel) : form.result();
    }
    const int r = form.exec();
    return r == QDialog::Rejected ? int(mrCancel) : r;
}

bool RunGuarded(const std::function<void()>& command, QWidget* parent)
{
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        ShowException(e, parent);
    } catch (...) {
        ShowError(QStringLiteral("Unknown error"), parent);
    }
    return false;
}

}  // namespace gui
