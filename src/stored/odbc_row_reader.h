#pragma once

#include "stored/odbc_execution.h"
#include "stored/power_row_reader.h"

#include <array>

// The rows of qmn_power in a server database reached through ODBC, as the
// "Access" kind records into it, in _time order: a server keeps no order of
// insertion, and _time is the program's local wall-clock time of each row.
// They arrive in blocks of kFetchRows, so memory stays the same for a day or
// for years.
class OdbcRowReader final : public PowerRowReader
{
public:
    static constexpr int kFetchRows = 2000;

    ~OdbcRowReader() override;
    // `where` is the ODBC connection string.
    bool open(const QString &where) override;
    bool select(const QString &from, const QString &until) override;
    bool selectLastBefore(const QString &from) override;
    bool next() override;
    const char *time(size_t *size) const override;
    bool isNull(int i) const override;
    double value(int i) const override;
    void appendValue(std::string &line, int i) const override;

private:
    bool execute(const QString &statement);
    void fail(short handleType, void *handle, const char *call);
    void closeCursor();

    OdbcHandles m_h;
    bool m_open = false; // a cursor is open on m_stmt
    std::array<std::string, kValueCount + 1> m_fields;
    std::array<bool, kValueCount + 1> m_null{};
};
