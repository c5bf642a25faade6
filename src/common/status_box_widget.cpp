#include "common/status_box_widget.h"

#include "common/status_box.h"

StatusBoxWidget::StatusBoxWidget(StatusBox &box, QWidget *parent)
    : QLabel(parent)
    , m_box(box)
{
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setMargin(fontMetrics().height() / 4);
    connect(&box, &StatusBox::changed, this, &StatusBoxWidget::refresh);
    refresh();
}

void StatusBoxWidget::refresh()
{
    setText(m_box.text());
    // These colours are part of the behaviour users know, not decoration.
    QPalette p = palette();
    const bool good = m_box.isGood();
    p.setColor(QPalette::Window, good ? QColor(0, 255, 0) : QColor(255, 0, 0));
    p.setColor(QPalette::WindowText, good ? Qt::black : Qt::white);
    setPalette(p);
}
