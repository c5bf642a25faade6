#include "options/options_window.h"

#include "portal/portal_upload.h"
#include "options/mqtt_panel.h"
#include "settings/settings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QLabel *labelFor(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

QLineEdit *readOnlyBox(const QString &name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setAccessibleName(name);
    return edit;
}

// An option group the window shows but that does nothing.
QGroupBox *inertOptions(const QString &title, const QStringList &captions, QWidget *parent)
{
    auto *group = new QGroupBox(title, parent);
    auto *layout = new QVBoxLayout(group);
    for (const QString &caption : captions)
        layout->addWidget(new QRadioButton(caption, group));
    group->setEnabled(false);
    return group;
}

} // namespace

OptionsWindow::OptionsWindow(OptionsLogic &logic, MqttPublisher &mqtt, QWidget *parent)
    : QMainWindow(parent, Qt::Window)
    , m_logic(logic)
{
    setObjectName(QStringLiteral("OptionsWindow"));
    setWindowTitle(QStringLiteral("Options"));
    setAttribute(Qt::WA_DeleteOnClose);
    connect(menuBar()->addAction(QStringLiteral("Exit")), &QAction::triggered, this, &QWidget::close);

    m_tabs = new QTabWidget(this);
    m_tabs->addTab(buildGeneral(), QStringLiteral("General"));
    m_tabs->addTab(buildWebServer(), QStringLiteral("Web Server"));
    m_tabs->addTab(buildRenewable(), QStringLiteral("Renewable, Inverter CH1/Panel CH2"));
    m_tabs->addTab(buildNetDock(), QStringLiteral("NetDock Setup"));
    m_mqtt = new MqttPanel(mqtt);
    m_tabs->addTab(m_mqtt, QStringLiteral("MQTT"));

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(m_tabs, 1);
    auto *doneRow = new QHBoxLayout;
    doneRow->addStretch();
    m_done = new QPushButton(QStringLiteral("Done"), central);
    connect(m_done, &QPushButton::clicked, this, &OptionsWindow::done);
    doneRow->addWidget(m_done);
    layout->addLayout(doneRow);
    setCentralWidget(central);

    for (Checked &f : m_fields)
        f.edit->installEventFilter(this);
    connect(&logic.polarity(), &EnergyDirectionProbe::changed, this, &OptionsWindow::showPolarity);
    showPolarity();
}

QLineEdit *OptionsWindow::addField(Field f, const QString &text)
{
    auto *edit = new QLineEdit(text, this);
    m_fields[f] = {edit, text};
    return edit;
}

QWidget *OptionsWindow::buildGeneral()
{
    auto *page = new QWidget;
    auto *layout = new QGridLayout(page);

    auto *db = new QGroupBox(QStringLiteral("Database Write Options"), page);
    auto *dbLayout = new QGridLayout(db);
    m_database = new QButtonGroup(this);
    const char *const kinds[] = {"Access Database", "SQlite Database", "No Database"};
    for (int i = 0; i < 3; ++i) {
        auto *option = new QRadioButton(QString::fromLatin1(kinds[i]), db);
        m_database->addButton(option, i);
        dbLayout->addWidget(option, i, 0, 1, i == 1 ? 1 : 2);
    }
    // Beside the SQLite choice, the only kind it applies to.
    m_commitSeconds = new QSpinBox(db);
    m_commitSeconds->setRange(0, 3600);
    m_commitSeconds->setPrefix(QStringLiteral("Write to disk every "));
    m_commitSeconds->setSuffix(QStringLiteral(" s (0 = every sample)"));
    m_commitSeconds->setAccessibleName(QStringLiteral("Write to disk every N s (0 = every sample)"));
    m_commitSeconds->setValue(m_logic.settings().CommitSeconds);
    // Typed digits count once the box is left, not one keystroke at a time.
    m_commitSeconds->setKeyboardTracking(false);
    connect(m_commitSeconds, &QSpinBox::valueChanged, &m_logic, &OptionsLogic::commitSecondsChanged);
    dbLayout->addWidget(m_commitSeconds, 1, 1);
    // An unknown kind selects none of them, and nothing is written until one is picked.
    if (QAbstractButton *selected = m_database->button(m_logic.databaseOption()))
        selected->setChecked(true);
    connect(m_database, &QButtonGroup::idClicked, &m_logic, &OptionsLogic::databaseOptionClicked);
    const Settings &settings = m_logic.settings();
    m_paths[0] = new QLineEdit(settings.adbpath, db);
    m_paths[1] = new QLineEdit(settings.sqldbpath, db);
    const char *const pathLabels[] = {"Access Database Path:", "SQlite Database Path:"};
    for (int i = 0; i < 2; ++i) {
        m_paths[i]->setAccessibleName(QString::fromLatin1(pathLabels[i]));
        dbLayout->addWidget(labelFor(QString::fromLatin1(pathLabels[i]), m_paths[i], db), 3 + 2 * i, 0, 1, 2);
        dbLayout->addWidget(m_paths[i], 4 + 2 * i, 0, 1, 2);
    }
    auto *apply = new QPushButton(QStringLiteral("Apply Database Path"), db);
    connect(apply, &QPushButton::clicked, this,
            [this] { m_logic.applyDatabasePaths(m_paths[0]->text(), m_paths[1]->text()); });
    auto *compact = new QPushButton(QStringLiteral("Compact and Repair Access Database"), db);
    compact->setEnabled(false);
    dbLayout->addWidget(apply, 7, 0);
    dbLayout->addWidget(compact, 7, 1);
    layout->addWidget(db, 0, 0, 3, 1);

    auto *cost = new QGroupBox(QStringLiteral("Cost of Electricity"), page);
    auto *costLayout = new QHBoxLayout(cost);
    QLineEdit *rate = addField(RateField, m_logic.rateText());
    rate->setAccessibleName(QStringLiteral("Cost of Electricity"));
    rate->setMaximumWidth(rate->fontMetrics().horizontalAdvance(QStringLiteral("0.00000")) * 2);
    costLayout->addWidget(labelFor(QStringLiteral("$"), rate, cost));
    costLayout->addWidget(rate);
    costLayout->addWidget(new QLabel(QStringLiteral("per Kilowatt-Hour (KWh)"), cost));
    costLayout->addStretch();
    layout->addWidget(cost, 0, 1);

    auto *startUp = new QGroupBox(QStringLiteral("Start Up"), page);
    auto *startLayout = new QVBoxLayout(startUp);
    const struct
    {
        OptionsLogic::Box box;
        const char *caption;
        const char *tip;
    } boxes[] = {
        {OptionsLogic::Box::StartupCom, "Open COM Port when Program Starts", "Recommended"},
        {OptionsLogic::Box::StartupRealtime, "Start Real-Time when Program Starts", "Not recommended."},
        {OptionsLogic::Box::StartupServer, "Write to Web Server",
         "Automaticaly writes to web server when software starts, providing an account has been established."},
    };
    for (const auto &b : boxes) {
        auto *check = new QCheckBox(QString::fromLatin1(b.caption), startUp);
        check->setToolTip(QString::fromLatin1(b.tip));
        check->setChecked(m_logic.boxState(b.box));
        const OptionsLogic::Box which = b.box;
        connect(check, &QCheckBox::clicked, this, [this, which](bool on) { m_logic.boxClicked(which, on); });
        m_boxes[int(b.box)] = check;
        startLayout->addWidget(check);
    }
    layout->addWidget(startUp, 1, 1);

    auto *device = new QHBoxLayout;
    m_device = readOnlyBox(QStringLiteral("Device Address"), page);
    m_device->setText(m_logic.deviceAddressText());
    auto *saveAddress = new QPushButton(QStringLiteral("Save Address"), page);
    saveAddress->setEnabled(false);
    device->addWidget(labelFor(QStringLiteral("Device Address"), m_device, page));
    device->addWidget(m_device);
    device->addWidget(saveAddress);
    layout->addLayout(device, 2, 1);
    layout->setRowStretch(3, 1);
    return page;
}

QWidget *OptionsWindow::buildWebServer()
{
    auto *page = new QWidget;
    auto *layout = new QGridLayout(page);

    auto *account = new QGroupBox(QStringLiteral("Account"), page);
    auto *accountLayout = new QGridLayout(account);
    QLineEdit *user = addField(UserField, m_logic.settings().WptUser);
    user->setAccessibleName(QStringLiteral("User Account:"));
    accountLayout->addWidget(labelFor(QStringLiteral("User Account:"), user, account), 0, 0);
    accountLayout->addWidget(user, 0, 1);
    m_account = new QLabel(account);
    m_account->setToolTip(QStringLiteral("URL to view your account. Requires registration."));
    // Read by its text, the address itself; the description says what it is.
    m_account->setAccessibleDescription(QStringLiteral("Account page"));
    m_account->setTextInteractionFlags(Qt::TextBrowserInteraction);
    const QString address = m_logic.accountAddress();
    if (address.isEmpty()) {
        m_account->setText(QString::fromLatin1(PortalUpload::kNoAddress));
    } else {
        m_account->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                               .arg(m_logic.accountUrl().toString(QUrl::FullyEncoded).toHtmlEscaped(),
                                    address.toHtmlEscaped()));
        connect(m_account, &QLabel::linkActivated, this, [](const QString &link) { QDesktopServices::openUrl(QUrl(link)); });
    }
    accountLayout->addWidget(m_account, 1, 0, 1, 2);
    layout->addWidget(account, 0, 0, 1, 2);

    auto *triggers = new QGroupBox(QStringLiteral("Trigger Values"), page);
    auto *triggerLayout = new QGridLayout(triggers);
    const Settings &s = m_logic.settings();
    const struct
    {
        Field field;
        int value;
        const char *label;
        const char *unit;
        const char *tip;
    } rows[] = {
        {IntervalField, s.WptThresT, "Write Interval:", "Second", "How often to update the web server."},
        {Ch1PowerField, s.WptThres1, "CH1 Power Change:", "W",
         "Minimum change in CH1 power which will cause data to be writen to the web server."},
        {Ch2PowerField, s.WptThres2, "CH2 Power Change:", "W",
         "Minimum change in CH2 power which will cause data to be writen to the web server."},
    };
    int row = 0;
    for (const auto &r : rows) {
        QLineEdit *edit = addField(r.field, QString::number(r.value));
        edit->setToolTip(QString::fromLatin1(r.tip));
        edit->setAccessibleName(QString::fromLatin1(r.label));
        edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) * 2);
        triggerLayout->addWidget(labelFor(QString::fromLatin1(r.label), edit, triggers), row, 0);
        triggerLayout->addWidget(edit, row, 1);
        triggerLayout->addWidget(new QLabel(QString::fromLatin1(r.unit), triggers), row, 2);
        ++row;
    }
    triggerLayout->setColumnStretch(3, 1);
    layout->addWidget(triggers, 1, 0, 1, 2);

    layout->addWidget(inertOptions(QStringLiteral("Data Representing CH1"),
                                   {QStringLiteral("CH1"), QStringLiteral("CH1 plus CH2 (CH1+CH2)"),
                                    QStringLiteral("CH1 minus CH2 (CH1-CH2)"), QStringLiteral("CH2 minus CH1 (CH-CH1)")},
                                   page),
                      2, 0);
    layout->addWidget(inertOptions(QStringLiteral("Data Representing CH2"),
                                   {QStringLiteral("CH2"), QStringLiteral("CH2 plus CH1 (CH2+CH1)"),
                                    QStringLiteral("CH2 minus CH1 (CH2-CH1)"), QStringLiteral("CH1 minus CH2 (CH1-CH2)")},
                                   page),
                      2, 1);
    layout->setRowStretch(3, 1);
    return page;
}

QWidget *OptionsWindow::buildRenewable()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);

    auto *web = new QGroupBox(QStringLiteral("Write to Web Server"), page);
    auto *webLayout = new QVBoxLayout(web);
    auto *solar = new QCheckBox(QStringLiteral("CH1 = Inverter / CH2 = Panel Line1 && Line2"), web);
    solar->setChecked(m_logic.boxState(OptionsLogic::Box::SolarToWeb));
    connect(solar, &QCheckBox::clicked, this, [this](bool on) { m_logic.boxClicked(OptionsLogic::Box::SolarToWeb, on); });
    m_boxes[int(OptionsLogic::Box::SolarToWeb)] = solar;
    webLayout->addWidget(solar);
    layout->addWidget(web);

    auto *totals = new QGroupBox(page);
    auto *totalsLayout = new QGridLayout(totals);
    const char *const labels[] = {"Energy Received from PoCo:", "Energy Sold to PoCo:", "Total Generated Energy:",
                                  "Total Energy Consumed:"};
    for (int i = 0; i < 4; ++i) {
        m_energy[i] = readOnlyBox(QString::fromLatin1(labels[i]), totals);
        m_energy[i]->setAlignment(Qt::AlignRight);
        totalsLayout->addWidget(labelFor(QString::fromLatin1(labels[i]), m_energy[i], totals), i, 0);
        totalsLayout->addWidget(m_energy[i], i, 1);
    }
    auto *refresh = new QPushButton(QStringLiteral("Refresh"), totals);
    connect(refresh, &QPushButton::clicked, this, &OptionsWindow::showEnergyTotals);
    totalsLayout->addWidget(refresh, 4, 1, Qt::AlignRight);
    layout->addWidget(totals);
    showEnergyTotals();

    auto *polarity = new QGroupBox(QStringLiteral("CH1 Polarity Setup"), page);
    auto *polarityLayout = new QGridLayout(polarity);
    auto *test = new QPushButton(QStringLiteral("Test Energy Polarity"), polarity);
    connect(test, &QPushButton::clicked, &m_logic.polarity(), &EnergyDirectionProbe::start);
    auto *stop = new QPushButton(QStringLiteral("Done"), polarity);
    stop->setAccessibleDescription(QStringLiteral("Ends the polarity test"));
    connect(stop, &QPushButton::clicked, &m_logic.polarity(), &EnergyDirectionProbe::stop);
    for (int ch = 0; ch < 2; ++ch) {
        m_polarity[ch] = readOnlyBox(QStringLiteral("CH%1").arg(ch + 1), polarity);
        m_polarity[ch]->setAlignment(Qt::AlignCenter);
        m_polarity[ch]->setAutoFillBackground(true);
        polarityLayout->addWidget(labelFor(QStringLiteral("CH%1").arg(ch + 1), m_polarity[ch], polarity), ch, 1);
        polarityLayout->addWidget(m_polarity[ch], ch, 2);
        auto *toggle = new QPushButton(QStringLiteral("Toggle CH%1 Polarity").arg(ch + 1), polarity);
        toggle->setEnabled(false);
        polarityLayout->addWidget(toggle, ch, 3);
    }
    polarityLayout->addWidget(test, 0, 0);
    polarityLayout->addWidget(stop, 1, 0);
    polarityLayout->setColumnStretch(2, 1);
    layout->addWidget(polarity);
    layout->addStretch();
    return page;
}

QWidget *OptionsWindow::buildNetDock()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *row = new QHBoxLayout;
    auto *port = new QLineEdit(QStringLiteral("8082"), page);
    port->setAccessibleName(QStringLiteral("Port Number"));
    row->addWidget(labelFor(QStringLiteral("Port Number"), port, page));
    row->addWidget(port);
    row->addStretch();
    layout->addLayout(row);
    layout->addWidget(new QLabel(
        QStringLiteral("The NetDock port is set in the COM Control Panel (Communication \u2192 Communication Panel)."),
        page));
    layout->addStretch();
    // The bridge's port is set in the communication panel; this page only shows.
    page->setEnabled(false);
    return page;
}

QAbstractButton *OptionsWindow::databaseOption(int index) const
{
    return m_database->button(index);
}

QCheckBox *OptionsWindow::box(OptionsLogic::Box box) const
{
    return m_boxes[int(box)];
}

QPushButton *OptionsWindow::button(const QString &caption, int page) const
{
    const QWidget *root = page < 0 ? static_cast<const QWidget *>(this) : m_tabs->widget(page);
    for (QPushButton *b : root->findChildren<QPushButton *>())
        if (b->text() == caption)
            return b;
    return nullptr;
}

bool OptionsWindow::checkField(Field f)
{
    Checked &c = m_fields[f];
    if (m_checking || c.edit->text() == c.taken)
        return true;
    // The message box takes the focus and the check must not run again
    // from that; one check per leaving.
    m_checking = true;
    const QString text = c.edit->text();
    const auto setBox = [edit = c.edit](const QString &t) { edit->setText(t); };
    OptionsLogic::Check result;
    switch (f) {
    case UserField:
        result = m_logic.userLeft(text);
        break;
    case IntervalField:
        result = m_logic.intervalLeft(text, setBox);
        break;
    case Ch1PowerField:
        result = m_logic.powerChangeLeft(OptionsLogic::Channel::Ch1, text, setBox);
        break;
    case Ch2PowerField:
        result = m_logic.powerChangeLeft(OptionsLogic::Channel::Ch2, text, setBox);
        break;
    case RateField:
        result = m_logic.rateLeft(text);
        break;
    case FieldCount:
        break;
    }
    m_checking = false;
    if (result.accepted)
        c.taken = c.edit->text();
    if (result.refocus) {
        // After the box's own focus handling is over.
        QTimer::singleShot(0, c.edit, [edit = c.edit] {
            edit->setFocus(Qt::OtherFocusReason);
            edit->selectAll();
        });
    }
    return !result.refocus;
}

bool OptionsWindow::checkPending()
{
    for (int f = 0; f < FieldCount; ++f) {
        if (!checkField(Field(f)))
            return false;
    }
    return true;
}

bool OptionsWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        // Switching to another program or opening a menu is not leaving the box.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (int f = 0; f < FieldCount; ++f)
                if (m_fields[f].edit == watched)
                    checkField(Field(f));
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void OptionsWindow::showEnergyTotals()
{
    const std::array<QString, 4> totals = m_logic.energyTotals();
    for (int i = 0; i < 4; ++i)
        m_energy[i]->setText(totals[i]);
}

void OptionsWindow::showPolarity()
{
    const EnergyDirectionProbe &test = m_logic.polarity();
    for (int ch = 0; ch < 2; ++ch) {
        const EnergyDirectionProbe::Box &b = ch == 0 ? test.ch1() : test.ch2();
        QLineEdit *edit = m_polarity[ch];
        edit->setText(b.text);
        // The colours are the test's answer.
        QPalette p = palette();
        switch (b.look) {
        case EnergyDirectionProbe::Look::Idle:
            break;
        case EnergyDirectionProbe::Look::Testing:
        case EnergyDirectionProbe::Look::Generated:
            p.setColor(QPalette::Base, QColor(255, 255, 0));
            p.setColor(QPalette::Text, Qt::black);
            break;
        case EnergyDirectionProbe::Look::White:
            p.setColor(QPalette::Base, Qt::white);
            p.setColor(QPalette::Text, Qt::black);
            break;
        case EnergyDirectionProbe::Look::Consumed:
            p.setColor(QPalette::Base, QColor(0, 0, 255));
            p.setColor(QPalette::Text, Qt::white);
            break;
        }
        edit->setPalette(p);
    }
}

void OptionsWindow::done()
{
    if (!checkPending())
        return;
    m_logic.done();
    close();
}

void OptionsWindow::closeEvent(QCloseEvent *event)
{
    if (!checkPending()) {
        event->ignore();
        return;
    }
    m_logic.polarity().reset();
    event->accept();
}
