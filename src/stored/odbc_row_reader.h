#pragma once

#include "stored/odbc_execution.h"
#include "stored/power_row_reader.h"

#include "stored/local_time_stamp.h"
#include "stored/row_chunk.h"

#include <vector>

// The rows of qmn_power in a server database reached through ODBC, as the
// "Access" kind records into it, in _time order: a server keeps no order of
// insertion, and _time is the program's local wall-clock time of each row.
// They arrive in blocks of kFetchRows, so memory stays the same for a day or
// for years. The hour that comes twice when daylight saving ends has no
// order in its times: its rows come in the order of their energy totals.
class OdbcRowReader final : public PowerRowReader
{
public:
    static constexpr int kFetchRows = 2000;
    // Rows of the hour that comes twice held to be put in order: two hours
    // of one-second samples, a few MB.
    static constexpr size_t kMaxRepeatedRows = 7300;

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
    // Appends the next row of the cursor to m_rows.
    bool fetchRow();
    // Whether the row's local time comes twice (select() only).
    bool repeated(size_t row);

    OdbcHandles m_h;
    bool m_open = false; // a cursor is open on m_stmt
    bool m_sortRepeated = false;
    LocalTimeStamp m_zone;
    RowChunk m_rows;             // the rows read ahead: one, or a repeated hour
    std::vector<size_t> m_order; // the order they are handed out in
    size_t m_next = 0;           // in m_order
    size_t m_current = 0;        // in m_rows
    std::string m_field;
};
