#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// Every persisted setting and the counters' recovery state, with the
// defaults a first run gets.
struct Settings
{
    int16_t ComPort = 1;
    uint8_t ZigbeeVersion = 0; // 0 none, 8 USB cable, 1/2/3 radio generations
    double Rate = 0.126;
    QString dbtype = "none";
    QString adbpath = "c:/program files/pilot4400/qmn4400.mdb";
    QString sqldbpath = "c:/program files/pilot4400/qmn4400.db";
    int16_t netdockPort = 8085;
    bool StartupComIsOn = false;
    bool StartupRTLisOn = false;
    bool StartupServerIsOn = false;
    bool SolarToWeb1 = false;
    double PreResetVal1 = 0, PreResetVal2 = 0, PreResetValP1 = 0, PreResetValP2 = 0;
    double E1B = 0, E2B = 0, E1BP = 0, E2BP = 0;
    double QMNresetCount = 0;
    int32_t QMNCounter = 0;
    int16_t LoadStatus = 0;
    int16_t WptThresT = 60, WptThres1 = 60, WptThres2 = 60;
    QString WptUser = "****";
    bool WptWriteEnable = false;
    double Interval = 0;
    QString SupportUrl;
    bool StartupNetDockIsOn = false;
    QString PortalHost; // web portal address, "host" or "host:port"; empty sends nothing
    // [recording]: seconds between SQLite commits; 0 writes every sample at once.
    int32_t CommitSeconds = 0;
};

namespace SettingsKeys {
// The keys start-up reads, in its order.
QStringList startupKeys();
// The keys the periodic save writes, in its order.
QStringList recoveryKeys();
// The keys the exit writes, in its order (Rate twice, as it always has).
QStringList exitKeys();
// The keys of the [recording] section.
QStringList recordingKeys();
// Every key, under the spelling it is written with.
QStringList allKeys();
}
