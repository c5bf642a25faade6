// The communication panel's window as the main window opens it.
#include "app/main_window.h"
#include "coro_wait.h"
#include "link/com_panel.h"
#include "link/panel_fixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

TEST_F(PanelFixture, MenuOpensOnePanelWithItsControlsAndTheSharedState)
{
    startProgram({{2, monitorPath()}}, "ComPort=2\nnetdockPort=8090\nZigbeeVersion=2\n");
    MainWindow window(*program);
    QAction *entry = window.action("Communication/Communication Panel");
    ASSERT_TRUE(entry && entry->isEnabled());
    program->flags().downloadMode = true;
    entry->trigger();
    EXPECT_FALSE(program->flags().downloadMode);
    COMpanel *panelWindow = window.comPanel();
    ASSERT_TRUE(panelWindow->isVisible());
    EXPECT_EQ(panelWindow->windowTitle(), "COM Control Panel");

    const std::pair<const char *, const char *> buttons[] = {
        {"Find E1", ""}, {"Find E2", ""}, {"Find E3", ""},
        {"List Available Ports", "Searches for available COM ports."},
        {"Open Port", ""}, {"Close Port", ""}, {"NetDock Connect", ""}, {"NetDock Disconnect", ""}, {"Exit", ""}};
    for (const auto &[caption, tip] : buttons) {
        QPushButton *b = panelWindow->button(caption);
        ASSERT_TRUE(b) << caption;
        EXPECT_EQ(b->toolTip(), QString::fromLatin1(tip)) << caption;
    }
    const std::pair<const char *, const char *> options[] = {{"USB Cable", "Direct USB cable connection to QMN-4400."},
                                                             {"Zigbee Version 1 E1", "Before Jan 2008"},
                                                             {"Zigbee Version 2 E2", "After Jan 2008"},
                                                             {"Zigbee ZB E3", ""}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(panelWindow->methodOption(i)->text(), options[i].first);
        EXPECT_EQ(panelWindow->methodOption(i)->toolTip(), options[i].second);
        EXPECT_EQ(panelWindow->methodOption(i)->isChecked(), i == 2);
    }
    EXPECT_FALSE(panelWindow->button("Find E1")->isEnabled());
    EXPECT_TRUE(panelWindow->button("Find E2")->isEnabled());
    EXPECT_EQ(panelWindow->portListView()->toolTip(),
              "Click \"List Available Ports\" then click the displayed port number to select it.");
    EXPECT_EQ(panelWindow->netDockPortEdit()->objectName(), "txtNetDockPort");
    EXPECT_EQ(panelWindow->netDockPortEdit()->text(), "8090");

    // The port box: red with white text while closed, green with black open.
    QLineEdit *box = panelWindow->portEdit();
    EXPECT_EQ(box->text(), "2");
    EXPECT_EQ(box->palette().color(QPalette::Base), QColor(255, 0, 0));
    EXPECT_EQ(box->palette().color(QPalette::Text), QColor(Qt::white));
    ASSERT_EQ(awaitTask(panel().openPort()), true);
    EXPECT_EQ(box->palette().color(QPalette::Base), QColor(0, 255, 0));
    EXPECT_EQ(box->palette().color(QPalette::Text), QColor(Qt::black));
    panelWindow->button("Close Port")->click();
    EXPECT_EQ(box->palette().color(QPalette::Base), QColor(255, 0, 0));

    // Letters typed into the box give way to the port in force.
    box->setText("xyz");
    emit box->editingFinished();
    EXPECT_EQ(box->text(), "2");

    // The start-up switch is saved as soon as it is ticked.
    panelWindow->startListenerBox()->setChecked(true);
    EXPECT_EQ(saved("StartupNetDockIsOn"), "True");

    // Choosing a method in the window; Exit hides the panel, the menu brings
    // the same one back.
    panelWindow->methodOption(0)->click();
    EXPECT_EQ(program->settings().ZigbeeVersion, 8);
    EXPECT_FALSE(panelWindow->button("Find E2")->isEnabled());
    panelWindow->button("Exit")->click();
    EXPECT_FALSE(panelWindow->isVisible());
    EXPECT_TRUE(dialogs.messages.isEmpty()); // a method is chosen
    entry->trigger();
    EXPECT_EQ(window.comPanel(), panelWindow);
    EXPECT_TRUE(panelWindow->isVisible());
    EXPECT_EQ(saved("ZigbeeVersion"), "8"); // saved by the load
    EXPECT_TRUE(panelWindow->startListenerBox()->isChecked());
}

TEST_F(PanelFixture, AnsweringYesToTheSearchQuestionShowsThePanelSearching)
{
    const QString sim = monitorPath();
    startProgram({{4, sim}}, "ComPort=7\n");
    MainWindow window(*program);
    dialogs.answers = {true};
    EXPECT_EQ(awaitTask(program->serial().OpenPort()), false);
    ASSERT_EQ(dialogs.questions.size(), 1);
    ASSERT_TRUE(window.comPanel()->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel().isSearching(); }, 10000));
    EXPECT_EQ(panel().portRows().stringList(), QStringList{"4   " + sim});

    // NetDock Connect from the window refuses a bad port and shows the kept one.
    window.comPanel()->netDockPortEdit()->setText("abc");
    window.comPanel()->button("NetDock Connect")->click();
    EXPECT_EQ(dialogs.messages, QStringList{"The NetDock port must be a whole number from 1 to 32767."});
    EXPECT_EQ(window.comPanel()->netDockPortEdit()->text(), "8085");
}
