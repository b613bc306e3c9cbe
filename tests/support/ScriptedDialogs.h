#pragma once
// A scripted responder for the dialogs layer: answers every modal box, query,
// file dialog and form in order and records what was asked.  With no answer
// left every dialog is cancelled.  A form may be driven as a user drives it
// (keys, clicks) before its answer is taken.

#include <QDialog>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

#include "Dialogs.h"

struct ScriptedDialogs {
    std::vector<gui::DialogRequest> asked;
    std::deque<gui::DialogReply> replies;  // answered in order; empty: Cancel
    QStringList formClasses;               // class of every modal form shown
    std::deque<std::function<void(QDialog&)>> drivers;  // the next forms, driven in order
    gui::Responder previous;

    ScriptedDialogs()
    {
        previous = gui::SetResponder([this](const gui::DialogRequest& r) {
            asked.push_back(r);
            if (r.form)
                formClasses << QString::fromLatin1(r.form->metaObject()->className());
            gui::DialogReply reply{gui::mrCancel, {}, 0, {}};
            if (!replies.empty()) {
                reply = replies.front();
                replies.pop_front();
            }
            // After taking its answer: a box the form raises takes the next one.
            if (r.form && !drivers.empty()) {
                const auto drive = drivers.front();
                drivers.pop_front();
                drive(*r.form);
            }
            return reply;
        });
    }
    ~ScriptedDialogs() { gui::SetResponder(previous); }

    void Answer(int result) { replies.push_back({result, {}, 0, {}}); }
    // A file dialog confirmed with this name.
    void ChooseFile(const QString& name) { replies.push_back({gui::mrOk, name, 0, {}}); }
    void SaveAs(const QString& name) { ChooseFile(name); }
    // The next form is driven by `drive` (shown, typed into, its buttons
    // pressed) and its own result is the answer.
    void Drive(std::function<void(QDialog&)> drive)
    {
        drivers.push_back(std::move(drive));
        Answer(gui::mrNone);
    }
    // The texts (messages, prompts) of everything asked, in order.
    QStringList Texts() const
    {
        QStringList out;
        for (const auto& r : asked)
            out << r.text;
        return out;
    }
};
