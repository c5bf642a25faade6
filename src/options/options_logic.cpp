#include "options/options_logic.h"

#include "common/dialogs.h"
#include "common/number_picture.h"
#include "common/rounding.h"
#include "portal/portal_address.h"
#include "portal/portal_upload.h"
#include "realtime/realtime_sample.h"
#include "realtime/renewable_figures.h"
#include "settings/settings.h"

#include <QLocale>

#include <cmath>

OptionsLogic::OptionsLogic(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
    , m_polarity(parts.sample)
{
}

std::optional<double> OptionsLogic::readNumber(const QString &text)
{
    // Group separators are refused: in a comma-decimal locale "0.126"
    // would otherwise read as 126.
    QLocale user;
    user.setNumberOptions(QLocale::RejectGroupSeparator);
    const QString t = text.trimmed();
    bool ok = false;
    double value = user.toDouble(t, &ok);
    if (!ok)
        value = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString OptionsLogic::rateText() const
{
    return formatNumber(m_parts.settings.Rate, QStringLiteral("0.0000"));
}

int OptionsLogic::databaseOption() const
{
    const QString &kind = m_parts.settings.dbtype;
    if (kind == QLatin1String("Access"))
        return 0;
    if (kind == QLatin1String("SQlite"))
        return 1;
    if (kind == QLatin1String("none"))
        return 2;
    return -1;
}

QString OptionsLogic::deviceAddressText() const
{
    return QString::number(m_parts.sample.deviceAddress);
}

QString OptionsLogic::accountAddress() const
{
    const std::optional<PortalAddress> address = parsePortalAddress(m_parts.settings.PortalHost);
    if (!address)
        return {};
    return address->text + QStringLiteral("/Monitor/monitor.php?user=") + m_parts.settings.WptUser;
}

QUrl OptionsLogic::accountUrl() const
{
    const std::optional<PortalAddress> address = parsePortalAddress(m_parts.settings.PortalHost);
    if (!address)
        return {};
    return QUrl(QStringLiteral("http://") + address->text + QStringLiteral("/Monitor/monitor.php?user=")
                + QString::fromLatin1(QUrl::toPercentEncoding(m_parts.settings.WptUser)));
}

std::array<QString, 4> OptionsLogic::energyTotals() const
{
    const RenewableFigures r = RenewableFigures::of(m_parts.sample);
    const QString kwh = QStringLiteral(" KWh");
    const QString picture = QStringLiteral("###,###.000");
    return {formatNumber(r.fromGridKWh, picture) + kwh, formatNumber(r.toGridKWh, picture) + kwh,
            formatNumber(r.solarKWh, picture) + kwh, formatNumber(r.consumedKWh, QStringLiteral("##,###.000")) + kwh};
}

bool OptionsLogic::boxState(Box box) const
{
    const Settings &s = m_parts.settings;
    switch (box) {
    case Box::StartupCom:
        return s.StartupComIsOn;
    case Box::StartupRealtime:
        return s.StartupRTLisOn;
    case Box::StartupServer:
        return s.StartupServerIsOn;
    case Box::SolarToWeb:
        return s.SolarToWeb1;
    }
    return false;
}

void OptionsLogic::databaseOptionClicked(int index)
{
    static const char *const kKinds[] = {"Access", "SQlite", "none"};
    m_parts.settings.dbtype = QString::fromLatin1(kKinds[index >= 0 && index < 2 ? index : 2]);
    m_parts.saveKeys({QStringLiteral("dbtype")});
}

void OptionsLogic::applyDatabasePaths(const QString &accessPath, const QString &sqlitePath)
{
    m_parts.settings.adbpath = accessPath;
    m_parts.settings.sqldbpath = sqlitePath;
    m_parts.saveKeys({QStringLiteral("adbpath"), QStringLiteral("sqldbpath")});
}

void OptionsLogic::commitSecondsChanged(int seconds)
{
    m_parts.settings.CommitSeconds = qMax(0, seconds);
    m_parts.saveKeys({QStringLiteral("CommitSeconds")});
}

void OptionsLogic::boxClicked(Box box, bool ticked)
{
    Settings &s = m_parts.settings;
    switch (box) {
    case Box::StartupCom:
        s.StartupComIsOn = ticked;
        m_parts.saveKeys({QStringLiteral("StartupComIsOn")});
        break;
    case Box::StartupRealtime:
        s.StartupRTLisOn = ticked;
        m_parts.saveKeys({QStringLiteral("StartupRTLisOn")});
        break;
    case Box::StartupServer:
        s.StartupServerIsOn = ticked;
        m_parts.saveKeys({QStringLiteral("StartupServerIsOn")});
        break;
    case Box::SolarToWeb:
        s.SolarToWeb1 = ticked;
        m_parts.saveKeys({QStringLiteral("SolarToWeb1")});
        break;
    }
}

OptionsLogic::Check OptionsLogic::userLeft(const QString &text)
{
    if (text.trimmed().isEmpty()) {
        m_parts.dialogs.message(QStringLiteral("User error"));
        return {false, true};
    }
    m_parts.settings.WptUser = text;
    m_parts.saveKeys({QStringLiteral("WptUser")});
    return {true, false};
}

OptionsLogic::Check OptionsLogic::triggerLeft(const QString &text, int16_t &target, int minimum,
                                              const char *notNumeric, const char *unit, const SetBoxText &setBox)
{
    const std::optional<double> value = readNumber(text);
    // The values are 16-bit: a number beyond that is no more usable than a word.
    const std::optional<int16_t> whole = value ? toInt16HalfEven(*value) : std::nullopt;
    if (!whole) {
        m_parts.dialogs.message(QString::fromLatin1(notNumeric));
        return {false, true};
    }
    if (*value < minimum) {
        target = int16_t(minimum);
        if (setBox)
            setBox(QString::number(minimum));
        m_parts.dialogs.message(QStringLiteral("Must be set above %1%2").arg(minimum).arg(QLatin1String(unit)));
        return {true, false};
    }
    target = *whole;
    return {true, false};
}

OptionsLogic::Check OptionsLogic::intervalLeft(const QString &text, const SetBoxText &setBox)
{
    return triggerLeft(text, m_parts.settings.WptThresT, kMinInterval, "Interval must be a numeric value",
                       " seconds.", setBox);
}

OptionsLogic::Check OptionsLogic::powerChangeLeft(Channel channel, const QString &text, const SetBoxText &setBox)
{
    int16_t &target = channel == Channel::Ch1 ? m_parts.settings.WptThres1 : m_parts.settings.WptThres2;
    return triggerLeft(text, target, kMinPowerChange, "This must be a numeric value", " watt.", setBox);
}

OptionsLogic::Check OptionsLogic::rateLeft(const QString &text)
{
    const std::optional<double> value = readNumber(text);
    if (!value) {
        m_parts.dialogs.message(QStringLiteral("This is not a numeric value. Re-enter the value for \"Rate\". "));
        return {false, true};
    }
    if (*value > 1) {
        const QString question = QStringLiteral(
            "You have entered a value greater than one Dollar. Are you sure your rate is this high? You can find "
            "this value on your electric bill. Would you like to keep the value of %1?")
                                     .arg(QLocale().toString(*value, 'g', 15));
        if (!m_parts.dialogs.askYesNo(question))
            return {false, true};
    }
    m_parts.settings.Rate = *value;
    m_parts.saveKeys({QStringLiteral("Rate")});
    return {true, false};
}

void OptionsLogic::done()
{
    m_parts.portal.RefreshTextBoxes();
}
