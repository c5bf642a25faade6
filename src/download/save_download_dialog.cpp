#include "download/save_download_dialog.h"

#include "download/download_saver.h"
#include "download/logger_download.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "common/dialogs.h"

namespace {

QString digitsOf(const QLineEdit *box)
{
    return box->text().remove(QRegularExpression(QStringLiteral("[^0-9]")));
}

} // namespace

SaveDownloadDialog::SaveDownloadDialog(LoggerDownload &download, const QString &folder, QWidget *parent)
    : QDialog(parent)
    , m_download(download)
    , m_folder(folder)
{
    setWindowTitle(tr("Save Data"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto *frame = new QGroupBox(QStringLiteral("Start of Monitoring"), this);
    m_date = new QLineEdit(frame);
    m_date->setInputMask(QStringLiteral("00-00-0000;_"));
    m_date->setAccessibleName(QStringLiteral("Date:"));
    m_time = new QLineEdit(frame);
    m_time->setInputMask(QStringLiteral("00:00;_"));
    m_time->setAccessibleName(QStringLiteral("Time:"));
    m_dateLabel = new QLabel(QStringLiteral("Date:"), frame);
    m_timeLabel = new QLabel(QStringLiteral("Time:"), frame);
    m_dateLabel->setBuddy(m_date);
    m_timeLabel->setBuddy(m_time);
    auto *grid = new QGridLayout(frame);
    grid->addWidget(m_dateLabel, 0, 0);
    grid->addWidget(m_date, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("mm-dd-yyyy"), frame), 0, 2);
    grid->addWidget(m_timeLabel, 1, 0);
    grid->addWidget(m_time, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("EX:  13:45"), frame), 1, 2);

    m_hint = new QLabel(this);
    // Read by its text, which changes with the box in use.
    m_hint->setAccessibleDescription(tr("Hint"));
    m_hint->setMinimumWidth(fontMetrics().horizontalAdvance(
        QStringLiteral("Enter Time (hh:mm) [24 hour time] and press TAB key")));
    auto *saveButton = new QPushButton(tr("&Save"), this);
    auto *cancelButton = new QPushButton(tr("&Cancel"), this);
    saveButton->setAutoDefault(false);
    cancelButton->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(m_hint);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons);

    for (QObject *o : {static_cast<QObject *>(m_date), static_cast<QObject *>(m_time),
                       static_cast<QObject *>(m_dateLabel), static_cast<QObject *>(m_timeLabel)})
        o->installEventFilter(this);
    connect(saveButton, &QPushButton::clicked, this, &SaveDownloadDialog::save);
    connect(cancelButton, &QPushButton::clicked, this, &SaveDownloadDialog::cancel);
}

bool SaveDownloadDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && watched == m_date)
        m_hint->setText(QStringLiteral("Enter Date (mm-dd-yyyy) and press TAB key."));
    else if (event->type() == QEvent::FocusIn && watched == m_time)
        m_hint->setText(QStringLiteral("Enter Time (hh:mm) [24 hour time] and press TAB key"));
    else if (event->type() == QEvent::FocusOut && (watched == m_date || watched == m_time))
        m_hint->clear();
    else if (event->type() == QEvent::MouseButtonPress && watched == m_dateLabel)
        m_date->setFocus();
    else if (event->type() == QEvent::MouseButtonPress && watched == m_timeLabel)
        m_time->setFocus();
    return QDialog::eventFilter(watched, event);
}

void SaveDownloadDialog::save()
{
    DownloadSaver saver(m_download.dialogs(), m_folder);
    QString qmn;
    switch (saver.save(m_download.data(), m_download.interval(), digitsOf(m_date), digitsOf(m_time), &qmn)) {
    case DownloadSaver::Outcome::Saved:
        m_answered = true;
        m_download.finishSave(qmn);
        if (QWidget *main = parentWidget()) {
            // The main window grows to show the records' eleven columns.
            main->resize(qRound(13500 * main->logicalDpiX() / 1440.0), qRound(10000 * main->logicalDpiY() / 1440.0));
            main->show();
        }
        close();
        return;
    case DownloadSaver::Outcome::BadDate:
        m_date->setFocus();
        return;
    case DownloadSaver::Outcome::BadTime:
        m_time->setFocus();
        return;
    case DownloadSaver::Outcome::NoName:
    case DownloadSaver::Outcome::WriteFailed:
        return;
    }
}

void SaveDownloadDialog::cancel()
{
    m_answered = true;
    m_download.cancelSave();
    emit cancelled();
    close();
}

void SaveDownloadDialog::closeEvent(QCloseEvent *event)
{
    // Closed without Save or Cancel: nothing is saved, the port stays as it is.
    if (!m_answered) {
        m_answered = true;
        m_download.finishSave(QString());
    }
    event->accept();
}

void SaveDownloadDialog::reject()
{
    if (!m_answered) {
        m_answered = true;
        m_download.finishSave(QString());
    }
    QDialog::reject();
}
