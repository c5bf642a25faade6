#pragma once

#include "app/program.h"
#include "monitor_sim.h"
#include "recording/database_creator.h"
#include "scripted_dialogs.h"
#include "text_file.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>

// The program with its real serial port on a simulated monitor, reached
// through the cable.
struct SimProgramTest : ::testing::Test
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    MonitorSim sim;
    std::unique_ptr<Program> program;

    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(sim.start(&error)) << qPrintable(error);
        program = std::make_unique<Program>(dir.filePath("QMNpilot.ini"), dir.filePath("data"), dialogs);
        program->portMap().setEntry(1, sim.devicePath());
        program->settings().ZigbeeVersion = 8;
    }
};

// A settings file that opens the simulated monitor's port at start-up and
// logs to a new SQLite database `db`; `extra` lines go into [startup].
inline bool writeStreamingSettings(const QString &ini, const MonitorSim &sim, const QString &db,
                                   const QString &extra = {})
{
    QString error;
    return createSqliteDatabase(db, &error)
        && writeText(ini, QStringLiteral("[ports]\n2=%1\n[startup]\nComPort=2\nStartupComIsOn=True\n"
                                         "dbtype=SQlite\nsqldbpath=%2\n%3")
                              .arg(sim.devicePath(), db, extra));
}

// The program on a simulated monitor that streams from the start, every
// sample logged to SQLite: the test shapes `sim` first, then calls make().
struct StreamingProgramTest : ::testing::Test
{
    QTemporaryDir dir;
    QString ini = dir.filePath("QMNpilot.ini");
    QString db = dir.filePath("qmn.db");
    MonitorSim sim;
    ScriptedDialogs dialogs;
    std::unique_ptr<Program> program;

    void make(int periodMs, const QString &extra = {})
    {
        sim.setPeriodMs(periodMs);
        sim.setStreamFromStart(true);
        QString error;
        ASSERT_TRUE(sim.start(&error)) << qPrintable(error);
        ASSERT_TRUE(writeStreamingSettings(ini, sim, db, extra));
        program = std::make_unique<Program>(ini, dir.filePath("data"), dialogs);
    }
};
