#pragma once

#include <QDialog>

class LoggerDownload;
class QLabel;
class QLineEdit;

// "Save Data": the start of monitoring and the file name for a finished
// download; writes NAME.BIN and NAME.QMN (see DownloadSaver).
class SaveDownloadDialog : public QDialog
{
    Q_OBJECT
public:
    SaveDownloadDialog(LoggerDownload &download, const QString &folder, QWidget *parent = nullptr);

    QLineEdit *dateBox() const { return m_date; }
    QLineEdit *timeBox() const { return m_time; }
    QLabel *hintLine() const { return m_hint; }

    // "&Save": the files are written and the dialog closes, or it stays
    // open with the box to correct focused.
    void save();

signals:
    // "&Cancel": nothing saved, the download window closes as well.
    void cancelled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void cancel();

    LoggerDownload &m_download;
    QString m_folder;
    QLineEdit *m_date = nullptr;
    QLineEdit *m_time = nullptr;
    QLabel *m_dateLabel = nullptr;
    QLabel *m_timeLabel = nullptr;
    QLabel *m_hint = nullptr;
    bool m_answered = false;
};
