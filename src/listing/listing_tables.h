#pragma once

#include "common/row_table_model.h"

#include <QString>

// The six tables of the real-time listing, in the order of the window's
// pages: one row a second, the four interval summaries, the solar/grid view.
struct ListingTables
{
    enum Page { OneSecond, Minute, FiveMinute, Hour, Daily, Renewable, PageCount };

    ListingTables();

    RowTableModel &table(int page);
    // Empties every table: the window's rows go when it is closed.
    void clearAll();

    RowTableModel oneSecond;  // lv_onesecond
    RowTableModel minute;     // lv_minute
    RowTableModel fiveMinute; // lv_5minute
    RowTableModel hour;       // lv_hour
    RowTableModel daily;      // lv_daily
    RowTableModel renewable;  // lv_renewable
};
