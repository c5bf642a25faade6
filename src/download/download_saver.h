#pragma once

#include <QByteArray>
#include <QString>

class Dialogs;

// What "Save" of the save dialog does: asks for a name, checks the start of
// monitoring and writes NAME.BIN (the download as received) and NAME.QMN
// (the data file the main list reads).
class DownloadSaver
{
public:
    enum class Outcome {
        Saved,
        NoName,      // the file dialog was cancelled
        BadDate,     // the date box needs correcting
        BadTime,     // the time box needs correcting
        WriteFailed, // said why; nothing was replaced
    };

    DownloadSaver(Dialogs &dialogs, QString folder);

    // Digits of the boxes: MMDDYYYY and hhmm. On Saved, `qmnPath` is the data file.
    Outcome save(const QByteArray &download, int intervalMinutes, const QString &dateDigits,
                 const QString &timeDigits, QString *qmnPath);

    // NAME.BIN and NAME.QMN for the name chosen in the file dialog: only the
    // file name is upper-cased for the data file (folders keep their case),
    // and a typed .BIN or .QMN is not doubled.
    static QString binPath(const QString &chosen);
    static QString qmnPath(const QString &chosen);

private:
    bool write(const QString &path, const QByteArray &bytes);

    Dialogs &m_dialogs;
    QString m_folder;
};
