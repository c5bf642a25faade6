// The History window driven as a user drives it: keys, a click on a bar,
// Cancel, and what a screen reader finds in the chart.
#include "history/history_chart_widget.h"
#include "history/history_window.h"
#include "history_fixture.h"
#include "scripted_dialogs.h"

#include <QAccessible>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

namespace {

struct HistoryWindowTest : HistoryFixture
{
    ScriptedDialogs dialogs;
    HistoryWindow *window = nullptr;

    void open()
    {
        awaitLook(*logic, [&] {
            window = new HistoryWindow(*logic, dialogs);
            window->show();
        });
    }
    void TearDown() override { delete window; }
    void press(Qt::Key key)
    {
        awaitLook(*logic, [&] { QTest::keyClick(window->table(), key); });
    }
    QPushButton *button(const QString &name) const
    {
        for (QPushButton *b : window->findChildren<QPushButton *>())
            if (b->accessibleName() == name)
                return b;
        return nullptr;
    }
};

} // namespace

TEST_F(HistoryWindowTest, KeysAndAClickOnABarMoveThroughThePeriods)
{
    insert({{"2026-06-10 10:00:00", 1, 0, 0, 0}, {"2026-06-10 10:01:00", 2, 0, 0, 0}, {"2026-06-11 10:00:00", 4, 0, 0, 0}});
    // A look over three rows is over long before progress and Cancel show.
    bool flashed = false;
    QObject::connect(logic.get(), &HistoryLogic::stateChanged, [&] { flashed |= logic->progressShown(); });
    open();
    EXPECT_FALSE(flashed);
    EXPECT_EQ(logic->anchor(), QDate(2026, 6, 11));
    press(Qt::Key_PageUp);
    EXPECT_EQ(logic->anchor(), QDate(2026, 6, 10));
    EXPECT_EQ(cell("10:00", "CH1 kWh"), "1.000");
    press(Qt::Key_Home);
    EXPECT_EQ(logic->anchor(), QDate(2026, 6, 11));
    press(Qt::Key_PageDown);
    EXPECT_EQ(logic->anchor(), QDate(2026, 6, 12));

    // The cost axis counts in round money, not in the energy's steps times
    // the rate.
    settings.Rate = 0.126;
    look(PeriodKind::Month, QDate(2026, 6, 1));
    HistoryChartWidget *chart = window->chart();
    QStringList costs;
    for (const HistoryChartWidget::Tick &t : chart->costTicks())
        costs << t.text;
    EXPECT_EQ(costs.join(' ').toStdString(), "$0.00 $0.10 $0.20");
    awaitLook(*logic, [&] { QTest::mouseClick(chart, Qt::LeftButton, {}, chart->barRect(9).center()); });
    EXPECT_EQ(logic->kind(), PeriodKind::Day);
    EXPECT_EQ(logic->anchor(), QDate(2026, 6, 10));

    // The boxes are labelled: a screen reader names a combo box by its item.
    for (QWidget *box : window->findChildren<QWidget *>()) {
        const QString name = box->accessibleName();
        if (name != "Period" && name != "View" && name != "Date")
            continue;
        const auto labels = QAccessible::queryAccessibleInterface(box)->relations(QAccessible::Label);
        ASSERT_EQ(labels.size(), 1) << name.toStdString();
        EXPECT_EQ(labels.first().first->text(QAccessible::Name), name + ":");
    }
    // A screen reader finds each bar and then the total, named with its value.
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(chart);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Chart);
    ASSERT_EQ(iface->childCount(), 25);
    EXPECT_TRUE(iface->child(10)->state().focusable);
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(chart, Qt::Key_Left); // back to the first bar, and past it
    ASSERT_NE(iface->focusChild(), nullptr);
    EXPECT_EQ(iface->focusChild()->text(QAccessible::Name), iface->child(0)->text(QAccessible::Name));
    EXPECT_EQ(iface->child(10)->text(QAccessible::Name),
              "10:00: CH1 kWh 1.000, CH2 kWh 0.000, Total kWh 1.000, Cost $0.13, CH1 highest W 100, CH2 highest W 50, incomplete");
    EXPECT_TRUE(iface->child(24)->text(QAccessible::Name).startsWith("Total: CH1 kWh 1.000"));
    // Copy takes the table as shown: its header, every bar, the totals.
    const QStringList copied = window->copyText().split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(copied.size(), 26);
    EXPECT_TRUE(copied.last().startsWith("Total\t1.000\t0.000\t1.000\t$0.13")) << copied.last().toStdString();
}

TEST_F(HistoryWindowTest, CancelLeavesTheWindowUsableAndTheNextLookWhole)
{
    generate(80000); // two chunks of reading
    window = new HistoryWindow(*logic, dialogs);
    window->show();
    logic->cancel();
    EXPECT_FALSE(logic->busy());
    EXPECT_FALSE(button("Cancel reading")->isVisible());
    const int before = logic->looks();
    button("Today")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return logic->looks() > before && !logic->busy(); }, 30000));
    EXPECT_EQ(cell("Total", "CH1 kWh"), "79.999");
}

TEST_F(HistoryWindowTest, ChartLinesAndTableColumnsFitTheWindowOnSmallAndLargeScreens)
{
    insert({{"2026-06-11 01:00:00", 1, 0, 2, 0}, {"2026-06-11 10:01:00", 12.5, 0, 2222.5, 1.25}});
    open();
    logic->setView(HistoryView::Solar); // the longest values
    HistoryChartWidget *chart = window->chart();
    QTableView *table = window->table();
    // The window as it opens on a 1024 x 768 and on a 1920 x 1080 screen.
    for (const QSize size : {QSize(972, 691), QSize(1400, 972)}) {
        SCOPED_TRACE(size.width());
        window->resize(size);
        ASSERT_TRUE(QTest::qWaitFor([&] { return chart->width() > size.width() * 9 / 10; }, 5000));
        QCoreApplication::processEvents();
        EXPECT_LT(chart->axisLabelsRect().bottom(), chart->readoutRect().top());
        EXPECT_LE(chart->readoutRect().bottom(), chart->height());
        for (int bar = 0; bar < chart->barCount(); ++bar) {
            const QRect needs = chart->fontMetrics().boundingRect(chart->readoutRect(), Qt::TextWordWrap, chart->barName(bar));
            EXPECT_LE(needs.height(), chart->readoutRect().height()) << chart->barName(bar).toStdString();
        }
        // The columns fill the table's width, none narrower than its text.
        int widths = 0;
        for (int c = 0; c < table->model()->columnCount(); ++c) {
            const int text = std::max(static_cast<QAbstractItemView *>(table)->sizeHintForColumn(c),
                                      table->horizontalHeader()->sectionSizeHint(c));
            EXPECT_GE(table->columnWidth(c), text) << c;
            widths += table->columnWidth(c);
        }
        EXPECT_EQ(widths, table->viewport()->width());
    }
}
