#pragma once

#include <QString>

#include <string>

struct sqlite3;
struct sqlite3_stmt;

// Reads the rows of qmn_power one at a time, in the order they were stored,
// from an SQLite file opened read-only: the recording may go on meanwhile,
// and a month of rows never sits in memory.
class PowerRowReader
{
public:
    static constexpr int kValueCount = 19;
    static const char *const kColumns[kValueCount + 1]; // "_time" then the values

    PowerRowReader() = default;
    ~PowerRowReader();
    PowerRowReader(const PowerRowReader &) = delete;
    PowerRowReader &operator=(const PowerRowReader &) = delete;

    // Opens the file; false with error() when it is no readable database
    // or has no table qmn_power.
    bool open(const QString &path);
    // Rows whose local _time falls from `from` (inclusive) to `until`
    // (exclusive), both "YYYY-MM-DD" or empty for no bound.
    bool select(const QString &from, const QString &until);
    // The last row stored before `from`, alone.
    bool selectLastBefore(const QString &from);
    // Steps to the next row; false at the end or on an error (error() set).
    bool next();
    QString error() const { return m_error; }

    // The current row: its _time text, and value i (0 to 18).
    const char *time(size_t *size) const;
    bool isNull(int i) const;
    double value(int i) const;
    // The value as the CSV writes it: an integer as it is, a real as its
    // shortest exact text, a missing value empty.
    void appendValue(std::string &line, int i) const;

private:
    bool prepare(const char *sql);
    void fail();

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
    QString m_path;
    QString m_error;
};
