#pragma once

#include "common/status_box.h"
#include "portal/portal_sender.h"
#include "portal/post_list_model.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>

class Clock;
class Dialogs;
class SampleDispatch;
struct ProgramFlags;
struct RealtimeSample;
struct Settings;

// The web portal upload: the decision `Wpt` made per sample, the post timer
// that marks the end of each write interval, the post list and the client
// connection. It runs from program start; the web window only shows it.
class PortalUpload : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        const RealtimeSample &sample;
        Settings &settings;
        const ProgramFlags &flags;
        const Clock &clock;
        Dialogs &dialogs;
        std::function<void(const QStringList &keys)> saveKeys;
    };
    // The four read-only boxes of the web window as `RefreshTextBoxes` last
    // filled them.
    struct TextBoxes
    {
        QString user;
        QString interval;
        QString ch1Power;
        QString ch2Power;
    };

    static constexpr int kTickMs = 1000;
    static constexpr int kHistory = 5;
    static constexpr const char *kNoAddress = "No portal address set (PortalHost)";
    static constexpr const char *kWriteError = "Server Write Error";

    explicit PortalUpload(const Parts &parts, QObject *parent = nullptr);

    // Adds `Wpt` as the next step of the per-sample dispatch; it runs while
    // uploading is enabled.
    void installInto(SampleDispatch &dispatch);

    // The upload decision for the current sample.
    void Wpt(const RealtimeSample &sample);
    // A switched load changed: post the current figures at once, whether or
    // not uploading is enabled.
    void loadChanged();
    // One tick of the post timer.
    void postTimerTick();

    // "Enable Web Server": switches uploading and saves the choice at once.
    void setWriteEnable(bool on);
    bool writeEnabled() const;
    // "Clear List": empties the post list when the user confirms.
    void clearListClicked();
    // The web window's status box and read-only boxes from the settings.
    void RefreshTextBoxes();
    // The real-time start or stop shows its state here too.
    void showRealtimeState(bool active);
    // Closes the portal connection (program exit).
    void close();

    StatusBox &statusBox() { return m_statusBox; }
    const TextBoxes &textBoxes() const { return m_textBoxes; }
    // What became of the posts: no address, the last post sent, a failure.
    QString portalStatus() const { return m_portalStatus; }
    PostListModel &posts() { return m_posts; }
    QTimer &postTimer() { return m_postTimer; }
    // A post is connecting, or its connection is still open.
    bool postInFlight() const { return m_sender.isBusy(); }

    // The decision's state, for a look from outside.
    const std::array<int64_t, kHistory> &powerHistory(int channel) const { return m_ch[channel - 1].history; }
    bool armed(int channel) const { return m_ch[channel - 1].armed; }

signals:
    void textBoxesRefreshed();
    void portalStatusChanged(const QString &text);
    // One post made, its row on top of the list.
    void posted();

private:
    struct Channel
    {
        std::array<int64_t, kHistory> history{}; // slot 0 the newest, whole watts
        int64_t delta = 0;                       // `DeltaP`
        int64_t postDelta = 0;                   // swing reported with the post
        bool armed = false;
        bool triggered = false;
    };

    void decide(const RealtimeSample &s);
    // The swing of a channel that settled: largest minus smallest of its
    // recent power, negative when the smallest is the more recent.
    static int64_t swing(const Channel &ch, int64_t now);
    void addRow(const RealtimeSample &s, int source);
    void send();
    void setPortalStatus(const QString &text);
    void reportWriteError();

    Parts m_parts;
    StatusBox m_statusBox{QStringLiteral("Real-Time Data Stopped"), StatusBox::Colour::Bad};
    TextBoxes m_textBoxes;
    QString m_portalStatus;
    PostListModel m_posts;
    PortalSender m_sender;
    QTimer m_postTimer;

    std::array<Channel, 2> m_ch{};
    bool m_intervalElapsed = false;
    int m_intervalSeconds = 0;
    bool m_forcePost = false;
    // The user has seen "Server Write Error"; no other until a post gets out.
    bool m_errorShown = false;
};
