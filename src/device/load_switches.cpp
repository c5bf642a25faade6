#include "device/load_switches.h"

#include "settings/settings.h"

LoadSwitches::LoadSwitches(Settings &settings, SaveKeys saveKeys, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_saveKeys(std::move(saveKeys))
{
}

int LoadSwitches::mask() const
{
    return m_settings.LoadStatus;
}

bool LoadSwitches::isOn(int load) const
{
    return load >= 0 && load < kLoads && (m_settings.LoadStatus >> load) & 1;
}

void LoadSwitches::boxClicked(int index, bool checked)
{
    if (index < 0 || index >= kLoads)
        return;
    const int bit = 1 << index;
    if (checked && !(m_settings.LoadStatus & bit))
        m_settings.LoadStatus = int16_t(m_settings.LoadStatus + bit);
    else if (!checked && (m_settings.LoadStatus & bit))
        m_settings.LoadStatus = int16_t(m_settings.LoadStatus - bit);
    save();
}

void LoadSwitches::resetLoads()
{
    for (int i = 0; i < kLoads; ++i) {
        if (isOn(i)) {
            boxClicked(i, false);
            emit boxesChanged();
        }
    }
    // Bits beyond the four boxes (a hand-edited settings file) go as well,
    // and the cleared mask must survive a crash like every other change.
    m_settings.LoadStatus = 0;
    if (m_saveKeys)
        m_saveKeys({QStringLiteral("LoadStatus")});
}

void LoadSwitches::save()
{
    if (m_saveKeys)
        m_saveKeys({QStringLiteral("LoadStatus")});
    emit loadsChanged();
}
