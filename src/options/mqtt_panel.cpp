#include "options/mqtt_panel.h"

#include "common/number_text.h"
#include "mqtt/mqtt_publisher.h"
#include "options/options_logic.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

MqttPanel::MqttPanel(MqttPublisher &mqtt, QWidget *parent)
    : QWidget(parent)
    , m_mqtt(mqtt)
{
    const MqttSettings &s = mqtt.settings();
    auto *form = new QFormLayout(this);
    const struct
    {
        const char *label;
        QString text;
    } fields[FieldCount] = {
        {"Broker (host or host:port):", s.Host}, {"User:", s.User},   {"Password:", s.Password},
        {"CA file (empty: the system's):", s.CaFile}, {"Topic prefix:", s.Topic}, {"Node:", s.Node},
        {"Seconds between states (0: every sample):", plainDecimal(s.Interval)},
        {"Discovery prefix:", s.DiscoveryPrefix},
    };
    m_tls = new QCheckBox(QStringLiteral("Use TLS"), this);
    m_tls->setChecked(s.Tls);
    m_discovery = new QCheckBox(QStringLiteral("Home Assistant discovery"), this);
    m_discovery->setChecked(s.Discovery);
    for (int f = 0; f < FieldCount; ++f) {
        m_fields[f] = new QLineEdit(fields[f].text, this);
        m_fields[f]->setAccessibleName(QString::fromLatin1(fields[f].label).chopped(1));
        form->addRow(QString::fromLatin1(fields[f].label), m_fields[f]);
        if (f == PasswordField)
            form->addRow(m_tls);
        // The prefix belongs with discovery, below its box.
        if (f == IntervalField)
            form->addRow(m_discovery);
    }
    m_fields[PasswordField]->setEchoMode(QLineEdit::Password);
    m_apply = new QPushButton(QStringLiteral("Apply"), this);
    connect(m_apply, &QPushButton::clicked, this, &MqttPanel::apply);
    form->addRow(m_apply);
    // A label's accessible name is its text, so a screen reader reads the
    // state as it is shown.
    m_state = new QLabel(this);
    m_state->setWordWrap(true);
    m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(m_state);
    showState(mqtt.stateText());
    connect(&mqtt, &MqttPublisher::stateTextChanged, this, &MqttPanel::showState);
}

void MqttPanel::apply()
{
    MqttSettings s;
    s.Host = m_fields[HostField]->text().trimmed();
    s.User = m_fields[UserField]->text().trimmed();
    s.Password = m_fields[PasswordField]->text();
    s.Tls = m_tls->isChecked();
    s.CaFile = m_fields[CaFileField]->text().trimmed();
    s.Topic = m_fields[TopicField]->text().trimmed();
    s.Node = m_fields[NodeField]->text().trimmed();
    s.Discovery = m_discovery->isChecked();
    s.DiscoveryPrefix = m_fields[DiscoveryPrefixField]->text().trimmed();
    const std::optional<double> interval = OptionsLogic::readNumber(m_fields[IntervalField]->text());
    QString problem;
    if (!interval || *interval < 0 || !std::isfinite(*interval))
        problem = QStringLiteral("the seconds between states must be a number, 0 or more");
    else
        s.Interval = *interval;
    if (problem.isEmpty())
        problem = mqttSettingsProblem(s);
    if (!problem.isEmpty()) {
        showState(QStringLiteral("Not applied: ") + problem);
        return;
    }
    m_mqtt.apply(s);
}

void MqttPanel::showState(const QString &text)
{
    m_state->setText(text);
}
