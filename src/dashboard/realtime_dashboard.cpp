#include "dashboard/realtime_dashboard.h"

#include "common/clock.h"
#include "common/date_picture.h"
#include "common/number_picture.h"
#include "common/program_flags.h"
#include "common/rounding.h"
#include "common/status_list.h"
#include "realtime/realtime_sample.h"
#include "realtime/sample_dispatch.h"

#include <QLoggingCategory>

#include <cmath>
#include <stdexcept>

Q_LOGGING_CATEGORY(lcDashboard, "qmn.dashboard")

namespace {

// Whole watts, 64 bits wide: a total above 32,767 W is an ordinary house
// in winter, not an error.
int64_t wholeWatts(double watts)
{
    const double w = roundHalfEven(watts);
    if (!std::isfinite(w) || std::fabs(w) > 1e15)
        throw std::range_error("power out of range");
    return int64_t(w);
}

// The meter shows the last ten digits of the watt-hours, as a mechanical
// register turns over.
QString odometerDigits(double kwh)
{
    QString text = formatNumber(kwh * 1000.0, QStringLiteral("0000000000"), QLocale::c());
    if (text.isEmpty())
        throw std::range_error("energy out of range");
    return text.remove(QLatin1Char('-')).right(10);
}

// The next round scale above a value: its first digit plus one, followed by
// zeros (1234 gives 2000, 950 gives 1000, 9999 gives 10000).
double roundScaleAbove(int64_t value)
{
    int64_t power = 1;
    while (value / power >= 10)
        power *= 10;
    return double((value / power + 1) * power);
}

double tenths(float amps)
{
    return std::round(double(amps) * 10.0) / 10.0;
}

// Power gauges' zones: each limit is its fixed value while the scale is
// above it, otherwise one derived from the scale.
struct ZoneLimits
{
    double b1Start, b1End, b2End, b3Start;
    double b2Shift, b3Shift;
};
constexpr ZoneLimits kChannelZones{100, 800, 2400, 2400, 2, 1};
constexpr ZoneLimits kTotalZones{300, 1400, 5400, 5400, 6, 4};

constexpr double kDesignedMax[] = {3000, 3000, 6000};

QString chartName(ChartHistory::Chart chart)
{
    switch (chart) {
    case ChartHistory::Ch1:
        return QStringLiteral("CH1 power");
    case ChartHistory::Ch2:
        return QStringLiteral("CH2 power");
    case ChartHistory::Total:
        return QStringLiteral("Total power");
    default:
        return QStringLiteral("the line voltage");
    }
}

} // namespace

RealtimeDashboard::RealtimeDashboard(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
    , m_status(QString::fromLatin1(kOff), StatusBox::Colour::Bad)
{
    resetWindowContent();
    connect(&parts.realtimeBox, &StatusBox::changed, this, [this] {
        if (!m_parts.flags.realtimeActive)
            showRealtimeState();
    });
}

void RealtimeDashboard::installInto(SampleDispatch &dispatch)
{
    dispatch.addStep(QStringLiteral("DoDash"), [this](const RealtimeSample &s) { DoDash(s); });
}

void RealtimeDashboard::resetWindowContent()
{
    static const char *const kPowerTexts[] = {"CH1 Power", "CH2 Power", "TOT Power"};
    static const char *const kGaugeTexts[] = {"CH1 W", "CH2 W", "TOT W", "", "CH1 A", "CH2 A", "TOT A"};
    for (int g = 0; g < GaugeCount; ++g) {
        m_gauges[g] = GaugeState();
        m_gauges[g].GaugeText = QString::fromLatin1(kGaugeTexts[g]);
    }
    for (int c = 0; c < ChannelCount; ++c) {
        m_gauges[c].GaugeMax = kDesignedMax[c];
        setPowerZones(Gauge(c));
        m_odometers[c].clear();
        m_powerTexts[c] = QString::fromLatin1(kPowerTexts[c]);
    }
    GaugeState &volt = m_gauges[AL4];
    volt.GaugeMin = 90;
    volt.GaugeMax = 135;
    volt.GaugeValue = 90;
    volt.setBands({105, 125}, {125, 130}, {130, 135});
    for (Gauge g : {AS1, AS2})
        m_gauges[g].setBands({0, 20}, {20, 30}, {30, (m_gauges[g].GaugeMax = 60)});
    m_gauges[AS3].setBands({0, 40}, {40, 60}, {60, (m_gauges[AS3].GaugeMax = 100)});
    m_voltText.clear();
    for (QString &t : m_minMaxTexts)
        t.clear();
    m_shownExtremes.fill({qQNaN(), qQNaN()});
    m_shownDate = QDate();
    m_dateText.clear();
    m_timeText.clear();
    m_charts.clear();
    for (int c = 0; c < ChartHistory::Voltage; ++c)
        m_charts.setPictureScale(ChartHistory::Chart(c), m_gauges[c].GaugeMax);
    m_charts.setPictureScale(ChartHistory::Voltage, volt.GaugeMax);
    showRealtimeState();
    emit updated();
}

void RealtimeDashboard::showRealtimeState()
{
    if (m_parts.flags.realtimeActive)
        m_status.show(QString::fromLatin1(kOn), StatusBox::Colour::Good);
    else
        m_status.show(QString::fromLatin1(kOff), StatusBox::Colour::Bad);
}

void RealtimeDashboard::DoDash(const RealtimeSample &sample) noexcept
{
    try {
        update(sample);
    } catch (const std::exception &e) {
        qCDebug(lcDashboard) << "update abandoned:" << e.what();
    } catch (...) {
        qCDebug(lcDashboard) << "update abandoned";
    }
    emit updated();
}

void RealtimeDashboard::update(const RealtimeSample &s)
{
    if (!m_parts.flags.realtimeActive) {
        showRealtimeState();
        return;
    }
    showRealtimeState();

    const int64_t power[ChannelCount] = {wholeWatts(s.p1), wholeWatts(s.p2), wholeWatts(s.p1) + wholeWatts(s.p2)};
    const float volt = float(s.Volt);
    if (!std::isfinite(volt))
        throw std::range_error("voltage out of range");
    const double amps[ChannelCount] = {tenths(s.Amp1), tenths(s.Amp2), tenths(s.Amp1 + s.Amp2)};
    const QString odometers[ChannelCount] = {odometerDigits(s.KWh1), odometerDigits(s.KWh2),
                                             odometerDigits(s.KWh1 + s.KWh2)};
    const QLocale locale;
    QString ampTexts[ChannelCount];
    for (int c = 0; c < ChannelCount; ++c)
        ampTexts[c] = formatNumber(amps[c], QStringLiteral("###.0"), locale) + QLatin1Char('A');

    for (int c = 0; c < ChannelCount; ++c) {
        m_odometers[c] = odometers[c];
        rangeUp(m_gauges[c], power[c]);
        m_gauges[c].GaugeValue = double(power[c]);
        m_gauges[AS1 + c].GaugeValue = amps[c];
        m_gauges[AS1 + c].GaugeText = ampTexts[c];
    }
    m_gauges[AL4].GaugeValue = volt;

    // The picture is drawn on the scales as they stand now, then the sample
    // joins the history: it shows at the right edge from the next update on.
    for (int c = 0; c < ChannelCount; ++c)
        m_charts.setPictureScale(ChartHistory::Chart(c), m_gauges[c].GaugeMax);
    m_charts.setPictureScale(ChartHistory::Voltage, 135);
    m_charts.shiftAndAppend({double(power[Ch1]), double(power[Ch2]), double(power[Total]), double(volt)});

    for (int c = 0; c < ChannelCount; ++c) {
        rangeDown(m_gauges[c], m_charts.maximum(ChartHistory::Chart(c)));
        setPowerZones(Gauge(c));
    }
    GaugeState &v = m_gauges[AL4];
    v.GaugeMax = 135;
    v.GaugeMin = 90;
    v.setBands({105, 125}, {125, 130}, {130, v.GaugeMax});

    const QDateTime now = m_parts.clock.now();
    if (now.date() != m_shownDate) {
        m_shownDate = now.date();
        m_dateText = formatDate(now, QStringLiteral("ddd,mmm,dd,yyyy"), locale);
    }
    m_timeText = formatDate(now, QStringLiteral("hh:nn:ss"), locale);
    static const char *const kPowerLabels[] = {" CH1 Power: ", " CH2 Power: ", " TOT Power: "};
    for (int c = 0; c < ChannelCount; ++c) {
        setMinMaxText(ChartHistory::Chart(c), QStringLiteral("##,##0"), QStringLiteral(" W"));
        m_powerTexts[c] = QString::fromLatin1(kPowerLabels[c]) + QString::number(power[c]) + QStringLiteral(" W");
    }
    m_voltText = QStringLiteral(" Volt: ") + formatNumber(volt, QStringLiteral("###.0"), locale) + QStringLiteral(" V");
    setMinMaxText(ChartHistory::Voltage, QStringLiteral("###.0"), QStringLiteral(" V"));
}

void RealtimeDashboard::setMinMaxText(ChartHistory::Chart chart, const QString &picture, const QString &unit)
{
    const std::pair<double, double> extremes{m_charts.minimum(chart), m_charts.maximum(chart)};
    if (extremes == m_shownExtremes[chart] && !m_minMaxTexts[chart].isEmpty())
        return;
    m_shownExtremes[chart] = extremes;
    const QLocale locale;
    m_minMaxTexts[chart] = QStringLiteral("Min: ") + formatNumber(extremes.first, picture, locale) + unit +
                           QStringLiteral("       Max: ") + formatNumber(extremes.second, picture, locale) + unit;
}

void RealtimeDashboard::rangeUp(GaugeState &g, int64_t value)
{
    if (g.GaugeMax < double(value))
        g.GaugeMax = roundScaleAbove(value);
}

void RealtimeDashboard::rangeDown(GaugeState &g, double chartMax)
{
    // Without a floor an idle channel would halve its scale to nothing.
    if (g.GaugeMax > 2 * chartMax)
        g.GaugeMax = std::max(g.GaugeMax / 2, kMinScale);
}

void RealtimeDashboard::setPowerZones(Gauge gauge)
{
    GaugeState &g = m_gauges[gauge];
    const ZoneLimits &z = gauge == AL3 ? kTotalZones : kChannelZones;
    const double m = g.GaugeMax;
    const auto limit = [m](double fixed, double otherwise) { return m > fixed ? fixed : otherwise; };
    g.setBands({limit(z.b1Start, m), limit(z.b1End, m)}, {limit(z.b1End, m - z.b2Shift), limit(z.b2End, m)},
               {limit(z.b3Start, m - z.b3Shift), m});
}

QString RealtimeDashboard::chartToolTip(ChartHistory::Chart chart)
{
    const QString minutes = formatNumber(ChartHistory::kPointCount / 60.0, QStringLiteral("###.#"));
    const QString what = chart == ChartHistory::Voltage ? QStringLiteral("voltage") : QStringLiteral("power");
    return QStringLiteral("This chart displays ") + chartName(chart) + QStringLiteral(" and covers a period of ") +
           minutes + QStringLiteral(" minutes of real-time ") + what + QLatin1Char('.');
}

QString RealtimeDashboard::minMaxToolTip(ChartHistory::Chart chart)
{
    if (chart == ChartHistory::Voltage)
        return QStringLiteral("These are the minimum and maximum voltage values (Volt) representing only the range "
                              "displayed on the chart.");
    return QStringLiteral("These are the minimum and maximum power values (Watt) representing only the range "
                          "displayed on the chart.");
}
