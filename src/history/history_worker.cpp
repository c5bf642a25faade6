#include "history/history_worker.h"

#include "history/history_cache.h"
#include "history/hour_accumulator.h"
#include "stored/odbc_row_reader.h"
#include "stored/sqlite_rows_after.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

// Rows read in one short read: the recorder's commit waits at most for one.
constexpr int kChunkRows = 50000;

QString describe(const PowerPoint &row)
{
    return QString::fromStdString(row.time) + QLatin1Char(' ')
           + QString::number(row.totals.abs1, 'g', 17) + QLatin1Char(' ') + QString::number(row.totals.abs2, 'g', 17);
}

} // namespace

HistoryWorker::HistoryWorker(QString cachePath, const std::atomic<quint64> &cancelled)
    : m_cachePath(std::move(cachePath))
    , m_cancelled(cancelled)
{
}

HistoryWorker::~HistoryWorker() = default;

void HistoryWorker::look(const HistoryDatabase &database, PeriodKind kind, const QDate &anchor, quint64 serial)
{
    if (stopped(serial))
        return emit cancelled(serial);
    if (!m_cache) {
        QDir().mkpath(QFileInfo(m_cachePath).absolutePath());
        auto cache = std::make_unique<HistoryCache>();
        if (!cache->open(m_cachePath)) {
            // A cache that cannot be read (a torn or foreign file) is only
            // a copy: it is thrown away and made again from the database.
            cache = std::make_unique<HistoryCache>();
            for (const char *suffix : {"", "-wal", "-shm"})
                QFile::remove(m_cachePath + QLatin1String(suffix));
            if (!cache->open(m_cachePath)) {
                // No figures can follow: the look ends here.
                emit failed(serial, cache->error());
                return emit cancelled(serial);
            }
        }
        m_cache = std::move(cache);
    }
    QString error;
    switch (update(database, serial, &error)) {
    case Outcome::Cancelled:
        return emit cancelled(serial);
    case Outcome::Failed:
        // What the cache already holds is still worth showing.
        emit failed(serial, error);
        break;
    case Outcome::Done:
        break;
    }
    emit figuresReady(serial, HistoryPeriod::compute(kind, anchor, *m_cache));
}

HistoryWorker::Outcome HistoryWorker::update(const HistoryDatabase &database, quint64 serial, QString *error)
{
    switch (database.kind) {
    case HistoryDatabase::Kind::Sqlite:
        return readSqlite(database.where, serial, error);
    case HistoryDatabase::Kind::Odbc:
        return readOdbc(database.where, serial, error);
    case HistoryDatabase::Kind::None:
        break;
    }
    *error = QStringLiteral("No database is set up for recording; the history shows what was read before.");
    return Outcome::Failed;
}

HistoryWorker::Outcome HistoryWorker::readSqlite(const QString &path, quint64 serial, QString *error)
{
    SqliteRowsAfter rows;
    if (!rows.open(path)) {
        *error = rows.error();
        return Outcome::Failed;
    }
    // The same path may hold another file now: its inode and first row tell.
    struct stat st = {};
    ::stat(path.toUtf8().constData(), &st);
    const std::optional<PowerPoint> first = rows.firstRow();
    const HistoryCache::Source source{QFileInfo(path).absoluteFilePath(),
                                      QStringLiteral("%1:%2").arg(qulonglong(st.st_dev)).arg(qulonglong(st.st_ino)),
                                      first ? describe(*first) : QString()};
    const qint64 last = rows.lastRowid();
    if (m_cache->source() != source || last < m_cache->position().rowid) {
        if (!m_cache->reset(source)) {
            *error = m_cache->error();
            return Outcome::Failed;
        }
    }
    HistoryCache::Position position = m_cache->position();
    const qint64 from = position.rowid;
    HourAccumulator hours([this](const HourFigures &h) { m_cache->putHour(h); });
    hours.resume(m_cache->state());
    for (;;) {
        if (stopped(serial))
            return Outcome::Cancelled;
        m_cache->begin();
        const int n = rows.readAfter(position.rowid, kChunkRows, [&](const PowerPoint &row) {
            hours.add(row);
            position.rowid = row.rowid;
        });
        const bool saved = m_cache->putState(hours.state(), position) && m_cache->commit();
        if (n < 0 || !saved) {
            *error = n < 0 ? rows.error() : m_cache->error();
            return Outcome::Failed;
        }
        if (n < kChunkRows)
            return Outcome::Done;
        if (last > from)
            emit progress(serial, int(100 * (position.rowid - from) / (last - from)));
    }
}

HistoryWorker::Outcome HistoryWorker::readOdbc(const QString &connection, quint64 serial, QString *error)
{
    OdbcRowReader rows;
    if (!rows.open(connection) || !rows.select(QString(), QString())) {
        *error = rows.error();
        return Outcome::Failed;
    }
    // The server's own order, resumed by the day of the last row read and
    // the count of its rows already summed.
    auto point = [&rows] {
        PowerPoint p;
        size_t size = 0;
        const char *time = rows.time(&size);
        p.time.assign(time, size);
        if (!rows.isNull(0))
            p.p1 = rows.value(0);
        if (!rows.isNull(1))
            p.p2 = rows.value(1);
        p.totals = RowTotals::of(rows);
        return p;
    };
    const HistoryCache::Source source{connection, QString(), rows.next() ? describe(point()) : QString()};
    if (m_cache->source() != source && !m_cache->reset(source)) {
        *error = m_cache->error();
        return Outcome::Failed;
    }
    HistoryCache::Position position = m_cache->position();
    if (!rows.select(position.day, QString())) {
        *error = rows.error();
        return Outcome::Failed;
    }
    HourAccumulator hours([this](const HourFigures &h) { m_cache->putHour(h); });
    hours.resume(m_cache->state());
    for (qint64 skip = position.rowsInDay; skip > 0 && rows.next(); --skip) {
    }
    bool more = true;
    while (more) {
        if (stopped(serial))
            return Outcome::Cancelled;
        m_cache->begin();
        int n = 0;
        while (n < kChunkRows && (more = rows.next())) {
            const PowerPoint p = point();
            const QString day = QString::fromStdString(p.time.substr(0, 10));
            position.rowsInDay = day == position.day ? position.rowsInDay + 1 : 1;
            position.day = day;
            hours.add(p);
            ++n;
        }
        if (!m_cache->putState(hours.state(), position) || !m_cache->commit()) {
            *error = m_cache->error();
            return Outcome::Failed;
        }
    }
    if (!rows.error().isEmpty()) {
        *error = rows.error();
        return Outcome::Failed;
    }
    return Outcome::Done;
}
