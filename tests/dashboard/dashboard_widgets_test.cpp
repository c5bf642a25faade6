// The painted widgets rendered to images: where the needle points, which
// colour a zone shows, how high a trace runs and how many grid lines a
// chart carries.
#include "dashboard/gauge_state.h"
#include "dashboard/round_gauge_widget.h"
#include "dashboard/trend_chart_widget.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>

namespace {

QImage render(QWidget &w)
{
    QImage image(w.size(), QImage::Format_RGB32);
    w.render(&image);
    return image;
}

// The pixel at `fraction` of the radius along the given dial angle.
QRgb dialPixel(const QImage &image, const RoundGauge &g, double degrees, double fraction)
{
    const double a = qDegreesToRadians(degrees);
    const QPointF p = g.centre() + QPointF(std::cos(a), -std::sin(a)) * g.radius() * fraction;
    return image.pixel(qRound(p.x()), qRound(p.y()));
}

struct NeedleCase
{
    double min, max, value;
    double degrees; // 225 lower left, 90 straight up, -45 lower right
};
class Needle : public ::testing::TestWithParam<NeedleCase> {};

TEST_P(Needle, PointsAtTheValueWithinTheScale)
{
    const NeedleCase &c = GetParam();
    GaugeState state;
    state.GaugeMin = c.min;
    state.GaugeMax = c.max;
    state.GaugeValue = c.value;
    RoundGauge gauge(state, 10);
    gauge.resize(300, 300);
    const QImage image = render(gauge);
    const QRgb needle = gauge.palette().color(QPalette::Text).rgb();
    EXPECT_EQ(dialPixel(image, gauge, c.degrees, 0.5), needle);
    // Nowhere else on the dial's middle circle.
    for (double d : {225.0, 135.0, 90.0, 45.0, -45.0})
        if (std::abs(d - c.degrees) > 10)
            EXPECT_NE(dialPixel(image, gauge, d, 0.5), needle) << d;
}

INSTANTIATE_TEST_SUITE_P(Widgets, Needle,
                         ::testing::Values(NeedleCase{0, 2000, 1000, 90}, NeedleCase{90, 135, 112.5, 90},
                                           NeedleCase{0, 2000, 5000, -45}, NeedleCase{0, 2000, -300, 225},
                                           NeedleCase{0, 0, 50, 225}, NeedleCase{10, 5, 7, 225}));

TEST(Widgets, ZonesShowTheirColoursReversedOrOverlapping)
{
    GaugeState state;
    state.GaugeMax = 100;
    // The second zone is given backwards; the third covers part of it.
    state.setBands({0, 30}, {60, 30}, {50, 100});
    RoundGauge gauge(state, 10);
    gauge.resize(300, 300);
    const QImage image = render(gauge);
    const auto at = [&](double value) { return dialPixel(image, gauge, 225 - 270 * value / 100, 0.82); };
    EXPECT_EQ(at(15), RoundGauge::kZoneColours[0]);
    EXPECT_EQ(at(40), RoundGauge::kZoneColours[1]);
    EXPECT_EQ(at(55), RoundGauge::kZoneColours[2]);
    EXPECT_EQ(at(90), RoundGauge::kZoneColours[2]);
}

class ChartImage : public ::testing::Test
{
protected:
    // A field of 600 x 200 drawing units: one pixel more each way.
    ChartImage() { chart.resize(601, 201); }
    void fill(double value, int samples = ChartHistory::kPositions)
    {
        for (int i = 0; i < samples; ++i)
            history.shiftAndAppend({value, 0, value, 0});
    }
    ChartHistory history;
    TrendChart chart{history, ChartHistory::Ch1};
};

TEST_F(ChartImage, TraceHeightFollowsTheScale)
{
    fill(1000);
    history.setPictureScale(ChartHistory::Ch1, 2000);
    const QImage image = render(chart);
    const QRgb red = qRgb(255, 0, 0);
    for (int x : {1, 300, 599}) {
        EXPECT_EQ(image.pixel(x, 100), red) << x;
        EXPECT_NE(image.pixel(x, 99), red) << x;
        EXPECT_NE(image.pixel(x, 101), red) << x;
    }
    // Halving the scale puts the same watts at the top edge.
    history.setPictureScale(ChartHistory::Ch1, 1000);
    EXPECT_EQ(render(chart).pixel(300, 0), red);
}

TEST_F(ChartImage, GridOfTenRowsAndElevenColumns)
{
    fill(1050);
    history.setPictureScale(ChartHistory::Ch1, 2000);
    const QImage image = render(chart);
    const QRgb grey = TrendChart::kGridColour;
    int rows = 0, columns = 0;
    for (int y = 0; y < image.height(); ++y) {
        int n = 0;
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == grey;
        rows += n > image.width() / 6;
    }
    for (int x = 0; x < image.width(); ++x) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            n += image.pixel(x, y) == grey;
        columns += n > image.height() / 6;
    }
    EXPECT_EQ(rows, 10);
    EXPECT_EQ(columns, 11);
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255));
}

} // namespace
