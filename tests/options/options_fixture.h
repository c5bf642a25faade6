#pragma once

#include "app/program.h"
#include "scripted_dialogs.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

// A started program on a settings file of its own, to see what reaches it.
struct OptionsFixture : ::testing::Test
{
    OptionsFixture() { program.startUp(); }

    // The key's value in the file; "section/key" outside [startup].
    QString saved(const QString &key)
    {
        SettingsStore store(ini);
        store.load();
        const qsizetype slash = key.indexOf('/');
        return slash < 0 ? store.value(SettingsStore::kStartup, key, QStringLiteral("(missing)"))
                         : store.value(key.left(slash), key.mid(slash + 1), QStringLiteral("(missing)"));
    }
    OptionsLogic &options() { return program.options(); }
    Settings &settings() { return program.settings(); }

    QTemporaryDir dir;
    QString ini = dir.filePath("QMNpilot.ini");
    ScriptedDialogs dialogs;
    Program program{ini, dir.filePath("data"), dialogs};
};
