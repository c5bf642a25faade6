#pragma once

#include "realtime/realtime_sample.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// The per-sample dispatch: every accepted real-time sample runs the installed
// steps in the order they were added (database, DoList, DoDash, Wpt), each
// handed the sample the derivation filled. A step
// that throws ends the dispatch for that sample; the steps after it are
// skipped and the next sample starts again from the first step.
class SampleDispatch
{
public:
    using Step = std::function<void(const RealtimeSample &)>;

    void addStep(const QString &name, Step step);
    QStringList stepNames() const;

    void LogSample(const RealtimeSample &sample);

private:
    struct NamedStep
    {
        QString name;
        Step run;
    };
    std::vector<NamedStep> m_steps;
};
