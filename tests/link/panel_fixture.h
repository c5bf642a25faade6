#pragma once

#include "app/program.h"
#include "settings/settings_store.h"
#include "monitor_sim.h"
#include "scripted_dialogs.h"
#include "text_file.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// A headless program whose [ports] section maps every number from 1 to 64,
// to simulated monitors or to nothing, so that a port search never meets the
// machine's own serial devices.
struct PanelFixture : ::testing::Test
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    QString ini = dir.filePath("QMNpilot.ini");
    std::unique_ptr<Program> program;
    std::vector<std::unique_ptr<MonitorSim>> sims;

    // A new simulated monitor's device path.
    QString monitorPath()
    {
        sims.push_back(std::make_unique<MonitorSim>());
        QString error;
        EXPECT_TRUE(sims.back()->start(&error)) << qPrintable(error);
        return sims.back()->devicePath();
    }

    void startProgram(const QMap<int, QString> &devices, const QString &startupKeys = {})
    {
        QString text = "[startup]\n" + startupKeys + "[ports]\n";
        for (int n = 1; n <= 64; ++n)
            text += QStringLiteral("%1=%2\n").arg(n).arg(devices.value(n, dir.filePath(QStringLiteral("none%1").arg(n))));
        ASSERT_TRUE(writeText(ini, text));
        program = std::make_unique<Program>(ini, dir.filePath("data"), dialogs);
        program->startUp();
    }

    ComPanelLogic &panel() { return program->comPanel(); }

    QString saved(const QString &key) const
    {
        SettingsStore store(ini);
        store.load();
        return store.value(SettingsStore::kStartup, key);
    }
};
