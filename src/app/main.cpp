#include "app/main_window.h"
#include "app/program.h"
#include "common/widget_dialogs.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalFd[2] = {-1, -1};

void onUnixSignal(int)
{
    const char one = 1;
    [[maybe_unused]] auto n = ::write(g_signalFd[0], &one, 1);
}

// SIGTERM from a service manager and Ctrl-C end the program through the
// same exit sequence as closing the window.
void watchSignals(QObject *context, std::function<void()> onSignal)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFd) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalFd[1], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [onSignal] {
        char buf[16];
        [[maybe_unused]] auto n = ::read(g_signalFd[1], buf, sizeof buf);
        onSignal();
    });
    struct sigaction sa = {};
    sa.sa_handler = onUnixSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

} // namespace

int main(int argc, char **argv)
{
    // Without a display the program still runs, on the offscreen platform,
    // so that --help, a service manager or the demo work anywhere.
    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                           qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (noDisplay)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("QMNpilot");
    QApplication::setApplicationDisplayName("QMN-4400 Pilot");
    QApplication::setApplicationVersion(Program::kVersion);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "QMN-4400 Pilot: real-time power, energy and cost from a QMN-4400 energy monitor,\n"
        "logged to a database and shown in the main window.");
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption configOption("config", "Use FILE as the settings file instead of the per-user one.", "FILE");
    QCommandLineOption dataOption("data-dir", "The program's folder for errorLog.txt and its other files.", "DIR");
    parser.addOption(configOption);
    parser.addOption(dataOption);
    parser.process(app);

    if (noDisplay)
        std::fprintf(stderr, "qmnpilot: no display found; running without windows (offscreen)\n");

    const QString settingsPath = parser.isSet(configOption) ? parser.value(configOption) : SettingsStore::defaultPath();
    const QString dataDir = parser.isSet(dataOption)
                                ? parser.value(dataOption)
                                : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/QMNpilot";

    WidgetDialogs dialogs;
    Program program(settingsPath, QDir(dataDir).absolutePath(), dialogs);
    MainWindow window(program);
    dialogs.setParent(&window);

    QObject::connect(&program, &Program::exitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    watchSignals(&app, [&program] { program.exitSequence(); });

    QApplication::setOverrideCursor(Qt::WaitCursor);
    program.startUp([&window] {
        window.show();
        window.repaint();
        QApplication::restoreOverrideCursor();
    });
    if (program.hasExited())
        return 0;
    return app.exec() == 0 ? 0 : 1;
}
