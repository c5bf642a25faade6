#include "common/status_box.h"

StatusBox::StatusBox(QString text, Colour colour, QObject *parent)
    : QObject(parent)
    , m_text(std::move(text))
    , m_colour(colour)
{
}

void StatusBox::show(const QString &text, Colour colour)
{
    if (text == m_text && colour == m_colour)
        return;
    m_text = text;
    m_colour = colour;
    emit changed();
}

void StatusBox::setColour(Colour colour)
{
    show(m_text, colour);
}
