#pragma once

#include <QString>

#include <string>

// RFC 4180 CSV pieces shared by every CSV the program writes: lines end in
// CR LF, a field holding a comma, a quote or a line break is quoted with its
// quotes doubled. Numbers use "." whatever the user's locale: a CSV is read
// by programs, and a comma decimal mark would split every value in two.
QString csvField(const QString &text);
void appendCsvField(std::string &line, const char *text, size_t size);
// The shortest text that reads back as the same double, never an exponent.
void appendCsvNumber(std::string &line, double value);
// The value rounded to `decimals` places, without trailing zeros.
void appendCsvRounded(std::string &line, double value, int decimals);
