#include "recording/sqlite_batch.h"

#include "common/status_list.h"
#include "recording/error_log.h"
#include "recording/insert_statement.h"

#include <QStringList>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

constexpr int kValueCount = 19;
// As with single inserts: a reader holding its lock briefly costs no rows.
constexpr int kBusyMilliseconds = 2000;

// The values are bound as the very text the single-insert statement holds and
// turned into numbers by the engine the way it reads a literal, so a row
// stored by a commit is the row a single insert would have stored, whatever
// the column types of the user's table.
QString batchInsertText()
{
    QString text = sqliteInsertHead() + QStringLiteral("?1");
    for (int i = 2; i <= kValueCount + 1; ++i)
        text += QStringLiteral(",CAST(?%1 AS NUMERIC)").arg(i);
    return text + QLatin1Char(')');
}

} // namespace

SqliteBatch::SqliteBatch(ErrorLog &errorLog, StatusList *status)
    : m_errorLog(errorLog), m_status(status)
{
}

SqliteBatch::~SqliteBatch()
{
    closeConnection();
}

void SqliteBatch::add(const QString &path, const QString &time, const QString &literals, qsizetype maxRows)
{
    const ErrorLog::Hold hold(m_errorLog);
    if (path != m_path) {
        close();
        // Rows the old database would not take are not the new one's.
        m_dropped += qsizetype(m_rows.size());
        m_rows.clear();
        m_reported = 0;
        reportDropped();
        m_path = path;
    }
    m_rows.push_back(Row{time, literals});
    while (qsizetype(m_rows.size()) > qMax<qsizetype>(1, maxRows)) {
        m_rows.pop_front();
        ++m_dropped;
        m_reported = qMax<qsizetype>(0, m_reported - 1);
    }
}

void SqliteBatch::reportDropped()
{
    if (m_dropped == 0)
        return;
    const QString line = QStringLiteral("%1 rows waiting for the database were dropped, the oldest first: it "
                                        "could not be written for too long")
                             .arg(m_dropped);
    m_dropped = 0;
    m_errorLog.LogError(QStringLiteral("SQLite"), line);
    if (m_status)
        m_status->add(line);
}

bool SqliteBatch::open(QString *error)
{
    if (m_db)
        return true;
    // Never create the file, as the single insert never does.
    const int rc = sqlite3_open_v2(m_path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        *error = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc)) + QStringLiteral(": ") + m_path;
        closeConnection();
        return false;
    }
    struct stat file = {};
    if (::stat(m_path.toUtf8().constData(), &file) != 0) {
        *error = QStringLiteral("unable to open database file: ") + m_path;
        closeConnection();
        return false;
    }
    m_device = quint64(file.st_dev);
    m_inode = quint64(file.st_ino);
    sqlite3_busy_timeout(m_db, kBusyMilliseconds);
    // WAL appends each commit to one file and syncs it only at checkpoints;
    // a power cut loses at most the last commits, never the database.
    sqlite3_exec(m_db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    sqlite3_exec(m_db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    const QByteArray text = batchInsertText().toUtf8();
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &m_insert, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(m_db));
        closeConnection();
        return false;
    }
    return true;
}

bool SqliteBatch::stillAtPath() const
{
    struct stat file = {};
    return ::stat(m_path.toUtf8().constData(), &file) == 0 && quint64(file.st_dev) == m_device
        && quint64(file.st_ino) == m_inode;
}

void SqliteBatch::finishMovedFile()
{
    // SQLite does not checkpoint on closing a file that has moved, and the
    // log of its last commits bears the old name: beside a new file at the
    // path (which deletes it on creation) those rows would be lost. They go
    // into the file they belong to now, and the log is emptied through the
    // handle still open, so nothing of it stays under the path's name.
    sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    closeConnection();
    if (m_status)
        m_status->add(QStringLiteral("SQLite: %1 no longer names the file of the last commit; its rows are "
                                     "complete in that file, and the next rows go to the file at this path")
                          .arg(m_path));
}

void SqliteBatch::closeConnection()
{
    sqlite3_finalize(m_insert);
    m_insert = nullptr;
    sqlite3_close(m_db);
    m_db = nullptr;
}

bool SqliteBatch::writeRows(QString *error)
{
    if (sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(m_db));
        return false;
    }
    for (const Row &row : m_rows) {
        const QByteArray time = row.time.toUtf8();
        sqlite3_bind_text(m_insert, 1, time.constData(), int(time.size()), SQLITE_TRANSIENT);
        const QStringList values = row.literals.split(QLatin1Char(','));
        for (int i = 0; i < kValueCount; ++i) {
            const QString value = values.value(i);
            if (value == QLatin1String("NULL")) {
                sqlite3_bind_null(m_insert, i + 2);
            } else {
                const QByteArray bytes = value.toLatin1();
                sqlite3_bind_text(m_insert, i + 2, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
            }
        }
        const int rc = sqlite3_step(m_insert);
        sqlite3_reset(m_insert);
        if (rc != SQLITE_DONE) {
            *error = QString::fromUtf8(sqlite3_errmsg(m_db));
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            return false;
        }
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    return true;
}

bool SqliteBatch::commit()
{
    // The rows are gone through one by one below; a new sample or a commit
    // from the full log's box would change them underneath.
    const ErrorLog::Hold hold(m_errorLog);
    reportDropped();
    if (m_db && !stillAtPath())
        finishMovedFile();
    if (m_rows.empty())
        return true;
    QString error;
    if (open(&error) && writeRows(&error)) {
        m_rows.clear();
        m_reported = 0;
        return true;
    }
    // The next commit opens the file afresh: a file made writable again, or
    // put back, is then taken as it is now.
    closeConnection();
    // Each row is logged once, at its first failure: a file that stays
    // read-only for an hour must not fill the error log with every retry.
    for (auto row = m_rows.begin() + m_reported; row != m_rows.end(); ++row)
        m_errorLog.LogError(QStringLiteral("SQLite"),
                            error + QStringLiteral(", ") + sqliteInsertStatement(row->literals, row->time));
    m_reported = qsizetype(m_rows.size());
    if (m_status)
        m_status->add(QStringLiteral("SQLite: %1 rows could not be written (%2); they are tried again at the next "
                                     "commit")
                          .arg(m_rows.size())
                          .arg(error));
    return false;
}

void SqliteBatch::close()
{
    commit();
    closeConnection();
}
