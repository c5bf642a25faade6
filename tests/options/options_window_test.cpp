#include "options/options_fixture.h"
#include "options/options_window.h"
#include "options/mqtt_panel.h"
#include "mqtt/broker.h"
#include "portal/web_window.h"
#include "text_file.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace {

struct OptionsWindowTest : OptionsFixture
{
    void open()
    {
        window = new OptionsWindow(options(), program.mqtt());
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    void TearDown() override { delete window; }

    QLineEdit *field(OptionsWindow::Field f) { return window->field(f); }
    QPointer<OptionsWindow> window;
};

} // namespace

TEST_F(OptionsWindowTest, LeavingABoxChecksItOnceAndRefusalKeepsTheFocus)
{
    open();
    field(OptionsWindow::IntervalField)->setFocus();
    field(OptionsWindow::IntervalField)->setText("soon");
    field(OptionsWindow::UserField)->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return field(OptionsWindow::IntervalField)->hasFocus(); }, 5000));
    EXPECT_EQ(dialogs.messages, QStringList({"Interval must be a numeric value"}));

    field(OptionsWindow::IntervalField)->setText("9.6");
    field(OptionsWindow::UserField)->setFocus();
    QTest::qWait(0);
    EXPECT_EQ(field(OptionsWindow::IntervalField)->text(), "10");
    EXPECT_EQ(dialogs.messages.size(), 2);
}

TEST_F(OptionsWindowTest, ClosingChecksPendingTextAndDoneRefreshesTheWebWindow)
{
    WebWindow web(program.portal());
    open();
    field(OptionsWindow::Ch1PowerField)->setText("120");
    field(OptionsWindow::UserField)->setText("");
    window->close();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(dialogs.messages, QStringList({"User error"}));

    field(OptionsWindow::UserField)->setText("carol");
    window->doneButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 5000));
    EXPECT_EQ(web.textBox(0)->text(), "carol");
    EXPECT_EQ(web.textBox(2)->text(), "120");
    EXPECT_EQ(saved("WptUser"), "carol");
}

TEST_F(OptionsWindowTest, LoadShowsTheSavedChoicesTheEnergyTotalsAndTheAccountPage)
{
    settings().dbtype = "Sqlite"; // not a kind the program knows
    settings().StartupServerIsOn = true;
    settings().SolarToWeb1 = true;
    settings().PortalHost = "portal.example.com:8080";
    settings().WptUser = "bob & sue";
    program.sample().KWh1 = 1234.5678;
    program.sample().KWh2 = 10.25;
    program.sample().KWh2P = 0.25;
    settings().CommitSeconds = 60;
    open();
    EXPECT_EQ(window->commitSecondsBox()->text(), "Write to disk every 60 s (0 = every sample)");
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(window->databaseOption(i)->isChecked()) << i;
    EXPECT_TRUE(window->box(OptionsLogic::Box::StartupServer)->isChecked());
    EXPECT_TRUE(window->box(OptionsLogic::Box::SolarToWeb)->isChecked());
    EXPECT_FALSE(window->box(OptionsLogic::Box::StartupCom)->isChecked());
    EXPECT_EQ(saved("dbtype"), "(missing)");
    EXPECT_EQ(window->accountLink()->text().toStdString(),
              "<a href=\"http://portal.example.com:8080/Monitor/monitor.php?user=bob%20%26%20sue\">"
              "portal.example.com:8080/Monitor/monitor.php?user=bob &amp; sue</a>");

    const auto totals = [this] {
        QStringList shown;
        for (int i = 0; i < 4; ++i)
            shown << window->energyBox(i)->text();
        return shown;
    };
    // Received from the grid, sold to it, generated, consumed.
    EXPECT_EQ(totals(), QStringList({"10.000 KWh", ".250 KWh", "1,234.568 KWh", "1,244.318 KWh"}));
    program.sample().KWh2P = 1.25;
    window->button("Refresh")->click();
    EXPECT_EQ(totals(), QStringList({"9.000 KWh", "1.250 KWh", "1,234.568 KWh", "1,242.318 KWh"}));
}

TEST_F(OptionsWindowTest, PolarityTestShowsItsAnswerInColour)
{
    open();
    EnergyDirectionProbe &test = options().polarity();
    QLineEdit *ch1 = window->polarityBox(1);
    EXPECT_EQ(ch1->text(), "Idle");
    window->button("Test Energy Polarity")->click();
    EXPECT_EQ(ch1->palette().color(QPalette::Base), QColor(255, 255, 0));
    EXPECT_EQ(test.timer().interval(), 1100);
    test.tick(); // the starting point
    program.sample().E1A += 1000;
    test.tick();
    EXPECT_EQ(ch1->text(), "Energy is consumed");
    EXPECT_EQ(ch1->palette().color(QPalette::Base), QColor(0, 0, 255));
    EXPECT_EQ(ch1->palette().color(QPalette::Text), QColor(Qt::white));
    program.sample().E1AP += 1000;
    test.tick();
    EXPECT_EQ(ch1->text(), "Energy is generated");
    EXPECT_EQ(ch1->palette().color(QPalette::Base), QColor(255, 255, 0));
    EXPECT_EQ(ch1->palette().color(QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(window->polarityBox(2)->text(), "");

    window->button("Done", 2)->click();
    EXPECT_FALSE(test.timer().isActive());
    EXPECT_EQ(ch1->text(), "");
    EXPECT_EQ(ch1->palette().color(QPalette::Base), QColor(Qt::white));
}

TEST_F(OptionsWindowTest, MqttPageConnectsOnApplyAndShowsTheStateAsItChanges)
{
    Broker broker;
    QString error;
    ASSERT_TRUE(broker.start({}, &error)) << qPrintable(error);
    open();
    MqttPanel *page = window->mqttPanel();
    window->tabs()->setCurrentWidget(page);
    QLabel *state = page->stateLine();
    const auto heard = [&] { return QAccessible::queryAccessibleInterface(state)->text(QAccessible::Name); };
    EXPECT_EQ(state->text(), "MQTT is off");

    page->field(MqttPanel::HostField)->setText(broker.address());
    page->field(MqttPanel::PasswordField)->setText("hush");
    EXPECT_NE(page->field(MqttPanel::PasswordField)->displayText(), "hush");
    page->field(MqttPanel::NodeField)->setText("loft meter");
    page->applyButton()->click();
    EXPECT_EQ(state->text(), "Not applied: Node=loft meter may hold only letters, digits, '_' and '-'");
    EXPECT_EQ(heard(), state->text());
    EXPECT_FALSE(readText(ini).contains("[mqtt]"));

    page->field(MqttPanel::NodeField)->setText("loft");
    page->field(MqttPanel::DiscoveryPrefixField)->setText("ha");
    page->discoveryBox()->setChecked(false);
    page->applyButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return state->text() == "Connected to " + broker.address(); }, 10000))
        << qPrintable(state->text());
    EXPECT_EQ(heard(), state->text());
    broker.stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return state->text().startsWith("Not connected: "); }, 10000));
    EXPECT_EQ(heard(), state->text());
    SettingsStore saved(ini);
    saved.load();
    EXPECT_EQ(saved.entries("mqtt"),
              (QList<std::pair<QString, QString>>{{"Host", broker.address()}, {"Password", "hush"}, {"Node", "loft"},
                                                  {"Discovery", "False"}, {"DiscoveryPrefix", "ha"}}));
}
