#pragma once

#include "common/dialogs.h"

#include <QStringList>
#include <deque>
#include <functional>

// Dialogs for tests: records every text shown and answers Yes/No questions
// from a script (No when the script is empty).
class ScriptedDialogs : public Dialogs
{
public:
    void message(const QString &text) override
    {
        messages << text;
        if (onMessage)
            onMessage(text);
    }
    bool askYesNo(const QString &text) override
    {
        questions << text;
        if (onAsk)
            onAsk(text);
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    QString saveFileName(const QString &title, const QString &, const QString &) override
    {
        questions << title;
        return nextFileName;
    }

    QStringList messages;
    QStringList questions;
    std::deque<bool> answers;
    QString nextFileName;
    // Run while a question or a box is up, as the event loop would: to look
    // at the state the user sees or to go on with the program's work.
    std::function<void(const QString &)> onAsk;
    std::function<void(const QString &)> onMessage;
};
