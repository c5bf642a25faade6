#pragma once

#include "settings/settings.h"

#include <QList>
#include <QString>

// The settings file: an INI file whose section and key names are matched
// without regard to case. Lines and sections the program does not know are
// kept as they are; the file is replaced atomically on save.
class SettingsStore
{
public:
    static constexpr const char *kStartup = "startup";
    static constexpr const char *kRecording = "recording";

    explicit SettingsStore(QString path);

    QString path() const { return m_path; }

    // Reads the file; a missing file is an empty store.
    bool load(QString *error = nullptr);
    bool save(QString *error = nullptr) const;

    bool contains(const QString &section, const QString &key) const;
    QString value(const QString &section, const QString &key, const QString &fallback = {}) const;
    // Sets the value and writes the key under this spelling from now on.
    void setValue(const QString &section, const QString &key, const QString &value);
    // Key/value pairs of a section in file order.
    QList<std::pair<QString, QString>> entries(const QString &section) const;

    // Typed access to the [startup] and [recording] keys. A value that cannot be converted
    // gives the default and one warning line on stderr.
    Settings readSettings() const;
    void writeKeys(const Settings &settings, const QStringList &keys);

    // The file holds a secret from this save on: it is its owner's alone
    // before the first byte of it is written, new or not.
    void keepPrivate() { m_private = true; }

    // Per-user default file: $XDG_CONFIG_HOME/QMNpilot/QMNpilot.ini
    static QString defaultPath();

private:
    struct Line
    {
        QString key;  // empty for comments and blank lines
        QString text; // the value, or the whole line when key is empty
    };
    struct Section
    {
        QString name;
        QList<Line> lines;
    };

    Section *findSection(const QString &name);
    const Section *findSection(const QString &name) const;

    QString m_path;
    QList<Section> m_sections; // the first one, unnamed, holds lines before any section
    bool m_private = false;
};
