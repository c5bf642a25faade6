#include "device/utility_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using Box = DeviceUtility::Box;

UtilityWindow::UtilityWindow(DeviceUtility &logic, QWidget *parent)
    : QMainWindow(parent, Qt::Window)
    , m_logic(logic)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromLatin1(kCaption));
    QMenu *file = menuBar()->addMenu(QStringLiteral("File"));
    connect(file->addAction(QStringLiteral("Exit")), &QAction::triggered, this, &QWidget::close);

    auto *central = new QWidget(this);
    auto *grid = new QGridLayout(central);

    auto *ct = new QGroupBox(QStringLiteral("CT Setup"), central);
    auto *ctLayout = new QGridLayout(ct);
    const char *presets[] = {"SPLIT-60 CT", "SPLIT-100 or CLAMP-100", "SPLIT-150", "SPLIT-200 or CLAMP-200"};
    for (int i = 0; i < 4; ++i) {
        m_presets[i] = new QRadioButton(QString::fromLatin1(presets[i]), ct);
        connect(m_presets[i], &QRadioButton::clicked, &logic, [&logic, i] { logic.preset(i); });
        ctLayout->addWidget(m_presets[i], i / 2, i % 2);
    }
    // The two channels' frames are the same size, side by side.
    ctLayout->addWidget(ctFrame(1), 2, 0);
    ctLayout->addWidget(ctFrame(2), 2, 1);
    ctLayout->setRowStretch(3, 1);
    ctLayout->setColumnStretch(0, 1);
    ctLayout->setColumnStretch(1, 1);

    auto *middle = new QVBoxLayout;
    middle->addWidget(typeRangeFrame(QStringLiteral("PT Setup"), QStringLiteral("PT"), Box::PtType, Box::PtRange,
                                     [&logic] { logic.acceptPt(); }));
    auto *interval = new QGroupBox(QStringLiteral("Data Logger Storage Interval"), central);
    auto *intervalLayout = new QHBoxLayout(interval);
    auto *minutes = new QGroupBox(QStringLiteral("Minutes"), interval);
    auto *minutesLayout = new QHBoxLayout(minutes);
    minutesLayout->addWidget(makeEdit(Box::Interval, QStringLiteral("Storage interval, minutes"), minutes));
    intervalLayout->addWidget(minutes);
    intervalLayout->addWidget(makeButton(QStringLiteral("Accept Changes"), interval, [&logic] { logic.acceptInterval(); }));
    middle->addWidget(interval);
    auto *firmware = new QGroupBox(QStringLiteral("Firmware Version"), central);
    auto *firmwareLayout = new QHBoxLayout(firmware);
    firmwareLayout->addWidget(makeEdit(Box::Firmware, QStringLiteral("Firmware Version"), firmware));
    m_edits[Box::Firmware]->setReadOnly(true);
    middle->addWidget(firmware);
    middle->addWidget(singleBoxFrame(QStringLiteral("Device ID"), Box::DeviceId, QStringLiteral("Accept Changes"),
                                     [&logic] { logic.acceptDeviceId(); }));
    middle->addStretch(1);

    auto *right = new QVBoxLayout;
    QGroupBox *address = singleBoxFrame(QStringLiteral("Device Address"), Box::Address, QStringLiteral("Save"),
                                        [&logic] { logic.saveAddress(); });
    m_saveAddress = button(QStringLiteral("Save"), QStringLiteral("Device Address"));
    m_saveAddress->setEnabled(false);
    right->addWidget(address);
    QGroupBox *frequency = singleBoxFrame(QStringLiteral("Packet Transmission Frequency(sec)"), Box::Frequency,
                                          QStringLiteral("Save"), [&logic] { logic.saveFrequency(); });
    auto *notRead = new QLabel(QStringLiteral("Currently, this value written but not read"), frequency);
    notRead->setWordWrap(true);
    static_cast<QGridLayout *>(frequency->layout())->addWidget(notRead, 1, 0, 1, 2);
    right->addWidget(frequency);
    right->addWidget(loadsFrame());
    right->addStretch(1);

    m_listView = new QListView(central);
    m_listView->setModel(&logic.list());
    m_listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView->setAccessibleName(QStringLiteral("Status"));
    m_listView->setMinimumHeight(fontMetrics().height() * 6);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(makeButton(QStringLiteral("Read QMN-4400 Settings"), central, [&logic] { logic.readSettings(); }));
    bottom->addStretch(1);
    bottom->addWidget(makeButton(QStringLiteral("Exit"), central, [this] { close(); }));

    grid->addWidget(ct, 0, 0);
    grid->addLayout(middle, 0, 1);
    grid->addLayout(right, 0, 2);
    grid->addWidget(commandsFrame(), 1, 0, 1, 2);
    grid->addWidget(m_listView, 1, 2);
    grid->addLayout(bottom, 2, 0, 1, 3);
    setCentralWidget(central);

    connect(&logic, &DeviceUtility::boxChanged, this, [this](Box b) {
        if (m_edits[b] && m_edits[b]->text() != m_logic.box(b))
            m_edits[b]->setText(m_logic.box(b));
    });
    connect(&logic, &DeviceUtility::busyChanged, this, &UtilityWindow::showBusy);
    connect(&logic.loads(), &LoadSwitches::boxesChanged, this, &UtilityWindow::refreshLoads);

    logic.opened();
    for (int b = 0; b < Box::BoxCount; ++b) {
        if (m_edits[b])
            m_edits[b]->setText(logic.box(Box(b)));
    }
    refreshLoads();
    showBusy(logic.isBusy());
}

QLineEdit *UtilityWindow::makeEdit(Box box, const QString &accessibleName, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setAccessibleName(accessibleName);
    edit->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000000000000")));
    // Every change counts, not only typing: a screen reader, voice control
    // or a test tool sets the text through the accessibility interface, and
    // the buttons must send what the box shows. A text that differs from the
    // logic's is a person's edit; the logic's own fills match it.
    connect(edit, &QLineEdit::textChanged, &m_logic, [this, box](const QString &text) {
        if (text == m_logic.box(box))
            return;
        m_logic.setBox(box, text);
        if (box == Box::Address && m_saveAddress)
            m_saveAddress->setEnabled(true);
    });
    m_edits[box] = edit;
    return edit;
}

QPushButton *UtilityWindow::makeButton(const QString &caption, QWidget *parent, std::function<void()> onClick)
{
    auto *b = new QPushButton(caption, parent);
    connect(b, &QPushButton::clicked, this, std::move(onClick));
    return b;
}

QGroupBox *UtilityWindow::ctFrame(int channel)
{
    // The captions are the ones users know, trailing blank included.
    const QString title = channel == 1 ? QStringLiteral("CH 1 ") : QStringLiteral("CH2");
    DeviceUtility &logic = m_logic;
    return typeRangeFrame(title, channel == 1 ? QStringLiteral("CH 1") : QStringLiteral("CH2"),
                          channel == 1 ? Box::Ch1Type : Box::Ch2Type, channel == 1 ? Box::Ch1Range : Box::Ch2Range,
                          [&logic, channel] { logic.acceptCt(channel); });
}

QGroupBox *UtilityWindow::typeRangeFrame(const QString &title, const QString &prefix, Box type, Box range,
                                    std::function<void()> accept)
{
    auto *frame = new QGroupBox(title, this);
    auto *layout = new QGridLayout(frame);
    int row = 0;
    for (const auto &[caption, box] : {std::pair{QStringLiteral("Type"), type}, std::pair{QStringLiteral("Range"), range}}) {
        auto *label = new QLabel(caption, frame);
        QLineEdit *edit = makeEdit(box, prefix + QLatin1Char(' ') + caption, frame);
        label->setBuddy(edit);
        layout->addWidget(label, row, 0);
        layout->addWidget(edit, row++, 1);
    }
    layout->addWidget(makeButton(QStringLiteral("Accept Changes"), frame, std::move(accept)), row, 0, 1, 2);
    return frame;
}

QGroupBox *UtilityWindow::singleBoxFrame(const QString &title, Box box, const QString &buttonCaption,
                                    std::function<void()> onClick)
{
    auto *frame = new QGroupBox(title, this);
    auto *layout = new QGridLayout(frame);
    layout->addWidget(makeEdit(box, title, frame), 0, 0);
    layout->addWidget(makeButton(buttonCaption, frame, std::move(onClick)), 0, 1);
    return frame;
}

QGroupBox *UtilityWindow::commandsFrame()
{
    DeviceUtility &logic = m_logic;
    auto *frame = new QGroupBox(QStringLiteral("QMN Utility Commands"), this);
    auto *layout = new QGridLayout(frame);
    layout->addWidget(makeButton(QStringLiteral("Read Serial Number"), frame, [&logic] { logic.readSerialNumber(); }), 0, 0);
    QLineEdit *serial = makeEdit(Box::SerialNumber, QStringLiteral("Serial Number"), frame);
    serial->setReadOnly(true);
    layout->addWidget(serial, 0, 1);
    layout->addWidget(makeButton(QStringLiteral("Send Acknowledge"), frame, [&logic] { logic.sendAcknowledge(); }), 1, 0);
    auto *responseLabel = new QLabel(QStringLiteral("Response"), frame);
    QLineEdit *response = makeEdit(Box::Response, QStringLiteral("Response"), frame);
    response->setReadOnly(true);
    responseLabel->setBuddy(response);
    auto *responseRow = new QHBoxLayout;
    responseRow->addWidget(responseLabel);
    responseRow->addWidget(response);
    layout->addLayout(responseRow, 1, 1);
    layout->addWidget(makeButton(QStringLiteral("Reset QMN-4400 + DataLogger"), frame,
                                 [&logic] { logic.reset(DeviceUtility::Reset::All); }), 2, 0);
    layout->addWidget(makeButton(QStringLiteral("Reset Static Pre-Reset Values"), frame,
                                 [&logic] { logic.resetPreResetValues(); }), 2, 1);
    layout->addWidget(makeButton(QStringLiteral("Toggel CH1 Polarity"), frame, [&logic] { logic.togglePolarity(1); }), 3, 0);
    layout->addWidget(makeButton(QStringLiteral("Toggle CH2 Polarity"), frame, [&logic] { logic.togglePolarity(2); }), 3, 1);

    auto *newer = new QGroupBox(QStringLiteral("Requires firm ver 2.210 or Greater"), frame);
    auto *newerLayout = new QHBoxLayout(newer);
    newerLayout->addWidget(makeButton(QStringLiteral("Reset Data Logger Only"), newer,
                                      [&logic] { logic.reset(DeviceUtility::Reset::LoggerOnly); }));
    newerLayout->addWidget(makeButton(QStringLiteral("Reset QMN-4400 Data Only"), newer,
                                      [&logic] { logic.reset(DeviceUtility::Reset::CountersOnly); }));
    layout->addWidget(newer, 4, 0, 1, 2);

    // The spare server socket these would drive is not part of the program:
    // the buttons stay greyed, as they always were.
    auto *tests = new QHBoxLayout;
    for (const char *caption : {"connect", "disconnect", "test"}) {
        auto *b = new QPushButton(QString::fromLatin1(caption), frame);
        b->setEnabled(false);
        tests->addWidget(b);
    }
    layout->addLayout(tests, 5, 0, 1, 2);
    return frame;
}

QGroupBox *UtilityWindow::loadsFrame()
{
    auto *frame = new QGroupBox(QStringLiteral("Web Portal Load Status"), this);
    auto *layout = new QGridLayout(frame);
    LoadSwitches &loads = m_logic.loads();
    for (int i = 0; i < LoadSwitches::kLoads; ++i) {
        m_loads[i] = new QCheckBox(QStringLiteral("Load %1").arg(i + 1), frame);
        connect(m_loads[i], &QCheckBox::clicked, &loads, [&loads, i](bool checked) { loads.boxClicked(i, checked); });
        layout->addWidget(m_loads[i], i / 2, i % 2);
    }
    layout->addWidget(makeButton(QStringLiteral("Reset Loads"), frame, [&loads] { loads.resetLoads(); }), 2, 0, 1, 2);
    connect(&loads, &LoadSwitches::loadsChanged, this, &UtilityWindow::refreshLoads);
    return frame;
}

void UtilityWindow::refreshLoads()
{
    for (int i = 0; i < LoadSwitches::kLoads; ++i)
        m_loads[i]->setChecked(m_logic.loads().isOn(i));
}

void UtilityWindow::showBusy(bool busy)
{
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

QPushButton *UtilityWindow::button(const QString &caption, const QString &frame) const
{
    for (QPushButton *b : findChildren<QPushButton *>()) {
        if (b->text() != caption)
            continue;
        if (frame.isEmpty())
            return b;
        for (QWidget *w = b->parentWidget(); w; w = w->parentWidget()) {
            if (auto *group = qobject_cast<QGroupBox *>(w); group && group->title() == frame)
                return b;
        }
    }
    return nullptr;
}
