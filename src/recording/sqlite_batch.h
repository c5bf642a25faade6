#pragma once

#include <QString>

#include <deque>

class ErrorLog;
class StatusList;
struct sqlite3;
struct sqlite3_stmt;

// Rows of qmn_power that wait in memory for the next commit, and the one
// connection they are committed through. A memory card wears with every
// write: one transaction every few seconds replaces the open, journal, sync
// and close of every sample. The rows stay in memory until their transaction
// is committed, so a commit that fails is tried again whole at the next one;
// a row written into a transaction that rolled back would otherwise be lost.
//
// Between commits the user may move, replace or delete the file, as with
// single inserts: each commit first makes sure the open connection still
// names the file at the path. If not, the rows it committed are finished in
// the file they went to and the commit goes to the file at the path now.
class SqliteBatch
{
public:
    SqliteBatch(ErrorLog &errorLog, StatusList *status);
    ~SqliteBatch();
    SqliteBatch(const SqliteBatch &) = delete;
    SqliteBatch &operator=(const SqliteBatch &) = delete;

    // Keeps one row for `path`: its insertion time as datetime('now',
    // 'localtime') would give it, and its values as the statement writes
    // them. Past maxRows the oldest rows are dropped and counted.
    void add(const QString &path, const QString &time, const QString &literals, qsizetype maxRows);

    // Writes every kept row in one transaction. A failure logs each row as a
    // failed insert stamped with its own time and keeps them; true when
    // nothing is left waiting.
    bool commit();
    // Commits, then closes the connection.
    void close();

    QString path() const { return m_path; }
    qsizetype pending() const { return qsizetype(m_rows.size()); }

private:
    struct Row
    {
        QString time;
        QString literals;
    };

    bool open(QString *error);
    // False when the path no longer names the file the connection has open.
    bool stillAtPath() const;
    // Closes a connection whose file is no longer at the path, with every
    // row it committed in that file.
    void finishMovedFile();
    void closeConnection();
    bool writeRows(QString *error);
    void reportDropped();

    ErrorLog &m_errorLog;
    StatusList *m_status;
    QString m_path;
    std::deque<Row> m_rows;
    qsizetype m_dropped = 0;
    // The leading rows whose failure is already in the error log.
    qsizetype m_reported = 0;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_insert = nullptr;
    // The device and inode of the file the connection opened.
    quint64 m_device = 0;
    quint64 m_inode = 0;
};
