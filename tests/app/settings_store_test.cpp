#include "app/settings_store.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <unistd.h>

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &text)
{
    const QString path = dir.filePath("QMNpilot.ini");
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Text);
    f.write(text.toUtf8());
    return path;
}

QString readFile(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly | QIODevice::Text);
    return QString::fromUtf8(f.readAll());
}

} // namespace

TEST(SettingsStore, MissingFileGivesEveryDefault)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("none.ini"));
    ASSERT_TRUE(store.load());
    const Settings s = store.readSettings();
    EXPECT_EQ(s.ComPort, 1);
    EXPECT_EQ(s.ZigbeeVersion, 0);
    EXPECT_DOUBLE_EQ(s.Rate, 0.126);
    EXPECT_EQ(s.dbtype, "none");
    EXPECT_EQ(s.adbpath, "c:/program files/pilot4400/qmn4400.mdb");
    EXPECT_EQ(s.sqldbpath, "c:/program files/pilot4400/qmn4400.db");
    EXPECT_EQ(s.netdockPort, 8085);
    EXPECT_FALSE(s.StartupComIsOn || s.StartupRTLisOn || s.StartupServerIsOn || s.SolarToWeb1 || s.WptWriteEnable);
    EXPECT_EQ(s.WptThresT, 60);
    EXPECT_EQ(s.WptThres1, 60);
    EXPECT_EQ(s.WptThres2, 60);
    EXPECT_EQ(s.WptUser, "****");
    EXPECT_TRUE(s.SupportUrl.isEmpty());
}

TEST(SettingsStore, KeysAndSectionsMatchWithoutRegardToCase)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "[Startup]\ndbType=SQlite\nRATE=0.15\nzigbeeversion=8\n"
                                        "startupcomison=true\nqmncounter=16777215\n");
    SettingsStore store(path);
    ASSERT_TRUE(store.load());
    const Settings s = store.readSettings();
    EXPECT_EQ(s.dbtype, "SQlite");
    EXPECT_DOUBLE_EQ(s.Rate, 0.15);
    EXPECT_EQ(s.ZigbeeVersion, 8);
    EXPECT_TRUE(s.StartupComIsOn);
    EXPECT_EQ(s.QMNCounter, 16777215);

    // Written back under one spelling each, the value kept.
    store.writeKeys(s, {"Rate", "dbtype", "ZigbeeVersion", "StartupComIsOn"});
    ASSERT_TRUE(store.save());
    const QString text = readFile(path);
    EXPECT_TRUE(text.contains("\nRate=0.15\n")) << qPrintable(text);
    EXPECT_TRUE(text.contains("\ndbtype=SQlite\n")) << qPrintable(text);
    EXPECT_TRUE(text.contains("\nStartupComIsOn=True\n")) << qPrintable(text);
    EXPECT_FALSE(text.contains("RATE")) << qPrintable(text);
    EXPECT_FALSE(text.contains("dbType")) << qPrintable(text);
}

TEST(SettingsStore, BadValuesGiveTheDefault)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "[startup]\nRate=cheap\nComPort=70000\nStartupRTLisOn=maybe\n"
                                        "ZigbeeVersion=-1\nWptThresT=45.5\nWptThres1=46.5\n");
    SettingsStore store(path);
    ASSERT_TRUE(store.load());
    const Settings s = store.readSettings();
    EXPECT_DOUBLE_EQ(s.Rate, 0.126);
    EXPECT_EQ(s.ComPort, 1);
    EXPECT_FALSE(s.StartupRTLisOn);
    EXPECT_EQ(s.ZigbeeVersion, 0);
    // Whole numbers round half to even.
    EXPECT_EQ(s.WptThresT, 46);
    EXPECT_EQ(s.WptThres1, 46);
}

TEST(SettingsStore, NumbersArePlainDecimalWithFifteenDigits)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("s.ini"));
    store.load();
    Settings s;
    s.E1B = 123456789012.0;
    s.PreResetVal1 = 1.0 / 3.0;
    s.Rate = 0.000001;
    store.writeKeys(s, {"E1B", "PreResetVal1", "Rate"});
    ASSERT_TRUE(store.save());
    const QString text = readFile(store.path());
    EXPECT_TRUE(text.contains("E1B=123456789012\n"));
    EXPECT_TRUE(text.contains("PreResetVal1=0.333333333333333\n"));
    EXPECT_TRUE(text.contains("Rate=0.000001\n"));

    SettingsStore again(store.path());
    again.load();
    EXPECT_DOUBLE_EQ(again.readSettings().E1B, 123456789012.0);
}

TEST(SettingsStore, KeepsSectionsAndLinesItDoesNotKnow)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "; my monitor\n[ports]\n1=/dev/ttyUSB0\n3=/dev/serial/by-id/usb-x\n"
                                        "[startup]\nRate=0.2\nFavouriteColour=green\n");
    SettingsStore store(path);
    ASSERT_TRUE(store.load());
    Settings s = store.readSettings();
    s.Rate = 0.3;
    store.writeKeys(s, {"Rate", "ComPort"});
    ASSERT_TRUE(store.save());
    const QString text = readFile(path);
    EXPECT_TRUE(text.startsWith("; my monitor\n")) << qPrintable(text);
    EXPECT_TRUE(text.contains("[ports]\n1=/dev/ttyUSB0\n3=/dev/serial/by-id/usb-x\n")) << qPrintable(text);
    EXPECT_TRUE(text.contains("FavouriteColour=green\n"));
    EXPECT_TRUE(text.contains("Rate=0.3\n"));
    EXPECT_TRUE(text.contains("ComPort=1\n"));
    EXPECT_EQ(store.entries("PORTS").size(), 2);
}

TEST(SettingsStore, SaveReplacesTheFileInsteadOfWritingIntoIt)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "[startup]\nRate=0.2\n");
    // A second name for the old file: a save that wrote in place would
    // change it too, and a crash half-way would leave a torn file.
    const QString oldName = dir.filePath("old.ini");
    ASSERT_EQ(::link(qPrintable(path), qPrintable(oldName)), 0);
    SettingsStore store(path);
    store.load();
    store.setValue("startup", "Rate", "0.5");
    ASSERT_TRUE(store.save());
    EXPECT_EQ(readFile(oldName), "[startup]\nRate=0.2\n");
    EXPECT_EQ(readFile(path), "[startup]\nRate=0.5\n");
}
