#pragma once

#include "realtime/realtime_sample.h"
#include "recording/database_creator.h"
#include "recording/database_logger.h"
#include "recording/error_log.h"
#include "realtime/sample_dispatch.h"
#include "scripted_dialogs.h"
#include "common/status_list.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <ctime>

// A sample whose fields all differ, so a value landing in the wrong column
// shows up.
inline RealtimeSample makeSample(double seed = 0)
{
    RealtimeSample s;
    s.p1 = 1500 + seed;
    s.p2 = 230 + seed;
    s.PP1 = -(1500 + seed);
    s.PP2 = 230 + seed;
    s.Volt = 121.5;
    s.E1A = 36000000 + seed;
    s.E2A = 7200000 + seed;
    s.E1AP = 1800 + seed;
    s.E2AP = 5400 + seed;
    s.E1B = s.E1A;
    s.E2B = s.E2A;
    s.E1BP = s.E1AP;
    s.E2BP = s.E2AP;
    s.KWh1 = s.E1A / 3600 * 0.001;
    s.KWh1P = s.E1AP / 3600 * 0.001;
    s.KWh2 = s.E2A / 3600 * 0.001;
    s.KWh2P = s.E2AP / 3600 * 0.001;
    s.Amp1 = 12.3f;
    s.Amp2 = 1.9f;
    return s;
}

// The recording pieces wired as the program wires them, with the database
// step first and a later step that records whether the dispatch reached it.
class RecordingFixture : public ::testing::Test
{
protected:
    RecordingFixture()
        : errorLog(dir.path(), dialogs, [this] { ++exitRequests; }),
          logger([this] { return settings; }, errorLog, dialogs, [this] { ++exitRequests; }, &status)
    {
        logger.installInto(dispatch);
        dispatch.addStep(QStringLiteral("DoList"), [this](const RealtimeSample &) { ++laterSteps; });
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    QString errorLogText() const
    {
        QFile f(errorLog.filePath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    bool errorLogExists() const { return QFile::exists(errorLog.filePath()); }

    // A new SQLite database the logger writes to, committing every `commitSeconds`.
    QString useSqlite(int commitSeconds = 60)
    {
        const QString db = path("qmn4400.db");
        EXPECT_TRUE(createSqliteDatabase(db, nullptr));
        settings = {"SQlite", {}, db, commitSeconds};
        return db;
    }
    // Logs makeSample(from) up to makeSample(to - 1).
    void logSamples(int from, int to)
    {
        for (int i = from; i < to; ++i) {
            sample = makeSample(i);
            dispatch.LogSample(sample);
        }
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    RealtimeSample sample = makeSample();
    DatabaseSettings settings;
    int exitRequests = 0;
    int laterSteps = 0;
    StatusList status;
    ErrorLog errorLog;
    DatabaseLogger logger;
    SampleDispatch dispatch;
};

// Moves the process to a time zone far from UTC for one test, so a row
// stamped in UTC cannot pass for local time, and moves it back afterwards.
class PinnedTimeZone
{
public:
    explicit PinnedTimeZone(const char *zone) : m_old(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~PinnedTimeZone()
    {
        if (m_old.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", m_old);
        tzset();
    }

private:
    QByteArray m_old;
};
