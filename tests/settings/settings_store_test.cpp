#include "file_size_limit.h"
#include "settings/settings_store.h"
#include "text_file.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <unistd.h>

TEST(SettingsStore, AMissingFileAndBadValuesGiveTheDefaults)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("QMNpilot.ini");
    SettingsStore missing(path);
    ASSERT_TRUE(missing.load());
    const Settings s = missing.readSettings();
    EXPECT_EQ(s.ComPort, 1);
    EXPECT_EQ(s.ZigbeeVersion, 0);
    EXPECT_DOUBLE_EQ(s.Rate, 0.126);
    EXPECT_EQ(s.dbtype, "none");
    EXPECT_EQ(s.adbpath, "c:/program files/pilot4400/qmn4400.mdb");
    EXPECT_EQ(s.sqldbpath, "c:/program files/pilot4400/qmn4400.db");
    EXPECT_EQ(s.netdockPort, 8085);
    EXPECT_FALSE(s.StartupComIsOn || s.StartupRTLisOn || s.StartupServerIsOn || s.SolarToWeb1 || s.WptWriteEnable);
    EXPECT_EQ(s.WptThresT, 60);
    EXPECT_EQ(s.WptUser, "****");

    ASSERT_TRUE(writeText(path, "[startup]\nRate=cheap\nComPort=70000\nStartupRTLisOn=maybe\n"
                                "ZigbeeVersion=-1\nWptThresT=45.5\nWptThres1=46.5\n"));
    SettingsStore store(path);
    ASSERT_TRUE(store.load());
    const Settings bad = store.readSettings();
    EXPECT_DOUBLE_EQ(bad.Rate, 0.126);
    EXPECT_EQ(bad.ComPort, 1);
    EXPECT_FALSE(bad.StartupRTLisOn);
    EXPECT_EQ(bad.ZigbeeVersion, 0);
    // Whole numbers round half to even.
    EXPECT_EQ(bad.WptThresT, 46);
    EXPECT_EQ(bad.WptThres1, 46);
}

// Read under any spelling, written back under one, with the sections and
// lines the program does not know kept.
TEST(SettingsStore, KeysAndSectionsMatchWithoutRegardToCase)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("QMNpilot.ini");
    ASSERT_TRUE(writeText(path, "; my monitor\n[ports]\n# 4 = /dev/ttyUSB9\n3=/dev/serial/by-id/usb-x\n[Startup]\ndbType=SQlite\n"
                                "RATE=0.15\nzigbeeversion=8\nstartupcomison=true\nFavouriteColour=green\n"));
    SettingsStore store(path);
    ASSERT_TRUE(store.load());
    Settings s = store.readSettings();
    EXPECT_EQ(s.dbtype, "SQlite");
    EXPECT_DOUBLE_EQ(s.Rate, 0.15);
    EXPECT_EQ(s.ZigbeeVersion, 8);
    EXPECT_TRUE(s.StartupComIsOn);
    EXPECT_EQ(store.entries("PORTS").size(), 1);

    s.E1B = 123456789012.0; // plain decimals: an exponent would lose digits
    s.PreResetVal1 = 1.0 / 3.0;
    store.writeKeys(s, {"Rate", "dbtype", "StartupComIsOn", "E1B", "PreResetVal1"});
    ASSERT_TRUE(store.save());
    EXPECT_EQ(readText(path).toStdString(), "; my monitor\n\n[ports]\n# 4 = /dev/ttyUSB9\n3=/dev/serial/by-id/usb-x\n\n[Startup]\n"
                                            "dbtype=SQlite\nRate=0.15\nzigbeeversion=8\nStartupComIsOn=True\n"
                                            "FavouriteColour=green\n"
                                            "E1B=123456789012\nPreResetVal1=0.333333333333333\n");
}

TEST(SettingsStore, SaveReplacesTheFileInsteadOfWritingIntoIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("QMNpilot.ini");
    ASSERT_TRUE(writeText(path, "[startup]\nRate=0.2\n"));
    // A second name for the old file: a save that wrote in place would
    // change it too, and a crash half-way would leave a torn file.
    const QString oldName = dir.filePath("old.ini");
    ASSERT_EQ(::link(qPrintable(path), qPrintable(oldName)), 0);
    SettingsStore store(path);
    store.load();
    store.setValue("startup", "Rate", "0.5");
    ASSERT_TRUE(store.save());
    EXPECT_EQ(readText(oldName), "[startup]\nRate=0.2\n");
    EXPECT_EQ(readText(path), "[startup]\nRate=0.5\n");

    // A disk that fills half-way through a save leaves the last good file.
    store.setValue("startup", "Rate", "0.75");
    {
        const FileSizeLimit diskFull(8);
        QString error;
        EXPECT_FALSE(store.save(&error));
        EXPECT_TRUE(error.contains(path)) << qPrintable(error);
    }
    EXPECT_EQ(readText(path), "[startup]\nRate=0.5\n");
}
