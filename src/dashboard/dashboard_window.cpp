#include "dashboard/dashboard_window.h"

#include "common/status_box_widget.h"
#include "dashboard/odometer_widget.h"
#include "dashboard/round_gauge_widget.h"
#include "dashboard/trend_chart_widget.h"
#include "realtime/realtime_control.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <qcoro/qcorotask.h>

namespace {

struct PanelLook
{
    const char *title;
    QColor text;
    const char *quantity;
};

// The panels in the order of the charts: CH1, CH2, total, voltage.
const PanelLook kPanels[ChartHistory::ChartCount] = {
    {"House Panel Only", QColor(192, 0, 0), "CH1"},
    {"Sub Panel Only", QColor(0, 0, 192), "CH2"},
    {"Total both Panels", QColor(0, 192, 0), "Total"},
    {"Volt Meter", QColor(128, 128, 128), "Voltage"},
};

void colourText(QWidget *w, const QColor &colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    w->setPalette(p);
}

QLabel *readout(QWidget *parent, const QColor &colour)
{
    auto *label = new QLabel(parent);
    colourText(label, colour);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAutoFillBackground(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

DashboardWindow::DashboardWindow(RealtimeDashboard &dashboard, RealtimeControl &realtime, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_dashboard(dashboard)
    , m_realtime(realtime)
{
    setObjectName(QStringLiteral("DashboardWindow"));
    setWindowTitle(QStringLiteral("Real-Time Dashboard"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto *layout = new QVBoxLayout(this);
    auto *strip = new QHBoxLayout;
    auto *start = new QPushButton(QStringLiteral("Start Real-Time"), this);
    connect(start, &QPushButton::clicked, this, [this] { m_realtime.MnuStartRTL_Click(); });
    auto *status = new StatusBoxWidget(dashboard.statusBox(), this);
    // A label's accessible name is its text, which is what a screen reader
    // must say; what each readout is goes in its description.
    status->setAccessibleDescription(QStringLiteral("Real-time state"));
    status->setMinimumWidth(status->fontMetrics().horizontalAdvance(QLatin1String(RealtimeDashboard::kOff)) * 3 / 2);
    m_status = status;
    auto *hide = new QPushButton(QStringLiteral("Hide"), this);
    connect(hide, &QPushButton::clicked, this, &QWidget::hide);
    m_date = new QLabel(this);
    m_date->setAccessibleDescription(QStringLiteral("Date"));
    m_time = new QLabel(this);
    m_time->setAccessibleDescription(QStringLiteral("Time"));
    strip->addWidget(start);
    strip->addWidget(status);
    strip->addWidget(hide);
    strip->addStretch();
    strip->addWidget(m_date);
    strip->addSpacing(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 2);
    strip->addWidget(m_time);
    layout->addLayout(strip);

    auto *panels = new QGridLayout;
    for (int panel = 0; panel < ChartHistory::ChartCount; ++panel)
        panels->addWidget(buildPanel(panel), panel / 2, panel % 2);
    layout->addLayout(panels, 1);

    m_refresh.setSingleShot(true);
    m_refresh.setInterval(0);
    connect(&m_refresh, &QTimer::timeout, this, &DashboardWindow::refresh);
    connect(&dashboard, &RealtimeDashboard::updated, this, &DashboardWindow::scheduleRefresh);
    refresh();

    QSize size = sizeHint();
    if (const QScreen *s = screen())
        size = size.boundedTo(s->availableGeometry().size());
    resize(size);
}

QWidget *DashboardWindow::buildPanel(int panel)
{
    const PanelLook &look = kPanels[panel];
    const auto chart = ChartHistory::Chart(panel);
    auto *box = new QGroupBox(QString::fromLatin1(look.title), this);
    colourText(box, look.text);
    auto *v = new QVBoxLayout(box);

    auto *gauges = new QHBoxLayout;
    const auto large = RealtimeDashboard::Gauge(RealtimeDashboard::AL1 + panel);
    m_gauges[large] = new RoundGauge(m_dashboard.gauge(large), 11, box);
    m_gauges[large]->setAccessibleName(
        QString::fromLatin1(look.quantity) + (chart == ChartHistory::Voltage ? " gauge" : " power gauge"));
    gauges->addWidget(m_gauges[large], 3);
    if (chart != ChartHistory::Voltage) {
        const auto c = RealtimeDashboard::Channel(panel);
        const auto small = RealtimeDashboard::Gauge(RealtimeDashboard::AS1 + panel);
        m_gauges[small] = new RoundGauge(m_dashboard.gauge(small), 7, box);
        m_gauges[small]->setAccessibleName(QString::fromLatin1(look.quantity) + " current gauge");
        gauges->addWidget(m_gauges[small], 2, Qt::AlignBottom);
        v->addLayout(gauges, 3);

        auto *row = new QHBoxLayout;
        m_odometers[c] = new Odometer([this, c] { return m_dashboard.odometer(c); }, box);
        m_odometers[c]->setAccessibleName(QString::fromLatin1(look.quantity) + " energy");
        m_powerBoxes[c] = readout(box, look.text);
        row->addWidget(m_odometers[c]);
        row->addWidget(m_powerBoxes[c], 1);
        v->addLayout(row);
    } else {
        v->addLayout(gauges, 3);
        m_voltBox = readout(box, look.text);
        m_voltBox->setAccessibleDescription(QStringLiteral("Voltage"));
        v->addWidget(m_voltBox);
    }

    m_charts[chart] = new TrendChart(m_dashboard.charts(), chart, box);
    m_charts[chart]->setToolTip(RealtimeDashboard::chartToolTip(chart));
    m_charts[chart]->setAccessibleName(QString::fromLatin1(look.quantity) + " chart");
    v->addWidget(m_charts[chart], 2);
    m_minMaxBoxes[chart] = readout(box, look.text);
    m_minMaxBoxes[chart]->setToolTip(RealtimeDashboard::minMaxToolTip(chart));
    m_minMaxBoxes[chart]->setAccessibleDescription(QString::fromLatin1(look.quantity) + " chart minimum and maximum");
    // Room for the widest figures, so the box does not jump as they grow.
    m_minMaxBoxes[chart]->setMinimumWidth(
        fontMetrics().horizontalAdvance(QStringLiteral("Min: 88,888 W       Max: 88,888 W")) * 11 / 10);
    v->addWidget(m_minMaxBoxes[chart]);
    return box;
}

void DashboardWindow::scheduleRefresh()
{
    // A hidden window does nothing per sample; showing it catches up.
    if (isVisible() && !m_refresh.isActive())
        m_refresh.start();
}

void DashboardWindow::refresh()
{
    for (int c = 0; c < RealtimeDashboard::ChannelCount; ++c) {
        m_powerBoxes[c]->setText(m_dashboard.powerText(RealtimeDashboard::Channel(c)));
        m_odometers[c]->refresh();
    }
    m_voltBox->setText(m_dashboard.voltText());
    for (int c = 0; c < ChartHistory::ChartCount; ++c) {
        m_minMaxBoxes[c]->setText(m_dashboard.minMaxText(ChartHistory::Chart(c)));
        m_charts[c]->refresh();
    }
    for (RoundGauge *g : m_gauges)
        g->refresh();
    m_date->setText(m_dashboard.dateText());
    m_time->setText(m_dashboard.timeText());
}

void DashboardWindow::showEvent(QShowEvent *event)
{
    refresh();
    QWidget::showEvent(event);
}

void DashboardWindow::closeEvent(QCloseEvent *event)
{
    m_dashboard.resetWindowContent();
    event->accept();
}
