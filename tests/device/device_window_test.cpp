#include "device_fixture.h"

#include "app/main_window.h"
#include "device/utility_window.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

using Box = DeviceUtility::Box;

TEST_F(DeviceTest, TheMenuOpensTheUtilityShowingTheMonitorsSettings)
{
    MainWindow main(*program);
    QAction *entry = main.action("QMN-4400 Utility");
    ASSERT_TRUE(entry && entry->isEnabled());
    entry->trigger();
    QPointer<UtilityWindow> window = main.findChild<UtilityWindow *>();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), "Energy Consumption Monitor / Logger SETUP");

    sim.device().settings() = {175, 5, 167, 4, 1, 2, 30, 2300, 9, 513};
    window->button("Read QMN-4400 Settings")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->boxEdit(Box::DeviceId)->text() == "9"; }, 10000));
    const QStringList shown = {window->boxEdit(Box::Ch1Type)->text(), window->boxEdit(Box::Ch2Range)->text(),
                               window->boxEdit(Box::Interval)->text(), window->boxEdit(Box::Firmware)->text(),
                               window->boxEdit(Box::Address)->text()};
    EXPECT_EQ(shown, QStringList({"175", "4", "30", "2.3", "513"}));

    // A preset fills both channels; what a screen reader or a voice
    // control puts into a box is what goes to the monitor.
    window->presetOption(3)->click();
    EXPECT_EQ(window->boxEdit(Box::Ch2Type)->text(), "167");
    QAccessibleInterface *type = QAccessible::queryAccessibleInterface(window->boxEdit(Box::Ch1Type));
    ASSERT_TRUE(type && type->editableTextInterface());
    type->editableTextInterface()->replaceText(0, type->textInterface()->characterCount(), "175");
    window->boxEdit(Box::Ch1Range)->setText("6");
    sim.clearReceived();
    window->button("Accept Changes", "CH 1 ")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines().contains("Completed Modifying CH1 CT Type and Range"); }, 10000));
    EXPECT_EQ(wire(), hex(kProbe + "SETCT1TYP" + bytes("af") + "RNG" + bytes("06")));
}

TEST_F(DeviceTest, TheAddressSaveWaitsForAnEditAndLoadBoxesShowTheMask)
{
    program->settings().LoadStatus = 10;
    program->sample().deviceAddress = 77;
    UtilityWindow window(device());
    EXPECT_EQ(window.boxEdit(Box::Address)->text(), "77");
    QPushButton *save = window.button("Save", "Device Address");
    ASSERT_TRUE(save);
    EXPECT_FALSE(save->isEnabled());
    QTest::keyClicks(window.boxEdit(Box::Address), "1");
    EXPECT_TRUE(save->isEnabled());
    EXPECT_EQ(device().box(Box::Address), "771");

    const QList<bool> shown = {window.loadBox(0)->isChecked(), window.loadBox(1)->isChecked(),
                               window.loadBox(2)->isChecked(), window.loadBox(3)->isChecked()};
    EXPECT_EQ(shown, QList<bool>({false, true, false, true}));
    window.button("Reset Loads")->click();
    EXPECT_FALSE(window.loadBox(3)->isChecked());
    EXPECT_FALSE(window.button("connect")->isEnabled());
}

TEST_F(DeviceTest, AReadOutlivesItsClosedWindow)
{
    auto *window = new UtilityWindow(device());
    window->show();
    window->button("Read QMN-4400 Settings")->click();
    window->close(); // deleted later, while the read waits for the monitor
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines() == QStringList({"Settings have been read successfuly"}); }, 10000));
    EXPECT_EQ(device().box(Box::Firmware), "2.21");
}
