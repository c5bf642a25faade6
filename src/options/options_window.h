#pragma once

#include "options/options_logic.h"

#include <QMainWindow>

class Dialogs;
class MqttPanel;
class MqttPublisher;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

// "Options": database, rate, start-up switches, the portal account and
// trigger values, the energy totals, the CH1 polarity test and MQTT. Every field
// takes effect when it is clicked or left; the window holds no settings of
// its own and is made afresh each time it opens.
class OptionsWindow : public QMainWindow
{
    Q_OBJECT
public:
    // The boxes checked when they are left.
    enum Field { UserField, IntervalField, Ch1PowerField, Ch2PowerField, RateField, FieldCount };

    OptionsWindow(OptionsLogic &logic, MqttPublisher &mqtt, QWidget *parent = nullptr);

    QTabWidget *tabs() const { return m_tabs; }
    MqttPanel *mqttPanel() const { return m_mqtt; }
    QLineEdit *field(Field f) const { return m_fields[f].edit; }
    QAbstractButton *databaseOption(int index) const;
    QSpinBox *commitSecondsBox() const { return m_commitSeconds; }
    QCheckBox *box(OptionsLogic::Box box) const;
    QLineEdit *pathEdit(int index) const { return m_paths[index]; }
    QLineEdit *energyBox(int index) const { return m_energy[index]; }
    QLineEdit *polarityBox(int channel) const { return m_polarity[channel - 1]; }
    QLabel *accountLink() const { return m_account; }
    QLineEdit *deviceAddress() const { return m_device; }
    // The first button with this caption inside `page` (-1: anywhere).
    QPushButton *button(const QString &caption, int page = -1) const;
    // The window's own "Done" (the polarity test has one too).
    QPushButton *doneButton() const { return m_done; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildGeneral();
    QWidget *buildWebServer();
    QWidget *buildRenewable();
    QWidget *buildNetDock();
    QLineEdit *addField(Field f, const QString &text);
    // Checks a box whose text changed since it was last taken; false when
    // the value was refused and focus goes back to it.
    bool checkField(Field f);
    // Every box with text not yet taken, before the window closes.
    bool checkPending();
    void showEnergyTotals();
    void showPolarity();
    void done();

    OptionsLogic &m_logic;
    QTabWidget *m_tabs = nullptr;
    struct Checked
    {
        QLineEdit *edit = nullptr;
        QString taken; // the text last accepted (or shown at load)
    };
    Checked m_fields[FieldCount];
    bool m_checking = false;
    QButtonGroup *m_database = nullptr;
    QSpinBox *m_commitSeconds = nullptr;
    QCheckBox *m_boxes[4] = {};
    QLineEdit *m_paths[2] = {};
    QLineEdit *m_energy[4] = {};
    QLineEdit *m_polarity[2] = {};
    QLineEdit *m_device = nullptr;
    QLabel *m_account = nullptr;
    QPushButton *m_done = nullptr;
    MqttPanel *m_mqtt = nullptr;
};
