#pragma once

#include <QString>

// Every message box, yes/no question and file dialog goes through here, so
// logic never touches a widget: the windows use the widget implementation,
// tests script the answers and a headless run logs the texts and answers No.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // A message box with an OK button.
    virtual void message(const QString &text) = 0;
    // A Yes/No box; anything but Yes counts as No.
    virtual bool askYesNo(const QString &text) = 0;
    // The same under a title of its own ("Caution" before a destructive command).
    virtual bool askYesNoTitled(const QString &title, const QString &text)
    {
        Q_UNUSED(title);
        return askYesNo(text);
    }
    // A save-file dialog; empty when cancelled.
    virtual QString saveFileName(const QString &title, const QString &folder, const QString &filter) = 0;
};

// For runs without windows: writes each text to stderr and answers No.
class HeadlessDialogs : public Dialogs
{
public:
    void message(const QString &text) override;
    bool askYesNo(const QString &text) override;
    QString saveFileName(const QString &title, const QString &folder, const QString &filter) override;
};
