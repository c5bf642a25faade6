#pragma once

#include "device/device_utility.h"

#include <QMainWindow>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QListView;
class QPushButton;
class QRadioButton;

// "Energy Consumption Monitor / Logger SETUP": the device utility's boxes,
// buttons and list. Everything it shows belongs to DeviceUtility, whose
// dialogues go on when this window is closed; each opening is a new window.
class UtilityWindow : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr const char *kCaption = "Energy Consumption Monitor / Logger SETUP";

    explicit UtilityWindow(DeviceUtility &logic, QWidget *parent = nullptr);

    QLineEdit *boxEdit(DeviceUtility::Box box) const { return m_edits[box]; }
    // Buttons by caption; `frame` tells apart the several "Accept Changes"
    // and "Save" buttons.
    QPushButton *button(const QString &caption, const QString &frame = {}) const;
    QCheckBox *loadBox(int index) const { return m_loads[index]; }
    QRadioButton *presetOption(int option) const { return m_presets[option]; }
    QListView *listView() const { return m_listView; }

private:
    QLineEdit *makeEdit(DeviceUtility::Box box, const QString &accessibleName, QWidget *parent);
    QPushButton *makeButton(const QString &caption, QWidget *parent, std::function<void()> onClick);
    QGroupBox *ctFrame(int channel);
    QGroupBox *typeRangeFrame(const QString &title, const QString &prefix, DeviceUtility::Box type,
                              DeviceUtility::Box range, std::function<void()> accept);
    QGroupBox *singleBoxFrame(const QString &title, DeviceUtility::Box box, const QString &buttonCaption,
                              std::function<void()> onClick);
    QGroupBox *commandsFrame();
    QGroupBox *loadsFrame();
    void refreshLoads();
    void showBusy(bool busy);

    DeviceUtility &m_logic;
    QLineEdit *m_edits[DeviceUtility::BoxCount] = {};
    QRadioButton *m_presets[4] = {};
    QCheckBox *m_loads[LoadSwitches::kLoads] = {};
    QListView *m_listView = nullptr;
    QPushButton *m_saveAddress = nullptr;
};
