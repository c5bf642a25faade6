#pragma once

#include "options/energy_direction_probe.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <array>
#include <functional>
#include <optional>

class Dialogs;
class PortalUpload;
struct RealtimeSample;
struct Settings;

// What the options window does, without its widgets: each field's check
// when it is left and what it writes to the shared settings, the energy
// totals and the CH1 polarity test. The window holds nothing of its own.
class OptionsLogic : public QObject
{
    Q_OBJECT
public:
    using SaveKeys = std::function<void(const QStringList &keys)>;
    using SetBoxText = std::function<void(const QString &text)>;

    struct Parts
    {
        Settings &settings;
        const RealtimeSample &sample;
        Dialogs &dialogs;
        PortalUpload &portal;
        SaveKeys saveKeys;
    };
    // The outcome of leaving a checked box: whether its value was taken,
    // and whether focus goes back to the box.
    struct Check
    {
        bool accepted = false;
        bool refocus = false;
    };
    enum class Box { StartupCom, StartupRealtime, StartupServer, SolarToWeb };
    enum class Channel { Ch1 = 1, Ch2 = 2 };

    static constexpr int kMinInterval = 10;
    static constexpr int kMinPowerChange = 40;

    explicit OptionsLogic(const Parts &parts, QObject *parent = nullptr);

    // A number typed by the user: in the user's locale (without grouping),
    // or with a point as decimal mark whatever the locale.
    static std::optional<double> readNumber(const QString &text);

    // What the window shows when it opens.
    QString rateText() const;
    // The option index of `dbtype`: 0 Access, 1 SQlite, 2 none, -1 none of these.
    int databaseOption() const;
    QString deviceAddressText() const;
    // The account page: "<PortalHost>/Monitor/monitor.php?user=<user>",
    // empty without a portal address.
    QString accountAddress() const;
    QUrl accountUrl() const;
    // "Energy Received from PoCo:", "Energy Sold to PoCo:", "Total Generated
    // Energy:" and "Total Energy Consumed:", each with " KWh".
    std::array<QString, 4> energyTotals() const;
    bool boxState(Box box) const;

    // Clicks, saved at once.
    void databaseOptionClicked(int index);
    void applyDatabasePaths(const QString &accessPath, const QString &sqlitePath);
    // Seconds between the SQLite commits, 0 to write every sample at once.
    void commitSecondsChanged(int seconds);
    void boxClicked(Box box, bool ticked);

    // Boxes left. `setBox` changes the box's text where the check corrects it.
    Check userLeft(const QString &text);
    Check intervalLeft(const QString &text, const SetBoxText &setBox = {});
    Check powerChangeLeft(Channel channel, const QString &text, const SetBoxText &setBox = {});
    Check rateLeft(const QString &text);

    // "Done": the web window shows the new account and trigger values.
    void done();

    EnergyDirectionProbe &polarity() { return m_polarity; }
    const Settings &settings() const { return m_parts.settings; }

private:
    // A whole-number trigger value with its lower limit; nothing on a
    // refusal.
    Check triggerLeft(const QString &text, int16_t &target, int minimum, const char *notNumeric, const char *unit,
                      const SetBoxText &setBox);

    Parts m_parts;
    EnergyDirectionProbe m_polarity;
};
