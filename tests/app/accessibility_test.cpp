// What a screen reader finds in every window: each control a person reads or
// operates has a name, each readout says what it shows, and every window
// fits the screen, the main window growing to show a listed file.
#include "app/main_window.h"
#include "app/program.h"
#include "scripted_dialogs.h"

#include "dashboard/dashboard_fixture.h"
#include "dashboard/dashboard_window.h"
#include "dashboard/odometer_widget.h"
#include "dashboard/round_gauge_widget.h"
#include "dashboard/trend_chart_widget.h"
#include "device/utility_window.h"
#include "download/download_saver.h"
#include "download/download_window.h"
#include "download/save_download_dialog.h"
#include "link/communication_panel.h"
#include "listing/listing_window.h"
#include "portal/web_window.h"
#include "options/options_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

namespace {

// "Role 'name'" of every unnamed control under `iface`, with its object name.
void collectUnnamed(QAccessibleInterface *iface, QStringList &unnamed, int depth = 0)
{
    using A = QAccessible;
    static const QList<A::Role> readOrOperated = {A::PushButton, A::CheckBox, A::RadioButton, A::EditableText,
                                                  A::ComboBox, A::List, A::Table, A::ProgressBar, A::PageTab,
                                                  A::Dial, A::Chart, A::StaticText};
    if (!iface || depth > 40 || iface->state().invisible)
        return;
    const QAccessible::Role role = iface->role();
    // An empty label shows nothing, so it has nothing to say.
    const auto *label = qobject_cast<QLabel *>(iface->object());
    if (readOrOperated.contains(role) && iface->text(QAccessible::Name).trimmed().isEmpty() && !(label && label->text().isEmpty())) {
        QObject *object = iface->object();
        unnamed << QStringLiteral("%1 %2 (%3)")
                       .arg(int(role))
                       .arg(object ? QString::fromLatin1(object->metaObject()->className()) : QString())
                       .arg(object ? object->objectName() : QString());
    }
    if (role == QAccessible::Table) {
        if (!iface->tableInterface())
            unnamed << QStringLiteral("table without cells");
        return;
    }
    for (int i = 0; i < iface->childCount(); ++i)
        collectUnnamed(iface->child(i), unnamed, depth + 1);
}

QString spoken(QObject *object, QAccessible::Text t = QAccessible::Name)
{
    return QAccessible::queryAccessibleInterface(object)->text(t);
}

QString shownText(const QLabel *label)
{
    if (label->textFormat() == Qt::PlainText || !Qt::mightBeRichText(label->text()))
        return label->text();
    QTextDocument doc;
    doc.setHtml(label->text());
    return doc.toPlainText();
}

// A label that a name hides says something other than what a person reads.
QStringList labelsNotReadAsShown(QWidget *window)
{
    QStringList wrong;
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (!label->isVisibleTo(window) || label->text().isEmpty())
            continue;
        if (spoken(label) != shownText(label))
            wrong << QStringLiteral("shows \"%1\", read \"%2\"").arg(shownText(label), spoken(label));
    }
    return wrong;
}

bool inLayout(const QLayout *layout, const QWidget *w)
{
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (item->widget() == w || (item->layout() && inLayout(item->layout(), w)))
            return true;
    }
    return layout->menuBar() == w;
}

// Controls shown but left out of their parent's layout: they sit piled up in
// its corner, over the controls that are laid out.
QStringList unplaced(QWidget *window)
{
    QStringList out;
    for (QWidget *c : window->findChildren<QWidget *>()) {
        const QWidget *parent = c->parentWidget();
        if (!c->isWindow() && !c->isHidden() && parent && parent->layout() && !inLayout(parent->layout(), c))
            out << QStringLiteral("%1 \"%2\" in %3").arg(c->metaObject()->className(), spoken(c),
                                                         parent->metaObject()->className());
    }
    return out;
}

class Accessibility : public ::testing::Test
{
protected:
    Accessibility()
    {
        clock.at = QDateTime(QDate(2024, 3, 12), QTime(9, 30, 0));
        program.setClock(&clock);
        program.startUp();
        window.show();
    }
    ~Accessibility() override { program.exitSequence(); }

    void sample(double p1, double kwh1)
    {
        program.flags().realtimeActive = true;
        program.sample().p1 = p1;
        program.sample().p2 = 600;
        program.sample().Volt = 120.5;
        program.sample().KWh1 = kwh1;
        clock.at = clock.at.addSecs(1);
        program.dispatch().LogSample(program.sample());
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    ManualClock clock;
    Program program{dir.filePath("QMNpilot.ini"), dir.filePath("data"), dialogs};
    MainWindow window{program};
};

} // namespace

TEST_F(Accessibility, EveryWindowNamesItsControlsAndReadsItsLabelsAsShown)
{
    sample(1500, 12.5);
    auto *save = new SaveDownloadDialog(program.download(), dir.path(), &window);
    const QList<QWidget *> windows = {&window,
                                      window.comPanel(),
                                      window.showListing(),
                                      window.showDashboard(),
                                      window.showUtility(),
                                      window.showWebWindow(),
                                      window.showOptions(),
                                      window.showDownload(),
                                      save};
    for (QWidget *w : windows) {
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        QStringList unnamed;
        collectUnnamed(QAccessible::queryAccessibleInterface(w), unnamed);
        EXPECT_TRUE(unnamed.isEmpty()) << qPrintable(w->windowTitle()) << ":\n" << qPrintable(unnamed.join('\n'));
        const QStringList wrong = labelsNotReadAsShown(w) + unplaced(w);
        EXPECT_TRUE(wrong.isEmpty()) << qPrintable(w->windowTitle()) << ":\n" << qPrintable(wrong.join('\n'));
        // A person on a 1024 x 768 screen sees the whole window.
        EXPECT_LE(w->minimumSizeHint().width(), 1024) << qPrintable(w->windowTitle());
        EXPECT_LE(w->minimumSizeHint().height(), 740) << qPrintable(w->windowTitle());
    }
    // The save dialog's hint follows the box in use, and is read as it changes.
    save->timeBox()->setFocus();
    EXPECT_EQ(spoken(save->hintLine()), "Enter Time (hh:mm) [24 hour time] and press TAB key");
    // The port box's colour in words.
    EXPECT_EQ(spoken(window.comPanel()->findChild<QLineEdit *>("portBox"), QAccessible::Description),
              "COM Port is Closed");
}

TEST_F(Accessibility, DashboardReadoutsSayWhatTheyShow)
{
    using D = RealtimeDashboard;
    DashboardWindow *dash = window.showDashboard();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dash));
    sample(1500, 0.01);
    sample(1500, 0.01);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dash->powerBox(D::Ch1)->text() == " CH1 Power: 1500 W"; }));
    EXPECT_EQ(spoken(dash->statusBox()), "Real-Time is ON");
    EXPECT_EQ(spoken(dash->odometer(D::Ch1)), "CH1 energy 0000000010 Wh");
    EXPECT_EQ(spoken(dash->chart(ChartHistory::Ch1)),
              "CH1 chart: latest 1,500 W, minimum 0 W, maximum 1,500 W, range shown 0 to 1,500 W");
    EXPECT_EQ(spoken(dash->chart(ChartHistory::Voltage)),
              "Voltage chart: latest 120.5 V, minimum .0 V, maximum 120.5 V, range shown 0 to 135.0 V");
    for (int g = 0; g < D::GaugeCount; ++g) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(dash->gauge(D::Gauge(g)));
        EXPECT_EQ(iface->role(), QAccessible::Dial) << g;
        ASSERT_TRUE(iface->valueInterface()) << g;
        const GaugeState &shown = dash->gauge(D::Gauge(g))->state();
        EXPECT_EQ(iface->valueInterface()->currentValue().toDouble(), shown.GaugeValue) << g;
        EXPECT_EQ(iface->valueInterface()->minimumValue().toDouble(), shown.GaugeMin) << g;
        EXPECT_EQ(iface->valueInterface()->maximumValue().toDouble(), shown.GaugeMax) << g;
    }
}

TEST_F(Accessibility, OpenedWithAFileTheMainWindowShowsItsRecords)
{
    const QByteArray records = (QByteArray::fromHex("b0042c01") + char(120)).repeated(12);
    dialogs.nextFileName = dir.filePath("site");
    QString path;
    ASSERT_EQ(DownloadSaver(dialogs, dir.path()).save(records + "\xFE\xFE", 5, "12312008", "2358", &path),
              DownloadSaver::Outcome::Saved);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(program.mainList().Openfile(path));
    QTableView *view = window.mainListView();
    ASSERT_GE(view->model()->rowCount(), 10);
    const QRect room = window.screen()->availableGeometry();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->viewport()->height() > view->rowHeight(0) * 3; }));
    EXPECT_TRUE(room.contains(window.frameGeometry())) << room.width() << "x" << room.height();
    // Every row in view; every column too, unless the screen is narrower than they are.
    EXPECT_LE(view->verticalHeader()->length(), view->viewport()->height());
    if (window.frameGeometry().width() < room.width()) {
        EXPECT_LE(view->horizontalHeader()->length(), view->viewport()->width());
    }
    // No column cuts what it holds.
    for (int c = 0; c < view->model()->columnCount(); ++c)
        EXPECT_GE(view->columnWidth(c), static_cast<QAbstractItemView *>(view)->sizeHintForColumn(c)) << c;
    // The cells read as they show.
    QAccessibleTableInterface *table = QAccessible::queryAccessibleInterface(view)->tableInterface();
    ASSERT_TRUE(table);
    EXPECT_EQ(table->cellAt(0, 3)->text(QAccessible::Name), view->model()->index(0, 3).data().toString());
}
