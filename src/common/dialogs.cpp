#include "common/dialogs.h"

#include <cstdio>

void HeadlessDialogs::message(const QString &text)
{
    std::fprintf(stderr, "qmnpilot: %s\n", qUtf8Printable(text));
}

bool HeadlessDialogs::askYesNo(const QString &text)
{
    std::fprintf(stderr, "qmnpilot: %s (answered No)\n", qUtf8Printable(text));
    return false;
}

QString HeadlessDialogs::saveFileName(const QString &title, const QString &, const QString &)
{
    std::fprintf(stderr, "qmnpilot: %s: no file chosen\n", qUtf8Printable(title));
    return {};
}
