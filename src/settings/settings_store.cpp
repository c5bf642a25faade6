#include "settings/settings_store.h"

#include "common/number_text.h"
#include "common/whole_file.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <limits>
#include <variant>

namespace {

using Member = std::variant<int16_t Settings::*, uint8_t Settings::*, int32_t Settings::*, double Settings::*,
                            bool Settings::*, QString Settings::*>;

struct KeyDef
{
    const char *name;
    Member member;
    const char *section = SettingsStore::kStartup;
};

const KeyDef kKeys[] = {
    {"ComPort", &Settings::ComPort},
    {"ZigbeeVersion", &Settings::ZigbeeVersion},
    {"Rate", &Settings::Rate},
    {"dbtype", &Settings::dbtype},
    {"adbpath", &Settings::adbpath},
    {"sqldbpath", &Settings::sqldbpath},
    {"netdockPort", &Settings::netdockPort},
    {"StartupComIsOn", &Settings::StartupComIsOn},
    {"StartupRTLisOn", &Settings::StartupRTLisOn},
    {"StartupServerIsOn", &Settings::StartupServerIsOn},
    {"SolarToWeb1", &Settings::SolarToWeb1},
    {"PreResetVal1", &Settings::PreResetVal1},
    {"PreResetVal2", &Settings::PreResetVal2},
    {"PreResetValP1", &Settings::PreResetValP1},
    {"PreResetValP2", &Settings::PreResetValP2},
    {"E1B", &Settings::E1B},
    {"E2B", &Settings::E2B},
    {"E1BP", &Settings::E1BP},
    {"E2BP", &Settings::E2BP},
    {"QMNresetCount", &Settings::QMNresetCount},
    {"QMNCounter", &Settings::QMNCounter},
    {"LoadStatus", &Settings::LoadStatus},
    {"WptThresT", &Settings::WptThresT},
    {"WptThres1", &Settings::WptThres1},
    {"WptThres2", &Settings::WptThres2},
    {"WptUser", &Settings::WptUser},
    {"WptWriteEnable", &Settings::WptWriteEnable},
    {"Interval", &Settings::Interval},
    {"SupportUrl", &Settings::SupportUrl},
    {"StartupNetDockIsOn", &Settings::StartupNetDockIsOn},
    {"PortalHost", &Settings::PortalHost},
    {"CommitSeconds", &Settings::CommitSeconds, SettingsStore::kRecording},
};

const KeyDef *findKey(const QString &name)
{
    for (const KeyDef &k : kKeys) {
        if (name.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0)
            return &k;
    }
    return nullptr;
}

template <typename Int>
bool parseWhole(const QString &text, Int *out)
{
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return false;
    // Whole-number settings round half to even, as the numbers always have.
    const double r = std::nearbyint(d);
    if (r < double(std::numeric_limits<Int>::min()) || r > double(std::numeric_limits<Int>::max()))
        return false;
    *out = Int(r);
    return true;
}

bool parseValue(const QString &text, Settings &s, const Member &member)
{
    return std::visit(
        [&](auto ptr) -> bool {
            using T = std::remove_cvref_t<decltype(s.*ptr)>;
            if constexpr (std::is_same_v<T, QString>) {
                s.*ptr = text;
                return true;
            } else if constexpr (std::is_same_v<T, bool>) {
                const QString t = text.trimmed();
                if (t.compare("True", Qt::CaseInsensitive) == 0 || t == "-1" || t == "1") {
                    s.*ptr = true;
                    return true;
                }
                if (t.compare("False", Qt::CaseInsensitive) == 0 || t == "0") {
                    s.*ptr = false;
                    return true;
                }
                return false;
            } else if constexpr (std::is_same_v<T, double>) {
                bool ok = false;
                const double d = text.trimmed().toDouble(&ok);
                if (!ok || !std::isfinite(d))
                    return false;
                s.*ptr = d;
                return true;
            } else {
                return parseWhole(text, &(s.*ptr));
            }
        },
        member);
}

QString valueText(const Settings &s, const Member &member)
{
    return std::visit(
        [&](auto ptr) -> QString {
            using T = std::remove_cvref_t<decltype(s.*ptr)>;
            if constexpr (std::is_same_v<T, QString>)
                return s.*ptr;
            else if constexpr (std::is_same_v<T, bool>)
                return s.*ptr ? QStringLiteral("True") : QStringLiteral("False");
            else if constexpr (std::is_same_v<T, double>)
                return plainDecimal(s.*ptr);
            else
                return QString::number(s.*ptr);
        },
        member);
}

} // namespace

namespace SettingsKeys {
QStringList startupKeys()
{
    return {"ComPort", "ZigbeeVersion", "Rate", "dbtype", "adbpath", "sqldbpath", "netdockPort",
            "StartupComIsOn", "StartupRTLisOn", "StartupServerIsOn", "SolarToWeb1", "PreResetVal1",
            "PreResetVal2", "PreResetValP1", "PreResetValP2", "E1B", "E2B", "E1BP", "E2BP", "QMNresetCount",
            "QMNCounter", "LoadStatus", "WptThresT", "WptThres1", "WptThres2", "WptUser", "WptWriteEnable",
            "SupportUrl", "StartupNetDockIsOn", "PortalHost"};
}

QStringList recordingKeys()
{
    return {"CommitSeconds"};
}

QStringList recoveryKeys()
{
    return {"PreResetVal1", "PreResetVal2", "PreResetValP1", "PreResetValP2", "E1BP", "E2BP", "E1B", "E2B",
            "QMNresetCount", "QMNCounter", "WptThresT", "WptThres1", "WptThres2", "WptUser", "WptWriteEnable"};
}

QStringList exitKeys()
{
    return {"PreResetVal1", "PreResetVal2", "PreResetValP1", "PreResetValP2", "StartupComIsOn", "StartupRTLisOn",
            "ZigbeeVersion", "E1B", "E2B", "E1BP", "E2BP", "QMNresetCount", "QMNCounter", "Rate", "Interval",
            "Rate", "WptThresT", "WptThres1", "WptThres2", "WptUser", "WptWriteEnable"};
}

QStringList allKeys()
{
    QStringList keys;
    for (const KeyDef &k : kKeys)
        keys << QLatin1String(k.name);
    return keys;
}
} // namespace SettingsKeys

SettingsStore::SettingsStore(QString path)
    : m_path(std::move(path))
{
}

QString SettingsStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/QMNpilot/QMNpilot.ini";
}

bool SettingsStore::load(QString *error)
{
    m_sections.clear();
    m_sections.append(Section{});
    QFile file(m_path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = QStringLiteral("cannot read %1: %2").arg(m_path, file.errorString());
        return false;
    }
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString raw = in.readLine();
        const QString line = raw.trimmed();
        if (line.startsWith('[') && line.endsWith(']')) {
            m_sections.append(Section{line.mid(1, line.size() - 2).trimmed(), {}});
            continue;
        }
        const int eq = line.indexOf('=');
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#') || eq <= 0) {
            m_sections.last().lines.append(Line{{}, raw});
            continue;
        }
        m_sections.last().lines.append(Line{line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
    return true;
}

bool SettingsStore::save(QString *error) const
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QString text;
    QTextStream out(&text);
    bool first = true;
    for (const Section &section : m_sections) {
        if (section.name.isEmpty() && section.lines.isEmpty())
            continue;
        if (!section.name.isEmpty()) {
            if (!first)
                out << '\n';
            out << '[' << section.name << "]\n";
        }
        first = false;
        for (const Line &line : section.lines) {
            if (line.key.isEmpty()) {
                if (!line.text.trimmed().isEmpty())
                    out << line.text << '\n';
            } else {
                out << line.key << '=' << line.text << '\n';
            }
        }
    }
    out.flush();
    // The replacement takes the permissions of the file it replaces, so
    // an owner-only file is there first, empty if it is new.
    if (m_private) {
        QFile file(m_path);
        const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        const bool ready = file.exists() ? file.setPermissions(ownerOnly)
                                         : file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly);
        if (!ready) {
            if (error)
                *error = QStringLiteral("cannot make %1 private: %2").arg(m_path, file.errorString());
            return false;
        }
    }
    // All or nothing: a disk that fills mid-write must not leave the
    // recovery state cut short in place of the last good file.
    QString reason;
    if (!writeWholeFile(m_path, text.toUtf8(), &reason)) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(m_path, reason);
        return false;
    }
    return true;
}

SettingsStore::Section *SettingsStore::findSection(const QString &name)
{
    for (Section &s : m_sections) {
        if (!s.name.isEmpty() && s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    }
    return nullptr;
}

const SettingsStore::Section *SettingsStore::findSection(const QString &name) const
{
    return const_cast<SettingsStore *>(this)->findSection(name);
}

bool SettingsStore::contains(const QString &section, const QString &key) const
{
    if (const Section *s = findSection(section)) {
        for (const Line &line : s->lines) {
            if (!line.key.isEmpty() && line.key.compare(key, Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return false;
}

QString SettingsStore::value(const QString &section, const QString &key, const QString &fallback) const
{
    if (const Section *s = findSection(section)) {
        for (const Line &line : s->lines) {
            if (!line.key.isEmpty() && line.key.compare(key, Qt::CaseInsensitive) == 0)
                return line.text;
        }
    }
    return fallback;
}

void SettingsStore::setValue(const QString &section, const QString &key, const QString &value)
{
    if (m_sections.isEmpty())
        m_sections.append(Section{});
    Section *s = findSection(section);
    if (!s) {
        m_sections.append(Section{section, {}});
        s = &m_sections.last();
    }
    bool written = false;
    for (qsizetype i = 0; i < s->lines.size();) {
        Line &line = s->lines[i];
        if (!line.key.isEmpty() && line.key.compare(key, Qt::CaseInsensitive) == 0) {
            if (written) {
                // A second spelling of the same key: one spelling is kept.
                s->lines.removeAt(i);
                continue;
            }
            line.key = key;
            line.text = value;
            written = true;
        }
        ++i;
    }
    if (!written) {
        // Keep new keys ahead of trailing blank lines of the section.
        qsizetype at = s->lines.size();
        while (at > 0 && s->lines[at - 1].key.isEmpty() && s->lines[at - 1].text.trimmed().isEmpty())
            --at;
        s->lines.insert(at, Line{key, value});
    }
}

QList<std::pair<QString, QString>> SettingsStore::entries(const QString &section) const
{
    QList<std::pair<QString, QString>> result;
    if (const Section *s = findSection(section)) {
        for (const Line &line : s->lines) {
            if (!line.key.isEmpty())
                result.append({line.key, line.text});
        }
    }
    return result;
}

Settings SettingsStore::readSettings() const
{
    Settings settings;
    for (const QString &name : SettingsKeys::startupKeys() + SettingsKeys::recordingKeys()) {
        const KeyDef *def = findKey(name);
        if (!def || !contains(def->section, name))
            continue;
        const QString text = value(def->section, name);
        if (!parseValue(text, settings, def->member)) {
            std::fprintf(stderr, "qmnpilot: %s: [%s] %s=%s cannot be read; using the default %s\n",
                         qUtf8Printable(m_path), def->section, def->name, qUtf8Printable(text),
                         qUtf8Printable(valueText(Settings{}, def->member)));
        }
    }
    return settings;
}

void SettingsStore::writeKeys(const Settings &settings, const QStringList &keys)
{
    for (const QString &name : keys) {
        if (const KeyDef *def = findKey(name))
            setValue(def->section, QLatin1String(def->name), valueText(settings, def->member));
    }
}
