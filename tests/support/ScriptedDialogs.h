#pragma once
// A scripted responder for the dialogs layer: answers every modal box, query,
// file dialog and form in order and records what was asked.  With no answer
// left every dialog is cancelled.

#include <QDialog>
#include <QStringList>

#include <deque>
#include <vector>

#include "Dialogs.h"

struct ScriptedDialogs {
    std::vector<gui::DialogRequest> asked;
    std::deque<gui::DialogReply> replies;  // answered in order; empty: Cancel
    QStringList formClasses;               // class of every modal form shown
    gui::Responder previous;

    ScriptedDialogs()
    {
        previous = gui::SetResponder([this](const gui::DialogRequest& r) {
            asked.push_back(r);
            if (r.form)
                formClasses << QString::fromLatin1(r.form->metaObject()->className());
            if (replies.empty())
                return gui::DialogReply{gui::mrCancel, {}, 0, {}};
            gui::DialogReply reply = replies.front();
            replies.pop_front();
            return reply;
        });
    }
    ~ScriptedDialogs() { gui::SetResponder(previous); }

    void Answer(int result) { replies.push_back({result, {}, 0, {}}); }
    // A file dialog confirmed with this name.
    void ChooseFile(const QString& name) { replies.push_back({gui::mrOk, name, 0, {}}); }
    void SaveAs(const QString& name) { ChooseFile(name); }
    // The texts (messages, prompts) of everything asked, in order.
    QStringList Texts() const
    {
        QStringList out;
        for (const auto& r : asked)
            out << r.text;
        return out;
    }
};
