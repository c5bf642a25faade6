#pragma once

#include <QString>

#include <functional>

class QAbstractItemModel;

// The text a table puts on the clipboard: tab-separated fields, CR LF line
// ends. With headers, the first line holds the header of every column from
// lFirstCol to lLastCol (counted from 1; -1 is the last column), each
// followed by a tab. Each row copied gives the first column's text, then a
// tab and the text of each column from lFirstCol + 1 to lLastCol, with no
// tab at the end. Without bCopyAll only rows for which isSelected is true
// are copied.
struct ListCopyText
{
    QString text;
    int count = 0; // rows copied
};

ListCopyText listCopyText(const QAbstractItemModel &lvCopy, bool bIncludeHeaders = false, int lFirstCol = 1,
                          int lLastCol = -1, bool bCopyAll = true, const std::function<bool(int row)> &isSelected = {});

// A table as an RFC 4180 CSV file: a header line, then every row with every
// column, each field as the table shows it.
QString listCsvText(const QAbstractItemModel &model);
