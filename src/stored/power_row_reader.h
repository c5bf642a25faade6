#pragma once

#include "stored/row_chunk.h"

#include <QString>

#include <string>

struct sqlite3;
struct sqlite3_stmt;

// Reads the rows of qmn_power one at a time, in the order they were stored,
// so a month of rows never sits in memory. Nothing the reader holds between
// two steps keeps the recording from storing a row.
class PowerRowReader
{
public:
    static constexpr int kValueCount = 19;
    static const char *const kColumns[kValueCount + 1]; // "_time" then the values

    PowerRowReader() = default;
    virtual ~PowerRowReader() = default;
    PowerRowReader(const PowerRowReader &) = delete;
    PowerRowReader &operator=(const PowerRowReader &) = delete;

    // Opens the database; false with error() when it cannot be read or has
    // no table qmn_power.
    virtual bool open(const QString &where) = 0;
    // Rows whose local _time falls from `from` (inclusive) to `until`
    // (exclusive), both "YYYY-MM-DD" or empty for no bound.
    virtual bool select(const QString &from, const QString &until) = 0;
    // The last row stored before `from`, alone.
    virtual bool selectLastBefore(const QString &from) = 0;
    // Steps to the next row; false at the end or on an error (error() set).
    virtual bool next() = 0;
    QString error() const { return m_error; }

    // The current row: its _time text, and value i (0 to 18).
    virtual const char *time(size_t *size) const = 0;
    virtual bool isNull(int i) const = 0;
    virtual double value(int i) const = 0;
    // The value as the CSV writes it: an integer as it is, a real as its
    // shortest exact text, a missing value empty.
    virtual void appendValue(std::string &line, int i) const = 0;

    // "_time,p1,...,E2BP" for a select.
    static QByteArray columnList();

protected:
    QString m_error;
};

// The rows of an SQLite file opened read-only: the recording may go on
// meanwhile. They are read in chunks, a window of kChunkRows rowids at a
// time, and each chunk is copied out before the next step, so no read
// lock is held between chunks however slowly the rows are used, and each
// lock is held only for the few milliseconds a chunk takes: the recorder's
// insert or commit waits that long at most, never its busy timeout.
class SqliteRowReader final : public PowerRowReader
{
public:
    // Rowids a chunk covers: at most this many rows are read per lock.
    static constexpr int kChunkRows = 2048;

    ~SqliteRowReader() override;
    bool open(const QString &path) override;
    bool select(const QString &from, const QString &until) override;
    bool selectLastBefore(const QString &from) override;
    bool next() override;
    const char *time(size_t *size) const override;
    bool isNull(int i) const override;
    double value(int i) const override;
    void appendValue(std::string &line, int i) const override;

private:
    bool start(bool backwards, const QString &from, const QString &until);
    bool readChunk();
    bool step(sqlite3_stmt *stmt, int *rc);
    void fail();

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_forward = nullptr;   // the rows from a rowid on
    sqlite3_stmt *m_backwards = nullptr; // the rows up to a rowid, newest first
    sqlite3_stmt *m_nextKey = nullptr;   // the first rowid from one on
    sqlite3_stmt *m_previousKey = nullptr;
    QString m_path;
    // The scan under way.
    sqlite3_stmt *m_scan = nullptr; // one of the two; null when there is none
    long long m_key = 0;      // the rowid the next chunk starts at
    bool m_scanEnded = true;
    bool m_firstOnly = false; // selectLastBefore: the first matching row alone
    RowChunk m_chunk;
    size_t m_row = 0; // the current row in m_chunk, plus one; 0 before the first
};
