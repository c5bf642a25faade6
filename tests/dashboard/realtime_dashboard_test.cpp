// DoDash's figures: auto-ranging, zones, odometers, readouts and the chart
// history.
#include "dashboard_fixture.h"

#include <QTimeZone>

#include <vector>

namespace {

struct RangeCase
{
    const char *name;
    std::vector<std::pair<double, int>> runs; // CH1 watts, samples
    std::vector<double> lastScales;           // CH1 scale after each of the last samples
};
void PrintTo(const RangeCase &c, std::ostream *os) { *os << c.name; }
class AutoRange : public DashboardFixture, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(AutoRange, ScaleFollowsTheChart)
{
    std::vector<double> scales;
    for (const auto &[watts, count] : GetParam().runs)
        for (int i = 0; i < count; ++i) {
            feed(watts);
            scales.push_back(scale(D::AL1));
        }
    const auto &expected = GetParam().lastScales;
    EXPECT_EQ(std::vector<double>(scales.end() - expected.size(), scales.end()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Dashboard, AutoRange,
    ::testing::Values(
        // Up to 2000 and back to 1000 in the same update while the chart
        // holds nothing above 900; the second 1234 W keeps the 2000.
        RangeCase{"up_and_down_in_one_update", {{0, 5}, {900, 2}, {1234, 2}}, {1000, 1000, 2000}},
        // Halves once per update until twice the chart's 1500 W covers it.
        RangeCase{"halves_once_per_update", {{7500, 2}, {1500, 303}}, {8000, 4000, 2000, 2000}},
        // An idle channel stops at the floor and rises with the first watts.
        RangeCase{"idle_stops_at_floor", {{0, 1000}, {250, 1}}, {1, 150}},
        // A reading that begins with the digits 10 still gets the next round scale.
        RangeCase{"leading_digits_10", {{10500, 2}}, {20000}}),
    [](const auto &info) { return std::string(info.param.name); });

struct ZoneCase
{
    const char *name;
    int idle;
    double p1, p2;
    D::Gauge gauge;
    double scale;
    std::array<double, 6> bands;
};
void PrintTo(const ZoneCase &c, std::ostream *os) { *os << c.name; }
class Zones : public DashboardFixture, public ::testing::WithParamInterface<ZoneCase> {};

TEST_P(Zones, FollowTheScale)
{
    const ZoneCase &c = GetParam();
    feed(0, 0, c.idle);
    feed(c.p1, c.p2, 2);
    const GaugeState &g = dashboard.gauge(c.gauge);
    ASSERT_EQ(g.GaugeMax, c.scale);
    EXPECT_EQ((std::array<double, 6>{g.bands[0].start, g.bands[0].end, g.bands[1].start, g.bands[1].end,
                                      g.bands[2].start, g.bands[2].end}),
              c.bands);
}

INSTANTIATE_TEST_SUITE_P(Dashboard, Zones,
                         ::testing::Values(ZoneCase{"ch1_at_2000", 0, 1900, 0, D::AL1, 2000, {100, 800, 800, 2000, 1999, 2000}},
                                           ZoneCase{"ch2_at_10000", 0, 0, 9500, D::AL2, 10000, {100, 800, 800, 2400, 2400, 10000}},
                                           ZoneCase{"total_at_6000", 0, 3000, 2500, D::AL3, 6000, {300, 1400, 1400, 5400, 5400, 6000}},
                                           ZoneCase{"total_at_600", 6, 300, 200, D::AL3, 600, {300, 600, 594, 600, 596, 600}},
                                           // The fixed scales keep their zones whatever the power.
                                           ZoneCase{"volts", 0, 1900, 0, D::AL4, 135, {105, 125, 125, 130, 130, 135}},
                                           ZoneCase{"amps", 0, 1900, 0, D::AS1, 60, {0, 20, 20, 30, 30, 60}},
                                           ZoneCase{"as3", 0, 1900, 0, D::AS3, 100, {0, 40, 40, 60, 60, 100}}),
                         [](const auto &info) { return std::string(info.param.name); });

struct MeterCase
{
    double kwh1, kwh2;
    float amp1, amp2;
    const char *locale;
    // The sample's moment, one second after the one before; what the date and time labels show.
    QDateTime when;
    const char *dateTime;
    std::array<const char *, 3> digits;
    std::array<const char *, 3> ampTexts;
    std::array<double, 3> needles;
};
class Meters : public DashboardFixture, public ::testing::WithParamInterface<MeterCase> {};

TEST_P(Meters, OdometersAndCurrents)
{
    const MeterCase &c = GetParam();
    const QLocale previous;
    QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
    sample.KWh1 = c.kwh1;
    sample.KWh2 = c.kwh2;
    sample.Amp1 = c.amp1;
    sample.Amp2 = c.amp2;
    clock.at = c.when.addSecs(-2);
    feed(100, 0, 2);
    QLocale::setDefault(previous);
    EXPECT_EQ((dashboard.dateText() + ' ' + dashboard.timeText()).toStdString(), c.dateTime);
    for (int ch = 0; ch < 3; ++ch) {
        EXPECT_EQ(dashboard.odometer(D::Channel(ch)), c.digits[ch]) << ch;
        EXPECT_EQ(dashboard.gauge(D::Gauge(D::AS1 + ch)).GaugeText, c.ampTexts[ch]) << ch;
        EXPECT_DOUBLE_EQ(dashboard.gauge(D::Gauge(D::AS1 + ch)).GaugeValue, c.needles[ch]) << ch;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Dashboard, Meters,
    ::testing::Values(MeterCase{1234.5678, 0.0004, 0.5f, 12.3f, "en_US",
                                // The clocks go forward at midnight: the date turns all the same.
                                QDateTime(QDate(2024, 9, 8), QTime(1, 0, 0), QTimeZone("America/Santiago")),
                                "Sun,Sep,08,2024 01:00:00",
                                {"0001234568", "0000000000", "0001234568"}, {".5A", "12.3A", "12.8A"}, {0.5, 12.3, 12.8}},
                      MeterCase{99.99951, 12345678.9, 12.34f, 0.04f, "fi_FI",
                                QDateTime(QDate(2024, 3, 31), QTime(4, 0, 0), QTimeZone("Europe/Helsinki")),
                                "su,maalisk.,31,2024 04.00.00",
                                {"0000100000", "2345678900", "2345778900"}, {"12,3A", ",0A", "12,4A"}, {12.3, 0, 12.4}}));

TEST_F(DashboardFixture, MinMaxBoxesThroughTheFirstHistory)
{
    // Rising CH1 power: the box shows the samples before the current one,
    // with the empty slots of a history not yet full as zeros.
    std::map<int, QString> ch1, volt;
    for (int n = 1; n <= 302; ++n) {
        sample.Volt = 110 + n % 20;
        feed(1000 + n - 1);
        ch1[n] = dashboard.minMaxText(ChartHistory::Ch1);
        volt[n] = dashboard.minMaxText(ChartHistory::Voltage);
    }
    EXPECT_EQ(ch1[1], "Min: 0 W       Max: 0 W");
    EXPECT_EQ(ch1[300], "Min: 0 W       Max: 1,298 W");
    EXPECT_EQ(ch1[301], "Min: 1,000 W       Max: 1,299 W");
    EXPECT_EQ(ch1[302], "Min: 1,001 W       Max: 1,300 W");
    EXPECT_EQ(volt[1], "Min: .0 V       Max: .0 V");
    EXPECT_EQ(volt[301], "Min: 110.0 V       Max: 129.0 V");
    EXPECT_EQ(dashboard.powerText(D::Ch1), " CH1 Power: 1301 W");
    EXPECT_EQ(dashboard.voltText(), " Volt: 112.0 V");
    // The picture ends with the previous sample; the current one shows next time.
    const ChartHistory &h = dashboard.charts();
    EXPECT_EQ(h.pictureValue(ChartHistory::Ch1, ChartHistory::kPointCount), 1300);
    EXPECT_EQ(h.pictureValue(ChartHistory::Ch1, 0), 1000);
    EXPECT_EQ(h.value(ChartHistory::Ch1, ChartHistory::kPointCount), 1301);
}

TEST_F(DashboardFixture, FortyKilowattsTotal)
{
    feed(25000, 15000, 2);
    EXPECT_EQ(dashboard.powerText(D::Total), " TOT Power: 40000 W");
    EXPECT_EQ(scale(D::AL3), 50000);
    EXPECT_EQ(dashboard.gauge(D::AL3).GaugeValue, 40000);
    EXPECT_EQ(dashboard.minMaxText(ChartHistory::Total), "Min: 0 W       Max: 40,000 W");
}

TEST_F(DashboardFixture, RealtimeOffChangesOnlyTheStatus)
{
    sample.KWh1 = 2;
    feed(1500, 200);
    EXPECT_EQ(dashboard.statusBox().text(), D::kOn);
    flags.realtimeActive = false;
    sample.KWh1 = 3;
    feed(2500, 100);
    EXPECT_EQ(dashboard.statusBox().text(), D::kOff);
    EXPECT_FALSE(dashboard.statusBox().isGood());
    EXPECT_EQ(dashboard.powerText(D::Ch1), " CH1 Power: 1500 W");
    EXPECT_EQ(dashboard.odometer(D::Ch1), "0000002000");
    EXPECT_EQ(dashboard.charts().value(ChartHistory::Ch1, ChartHistory::kPointCount), 1500);
}

} // namespace
