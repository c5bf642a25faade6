#include "download/download_window.h"

#include "common/status_box_widget.h"
#include "download/logger_download.h"
#include "download/save_download_dialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <qcoro/qcorotask.h>

namespace {

QGroupBox *framed(const QString &caption, QWidget *inner, QWidget *parent)
{
    auto *box = new QGroupBox(caption, parent);
    auto *layout = new QVBoxLayout(box);
    layout->addWidget(inner);
    // A label is read by its text; a name would hide it.
    if (inner->inherits("QLabel"))
        inner->setAccessibleDescription(caption);
    else
        inner->setAccessibleName(caption);
    return box;
}

QLineEdit *readOnlyBox(QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setAlignment(Qt::AlignCenter);
    return edit;
}

} // namespace

DownloadWindow::DownloadWindow(LoggerDownload &download, const QString &dataDir, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_download(download)
    , m_dataDir(dataDir)
{
    setWindowTitle(tr("Download"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto *commBox = new StatusBoxWidget(download.commBox(), this);
    m_deviceId = readOnlyBox(this);
    m_interval = readOnlyBox(this);
    m_records = readOnlyBox(this);
    m_list = new QListView(this);
    m_list->setModel(&download.messages());
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setAccessibleName(tr("Download status"));
    m_progress = new QProgressBar(this);
    m_progress->setAccessibleName(tr("Download progress"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);

    m_start = new QPushButton(tr("Start"), this);
    auto *abort = new QPushButton(tr("Abort"), this);
    auto *exit = new QPushButton(tr("Exit"), this);

    auto *grid = new QGridLayout(this);
    grid->addWidget(framed(QStringLiteral("Commucation Status"), commBox, this), 0, 0, 1, 3);
    grid->addWidget(framed(QStringLiteral("Device ID Number"), m_deviceId, this), 1, 0);
    grid->addWidget(framed(QStringLiteral("Storage Interval Setting:"), m_interval, this), 1, 1);
    grid->addWidget(framed(QStringLiteral("Number of Records"), m_records, this), 1, 2);
    grid->addWidget(m_list, 2, 0, 1, 3);
    grid->addWidget(m_progress, 3, 0, 1, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_start);
    buttons->addWidget(abort);
    buttons->addWidget(exit);
    grid->addLayout(buttons, 4, 0, 1, 3);
    const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    resize(40 * em, 30 * fontMetrics().height());

    connect(m_start, &QPushButton::clicked, this, [this] { m_download.Start(); });
    connect(abort, &QPushButton::clicked, &download, &LoggerDownload::abort);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    connect(&download, &LoggerDownload::boxesChanged, this, &DownloadWindow::refreshBoxes);
    connect(&download, &LoggerDownload::progressChanged, this, [this](int value, int maximum) {
        m_progress->setRange(0, qMax(maximum, 1));
        m_progress->setValue(qMin(value, qMax(maximum, 1)));
    });
    connect(&download, &LoggerDownload::runningChanged, this, [this](bool running) {
        m_start->setEnabled(!running);
        if (running)
            setCursor(Qt::BusyCursor);
        else
            unsetCursor();
    });
    connect(&download, &LoggerDownload::saveRequested, this, &DownloadWindow::openSaveDialog);

    m_start->setEnabled(!download.isRunning());
    download.showPortState();
    refreshBoxes();
}

void DownloadWindow::refreshBoxes()
{
    m_deviceId->setText(m_download.deviceId());
    m_interval->setText(m_download.intervalText());
    m_records->setText(m_download.recordsText());
}

void DownloadWindow::openSaveDialog()
{
    // The dialog outlives this window: it belongs to the main window.
    auto *dialog = new SaveDownloadDialog(m_download, m_dataDir, parentWidget());
    QPointer<DownloadWindow> self(this);
    connect(dialog, &SaveDownloadDialog::cancelled, this, [self] {
        if (self)
            self->close();
    });
    dialog->open();
    emit saveDialogOpened(dialog);
}

void DownloadWindow::closeEvent(QCloseEvent *event)
{
    if (m_download.isRunning())
        m_download.abort();
    event->accept();
}
