#pragma once

#include "history/period_figures.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class HistoryCache;

// The database the recording writes, as the history reads it.
struct HistoryDatabase
{
    enum class Kind { None, Sqlite, Odbc };
    Kind kind = Kind::None;
    QString where; // the SQLite file, or the ODBC connection string
};

// Runs in the history's own thread, with its own connections to the
// database and to the cache: brings the cache up to the newest stored row,
// a bounded chunk at a time, then sums the asked period from it. Nothing is
// shared with the GUI thread but the cancel mark; results go back by queued
// signal.
class HistoryWorker : public QObject
{
    Q_OBJECT
public:
    // Looks numbered up to `cancelled` stop at their next chunk.
    HistoryWorker(QString cachePath, const std::atomic<quint64> &cancelled);
    ~HistoryWorker() override;

    void look(const HistoryDatabase &database, PeriodKind kind, const QDate &anchor, quint64 serial);

signals:
    void progress(quint64 serial, int percent);
    void figuresReady(quint64 serial, const PeriodFigures &figures);
    void failed(quint64 serial, const QString &error);
    // The look ended without figures: cancelled, or no cache to sum from.
    void cancelled(quint64 serial);

private:
    enum class Outcome { Done, Cancelled, Failed };
    Outcome update(const HistoryDatabase &database, quint64 serial, QString *error);
    Outcome readSqlite(const QString &path, quint64 serial, QString *error);
    Outcome readOdbc(const QString &connection, quint64 serial, QString *error);
    bool stopped(quint64 serial) const { return m_cancelled.load() >= serial; }

    QString m_cachePath;
    const std::atomic<quint64> &m_cancelled;
    std::unique_ptr<HistoryCache> m_cache;
};
