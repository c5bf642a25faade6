#include "portal/portal_upload.h"

#include "common/clock.h"
#include "common/date_picture.h"
#include "common/dialogs.h"
#include "common/program_flags.h"
#include "common/rounding.h"
#include "portal/portal_request.h"
#include "realtime/realtime_sample.h"
#include "realtime/sample_dispatch.h"
#include "settings/settings.h"

#include <cmath>
#include <stdexcept>

namespace {

// Far beyond any real reading, and small enough that differences of two
// such values cannot overflow.
constexpr double kMaxWatts = 1e15;

int64_t wholeWatts(double watts)
{
    const double whole = roundHalfEven(watts);
    if (!std::isfinite(whole) || std::fabs(whole) > kMaxWatts)
        throw std::range_error("power out of range");
    return int64_t(whole);
}

} // namespace

PortalUpload::PortalUpload(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
{
    m_postTimer.setInterval(kTickMs);
    connect(&m_postTimer, &QTimer::timeout, this, &PortalUpload::postTimerTick);
    connect(&m_sender, &PortalSender::sent, this, [this](const QString &host) {
        m_errorShown = false;
        setPortalStatus(QStringLiteral("Last post sent to %1 at %2")
                            .arg(host, formatDate(m_parts.clock.now(), QStringLiteral("hh:nn:ss"))));
    });
    connect(&m_sender, &PortalSender::failed, this, [this](const QString &host, const QString &reason) {
        setPortalStatus(QStringLiteral("Could not post to %1: %2").arg(host, reason));
        reportWriteError();
    });
}

void PortalUpload::installInto(SampleDispatch &dispatch)
{
    dispatch.addStep(QStringLiteral("Wpt"), [this](const RealtimeSample &s) {
        if (m_parts.settings.WptWriteEnable)
            Wpt(s);
    });
}

void PortalUpload::Wpt(const RealtimeSample &sample)
{
    try {
        decide(sample);
    } catch (const std::exception &) {
        reportWriteError();
    }
}

void PortalUpload::loadChanged()
{
    m_forcePost = true;
    // A load switched between samples posts the latest one.
    Wpt(m_parts.sample);
}

void PortalUpload::decide(const RealtimeSample &s)
{
    if (!m_postTimer.isActive())
        m_postTimer.start();
    m_statusBox.show(QStringLiteral("Real-Time Data Started"), StatusBox::Colour::Good);

    const std::array<int64_t, 2> power{wholeWatts(s.p1), wholeWatts(s.p2)};
    const std::array<int, 2> threshold{m_parts.settings.WptThres1, m_parts.settings.WptThres2};
    bool writeToServer = false;
    int source = 0;

    for (int i = 0; i < 2; ++i) {
        Channel &ch = m_ch[i];
        ch.postDelta = 0;
        ch.delta = ch.history[0] - power[i];
        if (std::abs(ch.delta) > threshold[i]) {
            ch.armed = true;
        } else if (ch.armed) {
            ch.triggered = true;
            ch.armed = false;
            source = i == 0 ? PostListModel::ByCh1 : PostListModel::ByCh2;
        }
    }

    if (m_intervalElapsed) {
        m_intervalElapsed = false;
        // An interval that ends while a channel is still changing is used up
        // without a post: the settled value will be posted soon enough.
        if (!m_ch[0].armed && !m_ch[1].armed) {
            writeToServer = true;
            source |= PostListModel::ByTimeOut;
        }
    }

    for (int i = 0; i < 2; ++i) {
        Channel &ch = m_ch[i];
        if (!ch.triggered)
            continue;
        ch.postDelta = swing(ch, power[i]);
        ch.triggered = false;
        writeToServer = true;
        std::fill(ch.history.begin() + 1, ch.history.end(), power[i]);
    }

    for (int i = 0; i < 2; ++i) {
        std::array<int64_t, kHistory> &h = m_ch[i].history;
        std::copy_backward(h.begin(), h.end() - 1, h.end());
        h[0] = power[i];
    }

    if (!writeToServer && !m_forcePost)
        return;
    m_forcePost = false;
    addRow(s, source);
    send();
}

int64_t PortalUpload::swing(const Channel &ch, int64_t now)
{
    int64_t largest = 0, smallest = now;
    int largestSlot = 0, smallestSlot = 0;
    for (int slot = 0; slot < kHistory; ++slot) {
        const int64_t v = ch.history[slot];
        if (v == 0)
            continue;
        if (v > largest) {
            largest = v;
            largestSlot = slot;
        }
        if (v < smallest) {
            smallest = v;
            smallestSlot = slot;
        }
    }
    const int64_t swing = largest - smallest;
    return smallestSlot < largestSlot ? -swing : swing;
}

void PortalUpload::addRow(const RealtimeSample &s, int source)
{
    m_posts.addRow(m_posts.makeRow(m_parts.clock.now(),
                                   {double(source), double(m_ch[0].postDelta), double(m_ch[1].postDelta), s.p1, s.p2,
                                    s.Volt, s.ch1Total() / 3600.0 / 1000.0, s.ch2Total() / 3600.0 / 1000.0,
                                    double(s.Amp1), double(s.Amp2)}));
    emit posted();
}

void PortalUpload::send()
{
    const Settings &settings = m_parts.settings;
    const std::optional<PortalAddress> address = parsePortalAddress(settings.PortalHost);
    if (!address) {
        m_sender.close();
        setPortalStatus(QString::fromLatin1(kNoAddress));
        return;
    }
    // The figures, user and loads of the moment the connection stands.
    m_sender.post(*address, [this, host = address->text] {
        const Settings &now = m_parts.settings;
        return PortalRequest(m_parts.sample, m_parts.clock.now(), host, now.WptUser, now.LoadStatus);
    });
}

void PortalUpload::postTimerTick()
{
    if (!m_parts.flags.realtimeActive)
        m_postTimer.stop();
    if (++m_intervalSeconds >= m_parts.settings.WptThresT) {
        m_intervalSeconds = 0;
        m_intervalElapsed = true;
    }
}

void PortalUpload::setWriteEnable(bool on)
{
    m_parts.settings.WptWriteEnable = on;
    m_parts.saveKeys({QStringLiteral("WptWriteEnable")});
}

bool PortalUpload::writeEnabled() const
{
    return m_parts.settings.WptWriteEnable;
}

void PortalUpload::clearListClicked()
{
    if (m_parts.dialogs.askYesNo(QStringLiteral("Are you sure you want to remove all displayed records from list?")))
        m_posts.clear();
}

void PortalUpload::RefreshTextBoxes()
{
    if (m_parts.flags.realtimeActive)
        m_statusBox.show(QStringLiteral("Real-Time Data Started"), StatusBox::Colour::Good);
    else
        m_statusBox.show(QStringLiteral("Real-Time Data Stopped"), StatusBox::Colour::Bad);
    const Settings &s = m_parts.settings;
    m_textBoxes = {s.WptUser, QString::number(s.WptThresT), QString::number(s.WptThres1), QString::number(s.WptThres2)};
    if (m_portalStatus.isEmpty() || m_portalStatus == QLatin1String(kNoAddress)) {
        const std::optional<PortalAddress> address = parsePortalAddress(s.PortalHost);
        setPortalStatus(address ? QStringLiteral("Posts go to %1").arg(address->text) : QString::fromLatin1(kNoAddress));
    }
    emit textBoxesRefreshed();
}

void PortalUpload::showRealtimeState(bool active)
{
    if (active)
        m_statusBox.show(QStringLiteral("Real-Time Data Active"), StatusBox::Colour::Good);
    else
        m_statusBox.show(QStringLiteral("Real-Time Data Stopped"), StatusBox::Colour::Bad);
}

void PortalUpload::close()
{
    m_sender.close();
}

void PortalUpload::setPortalStatus(const QString &text)
{
    if (text == m_portalStatus)
        return;
    m_portalStatus = text;
    emit portalStatusChanged(text);
}

void PortalUpload::reportWriteError()
{
    if (m_errorShown)
        return;
    m_errorShown = true;
    // Shown from the event loop, not from inside the sample's dispatch or
    // the socket's signal: a box's own loop must not run into either.
    QTimer::singleShot(0, this, [this] { m_parts.dialogs.message(QString::fromLatin1(kWriteError)); });
}
