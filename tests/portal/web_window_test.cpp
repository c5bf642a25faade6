#include "app/program.h"
#include "common/status_box_widget.h"
#include "portal/web_window.h"
#include "scripted_dialogs.h"
#include "settings/settings_store.h"
#include "text_file.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

struct WebWindowTest : ::testing::Test
{
    void SetUp() override
    {
        ASSERT_TRUE(writeText(ini, "[startup]\nWptUser=alice\nWptThresT=30\nWptThres1=150\nWptThres2=250\n"));
        program.startUp();
    }
    QString saved(const QString &key)
    {
        SettingsStore store(ini);
        store.load();
        return store.value(SettingsStore::kStartup, key);
    }

    QTemporaryDir dir;
    QString ini = dir.filePath("QMNpilot.ini");
    ScriptedDialogs dialogs;
    Program program{ini, dir.filePath("data"), dialogs};
};

} // namespace

TEST_F(WebWindowTest, ShowsTheAccountAndTriggersAndSavesTheSwitchAtOnce)
{
    WebWindow window(program.portal());
    QStringList boxes;
    for (int i = 0; i < 4; ++i)
        boxes << window.textBox(i)->text();
    EXPECT_EQ(boxes, QStringList({"alice", "30", "150", "250"}));
    EXPECT_EQ(window.portalStatusLabel()->text(), "No portal address set (PortalHost)");
    EXPECT_FALSE(window.enableBox()->isChecked());

    window.enableBox()->click();
    EXPECT_EQ(saved("WptWriteEnable"), "True");
    window.enableBox()->click();
    EXPECT_EQ(saved("WptWriteEnable"), "False");
}

TEST_F(WebWindowTest, ClearListAsksFirst)
{
    WebWindow window(program.portal());
    program.portal().loadChanged();
    dialogs.answers = {false, true};
    window.button("Clear List")->click();
    EXPECT_EQ(program.portal().posts().rowCount(), 1);
    window.button("Clear List")->click();
    EXPECT_EQ(program.portal().posts().rowCount(), 0);
    EXPECT_EQ(dialogs.questions, QStringList(2, "Are you sure you want to remove all displayed records from list?"));
}

TEST_F(WebWindowTest, BadPortalAddressIsIgnoredAtStartUp)
{
    ASSERT_TRUE(writeText(ini, "[startup]\nPortalHost=portal.example.com/x\n"));
    Program other(ini, dir.filePath("data2"), dialogs);
    other.startUp();
    EXPECT_EQ(other.settings().PortalHost, "");
    other.portal().loadChanged();
    EXPECT_EQ(other.portal().portalStatus(), "No portal address set (PortalHost)");
}

TEST_F(WebWindowTest, StatusSaysWhetherRealTimeDataRuns)
{
    WebWindow window(program.portal());
    auto *status = window.findChild<StatusBoxWidget *>();
    ASSERT_TRUE(status);
    const auto shown = [status] {
        const QPalette p = status->palette();
        return QStringList{status->text(), p.color(QPalette::Window).name(), p.color(QPalette::WindowText).name()};
    };
    const QStringList stopped{"Real-Time Data Stopped", "#ff0000", "#ffffff"};
    const QStringList started{"Real-Time Data Started", "#00ff00", "#000000"};
    EXPECT_EQ(shown(), stopped);

    program.settings().WptWriteEnable = true;
    program.flags().realtimeActive = true;
    program.dispatch().LogSample(program.sample());
    EXPECT_EQ(shown(), started);
    program.flags().realtimeActive = false;
    program.portal().RefreshTextBoxes(); // as the options window's "Done" does
    EXPECT_EQ(shown(), stopped);
    program.flags().realtimeActive = true;
    program.portal().RefreshTextBoxes();
    EXPECT_EQ(shown(), started);
}
