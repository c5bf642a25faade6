#include "common/widget_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {
const char kTitle[] = "QMN-4400 Pilot";
}

void WidgetDialogs::message(const QString &text)
{
    QMessageBox::information(m_parent, kTitle, text, QMessageBox::Ok);
}

bool WidgetDialogs::askYesNo(const QString &text)
{
    return QMessageBox::question(m_parent, kTitle, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool WidgetDialogs::askYesNoTitled(const QString &title, const QString &text)
{
    return QMessageBox::question(m_parent, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QString WidgetDialogs::saveFileName(const QString &title, const QString &folder, const QString &filter)
{
    // Every caller asks its own overwrite question, in the program's words.
    return QFileDialog::getSaveFileName(m_parent, title, folder, filter, nullptr, QFileDialog::DontConfirmOverwrite);
}
