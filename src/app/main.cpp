#include "app/instance_lock.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/sample_echo.h"
#include "app/service_journal.h"
#include "recording/csv_export.h"
#include "recording/database_creator.h"
#include "common/widget_dialogs.h"
#include "link/port_map.h"
#include "settings/settings_store.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <csignal>
#include <cstring>
#include <memory>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalFd[2] = {-1, -1};
constexpr unsigned kExitGraceSeconds = 5;

void onUnixSignal(int)
{
    const char one = 1;
    [[maybe_unused]] auto n = ::write(g_signalFd[0], &one, 1);
}

// The last resort of an exit that something still holds up: the exit
// sequence has written the recovery state by then.
void onExitGraceOver(int)
{
    ::_exit(0);
}

// SIGTERM from a service manager, Ctrl-C and a hangup end the program through the
// same exit sequence as closing the window, whatever box or wait is open.
void watchSignals(QObject *context, std::function<void()> onSignal)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFd) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalFd[1], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [onSignal] {
        char buf[16];
        [[maybe_unused]] auto n = ::read(g_signalFd[1], buf, sizeof buf);
        struct sigaction grace = {};
        grace.sa_handler = onExitGraceOver;
        sigemptyset(&grace.sa_mask);
        sigaction(SIGALRM, &grace, nullptr);
        ::alarm(kExitGraceSeconds);
        onSignal();
    });
    struct sigaction sa = {};
    sa.sa_handler = onUnixSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    // The terminal closing, or an SSH session dropping, hangs up: the rows
    // waiting for their commit and the recovery state are kept as on
    // SIGTERM. Started under nohup, the program goes on as asked.
    struct sigaction hangup = {};
    if (sigaction(SIGHUP, nullptr, &hangup) == 0 && hangup.sa_handler != SIG_IGN)
        sigaction(SIGHUP, &sa, nullptr);
}

// Ends the event loops once the exit sequence has run. Boxes and dialogues
// still up are answered No or Cancel, the answer that changes nothing, so
// their own loops return and nothing waits on them.
void leaveEventLoops()
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QDialog *>(widget); dialog && dialog->isVisible())
                dialog->reject();
        }
    }
    QCoreApplication::exit(0);
}

// Nobody can answer a box without windows, or on these platforms.
bool nobodyToAsk()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return true;
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

bool hasArgument(int argc, char **argv, const char *name)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return true;
    }
    return false;
}

bool hasArgumentPrefix(int argc, char **argv, const char *name)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], name, std::strlen(name)) == 0)
            return true;
    }
    return false;
}

// The program's lock for its settings file and the serial device it will
// use, taken before anything touches them.
bool lockInstance(InstanceLock &lock, const QString &settingsPath)
{
    QString holder;
    if (!lock.lock(QStringLiteral("settings"), settingsPath, &holder)) {
        std::fprintf(stderr, "qmnpilot: %s; only one program runs per settings file\n", qUtf8Printable(holder));
        return false;
    }
    SettingsStore store(settingsPath);
    store.load();
    PortMap ports;
    ports.load(store);
    const QString device = ports.devicePath(store.readSettings().ComPort);
    // A device that does not exist cannot be fought over.
    if (!device.isEmpty() && QFileInfo::exists(device) && !lock.lock(QStringLiteral("device"), device, &holder)) {
        std::fprintf(stderr, "qmnpilot: %s; only one program runs per serial device\n", qUtf8Printable(holder));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    // Without a display the program still runs, on the offscreen platform,
    // so that --help, a service manager or the demo work anywhere.
    // --headless needs no display and loads no platform plugin at all.
    // An export needs no window either.
    const bool exporting = hasArgumentPrefix(argc, argv, "--export-csv") || hasArgumentPrefix(argc, argv, "--export-daily");
    const bool headless = hasArgument(argc, argv, "--headless") || exporting;
    const bool noDisplay = !headless && qEnvironmentVariableIsEmpty("DISPLAY")
                           && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                           && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (noDisplay)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> application;
    if (headless)
        application = std::make_unique<QCoreApplication>(argc, argv);
    else
        application = std::make_unique<QApplication>(argc, argv);
    QCoreApplication &app = *application;
    QCoreApplication::setApplicationName("QMNpilot");
    if (!headless)
        QGuiApplication::setApplicationDisplayName("QMN-4400 Pilot");
    QCoreApplication::setApplicationVersion(Program::kVersion);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "QMN-4400 Pilot: real-time power, energy and cost from a QMN-4400 energy monitor,\n"
        "logged to a database and shown in the main window.");
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption configOption("config", "Use FILE as the settings file instead of the per-user one.", "FILE");
    QCommandLineOption dataOption("data-dir", "The program's folder for errorLog.txt and its other files.", "DIR");
    QCommandLineOption createOption("create-database",
                                    "Create an SQLite database FILE with the table qmn_power and exit "
                                    "(an existing table is left alone).",
                                    "FILE");
    QCommandLineOption echoOption("echo-samples", "Print one line per accepted sample on standard output.");
    QCommandLineOption listingOption("show-listing", "Open the Real-Time Data Listing window at start.");
    QCommandLineOption headlessOption("headless",
                                      "Run without any window or display, as a service: status lines and "
                                      "messages go to standard error.");
    parser.addOption(headlessOption);
    QCommandLineOption utilityOption("show-utility", "Open the QMN-4400 Utility window at start.");
    QCommandLineOption optionsOption("show-options", "Open the Options window at start.");
    parser.addOption(configOption);
    parser.addOption(dataOption);
    parser.addOption(createOption);
    parser.addOption(echoOption);
    QCommandLineOption dashboardOption("show-dashboard", "Open the Real-Time Dashboard window at start.");
    parser.addOption(listingOption);
    parser.addOption(dashboardOption);
    QCommandLineOption historyOption("show-history", "Open the History window at start.");
    parser.addOption(historyOption);
    parser.addOption(utilityOption);
    parser.addOption(optionsOption);
    QCommandLineOption exportCsvOption("export-csv",
                                       "Write the stored samples of the configured database to FILE as CSV "
                                       "(- for standard output) and exit.",
                                       "FILE");
    QCommandLineOption exportDailyOption("export-daily",
                                         "Write one CSV line per day (energy used and fed back, lowest, highest "
                                         "and average power, samples) to FILE (- for standard output) and exit.",
                                         "FILE");
    QCommandLineOption fromOption("from", "With --export-csv or --export-daily: the first day, YYYY-MM-DD.", "DATE");
    QCommandLineOption toOption("to", "With --export-csv or --export-daily: the last day, YYYY-MM-DD.", "DATE");
    parser.addOption(exportCsvOption);
    parser.addOption(exportDailyOption);
    parser.addOption(fromOption);
    parser.addOption(toOption);
    parser.addPositionalArgument("FILE.QMN", "A saved data-logger download to list in the main window.", "[FILE.QMN]");
    // A script calling an export tells a mistake from a failed run by the
    // status 2 every export problem ends with.
    if (exporting && !parser.parse(app.arguments())) {
        std::fprintf(stderr, "qmnpilot: %s\n", qUtf8Printable(parser.errorText()));
        return 2;
    }
    parser.process(app);

    if (parser.isSet(exportCsvOption) || parser.isSet(exportDailyOption)) {
        if (parser.isSet(exportCsvOption) == parser.isSet(exportDailyOption)) {
            std::fprintf(stderr, "qmnpilot: --export-csv and --export-daily are run one at a time\n");
            return 2;
        }
        // No instance lock: the export only reads, and is made to run beside
        // the recording service.
        ExportRequest request;
        request.kind = parser.isSet(exportCsvOption) ? ExportRequest::Kind::Rows : ExportRequest::Kind::Daily;
        request.output = parser.value(parser.isSet(exportCsvOption) ? exportCsvOption : exportDailyOption);
        request.from = parser.value(fromOption);
        request.to = parser.value(toOption);
        request.settingsPath = parser.isSet(configOption) ? parser.value(configOption) : SettingsStore::defaultPath();
        return runExport(request);
    }
    if (parser.isSet(fromOption) || parser.isSet(toOption)) {
        std::fprintf(stderr, "qmnpilot: --from and --to go with --export-csv or --export-daily\n");
        return 2;
    }

    if (parser.isSet(createOption)) {
        const QString file = parser.value(createOption);
        QString error;
        if (!createSqliteDatabase(file, &error)) {
            std::fprintf(stderr, "qmnpilot: %s\n", qUtf8Printable(error));
            return 1;
        }
        std::printf("Created %s with the table qmn_power.\n"
                    "To log to it, set in the [startup] section of the settings file:\n"
                    "  dbtype=SQlite\n  sqldbpath=%s\n",
                    qUtf8Printable(file), qUtf8Printable(QFileInfo(file).absoluteFilePath()));
        return 0;
    }

    if (noDisplay)
        std::fprintf(stderr, "qmnpilot: no display found; running without windows (offscreen)\n");

    const QString settingsPath = parser.isSet(configOption) ? parser.value(configOption) : SettingsStore::defaultPath();
    const QString dataDir = parser.isSet(dataOption)
                                ? parser.value(dataOption)
                                : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/QMNpilot";

    InstanceLock instanceLock(InstanceLock::defaultFolder());
    if (!lockInstance(instanceLock, settingsPath))
        return 1;

    // Without a display a box would wait for a click that never comes: its
    // text goes to stderr and the answer is No.
    std::unique_ptr<Dialogs> dialogs;
    WidgetDialogs *widgetDialogs = nullptr;
    if (nobodyToAsk()) {
        dialogs = std::make_unique<HeadlessDialogs>();
    } else {
        auto widgets = std::make_unique<WidgetDialogs>();
        widgetDialogs = widgets.get();
        dialogs = std::move(widgets);
    }
    Program program(settingsPath, QDir(dataDir).absolutePath(), *dialogs);
    std::unique_ptr<MainWindow> window;
    if (!headless) {
        window = std::make_unique<MainWindow>(program);
        if (widgetDialogs)
            widgetDialogs->setParent(window.get());
    }
    // Without windows the journal holds what they would show.
    std::unique_ptr<ServiceJournal> journal;
    if (headless) {
        journal = std::make_unique<ServiceJournal>(program, [](const QString &line) {
            std::fprintf(stderr, "%s\n", line.toUtf8().constData());
        });
    }

    SampleEcho echo;
    if (parser.isSet(echoOption)) {
        program.dispatch().addStep("echo", [&program, &echo](const RealtimeSample &sample) {
            echo.write(sample, program.clock().now().time());
        });
    }

    QObject::connect(&program, &Program::exitRequested, &app, &leaveEventLoops, Qt::QueuedConnection);
    watchSignals(&app, [&program] {
        program.exitSequence();
        leaveEventLoops();
    });

    // Start-up runs inside the event loop, so that a box it opens is a loop
    // the exit can end.
    const bool showListing = parser.isSet(listingOption);
    const bool showDashboard = parser.isSet(dashboardOption);
    const bool showHistory = parser.isSet(historyOption);
    const bool showUtility = parser.isSet(utilityOption);
    const bool showOptions = parser.isSet(optionsOption);
    const QString dataFile = parser.positionalArguments().value(0);
    QTimer::singleShot(0, &program, [&program, window = window.get(), showListing, showDashboard, showUtility,
                                     showOptions, showHistory, dataFile] {
        if (!window) {
            program.startUp();
            return;
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
        program.startUp([window] {
            window->show();
            window->repaint();
            QApplication::restoreOverrideCursor();
        }).then([&program, dataFile] {
            if (dataFile.isEmpty() || program.hasExited())
                return;
            const bool isQmn = dataFile.endsWith(".qmn", Qt::CaseInsensitive);
            if (!isQmn || !program.openDataFile(dataFile))
                program.dialogs().message(QStringLiteral("%1 is not a QMN-4400 data file (.QMN) that can be read.")
                                              .arg(QDir::toNativeSeparators(dataFile)));
        });
        if (showListing && !program.hasExited())
            window->showListing();
        if (showDashboard && !program.hasExited())
            window->showDashboard();
        if (showHistory && !program.hasExited())
            window->showHistory();
        if (showUtility && !program.hasExited())
            window->showUtility();
        if (showOptions && !program.hasExited())
            window->showOptions();
    });
    const int status = app.exec();
    program.exitSequence();
    return status == 0 ? 0 : 1;
}
