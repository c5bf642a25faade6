#include "portal/web_window.h"

#include "common/status_box_widget.h"
#include "common/row_table_view.h"
#include "portal/portal_upload.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

WebWindow::WebWindow(PortalUpload &portal, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_portal(portal)
{
    setObjectName(QStringLiteral("WebWindow"));
    setWindowTitle(QStringLiteral("Send Data to Web Server"));

    auto *status = new QGroupBox(QStringLiteral("Status"), this);
    auto *statusLayout = new QVBoxLayout(status);
    auto *communication = new QLabel(QStringLiteral("Communication"), status);
    auto *statusBox = new StatusBoxWidget(portal.statusBox(), status);
    // Screen readers say a label's name, which is its text while none is set.
    statusBox->setAccessibleDescription(QStringLiteral("Communication"));
    communication->setBuddy(statusBox);
    m_portalStatus = new QLabel(portal.portalStatus(), status);
    m_portalStatus->setAccessibleDescription(QStringLiteral("Portal"));
    m_portalStatus->setWordWrap(true);
    connect(&portal, &PortalUpload::portalStatusChanged, m_portalStatus, &QLabel::setText);
    statusLayout->addWidget(communication);
    statusLayout->addWidget(statusBox);
    statusLayout->addWidget(m_portalStatus);

    m_enable = new QCheckBox(QStringLiteral("Enable Web Server"), this);
    connect(m_enable, &QCheckBox::clicked, &portal, &PortalUpload::setWriteEnable);

    auto *form = new QFormLayout;
    const char *const labels[] = {"Web Server Account", "Trig Interval (Sec)", "CH1 Trig Power (W)",
                                  "CH2 Trig Power (W)"};
    for (int i = 0; i < 4; ++i) {
        m_boxes[i] = new QLineEdit(this);
        m_boxes[i]->setReadOnly(true);
        m_boxes[i]->setAccessibleName(QString::fromLatin1(labels[i]));
        form->addRow(QString::fromLatin1(labels[i]), m_boxes[i]);
    }
    connect(&portal, &PortalUpload::textBoxesRefreshed, this, &WebWindow::showTextBoxes);

    auto *clear = new QPushButton(QStringLiteral("Clear List"), this);
    connect(clear, &QPushButton::clicked, &portal, &PortalUpload::clearListClicked);
    auto *hide = new QPushButton(QStringLiteral("Hide"), this);
    connect(hide, &QPushButton::clicked, this, &QWidget::hide);

    m_list = new QTableView(this);
    setUpRowTableView(m_list, portal.posts());
    m_list->setAccessibleName(QStringLiteral("Posts"));
    // The longest source, "CH2 /  Time out", is wider than the designed column.
    m_list->setColumnWidth(PostListModel::TriggerSource,
                           qMax(m_list->columnWidth(PostListModel::TriggerSource),
                                m_list->fontMetrics().horizontalAdvance(PostListModel::sourceText(
                                    PostListModel::ByCh2 | PostListModel::ByTimeOut))
                                    + 3 * m_list->fontMetrics().averageCharWidth()));

    auto *top = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(m_enable);
    left->addLayout(form);
    top->addLayout(left, 1);
    top->addWidget(status, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(clear);
    buttons->addWidget(hide);
    buttons->addStretch();
    top->addLayout(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_list, 1);

    // Load: the switch as saved, then the boxes.
    m_enable->setChecked(portal.writeEnabled());
    portal.RefreshTextBoxes();
    showTextBoxes();

    int width = 2 * m_list->frameWidth() + m_list->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < portal.posts().columnCount(); ++c)
        width += m_list->columnWidth(c);
    resize(width + 2 * layout->contentsMargins().left(), fontMetrics().height() * 30);
}

QPushButton *WebWindow::button(const QString &caption) const
{
    for (QPushButton *b : findChildren<QPushButton *>())
        if (b->text() == caption)
            return b;
    return nullptr;
}

void WebWindow::showTextBoxes()
{
    const PortalUpload::TextBoxes &t = m_portal.textBoxes();
    m_boxes[0]->setText(t.user);
    m_boxes[1]->setText(t.interval);
    m_boxes[2]->setText(t.ch1Power);
    m_boxes[3]->setText(t.ch2Power);
}

void WebWindow::closeEvent(QCloseEvent *event)
{
    // The close box only hides: the list and the upload go on.
    hide();
    event->ignore();
}
