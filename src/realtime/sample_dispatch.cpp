#include "realtime/sample_dispatch.h"

#include <QLoggingCategory>
#include <exception>

Q_LOGGING_CATEGORY(lcDispatch, "qmn.recording.dispatch")

void SampleDispatch::addStep(const QString &name, Step step)
{
    m_steps.push_back({name, std::move(step)});
}

QStringList SampleDispatch::stepNames() const
{
    QStringList names;
    for (const NamedStep &s : m_steps)
        names << s.name;
    return names;
}

void SampleDispatch::LogSample(const RealtimeSample &sample)
{
    // Copy the list so a step that installs another step (a window created on
    // the first sample) cannot invalidate the loop.
    const std::vector<NamedStep> steps = m_steps;
    for (const NamedStep &s : steps) {
        try {
            s.run(sample);
        } catch (const std::exception &e) {
            qCDebug(lcDispatch) << "sample dispatch stopped in" << s.name << ':' << e.what();
            return;
        } catch (...) {
            qCDebug(lcDispatch) << "sample dispatch stopped in" << s.name;
            return;
        }
    }
}
