#include "listing/listing_tables.h"

namespace {

using Column = RowTableModel::Column;
using Kind = RowTableModel::Kind;

Column plain(const char *header, int twips)
{
    return {QString::fromLatin1(header), twips, Kind::Plain, {}};
}

Column number(const char *header, int twips, const char *picture)
{
    return {QString::fromLatin1(header), twips, Kind::Number, QString::fromLatin1(picture)};
}

QList<Column> summaryColumns(const char *label, int labelTwips)
{
    return {plain(label, labelTwips),
            {QStringLiteral("Date"), 1100, Kind::Date, {}},
            {QStringLiteral("Time"), 1000, Kind::Time, {}},
            number("CH1max W", 1000, "####0"),
            number("CH1min W", 1000, "####0"),
            number("CH1avg W", 1000, "####0"),
            number("CH2max W", 1000, "####0"),
            number("CH2min W", 1000, "####0"),
            number("CH2avg W", 1000, "####0"),
            number("Volt", 750, "###.0"),
            number("CH1 KWh", 1100, "##.000"),
            number("CH2 KWh", 1100, "##.000"),
            number("TOT KWh", 1100, "##.000")};
}

QList<Column> oneSecondColumns()
{
    return {plain("Second", 775),
            {QStringLiteral("Date"), 1100, Kind::Date, {}},
            {QStringLiteral("Time"), 900, Kind::Time, {}},
            number("Ch1 Watt", 900, "###,##0"),
            number("Ch2 Watt", 900, "###,##0"),
            number("Total Watt", 1000, "###,##0"),
            number("Volt", 750, "###.0"),
            number("Ch1 KWh", 900, "###,###.000"),
            number("Ch2 KWh", 900, "###,###.000"),
            number("Total KWh", 1000, "###,###.000"),
            number("Tot $$", 950, "$ ####.00"),
            number("Ch1 Amp", 850, "###.0"),
            number("Ch2 Amp", 850, "###.0"),
            number("Total Amp", 950, "###.0")};
}

QList<Column> renewableColumns()
{
    return {plain("Second", 800),
            {QStringLiteral("Date"), 1200, Kind::Date, {}},
            {QStringLiteral("Time"), 1000, Kind::Time, {}},
            number("Solar Pwr W", 1300, "##,##0"),
            number("PoCo Pwr W", 1300, "##,##0"),
            number("Load Pwr W", 1100, "##,##0"),
            number("Volt", 750, "###.0"),
            number("Solar Generated KWh", 1800, "###,###.000"),
            number("From Grid KWh", 1500, "###,###.000"),
            number("To Grid KWh", 1300, "###,###.000"),
            number("Consumed KWh", 1400, "##,###.000")};
}

} // namespace

ListingTables::ListingTables()
    : oneSecond(oneSecondColumns())
    , minute(summaryColumns("Minute", 800))
    , fiveMinute(summaryColumns("Minute", 800))
    , hour(summaryColumns("Hour", 700))
    , daily(summaryColumns("Day", 600))
    , renewable(renewableColumns())
{
}

RowTableModel &ListingTables::table(int page)
{
    RowTableModel *tables[PageCount] = {&oneSecond, &minute, &fiveMinute, &hour, &daily, &renewable};
    return *tables[qBound(0, page, PageCount - 1)];
}

void ListingTables::clearAll()
{
    for (int page = 0; page < PageCount; ++page)
        table(page).clear();
}
