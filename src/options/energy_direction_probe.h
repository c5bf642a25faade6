#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

struct RealtimeSample;

// The options window's CH1 polarity test: from a starting point taken on
// the first tick, each later tick tells whether CH1's energy is being
// consumed (only the absolute counter moved) or generated (the polarized
// counter moved with it).
class EnergyDirectionProbe : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTickMs = 1100;
    // What a result box shows: its colours carry the outcome.
    enum class Look {
        Idle,      // as designed, before any test
        Testing,   // empty, yellow: waiting for the counters
        White,     // nothing to tell (yet)
        Consumed,  // white on blue
        Generated, // black on yellow
    };
    struct Box
    {
        QString text;
        Look look = Look::Idle;
    };
    static constexpr const char *kConsumed = "Energy is consumed";
    static constexpr const char *kGenerated = "Energy is generated";

    explicit EnergyDirectionProbe(const RealtimeSample &sample, QObject *parent = nullptr);

    // "Test Energy Polarity".
    void start();
    // "Done" of the test.
    void stop();
    // The window closed: the boxes read "Idle" again and the test ends.
    void reset();
    void tick();

    const Box &ch1() const { return m_ch1; }
    const Box &ch2() const { return m_ch2; }
    QTimer &timer() { return m_timer; }

signals:
    void changed();

private:
    const RealtimeSample &m_sample;
    QTimer m_timer;
    bool m_firstTick = false;
    double m_start[4] = {}; // E1A, E1AP, E2A, E2AP at the first tick
    Box m_ch1{QStringLiteral("Idle"), Look::Idle};
    Box m_ch2{QStringLiteral("Idle"), Look::Idle};
};
