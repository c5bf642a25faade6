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
    void message(const QString &text) override { messages << text; }
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
    // Runs while a question is up, to look at the state the user sees.
    std::function<void(const QString &)> onAsk;
};
