#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

struct Settings;

// The four switched-load flags the web portal upload sends: bit i of
// LoadStatus is "Load i+1". Every change is saved at once and asks the
// portal to post now.
class LoadSwitches : public QObject
{
    Q_OBJECT
public:
    static constexpr int kLoads = 4;
    using SaveKeys = std::function<void(const QStringList &keys)>;

    LoadSwitches(Settings &settings, SaveKeys saveKeys, QObject *parent = nullptr);

    int mask() const;
    bool isOn(int load) const;
    // The box of load `index` (0 to 3) was clicked and now shows `checked`.
    void boxClicked(int index, bool checked);
    // "Reset Loads": each box that is checked is unchecked (a click each),
    // then the whole mask is 0 and saved.
    void resetLoads();

signals:
    // The mask was saved: the portal posts now (forcePost), enabled or not.
    void loadsChanged();
    // A box's state changed without the user clicking it.
    void boxesChanged();

private:
    void save();

    Settings &m_settings;
    SaveKeys m_saveKeys;
};
