// qmn-monitor-sim: a simulated QMN-4400 monitor on a pseudo-terminal, for
// trying the program without the hardware.

#include "monitor_sim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

bool fail(const QString &message)
{
    err() << "qmn-monitor-sim: " << message << Qt::endl;
    return false;
}

// "1000:200,1500:-300" -> (1000, 200), (1500, -300)
bool parseSteps(const QString &text, QList<ChannelModel::PowerPair> *steps)
{
    for (const QString &item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(QLatin1Char(':'));
        bool ok1 = false;
        bool ok2 = false;
        if (parts.size() != 2)
            return false;
        steps->append({parts[0].toDouble(&ok1), parts[1].toDouble(&ok2)});
        if (!ok1 || !ok2)
            return false;
    }
    return !steps->isEmpty();
}

bool configure(const QCommandLineParser &args, MonitorSim &sim)
{
    auto number = [&](const QString &name, double fallback, double *value) {
        bool ok = true;
        *value = args.isSet(name) ? args.value(name).toDouble(&ok) : fallback;
        return ok || fail(QStringLiteral("--%1 needs a number").arg(name));
    };
    double period = 0, volt = 0, p1 = 0, p2 = 0, dayMinutes = 0, dayStart = 0, stepPackets = 0, seconds = 0, address = 0;
    const bool solar = args.value(QStringLiteral("profile")) == QLatin1String("solar");
    if (!number(QStringLiteral("period"), 1000, &period) || !number(QStringLiteral("volt"), 120.0, &volt)
        || !number(QStringLiteral("p1"), solar ? 3000 : 1200, &p1)
        || !number(QStringLiteral("p2"), solar ? 800 : 300, &p2)
        || !number(QStringLiteral("day-minutes"), 10, &dayMinutes)
        || !number(QStringLiteral("day-start"), 0, &dayStart)
        || !number(QStringLiteral("step-packets"), 10, &stepPackets)
        || !number(QStringLiteral("seconds"), 1000, &seconds)
        || !number(QStringLiteral("address"), 1, &address))
        return false;
    if (period < 1 || volt <= 0 || volt > 3276.7)
        return fail(QStringLiteral("--period must be at least 1 ms and --volt between 0 and 3276.7"));

    sim.setPeriodMs(int(period));
    ChannelModel &model = sim.model();
    model.setVoltage(volt);
    model.setSecondsStart(quint32(seconds));
    model.setAddress(quint16(address));

    const QString profile = args.value(QStringLiteral("profile"));
    if (profile == QLatin1String("constant")) {
        model.setConstant(p1, p2);
    } else if (profile == QLatin1String("steps")) {
        QList<ChannelModel::PowerPair> steps;
        if (!parseSteps(args.value(QStringLiteral("steps")), &steps))
            return fail(QStringLiteral("--steps needs a list like 1000:200,1500:-300"));
        model.setSteps(steps, int(stepPackets));
    } else if (solar) {
        model.setSolar(p1, p2, qint64(dayMinutes * 60000));
        model.setDayStartHour(dayStart);
    } else {
        return fail(QStringLiteral("unknown --profile %1").arg(profile));
    }

    sim.setStreamFromStart(args.isSet(QStringLiteral("stream")));
    if (args.isSet(QStringLiteral("dongle"))) {
        const int generation = args.value(QStringLiteral("dongle")).toInt();
        if (generation < 1 || generation > 3)
            return fail(QStringLiteral("--dongle takes 1, 2 or 3"));
        sim.setDongle(generation);
    }
    sim.setDongleSilent(args.isSet(QStringLiteral("dongle-silent")));
    if (args.isSet(QStringLiteral("dongle-silent")) && !args.isSet(QStringLiteral("dongle")))
        sim.setDongle(1);
    const QString probe = args.value(QStringLiteral("probe"));
    if (probe == QLatin1String("silent"))
        sim.setProbeAnswer(MonitorSim::ProbeAnswer::Silent);
    else if (probe == QLatin1String("packet"))
        sim.setProbeAnswer(MonitorSim::ProbeAnswer::PacketByte);
    else if (!probe.isEmpty() && probe != QLatin1String("normal"))
        return fail(QStringLiteral("--probe takes normal, silent or packet"));
    if (args.isSet(QStringLiteral("block-bytes"))) {
        bool ok = false;
        const int bytes = args.value(QStringLiteral("block-bytes")).toInt(&ok);
        if (!ok || bytes < 0 || bytes > 256)
            return fail(QStringLiteral("--block-bytes takes 0 to 256"));
        sim.device().setBlockLength(bytes);
    }
    if (args.isSet(QStringLiteral("logger-records"))) {
        bool ok = false;
        const int records = args.value(QStringLiteral("logger-records")).toInt(&ok);
        if (!ok || records < 0 || records > 65000)
            return fail(QStringLiteral("--logger-records takes 0 to 65000"));
        sim.logger().fillDay(records);
    }
    if (args.isSet(QStringLiteral("pointer-bytes"))) {
        bool ok = false;
        const int bytes = args.value(QStringLiteral("pointer-bytes")).toInt(&ok);
        if (!ok || bytes < 0 || bytes > 16)
            return fail(QStringLiteral("--pointer-bytes takes 0 to 16"));
        sim.logger().setAnswerLength(SimLogger::Answer::Pointer, bytes);
    }
    const QStringList noAck = args.values(QStringLiteral("no-ack"));
    sim.setUnacknowledged(QSet<QString>(noAck.begin(), noAck.end()));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qmn-monitor-sim"));

    QCommandLineParser args;
    args.setApplicationDescription(QStringLiteral(
        "Simulated QMN-4400 monitor on a pseudo-terminal. The first line on stdout names the port."));
    args.addHelpOption();
    args.addOptions({
        {QStringLiteral("period"), QStringLiteral("Milliseconds between packets (default 1000)."), QStringLiteral("ms")},
        {QStringLiteral("profile"), QStringLiteral("constant, steps or solar (default constant)."), QStringLiteral("name"), QStringLiteral("constant")},
        {QStringLiteral("p1"), QStringLiteral("CH1 power in W (solar: peak solar power, default 3000)."), QStringLiteral("W")},
        {QStringLiteral("p2"), QStringLiteral("CH2 power in W, negative exports (solar: house load, default 800)."), QStringLiteral("W")},
        {QStringLiteral("steps"), QStringLiteral("Power list for the steps profile, e.g. 1000:200,1500:-300."), QStringLiteral("list")},
        {QStringLiteral("step-packets"), QStringLiteral("Packets per step (default 10)."), QStringLiteral("n")},
        {QStringLiteral("day-start"), QStringLiteral("Hour of the solar day at the first packet (default 0)."), QStringLiteral("hour")},
        {QStringLiteral("day-minutes"), QStringLiteral("Length of the solar profile's day (default 10)."), QStringLiteral("min")},
        {QStringLiteral("volt"), QStringLiteral("Line voltage (default 120.0)."), QStringLiteral("V")},
        {QStringLiteral("seconds"), QStringLiteral("Starting seconds counter (default 1000)."), QStringLiteral("s")},
        {QStringLiteral("address"), QStringLiteral("Device address (default 1)."), QStringLiteral("n")},
        {QStringLiteral("stream"), QStringLiteral("Stream packets from the start, without waiting for PLR.")},
        {QStringLiteral("dongle"), QStringLiteral("Play a radio dongle of generation 1, 2 or 3."), QStringLiteral("gen")},
        {QStringLiteral("dongle-silent"), QStringLiteral("A radio dongle that never answers.")},
        {QStringLiteral("probe"), QStringLiteral("Answer to the probe: normal, silent or packet."), QStringLiteral("mode")},
        {QStringLiteral("no-ack"), QStringLiteral("Never acknowledge this command (repeatable)."), QStringLiteral("cmd")},
        {QStringLiteral("block-bytes"), QStringLiteral("Bytes of the settings block answered to RCV (default 33)."), QStringLiteral("n")},
        {{QStringLiteral("v"), QStringLiteral("verbose")}, QStringLiteral("Also log every value byte received after a command.")},
        {QStringLiteral("pointer-bytes"), QStringLiteral("Bytes of the logger's fill pointer answer (default 3): fewer cut it short, more add stray bytes."), QStringLiteral("n")},
        {QStringLiteral("logger-records"), QStringLiteral("Fill the data logger with n records of a day at 5 minutes."), QStringLiteral("n")},
        {QStringLiteral("link"), QStringLiteral("Symbolic link to the port, removed at exit."), QStringLiteral("path")},
    });
    args.process(app);

    MonitorSim sim;
    if (!configure(args, sim))
        return 2;
    QString error;
    if (!sim.start(&error)) {
        fail(error);
        return 1;
    }

    const QString link = args.value(QStringLiteral("link"));
    if (!link.isEmpty()) {
        // Replace a link left by an earlier run, never a real file.
        if (QFileInfo(link).isSymLink())
            QFile::remove(link);
        if (!QFile::link(sim.devicePath(), link)) {
            fail(QStringLiteral("cannot create the link %1").arg(link));
            return 1;
        }
    }

    std::printf("qmn-monitor-sim: %s\n", qPrintable(sim.devicePath()));
    std::fflush(stdout);

    QObject::connect(&sim, &MonitorSim::commandReceived, [](const QString &command) {
        err() << "received " << command << Qt::endl;
    });
    if (args.isSet(QStringLiteral("verbose"))) {
        QObject::connect(&sim.device(), &DeviceSide::valueReceived, [](const QString &command, quint8 value) {
            err() << "received value " << value << " (0x" << QString::number(value, 16).rightJustified(2, QLatin1Char('0'))
                  << ") for " << command << Qt::endl;
        });
    }
    QObject::connect(&sim, &MonitorSim::clientOpenChanged, [](bool open) {
        err() << (open ? "port opened" : "port closed") << Qt::endl;
    });
    QObject::connect(&sim, &MonitorSim::streamingChanged, [](bool on) {
        err() << (on ? "real-time on" : "real-time off") << Qt::endl;
    });

    // Signals arrive through a socket pair so that quitting happens in the
    // event loop, not inside the handler.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        fail(QStringLiteral("socketpair failed"));
        return 1;
    }
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    const int result = app.exec();
    sim.stop();
    if (!link.isEmpty() && QFileInfo(link).isSymLink())
        QFile::remove(link);
    return result;
}
