#include "common/csv_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

bool needsQuotes(const char *text, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        const char c = text[i];
        if (c == ',' || c == '"' || c == '\r' || c == '\n')
            return true;
    }
    return false;
}

} // namespace

QString csvField(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    std::string field;
    appendCsvField(field, utf8.constData(), size_t(utf8.size()));
    return QString::fromStdString(field);
}

void appendCsvField(std::string &line, const char *text, size_t size)
{
    if (!needsQuotes(text, size)) {
        line.append(text, size);
        return;
    }
    line += '"';
    for (size_t i = 0; i < size; ++i) {
        if (text[i] == '"')
            line += '"';
        line += text[i];
    }
    line += '"';
}

void appendCsvNumber(std::string &line, double value)
{
    // An empty field is a missing value to every spreadsheet; "nan" is not.
    if (!std::isfinite(value))
        return;
    if (value == 0)
        value = 0; // no "-0"
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    line.append(buffer, result.ptr);
}

void appendCsvRounded(std::string &line, double value, int decimals)
{
    if (!std::isfinite(value))
        return;
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    char *end = result.ptr;
    if (decimals > 0) {
        while (end[-1] == '0')
            --end;
        if (end[-1] == '.')
            --end;
    }
    std::string_view text(buffer, size_t(end - buffer));
    if (text == "-0")
        text = "0";
    line.append(text);
}
