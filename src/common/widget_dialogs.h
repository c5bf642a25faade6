#pragma once

#include "common/dialogs.h"

#include <QPointer>
#include <QWidget>

// Message boxes and file dialogs of the windows.
class WidgetDialogs : public Dialogs
{
public:
    explicit WidgetDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    void message(const QString &text) override;
    bool askYesNo(const QString &text) override;
    bool askYesNoTitled(const QString &title, const QString &text) override;
    QString saveFileName(const QString &title, const QString &folder, const QString &filter) override;

private:
    QPointer<QWidget> m_parent;
};
