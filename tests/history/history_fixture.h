#pragma once

#include "history/history_logic.h"
#include "manual_clock.h"
#include "recording/database_creator.h"
#include "settings/settings.h"
#include "stored_rows.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The history reads local times of London, with both clock changes of 2026.
inline const bool kLondonTime = (qputenv("TZ", "Europe/London"), tzset(), true);

// A stored row: its local time and the totals KWh1, KWh1P, KWh2, KWh2P.
struct Row
{
    const char *time;
    double abs1, pol1, abs2, pol2;
    double p1 = 100, p2 = 50;
};

// A database the test writes and the history logic over it, with its cache
// in a folder of its own.
struct HistoryFixture : ::testing::Test
{
    QTemporaryDir dir;
    QString database = dir.filePath("qmn4400.db");
    Settings settings;
    ManualClock clock{QDateTime(QDate(2026, 6, 11), QTime(12, 0))};
    std::unique_ptr<HistoryLogic> logic;

    void SetUp() override
    {
        ASSERT_TRUE(kLondonTime);
        ASSERT_TRUE(createSqliteDatabase(database, nullptr));
        settings.dbtype = "SQlite";
        settings.sqldbpath = database;
        settings.Rate = 0.5;
        logic = std::make_unique<HistoryLogic>(HistoryLogic::Parts{settings, dir.path(), clock});
    }

    static QString insertSql(const std::vector<Row> &rows)
    {
        QStringList values;
        for (const Row &r : rows)
            values << QString("('%1',%2,%3,%4,%5,%6,%7)").arg(r.time).arg(r.p1).arg(r.p2).arg(r.abs1).arg(r.pol1).arg(r.abs2).arg(r.pol2);
        return "insert into qmn_power (_time,p1,p2,KWh1,KWh1P,KWh2,KWh2P) values " + values.join(',');
    }

    void insert(const std::vector<Row> &rows)
    {
        ASSERT_TRUE(executeSql(database, qPrintable(insertSql(rows)))) << qPrintable(insertSql(rows));
    }

    // `count` one-second rows from 2026-06-11 00:00 local, 0.001 kWh apart
    // on CH1.
    void generate(int count)
    {
        const QString sql = QString("with recursive n(i) as (select 0 union all select i + 1 from n where i < %1) "
                                    "insert into qmn_power (_time, p1, p2, KWh1, KWh1P, KWh2, KWh2P) select "
                                    "datetime(1781132400 + i, 'unixepoch', 'localtime'), 100, 50, i * 0.001, 0, 0, 0 "
                                    "from n")
                                .arg(count - 1);
        ASSERT_TRUE(executeSql(database, qPrintable(sql)));
    }

    // Does what starts a look (show, refresh, a key, a click) and waits for
    // its figures.
    template <typename Act>
    static void awaitLook(HistoryLogic &logic, Act act)
    {
        const int before = logic.looks();
        act();
        ASSERT_TRUE(QTest::qWaitFor([&] { return logic.looks() > before; }, 20000));
    }
    void look(PeriodKind kind, const QDate &day)
    {
        awaitLook(*logic, [&] { logic->show(kind, day); });
    }
    void refresh() { awaitLook(*logic, [&] { logic->refresh(); }); }

    // Every cell of a table, a line per row.
    static std::string cells(const HistoryTableModel &t)
    {
        QString text;
        for (int r = 0; r < t.rowCount(); ++r)
            for (int c = 0; c < t.columnCount(); ++c)
                text += t.data(t.index(r, c)).toString() + (c + 1 < t.columnCount() ? "|" : "\n");
        return text.toStdString();
    }

    // A cell of the table by its row label and its column header.
    std::string cell(const QString &row, const QString &column) const
    {
        const HistoryTableModel &t = logic->table();
        for (int r = 0; r < t.rowCount(); ++r) {
            if (t.data(t.index(r, 0)).toString() != row)
                continue;
            for (int c = 0; c < t.columnCount(); ++c) {
                if (t.headerData(c, Qt::Horizontal).toString() == column)
                    return t.data(t.index(r, c)).toString().toStdString();
            }
        }
        return "missing";
    }
};
