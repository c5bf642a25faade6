#include "link/communication_panel.h"

#include "common/status_box.h"
#include "link/com_panel_logic.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QListView *makeList(QWidget *parent, int lines)
{
    auto *view = new QListView(parent);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setUniformItemSizes(true);
    view->setMinimumHeight(view->fontMetrics().height() * lines + 2 * view->frameWidth());
    return view;
}

} // namespace

CommunicationPanel::CommunicationPanel(ComPanelLogic &logic, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_logic(logic)
{
    setWindowTitle(logic.title());
    connect(&logic, &ComPanelLogic::titleChanged, this, &QWidget::setWindowTitle);
    const QFontMetrics fm = fontMetrics();

    // Connection method.
    auto *methodFrame = new QGroupBox(QStringLiteral("Communication Method"), this);
    methodFrame->setToolTip(QStringLiteral("Select appropriate connection type."));
    auto *methodLayout = new QVBoxLayout(methodFrame);
    m_methods = new QButtonGroup(this);
    const struct
    {
        const char *caption;
        const char *tip;
    } options[] = {
        {"USB Cable", "Direct USB cable connection to QMN-4400."},
        {"Zigbee Version 1 E1", "Before Jan 2008"},
        {"Zigbee Version 2 E2", "After Jan 2008"},
        {"Zigbee ZB E3", nullptr},
    };
    for (int i = 0; i < 4; ++i) {
        auto *option = new QRadioButton(QString::fromLatin1(options[i].caption), methodFrame);
        if (options[i].tip)
            option->setToolTip(QString::fromLatin1(options[i].tip));
        m_methods->addButton(option, i);
        methodLayout->addWidget(option);
    }
    connect(m_methods, &QButtonGroup::idClicked, &logic, &ComPanelLogic::chooseMethod);
    auto *findRow = new QHBoxLayout;
    for (int z = 1; z <= 3; ++z) {
        m_find[z - 1] = new QPushButton(QStringLiteral("Find E%1").arg(z), methodFrame);
        connect(m_find[z - 1], &QPushButton::clicked, &logic, [&logic, z] { logic.find(z); });
        findRow->addWidget(m_find[z - 1]);
    }
    methodLayout->addLayout(findRow);
    connect(&logic, &ComPanelLogic::methodChanged, this, &CommunicationPanel::refreshMethod);

    // Port search.
    auto *searchColumn = new QVBoxLayout;
    auto *foundLabel = new QLabel(QStringLiteral("Ports  Found"), this);
    m_portList = makeList(this, 6);
    m_portList->setModel(&logic.portRows());
    m_portList->setToolTip(
        QStringLiteral("Click \"List Available Ports\" then click the displayed port number to select it."));
    // Rows read "3   /dev/ttyUSB0": wide enough for a by-id path's start.
    m_portList->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("64   /dev/serial/by-id/usb-")));
    foundLabel->setBuddy(m_portList);
    m_portList->setAccessibleName(QStringLiteral("Ports Found"));
    connect(m_portList, &QListView::clicked, &logic, [&logic](const QModelIndex &index) {
        logic.portListClicked(index.row());
    });
    auto *listPorts = new QPushButton(QStringLiteral("List Available Ports"), this);
    listPorts->setToolTip(QStringLiteral("Searches for available COM ports."));
    connect(listPorts, &QPushButton::clicked, &logic, [&logic] { logic.listAvailablePorts(); });
    connect(&logic, &ComPanelLogic::busyChanged, this, &CommunicationPanel::setBusy);
    searchColumn->addWidget(foundLabel);
    searchColumn->addWidget(m_portList, 1);
    searchColumn->addWidget(listPorts);

    auto *messages = makeList(this, 4);
    messages->setModel(&logic.messages());
    messages->setAccessibleName(QStringLiteral("Messages"));

    // Serial port.
    auto *portFrame = new QGroupBox(QStringLiteral("COM Port"), this);
    auto *portLayout = new QGridLayout(portFrame);
    m_portEdit = new QLineEdit(portFrame);
    m_portEdit->setObjectName(QStringLiteral("portBox"));
    m_portEdit->setAccessibleName(QStringLiteral("COM Port")); // the frame's caption
    m_portEdit->setAlignment(Qt::AlignCenter);
    m_portEdit->setAutoFillBackground(true);
    m_portEdit->setMaximumWidth(fm.horizontalAdvance(QStringLiteral("000000")) + 4 * fm.averageCharWidth());
    connect(m_portEdit, &QLineEdit::editingFinished, this, [this] {
        m_logic.portBoxLeft(m_portEdit->text());
        refreshPortBox(); // the box shows the port in force, whatever was typed
    });
    connect(&logic.portBox(), &StatusBox::changed, this, &CommunicationPanel::refreshPortBox);
    auto *open = new QPushButton(QStringLiteral("Open Port"), portFrame);
    connect(open, &QPushButton::clicked, &logic, [&logic] { logic.openPort(); });
    auto *close = new QPushButton(QStringLiteral("Close Port"), portFrame);
    connect(close, &QPushButton::clicked, &logic, &ComPanelLogic::closePort);
    portLayout->addWidget(m_portEdit, 0, 0);
    portLayout->addWidget(open, 0, 1);
    portLayout->addWidget(close, 1, 1);
    // The line always runs at 19200 baud; the choices are shown as they
    // always were, but cannot be changed.
    auto *speeds = new QButtonGroup(this);
    int row = 2;
    for (const char *speed : {"9600", "19,200", "115,200"}) {
        auto *option = new QRadioButton(QString::fromLatin1(speed), portFrame);
        option->setChecked(QLatin1String(speed) == QLatin1String("19,200"));
        option->setEnabled(false);
        speeds->addButton(option);
        portLayout->addWidget(option, row++, 0, 1, 2);
    }

    // Network bridge.
    auto *bridgeFrame = new QGroupBox(QStringLiteral("Communications"), this);
    auto *bridgeLayout = new QGridLayout(bridgeFrame);
    auto *netDockLabel = new QLabel(QStringLiteral("NetDock Port"), bridgeFrame);
    m_netDockPort = new QLineEdit(QStringLiteral("8083"), bridgeFrame);
    m_netDockPort->setObjectName(QStringLiteral("txtNetDockPort"));
    m_netDockPort->setMaximumWidth(fm.horizontalAdvance(QStringLiteral("000000")) + 4 * fm.averageCharWidth());
    netDockLabel->setBuddy(m_netDockPort);
    auto *connectBridge = new QPushButton(QStringLiteral("NetDock Connect"), bridgeFrame);
    connect(connectBridge, &QPushButton::clicked, this, [this] {
        m_logic.netDockConnect(m_netDockPort->text());
        m_netDockPort->setText(m_logic.netDockPortText());
    });
    auto *disconnectBridge = new QPushButton(QStringLiteral("NetDock Disconnect"), bridgeFrame);
    connect(disconnectBridge, &QPushButton::clicked, &logic, &ComPanelLogic::netDockDisconnect);
    m_startListener = new QCheckBox(QStringLiteral("Start NetDock Listener when Program Starts"), bridgeFrame);
    m_startListener->setChecked(logic.startListenerAtStart());
    connect(m_startListener, &QCheckBox::toggled, &logic, &ComPanelLogic::setStartListenerAtStart);
    bridgeLayout->addWidget(netDockLabel, 0, 0);
    bridgeLayout->addWidget(m_netDockPort, 0, 1);
    bridgeLayout->addWidget(connectBridge, 1, 0);
    bridgeLayout->addWidget(disconnectBridge, 1, 1);
    bridgeLayout->addWidget(m_startListener, 2, 0, 1, 2);

    auto *exit = new QPushButton(QStringLiteral("Exit"), this);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);

    auto *grid = new QGridLayout(this);
    grid->addWidget(methodFrame, 0, 0);
    grid->addWidget(portFrame, 0, 1);
    grid->addLayout(searchColumn, 1, 0);
    grid->addWidget(bridgeFrame, 1, 1, Qt::AlignTop);
    grid->addWidget(messages, 2, 0, 1, 2);
    grid->addWidget(exit, 3, 1, Qt::AlignRight);
    grid->setRowStretch(1, 1);

    refreshPortBox();
    refreshMethod();
}

CommunicationPanel::~CommunicationPanel()
{
    setBusy(false);
}

void CommunicationPanel::showPanel()
{
    if (!isVisible()) {
        m_logic.load();
        m_netDockPort->setText(m_logic.netDockPortText());
        m_startListener->setChecked(m_logic.startListenerAtStart());
    }
    show();
    raise();
    activateWindow();
}

QPushButton *CommunicationPanel::button(const QString &caption) const
{
    for (QPushButton *b : findChildren<QPushButton *>()) {
        if (b->text() == caption)
            return b;
    }
    return nullptr;
}

QAbstractButton *CommunicationPanel::methodOption(int option) const
{
    return m_methods->button(option);
}

void CommunicationPanel::closeEvent(QCloseEvent *event)
{
    m_logic.unload();
    event->accept();
}

void CommunicationPanel::refreshPortBox()
{
    const StatusBox &box = m_logic.portBox();
    if (m_portEdit->text() != box.text())
        m_portEdit->setText(box.text());
    // Green while the port is open, red while closed: part of the behaviour.
    QPalette p = m_portEdit->palette();
    p.setColor(QPalette::Base, box.isGood() ? QColor(0, 255, 0) : QColor(255, 0, 0));
    p.setColor(QPalette::Text, box.isGood() ? Qt::black : Qt::white);
    m_portEdit->setPalette(p);
    // The colour says open or closed; a screen reader needs it in words.
    m_portEdit->setAccessibleDescription(box.isGood() ? QStringLiteral("COM Port is Open")
                                                      : QStringLiteral("COM Port is Closed"));
}

void CommunicationPanel::refreshMethod()
{
    const int chosen = m_logic.methodOption();
    // An exclusive group cannot show "nothing chosen" otherwise.
    m_methods->setExclusive(false);
    for (QAbstractButton *b : m_methods->buttons())
        b->setChecked(m_methods->id(b) == chosen);
    m_methods->setExclusive(true);
    for (int z = 1; z <= 3; ++z)
        m_find[z - 1]->setEnabled(m_logic.findEnabled(z));
}

void CommunicationPanel::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
