#include "download/main_list.h"

#include "common/date_picture.h"
#include "common/dialogs.h"
#include "common/number_picture.h"
#include "common/overwrite_question.h"
#include "common/whole_file.h"
#include "download/qmn_file.h"
#include "common/list_copy_text.h"

#include <QFile>
#include <QFileInfo>

namespace {

struct ColumnInfo
{
    const char *header;
    int width;
    const char *picture;
};

constexpr ColumnInfo kColumns[] = {
    {"Rec #", 800, ""},
    {"Date", 1100, "mm:dd:yyyy"},
    {"Time", 1000, "hh:nn"},
    {"CH1 Watt", 1000, "####0"},
    {"CH2 Watt", 1000, "####0"},
    {"TOT Watt", 1000, "#####0"},
    {"Volt", 1000, "###"},
    {"CH1 KWh", 1400, "#####.000"},
    {"CH2 KWh", 1400, "#####.000"},
    {"TOT KWh", 1400, "#####.000"},
    {"Cost $", 1000, "$##0.00"},
};
constexpr int kColumnCount = int(std::size(kColumns));

} // namespace

MainList::MainList(QObject *parent)
    : QAbstractTableModel(parent)
{
}

bool MainList::Openfile(const QString &path)
{
    QFile file(path);
    QmnFile::Contents contents;
    if (file.open(QIODevice::ReadOnly))
        contents = QmnFile::read(file.readAll());

    beginResetModel();
    m_opened = true;
    m_rows.clear();
    m_start = contents.start;
    m_interval = contents.intervalMinutes;
    // Average watts over one interval, as kWh.
    const double factor = m_interval / 60000.0;
    m_rows.reserve(contents.records.size());
    double kwh1 = 0;
    double kwh2 = 0;
    for (const QmnFile::Record &r : contents.records) {
        kwh1 += r.ch1 * factor;
        kwh2 += r.ch2 * factor;
        m_rows.push_back({r.ch1, r.ch2, r.volt, kwh1, kwh2});
    }
    endResetModel();
    return contents.headerOk;
}

int MainList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int MainList::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_opened ? 0 : kColumnCount;
}

int MainList::widthTwips(int column)
{
    return column >= 0 && column < kColumnCount ? kColumns[column].width : 1000;
}

QString MainList::text(int row, int column) const
{
    const int index = int(m_rows.size()) - 1 - row;
    const Row &r = m_rows[size_t(index)];
    const QString picture = QString::fromLatin1(kColumns[column].picture);
    switch (column) {
    case 0:
        return QString::number(index + 1);
    case 1:
    case 2:
        // The first record closes one interval after the start.
        return formatDate(m_start.addSecs(qint64(index + 1) * m_interval * 60), picture, m_locale);
    case 3:
        return formatNumber(r.ch1, picture, m_locale);
    case 4:
        return formatNumber(r.ch2, picture, m_locale);
    case 5:
        return formatNumber(qint32(r.ch1) + qint32(r.ch2), picture, m_locale);
    case 6:
        return formatNumber(r.volt, picture, m_locale);
    case 7:
        return formatNumber(r.kwh1, picture, m_locale);
    case 8:
        return formatNumber(r.kwh2, picture, m_locale);
    case 9:
        return formatNumber(r.kwh1 + r.kwh2, picture, m_locale);
    default:
        return formatNumber((r.kwh1 + r.kwh2) * kPrice, picture, m_locale);
    }
}

QVariant MainList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && index.column() > 0)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant MainList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(kColumns[section].header);
}

QString MainList::copySelected(const std::function<bool(int row)> &isSelected) const
{
    return listCopyText(*this, true, 1, -1, false, isSelected).text;
}

bool SaveTextFile(const QString &path, const QStringList &lines, QString *error)
{
    QByteArray text("\n");
    for (const QString &line : lines)
        text += line.toLocal8Bit() + '\n';
    return writeWholeFile(path, text, error);
}

void saveStatusList(Dialogs &dialogs, const QString &folder, const QStringList &lines)
{
    const QString path = dialogs.saveFileName(QStringLiteral("Save Real Time Data File"), folder,
                                              QStringLiteral(".txt file (*.txt);;text (*.txt)"));
    if (lines.size() < 3 || path.isEmpty())
        return;
    if (QFileInfo::exists(path) && !dialogs.askYesNo(overwriteQuestion(path)))
        return;
    QString error;
    if (!SaveTextFile(path, lines, &error))
        dialogs.message(QStringLiteral("Could not write %1: %2").arg(path, error));
}
