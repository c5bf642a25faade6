#include "app/sample_echo.h"

#include "realtime/realtime_sample.h"

QString sampleEchoLine(const RealtimeSample &sample, const QTime &time)
{
    return QStringLiteral("%1  CH1 %2 W  CH2 %3 W  TOT %4 W  %5 V")
        .arg(time.toString(QStringLiteral("HH:mm:ss")))
        .arg(qint64(sample.p1))
        .arg(qint64(sample.p2))
        .arg(qint64(sample.p1 + sample.p2))
        .arg(sample.Volt, 0, 'f', 1);
}

void SampleEcho::write(const RealtimeSample &sample, const QTime &time)
{
    const QByteArray line = sampleEchoLine(sample, time).toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), m_out);
    std::fputc('\n', m_out);
    // A pipe reader sees each sample as it comes, not in blocks.
    std::fflush(m_out);
}
