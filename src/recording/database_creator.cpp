#include "recording/database_creator.h"

#include "recording/sqlite_schema.h"

#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace {

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

bool hasTable(sqlite3 *db, bool *found)
{
    sqlite3_stmt *query = nullptr;
    if (sqlite3_prepare_v2(db, "select count(*) from sqlite_master where type='table' and name='qmn_power' collate nocase",
                           -1, &query, nullptr)
        != SQLITE_OK)
        return false;
    const bool ok = sqlite3_step(query) == SQLITE_ROW;
    if (ok)
        *found = sqlite3_column_int(query, 0) > 0;
    sqlite3_finalize(query);
    return ok;
}

} // namespace

bool createSqliteDatabase(const QString &file, QString *error)
{
    const bool existed = QFileInfo::exists(file);
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        const QString reason = QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return fail(error, QStringLiteral("Cannot open or create the database file %1: %2. Check that the folder "
                                          "exists and that you may write to it.")
                               .arg(file, reason));
    }

    bool found = false;
    QString problem;
    if (!hasTable(db, &found)) {
        problem = QStringLiteral("%1 cannot be read as an SQLite database (%2). Choose another file name.")
                      .arg(file, QString::fromUtf8(sqlite3_errmsg(db)));
    } else if (found) {
        problem = QStringLiteral("%1 already holds a table qmn_power; it was left unchanged. To start a new "
                                 "database choose another file name, or move the existing file away first.")
                      .arg(file);
    } else {
        // One transaction: either the whole table exists afterwards or nothing changed.
        const QByteArray script = "begin;\n" + QByteArray(kQmnPowerSqliteSchema) + "\ncommit;";
        char *message = nullptr;
        if (sqlite3_exec(db, script.constData(), nullptr, nullptr, &message) != SQLITE_OK) {
            problem = QStringLiteral("Creating the table qmn_power in %1 failed: %2")
                          .arg(file, QString::fromUtf8(message ? message : sqlite3_errmsg(db)));
            sqlite3_free(message);
            sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
        }
    }
    sqlite3_close(db);

    if (problem.isEmpty())
        return true;
    if (!existed)
        QFile::remove(file);
    return fail(error, problem);
}
