#include "common/dialogs.h"

#include <cstdio>

namespace {
// One line each, so a journal or a log reader keeps a box's text together.
QByteArray oneLine(const QString &text)
{
    return text.simplified().toUtf8();
}
} // namespace

void HeadlessDialogs::message(const QString &text)
{
    std::fprintf(stderr, "qmnpilot: %s\n", oneLine(text).constData());
}

bool HeadlessDialogs::askYesNo(const QString &text)
{
    std::fprintf(stderr, "qmnpilot: %s (answered No)\n", oneLine(text).constData());
    return false;
}

QString HeadlessDialogs::saveFileName(const QString &title, const QString &, const QString &)
{
    std::fprintf(stderr, "qmnpilot: %s: no file chosen\n", oneLine(title).constData());
    return {};
}
