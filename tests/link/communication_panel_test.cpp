// The communication panel's window as the main window opens it.
#include "app/main_window.h"
#include "coro_wait.h"
#include "link/communication_panel.h"
#include "link/panel_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

TEST_F(PanelFixture, MenuOpensOnePanelWithItsControlsAndTheSharedState)
{
    startProgram({{2, monitorPath()}}, "ComPort=2\nnetdockPort=8090\nZigbeeVersion=2\n");
    MainWindow window(*program);
    QAction *entry = window.action("Communication/Communication Panel");
    ASSERT_TRUE(entry);
    entry->trigger();
    CommunicationPanel *panelWindow = window.comPanel();
    ASSERT_TRUE(panelWindow->isVisible());

    EXPECT_TRUE(panelWindow->methodOption(2)->isChecked());
    EXPECT_TRUE(panelWindow->button("Find E2")->isEnabled());
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
    entry->trigger();
    EXPECT_EQ(window.comPanel(), panelWindow);
    EXPECT_TRUE(panelWindow->isVisible());
}
