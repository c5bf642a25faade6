#pragma once

#include "history/hour_accumulator.h"
#include "history/hour_figures.h"

#include <QString>

#include <vector>

struct sqlite3;

// The program's own file of hourly figures (history-cache.sqlite in its data
// folder), never the user's database: one row per stored hour, and the
// marks of which database it mirrors and where its reading stopped. Deleting
// it costs one full reading, nothing else.
class HistoryCache
{
public:
    // Which database the hours came from: where it is, which file it is
    // (so a file put in place of another is told apart) and its first row.
    struct Source
    {
        QString where;
        QString fileId;
        QString firstRow;
        bool operator==(const Source &) const = default;
    };
    // Where the reading of the database stopped.
    struct Position
    {
        qint64 rowid = 0;     // SQLite: the last rowid read
        QString day;          // ODBC: the local day of the last row read
        qint64 rowsInDay = 0; // ODBC: rows of that day read
    };

    HistoryCache() = default;
    ~HistoryCache();
    HistoryCache(const HistoryCache &) = delete;
    HistoryCache &operator=(const HistoryCache &) = delete;

    bool open(const QString &path);
    QString error() const { return m_error; }

    Source source();
    // Forgets every hour and starts over for `source`.
    bool reset(const Source &source);

    bool begin();
    bool commit();
    bool putHour(const HourFigures &hour);
    // What the last reading left, to carry on from.
    HourAccumulator::State state();
    Position position();
    bool putState(const HourAccumulator::State &state, const Position &position);

    // The hours starting from `fromUtc` (inclusive) to `untilUtc`, in order.
    std::vector<HourFigures> hours(qint64 fromUtc, qint64 untilUtc);
    // The start of the first and the last hour stored; false when none is.
    bool span(qint64 *first, qint64 *last);

private:
    bool exec(const char *sql);
    QString meta(const char *key);
    bool putMeta(const char *key, const QString &value);
    void fail();

    sqlite3 *m_db = nullptr;
    QString m_error;
};
