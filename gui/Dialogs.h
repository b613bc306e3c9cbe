#pragma once
// Every modal question, message, input query, file dialog and modal form of
// both programs goes through this layer.  Without a responder it shows the real
// box; tests install a responder that answers instead and sees what was asked.
// Messages, questions and input queries never show under the hourglass: every
// override cursor is off while one is open and comes back when it closes.

#include <QString>
#include <QStringList>
#include <exception>
#include <functional>

class QDialog;
class QMessageBox;
class QWidget;

namespace gui {

enum class MsgDlgType { Warning, Error, Information, Confirmation, Custom };

// Button set of a message box (combinable).
enum MsgDlgButton : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbNoToAll = 1u << 7,
    mbYesToAll = 1u << 8,
};
using MsgDlgButtons = unsigned;
constexpr MsgDlgButtons mbYesNo = mbYes | mbNo;
constexpr MsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
constexpr MsgDlgButtons mbOKCancel = mbOK | mbCancel;

// Result of a modal box or form.
enum ModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrNoToAll = 9,
    mrYesToAll = 10,
};

enum class RequestKind { Message, InputQuery, OpenFile, SaveFile, Form };

// What a modal call asked for; handed to the responder.
struct DialogRequest {
    RequestKind kind = RequestKind::Message;
    QString caption;           // window title
    QString text;              // message text, or the input query's prompt
    MsgDlgType type = MsgDlgType::Information;
    MsgDlgButtons buttons = mbOK;
    // Input query: default text.  File dialogs: the proposed file name.
    QString value;
    // File dialogs.
    QString filter;            // "Name (*.ext)|*.ext|..." pairs as the caller gives them
    int filterIndex = 1;       // 1-based
    QString initialDir;
    QString defaultExt;
    bool multiSelect = false;  // open dialog: several files may be chosen
    QDialog* form = nullptr;   // RequestKind::Form: the form being shown
};

// The responder's answer.
struct DialogReply {
    int result = mrNone;       // ModalResult; for file dialogs and queries mrOk or mrCancel
    QString value;             // input query text or the chosen file name
    int filterIndex = 0;       // file dialogs: chosen filter (0 = unchanged)
    QStringList values;        // open dialog with multiSelect: the chosen files (empty: just value)
};

using Responder = std::function<DialogReply(const DialogRequest&)>;

// Installs a responder (empty to show real boxes again).  Returns the previous one.
Responder SetResponder(Responder responder);
bool HasResponder();

// Message box; returns the ModalResult of the pressed button.
int MessageDlg(const QString& msg, MsgDlgType type, MsgDlgButtons buttons, QWidget* parent = nullptr);
// Makes `box` the message box MessageDlg shows: icon and caption of the type,
// the buttons, and the text as plain text (a lone CR breaks the line as CR LF
// does).  A long run of characters without a blank (a path) gets invisible
// break opportunities, so the box wraps it within the screen's width and
// every character of it can be read.
void SetUpMessageBox(QMessageBox& box, const QString& msg, MsgDlgType type, MsgDlgButtons buttons);
// Information box with OK.
void ShowMessage(const QString& msg, QWidget* parent = nullptr);
// The application's default error box: an error box with the exception's message.
void ShowException(const std::exception& e, QWidget* parent = nullptr);
void ShowError(const QString& msg, QWidget* parent = nullptr);
// Modal input query; true on OK, with value updated.
bool InputQuery(const QString& caption, const QString& prompt, QString& value, QWidget* parent = nullptr);

// Open/save file dialogs.  `filter` is a list of "Description|pattern" pairs
// separated by '|' ("Sample (*.ast)|*.ast|All files (*.*)|*.*"); `filterIndex`
// is 1-based and updated with the user's choice; `fileName` holds the proposed
// name on entry and the chosen one on OK.
struct FileDialogOptions {
    QString caption;
    QString filter;
    int filterIndex = 1;
    QString initialDir;
    QString defaultExt;
    QString fileName;
    bool mustExist = true;       // open: file must exist
    bool overwritePrompt = true; // save: ask before replacing
    // Open dialog: several files may be chosen; on OK fileNames lists them in
    // the dialog's order and fileName holds the first.
    bool multiSelect = false;
    QStringList fileNames;
};
// The name filters a Qt file dialog shows for a "Description|patterns|..." filter.
QStringList QtNameFilters(const QString& filter);
bool ExecuteOpenDialog(FileDialogOptions& opts, QWidget* parent = nullptr);
bool ExecuteSaveDialog(FileDialogOptions& opts, QWidget* parent = nullptr);

// Shows a modal form; a responder gets it instead (and may fill its controls,
// press its buttons and return the result).  Returns the ModalResult.
int ExecModal(QDialog& form);

// Runs a command and shows any exception it raises in the default error box,
// as the application's default handler does.  Returns false when it raised.
bool RunGuarded(const std::function<void()>& command, QWidget* parent = nullptr);

}  // namespace gui
