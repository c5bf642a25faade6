#pragma once

#include <QString>
#include <QTime>

#include <cstdio>

struct RealtimeSample;

// One line per accepted sample on standard output, for people watching a
// console and for programs reading it:
// 14:03:27  CH1 1500 W  CH2 600 W  TOT 2100 W  120.0 V
QString sampleEchoLine(const RealtimeSample &sample, const QTime &time);

class SampleEcho
{
public:
    explicit SampleEcho(FILE *out = stdout) : m_out(out) {}
    void write(const RealtimeSample &sample, const QTime &time);

private:
    FILE *m_out;
};
