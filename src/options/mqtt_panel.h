#pragma once

#include <QWidget>

class MqttPublisher;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The options window's "MQTT" page: the [mqtt] settings, "Apply", and a line
// with the connection's state that follows it as it changes.
class MqttPanel : public QWidget
{
    Q_OBJECT
public:
    enum Field {
        HostField, UserField, PasswordField, CaFileField, TopicField, NodeField, IntervalField, DiscoveryPrefixField,
        FieldCount
    };

    explicit MqttPanel(MqttPublisher &mqtt, QWidget *parent = nullptr);

    QLineEdit *field(Field f) const { return m_fields[f]; }
    QCheckBox *tlsBox() const { return m_tls; }
    QCheckBox *discoveryBox() const { return m_discovery; }
    QPushButton *applyButton() const { return m_apply; }
    QLabel *stateLine() const { return m_state; }

private:
    void apply();
    void showState(const QString &text);

    MqttPublisher &m_mqtt;
    QLineEdit *m_fields[FieldCount] = {};
    QCheckBox *m_tls = nullptr;
    QCheckBox *m_discovery = nullptr;
    QPushButton *m_apply = nullptr;
    QLabel *m_state = nullptr;
};
