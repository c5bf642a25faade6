// What a screen reader finds in every window: each control a person reads or
// operates has a name, tables expose their cells, and painted widgets their
// value or text.
#include "app/main_window.h"
#include "app/program.h"
#include "scripted_dialogs.h"

#include "dashboard/dashboard_window.h"
#include "device/device_utility_window.h"
#include "download/download_window.h"
#include "link/com_panel.h"
#include "listing/listing_window.h"
#include "net/web_window.h"
#include "options/options_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool readOrOperated(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::EditableText:
    case QAccessible::ComboBox:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::ProgressBar:
    case QAccessible::PageTab:
    case QAccessible::Dial:
    case QAccessible::Chart:
    case QAccessible::Indicator:
        return true;
    default:
        return false;
    }
}

// "Role 'name'" of every unnamed control under `iface`, with its object name.
void collectUnnamed(QAccessibleInterface *iface, QStringList &unnamed, int depth = 0)
{
    if (!iface || depth > 40 || iface->state().invisible)
        return;
    const QAccessible::Role role = iface->role();
    if (readOrOperated(role) && iface->text(QAccessible::Name).trimmed().isEmpty()) {
        QObject *object = iface->object();
        unnamed << QStringLiteral("%1 %2 (%3)")
                       .arg(int(role))
                       .arg(object ? QString::fromLatin1(object->metaObject()->className()) : QString())
                       .arg(object ? object->objectName() : QString());
    }
    if (role == QAccessible::Table) {
        // The cells themselves are the table's business: it must expose them.
        if (!iface->tableInterface())
            unnamed << QStringLiteral("table without cells");
        return;
    }
    // Widgets painted by the program (gauges, charts, odometers) speak through
    // an interface of their own: a value, or their reading as text.
    const bool painted = iface->object() && iface->object()->inherits("QWidget")
                         && !iface->object()->inherits("QLabel") && role == QAccessible::StaticText;
    if (painted || role == QAccessible::Dial || role == QAccessible::Chart || role == QAccessible::Indicator) {
        if (iface->text(QAccessible::Value).isEmpty() && !iface->valueInterface())
            unnamed << QStringLiteral("painted widget %1 without value or text").arg(iface->text(QAccessible::Name));
    }
    for (int i = 0; i < iface->childCount(); ++i)
        collectUnnamed(iface->child(i), unnamed, depth + 1);
}

} // namespace

TEST(Accessibility, EveryWindowNamesItsControls)
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    Program program(dir.filePath("QMNpilot.ini"), dir.filePath("data"), dialogs);
    program.startUp();
    MainWindow window(program);
    window.show();
    // Read as a person finds them while data flows: after a sample.
    program.flags().realtimeActive = true;
    program.sample().p1 = 1500;
    program.sample().p2 = 600;
    program.sample().Volt = 120.5;
    program.sample().KWh1 = 12.5;
    program.dispatch().LogSample();
    const QList<QWidget *> windows = {&window,
                                      window.comPanel(),
                                      window.showListing(),
                                      window.showDashboard(),
                                      window.showUtility(),
                                      window.showWebWindow(),
                                      window.showOptions(),
                                      window.showDownload()};
    for (QWidget *w : windows) {
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        QStringList unnamed;
        collectUnnamed(QAccessible::queryAccessibleInterface(w), unnamed);
        EXPECT_TRUE(unnamed.isEmpty()) << qPrintable(w->windowTitle()) << ":\n" << qPrintable(unnamed.join('\n'));
        // A person on a 1024 x 768 screen sees the whole window.
        EXPECT_LE(w->minimumSizeHint().width(), 1024) << qPrintable(w->windowTitle());
        EXPECT_LE(w->minimumSizeHint().height(), 740) << qPrintable(w->windowTitle());
        if (!qEnvironmentVariableIsEmpty("QMN_WINDOW_SHOTS"))
            w->grab().save(qEnvironmentVariable("QMN_WINDOW_SHOTS") + "/" + w->metaObject()->className() + ".png");
    }
    program.exitSequence();
}
