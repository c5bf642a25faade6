#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QLocale>
#include <QStringList>

#include <functional>
#include <vector>

class Dialogs;

// The main window's list of a saved download: one row per record of a
// ".QMN" file, newest on top, with running energy and cost. Rows hold the
// file's numbers; text is made when a view or a copy asks.
class MainList : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Cost per kWh of the "Cost $" column; the listing's Rate setting is not
    // used here.
    static constexpr double kPrice = 0.127;

    explicit MainList(QObject *parent = nullptr);

    // Reads the data file and lists every record in it, replacing what was
    // listed. False when the file cannot be read or does not follow the
    // layout (the list then shows the headers only).
    bool Openfile(const QString &path);
    // The storage interval of the file last opened, in minutes.
    int interval() const { return m_interval; }
    bool hasBeenOpened() const { return m_opened; }

    // "Copy Selected": the header line and the rows for which isSelected is true.
    QString copySelected(const std::function<bool(int row)> &isSelected) const;

    // The locale for grouping and decimal marks; the user's unless set.
    void setLocale(const QLocale &locale) { m_locale = locale; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Column widths in twips, for the view.
    static int widthTwips(int column);

private:
    struct Row
    {
        qint16 ch1;
        qint16 ch2;
        qint16 volt;
        double kwh1; // running energy up to and including this record
        double kwh2;
    };
    QString text(int row, int column) const;

    std::vector<Row> m_rows; // oldest first; the view shows them reversed
    QDateTime m_start;
    int m_interval = 0;
    bool m_opened = false;
    QLocale m_locale;
};

// "Save" of the main window: the status list to a text file. Writes nothing
// when the list holds fewer than three lines; asks before replacing a file;
// reports a failed write. The first line of the file is empty.
void saveStatusList(Dialogs &dialogs, const QString &folder, const QStringList &lines);
// Writes an empty first line, then one line per entry; false with the reason.
bool SaveTextFile(const QString &path, const QStringList &lines, QString *error);
