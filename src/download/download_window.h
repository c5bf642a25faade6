#pragma once

#include <QWidget>

class LoggerDownload;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;

// "Download": shows the logger download's boxes, list and progress, with
// Start, Abort and Exit. The download belongs to the program; closing this
// window aborts a running one.
class DownloadWindow : public QWidget
{
    Q_OBJECT
public:
    DownloadWindow(LoggerDownload &download, const QString &dataDir, QWidget *parent = nullptr);

    QLineEdit *deviceIdBox() const { return m_deviceId; }
    QLineEdit *intervalBox() const { return m_interval; }
    QLineEdit *recordsBox() const { return m_records; }
    QProgressBar *progress() const { return m_progress; }
    QListView *statusView() const { return m_list; }

signals:
    // The save dialog's Cancel closes the main window's download too.
    void saveDialogOpened(QWidget *dialog);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void refreshBoxes();
    void openSaveDialog();

    LoggerDownload &m_download;
    QString m_dataDir;
    QLineEdit *m_deviceId = nullptr;
    QLineEdit *m_interval = nullptr;
    QLineEdit *m_records = nullptr;
    QListView *m_list = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_start = nullptr;
};
