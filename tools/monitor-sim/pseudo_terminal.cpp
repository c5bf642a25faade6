#include "pseudo_terminal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

PseudoTerminal::PseudoTerminal(QObject *parent)
    : QObject(parent)
{
}

PseudoTerminal::~PseudoTerminal()
{
    close();
}

bool PseudoTerminal::open(QString *error)
{
    auto fail = [&](const char *what) {
        if (error)
            *error = systemError(what);
        close();
        return false;
    };
    if (isOpen())
        return true;

    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0)
        return fail("posix_openpt");
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return fail("grantpt/unlockpt");
    char name[128];
    if (::ptsname_r(m_master, name, sizeof name) != 0)
        return fail("ptsname");
    m_slavePath = QString::fromLocal8Bit(name);

    m_keepAlive = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_keepAlive < 0)
        return fail("open pty slave");
    termios tio {};
    if (::tcgetattr(m_keepAlive, &tio) != 0)
        return fail("tcgetattr");
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    if (::tcsetattr(m_keepAlive, TCSANOW, &tio) != 0)
        return fail("tcsetattr");

    // Set after our own open, so only clients' opens are counted.
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0)
        return fail("inotify_init1");
    if (::inotify_add_watch(m_inotify, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0)
        return fail("inotify_add_watch");

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PseudoTerminal::readMaster);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PseudoTerminal::writePending);
    m_eventNotifier = new QSocketNotifier(m_inotify, QSocketNotifier::Read, this);
    connect(m_eventNotifier, &QSocketNotifier::activated, this, &PseudoTerminal::readClientEvents);
    return true;
}

void PseudoTerminal::close()
{
    delete m_readNotifier;
    delete m_writeNotifier;
    delete m_eventNotifier;
    m_readNotifier = m_writeNotifier = m_eventNotifier = nullptr;
    for (int *fd : {&m_inotify, &m_keepAlive, &m_master}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_clients = 0;
    m_pending.clear();
}

bool PseudoTerminal::clientOpen()
{
    readClientEvents();
    return m_clients > 0;
}

bool PseudoTerminal::write(const QByteArray &data)
{
    if (!clientOpen() || m_pending.size() + data.size() > kMaxPending)
        return false;
    m_pending += data;
    writePending();
    return true;
}

void PseudoTerminal::writePending()
{
    while (!m_pending.isEmpty()) {
        const ssize_t n = ::write(m_master, m_pending.constData(), size_t(m_pending.size()));
        if (n > 0) {
            m_pending.remove(0, n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    // The client stopped reading: wait until the pty takes bytes again.
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_pending.isEmpty());
}

void PseudoTerminal::readMaster()
{
    // An open always precedes the client's first write, so reading the events
    // first keeps the client count ahead of the data.
    readClientEvents();
    QByteArray data;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0)
            data.append(buffer, n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    if (!data.isEmpty())
        emit dataReceived(data);
}

void PseudoTerminal::readClientEvents()
{
    if (m_inotify < 0)
        return;
    const int before = m_clients;
    bool closedAll = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_inotify, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (char *p = buffer; p < buffer + n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(p);
            if (event->mask & IN_OPEN)
                ++m_clients;
            if ((event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) && m_clients > 0 && --m_clients == 0) {
                // Bytes the client never read would greet the next open as
                // stale data; flushed here even when a reopen follows in the
                // same batch of events.
                m_pending.clear();
                m_writeNotifier->setEnabled(false);
                ::tcflush(m_keepAlive, TCIFLUSH);
                closedAll = true;
            }
            p += sizeof(inotify_event) + event->len;
        }
    }
    // Signals only after the batch, so a slot asking clientOpen() again
    // cannot reorder the events.
    if (before > 0 && closedAll)
        emit clientOpenChanged(false);
    if ((before == 0 || closedAll) && m_clients > 0)
        emit clientOpenChanged(true);
}
